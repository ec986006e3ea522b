// Coverage-guided fuzzing of every exported callback.
//
// An input is either a case in JSON, a NUL byte and a call script, or, when it does not start
// with '{', a compact description of a host tree followed by the call script. The tree is
// bounded (at most kMaxNodes nodes, kMaxDepth levels) and built from the host's own names,
// odd names (dots, quotes, empty, long, non-ASCII) and properties of every type. Each call of
// the script picks a callback, a node, attributes recorded beforehand (as the framework or an
// earlier selection would) and an argument among -1, 0, small, large, negative, INT_MIN and
// INT_MAX; the driver then checks what holds for every callback and the fuzzer stops on the
// first violation.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "iterator/case_loader.h"
#include "iterator/host_iterator.h"
#include "support/callback_driver.h"

namespace {

constexpr int kMaxNodes = 300;
constexpr int kMaxDepth = 14;
constexpr int kMaxCalls = 48;

// Node names the callbacks look for, and a few that are nearly them.
const char* const kNames[] = {
    "Comp Mole Frac", "Comp Mass Frac", "Comp Volume Frac", "Phase Comp Mole Frac",
    "Phase Comp Mass Frac", "Phase Comp Volume Frac", "Vapour Phase", "Vapour", "Liquid",
    "Heavy Liquid", "Liquid2", "Comp K Value - Mixed Liquid", "Comp K Value - Light Liquid",
    "Comp K Value - Heavy Liquid", "Comp K Value - Liq1 / Liq2", "Pipe Length", "No of Increments",
    "Profile Length", "Number of Points, Dew Point Curve", "Number of Points, Bubble Point Curve",
    "Number of Points, Hydrate Curve", "CO results label", "Compressor curve", "Head", "Speed",
    "Enhanced Holdup", "Enhanced Hold Up", "Product Nozzle Diameter", "Feed Nozzle Diameter",
    "Performance Curve", "Lift (% of max)", "Pump Curve", "Object Name", "NPSH Curve",
    "Tube Inlet Temperature", "Shell Inlet Temperature", "Number of Product Streams",
    "ReactionList", "Reaction", "ReactionType", "NumberOfRows", "PreFactor", "ActivationEnergy",
    "NumberOfReactants", "Exponents", "KineticBasis", "ReactantList", "Reactant", "ComponentName",
    "ActiveReactionList", "NumberOfActiveRxns", "ActiveReaction", "InactiveReactionList",
    "NumberOfInactiveRxns", "InactiveReaction", "ReactionRanks", "ReactionRankSet", "ReactionRank",
    "Est. Molar Extent", "Total Inflow", "Temperature Approach", "Vessel Mole Frac",
    "Reaction Set", "Basis", "ReactionPackage", "ReactionSetList", "NumberOfReactionSets",
    "ReactionSet#0", "ReactionSet#1", "ReactionSetName", "ActiveReaction#0", "ActiveReaction#1",
    "Frac Spec", "Zone vapour frac", "Zone duty", "Zone pressures", "Nozzle Diameter",
    "Vapour Mole Fraction", "Liquid Mole Fraction", "Overhead Vapour Stream", "Distillate Stream",
    "Heavy Liquid Stream", "Reflux Stream", "Boilup Stream", "Liquid Product Stream",
    "2nd Liquid Draw Stream", "Vapour Draw Stream", "Traysection Feeds", "Number of Stages",
    "Liquid Draw", "Vapour Draw", "Water Draw", "Liquid Draws", "Vapour Draws", "Water Draws",
    "Vap and Liq draws", "Liquid Draws#1", "Type of Tray Section", "top liquid feed",
    "bottom vapour feed", "overhead vapour product", "bottom liquid product",
    "Downstream Unit Operations", "Feed", "Product", "Elem0", "Elem1", "Elem2", "S-1", "S.2",
    "Q\"uote", "", "reaction", "Reactions", "Reaction1"};

// Texts for "value", "type" and "id" properties and for recorded attributes.
const char* const kTexts[] = {
    "MaterialStreamObject", "TemplateOpObject", "PipeSegObject", "HeaterOpObject",
    "TraySectionObject", "BPReboilerObject", "ConversionRxnObject", "LHKineticRxnObject",
    "SimpleRateRxnObject", "EquilibriumRxnObject", "KineticRxnObject", "KineticRxnObjectX",
    "Side Stripper", "Side Rectifier", "Side Stripper ", "Vapour Phase", "Liquid", "S-1", "S.2",
    "Elem0", "Elem1", "Elem99", "", "12", "-3", "nan", "Reaction", "Q\"uote", "\xc3\xa9t\xc3\xa9"};

// Attributes that callbacks read after the framework or an earlier selection recorded them.
const char* const kAttributes[] = {"CmpCnt", "PhaseCmpCnt", "FluidPhaseCmpCnt", "FlashPhaseCmpCnt",
                                   "PhaseName", "SegStartCell", "SegNumCell", "row", "ncomp",
                                   "StreamId", "Element", "Draw", "Return"};

std::string Text(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 5)) {
    case 0:
      return in.ConsumeRandomLengthString(24);
    case 1:
      return std::string(in.ConsumeIntegralInRange<std::size_t>(256, 10000), 'x');
    default:
      return in.PickValueInArray(kTexts);
  }
}

FIAttribute Value(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0:
      return FIAttribute(in.ConsumeIntegral<int>());
    case 1:
      return FIAttribute(in.ConsumeIntegralInRange(-2, 12));
    case 2:
      return FIAttribute(in.ConsumeFloatingPoint<double>());
    case 3:
      return FIAttribute();
    default:
      return FIAttribute(Text(in).c_str());
  }
}

hostsim::PropValue Property(FuzzedDataProvider& in) {
  FIAttribute v = Value(in);
  switch (v.type()) {
    case FT_INTEGER:
      return hostsim::PropValue::Integer(v.ival());
    case FT_REAL:
      return hostsim::PropValue::Real(v.rval());
    default:
      return hostsim::PropValue::Text(v.c_str() ? v.c_str() : "");
  }
}

std::shared_ptr<const hostsim::HostTree> BuildTree(FuzzedDataProvider& in) {
  hostsim::TreeBuilder builder;
  builder.Open("Top");
  int nodes = 1;
  while (nodes < kMaxNodes && in.remaining_bytes() > 0 && in.ConsumeBool()) {
    switch (in.ConsumeIntegralInRange(0, 5)) {
      case 0:
      case 1:
        if (builder.open_depth() < kMaxDepth) {
          builder.Open(in.ConsumeBool() ? std::string(in.PickValueInArray(kNames)) : Text(in));
          ++nodes;
        }
        break;
      case 2: {  // an element array of a few elements with values
        int count = in.ConsumeIntegralInRange(0, 6);
        for (int i = 0; i < count && nodes < kMaxNodes; ++i, ++nodes) {
          builder.Open("Elem" + std::to_string(i));
          if (in.ConsumeBool()) builder.Property("value", Property(in));
          if (in.ConsumeBool()) builder.Property("id", Property(in));
          builder.Close();
        }
        break;
      }
      case 3:
        builder.Property(in.PickValueInArray({"value", "type", "id"}), Property(in));
        break;
      default:
        if (builder.open_depth() > 1) builder.Close();
        break;
    }
  }
  while (builder.open_depth() > 0) builder.Close();
  return builder.Finish();
}

[[noreturn]] void Violation(const fintop_test::DriveReport& report) {
  for (const std::string& line : report.violations) std::fprintf(stderr, "violation: %s\n", line.c_str());
  std::abort();
}

}  // namespace

// The fuzzing engine's entry point, found by its C name.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::shared_ptr<const hostsim::HostTree> tree;
  std::size_t script = 0;
  if (size > 0 && data[0] == '{') {
    const void* nul = std::memchr(data, 0, size);
    std::size_t json_size = nul ? static_cast<const std::uint8_t*>(nul) - data : size;
    try {
      tree = hostsim::LoadCaseText(
          std::string_view(reinterpret_cast<const char*>(data), json_size), "<fuzz>");
    } catch (const hostsim::CaseError&) {
      return 0;
    }
    script = nul ? json_size + 1 : size;
  }
  FuzzedDataProvider in(data + script, size - script);
  if (!tree) tree = BuildTree(in);

  const auto& callbacks = fintop_test::AllCallbacks();
  fintop_test::DriveOptions options;
  fintop_test::DriveReport report;
  hostsim::HostIterator at(tree);
  for (int call = 0; call < kMaxCalls && in.remaining_bytes() > 0; ++call) {
    const fintop_test::CallbackEntry& entry =
        callbacks[in.ConsumeIntegralInRange<std::size_t>(0, callbacks.size() - 1)];
    at.MoveTo(in.ConsumeIntegralInRange<std::uint32_t>(0, tree->size() - 1));
    at.ClearAttributes();
    for (int k = in.ConsumeIntegralInRange(0, 3); k > 0; --k) {
      at.SetAttribute(in.PickValueInArray(kAttributes), Value(in));
    }
    int argument;
    switch (in.ConsumeIntegralInRange(0, 6)) {
      case 0:
        argument = -1;
        break;
      case 1:
        argument = INT_MIN;
        break;
      case 2:
        argument = INT_MAX;
        break;
      case 3:
        argument = in.ConsumeIntegral<int>();
        break;
      default:
        argument = in.ConsumeIntegralInRange(-2, 12);
        break;
    }
    fintop_test::DriveOne(entry, at, argument, options, report);
    if (!report.violations.empty()) Violation(report);
  }
  return 0;
}
