// The stand-in host's own costs: Down by name on nodes of growing width and by the name's
// length, Clone and the first write to a clone by the number of attributes recorded, loading
// a case against a bare parse of the same JSON text; and the two reaction selections whose
// cost grows with the case (CTLocalReaction with the reaction sets of the case, CTReactions
// with the reactions of a list), each against the sequence of host operations its algorithm
// prescribes, written out here inline and run on the same tree in the same run.
//
// Instruction counts: every measured operation runs inside a function of its own named
// Cost...; scripts/host-costs.sh runs each benchmark under callgrind with a fixed number of
// iterations (FINTOP_HOST_COST_ITERATIONS) and divides each function's inclusive count by its
// calls (the counter "calls").
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bench_support.h"
#include "framework/callbacks.h"
#include "iterator/case_loader.h"

namespace bench {
namespace {

using hostsim::HostIterator;
using hostsim::IteratorPtr;
using hostsim::PropValue;
using hostsim::TreeBuilder;

// With FINTOP_HOST_COST_ITERATIONS set, every benchmark below runs exactly that many
// iterations, so that an instruction count divides by a known number of calls.
void FixedIterations(benchmark::internal::Benchmark* b) {
  if (const char* text = std::getenv("FINTOP_HOST_COST_ITERATIONS")) {
    const long iterations = std::strtol(text, nullptr, 10);
    if (iterations > 0) b->Iterations(iterations);
  }
}

// A top node "Wide" with `width` children "Child0".. ; Down to the last of them, then Up.
void DownByName(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  TreeBuilder builder;
  builder.Open("Case");
  builder.Open("Wide");
  for (int i = 0; i < width; ++i) builder.Leaf("Child" + std::to_string(i));
  builder.Close();
  builder.Close();
  auto it = hostsim::NewIterator(builder.Finish(), "Wide");
  const std::string name = "Child" + std::to_string(width - 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(it->Down(name));
    it->Up();
  }
}
BENCHMARK(DownByName)->Arg(1)->Arg(100)->Arg(10000);

// ---- The stand-in's operations, one function each for the instruction counts.

[[gnu::noipa]] bool CostDown(HostIterator& it, const std::string& name) {
  return it.Down(name);
}

[[gnu::noipa]] FIIterator* CostClone(HostIterator& it) {
  return it.Clone();
}

[[gnu::noipa]] void CostFirstWrite(FIIterator& clone, const FIAttribute& value) {
  clone.SetAttribute("CmpCnt", value);
}

// Down from a node of `width` children, all names `length` characters long ("N" + number,
// padded with 'x'), to each of them in turn (the cost is the mean over the children); then Up
// (not counted). Nodes of 8 or more children have a hash index.
void DownByNameLength(benchmark::State& state) {
  const auto length = static_cast<std::size_t>(state.range(0));
  const int width = static_cast<int>(state.range(1));
  std::vector<std::string> names;
  for (int i = 0; i < width; ++i) {
    std::string name(1, 'N');
    name += std::to_string(i);
    name.resize(std::max(length, name.size()), 'x');
    names.push_back(name);
  }
  TreeBuilder builder;
  builder.Open("Case");
  builder.Open("Node");
  for (const std::string& name : names) builder.Leaf(name);
  builder.Close();
  builder.Close();
  auto it = hostsim::NewIterator(builder.Finish());
  it->First();  // onto "Node", without a Down of its own
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(CostDown(*it, names[next]));
    it->Up();
    if (++next == names.size()) next = 0;
  }
  state.counters["calls"] = static_cast<double>(state.iterations());
}
BENCHMARK(DownByNameLength)
    ->Apply(FixedIterations)
    ->ArgNames({"length", "width"})
    ->ArgsProduct({{4, 16, 64, 256}, {3, 100}});

// An iterator on a one-node case carrying `attributes` attributes.
IteratorPtr WithAttributes(int attributes) {
  TreeBuilder builder;
  builder.Leaf("Case");
  auto it = hostsim::NewIterator(builder.Finish());
  for (int i = 0; i < attributes; ++i) {
    it->SetAttribute(("Attribute" + std::to_string(i)).c_str(), FIAttribute(i));
  }
  return it;
}

// Clone and DeleteFIIterator of an iterator carrying `attributes` attributes.
void CloneWithAttributes(benchmark::State& state) {
  auto it = WithAttributes(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    FIIterator* clone = it->Clone();
    benchmark::DoNotOptimize(clone);
    DeleteFIIterator(clone);
  }
}
BENCHMARK(CloneWithAttributes)->Arg(2)->Arg(50);

// Clone alone (counted), of an iterator carrying `attributes` attributes; the delete is not.
void CloneAlone(benchmark::State& state) {
  auto it = WithAttributes(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    FIIterator* clone = CostClone(*it);
    benchmark::DoNotOptimize(clone);
    DeleteFIIterator(clone);
  }
  state.counters["calls"] = static_cast<double>(state.iterations());
}
BENCHMARK(CloneAlone)->Apply(FixedIterations)->ArgName("attributes")->Arg(2)->Arg(10)->Arg(50);

// The first write to a fresh clone of an iterator carrying `attributes` attributes: a name
// the source has not recorded (Clone and the delete are not counted).
void FirstWriteToClone(benchmark::State& state) {
  auto it = WithAttributes(static_cast<int>(state.range(0)));
  const FIAttribute value(7);
  for (auto _ : state) {
    FIIterator* clone = it->Clone();
    CostFirstWrite(*clone, value);
    DeleteFIIterator(clone);
  }
  state.counters["calls"] = static_cast<double>(state.iterations());
}
BENCHMARK(FirstWriteToClone)
    ->Apply(FixedIterations)
    ->ArgName("attributes")
    ->Arg(2)
    ->Arg(10)
    ->Arg(50);

// Loading a generated case of `objects` host nodes from its JSON text (LoadCaseText) against
// nlohmann-json's bare parse of the same text (json::parse); ratio = load / parse.
void CaseLoading(benchmark::State& state) {
  const std::string text = GenerateCaseJson(static_cast<std::size_t>(state.range(0)));
  double load = 0, parse = 0;
  bool load_first = true;
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      const bool loading = (side == 0) == load_first;
      const double start = ThreadNanoseconds();
      if (loading) {
        benchmark::DoNotOptimize(hostsim::LoadCaseText(text));
      } else {
        benchmark::DoNotOptimize(nlohmann::json::parse(text));
      }
      (loading ? load : parse) += ThreadNanoseconds() - start;
    }
    load_first = !load_first;
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
  state.counters["load_ms"] = load / iterations / 1e6;
  state.counters["parse_ms"] = parse / iterations / 1e6;
  state.counters["ratio"] = load / parse;
}
BENCHMARK(CaseLoading)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// ---- A selection against its prescribed sequence.

// What a side found: the results, everything recorded, where the iterators stand.
std::size_t Checksum(std::size_t seed, const HostIterator& it) {
  const std::hash<std::string> hash;
  return seed * 1000003u ^ hash(hostsim::DescribeAttributes(it)) ^
         (hash(hostsim::DescribeAliases(it)) << 1) ^ (hash(it.path()) << 2);
}

// Folds what `it` holds into the checksum on the checking run; the measured runs keep only the
// results, so that the checksum's own cost is not counted.
template <bool Check>
std::size_t Fold(std::size_t seed, const HostIterator& it) {
  if constexpr (Check) {
    return Checksum(seed, it);
  } else {
    return seed;
  }
}

// One side of a pair: the run that checks, and the run that is measured.
struct Side {
  std::size_t (*checked)(HostIterator& it, int size);
  std::size_t (*measured)(HostIterator& it, int size);
};

// Runs each side on an iterator of its own, alternating which goes first, after checking
// that they find the same. Counters: ns per run of each side, ratio = callback / prescribed,
// and "calls" (measured runs of each side) for the instruction counts.
void Pair(benchmark::State& state, int size, HostIterator& callback_it, Side callback,
          HostIterator& prescribed_it, Side prescribed) {
  if (callback.checked(callback_it, size) != prescribed.checked(prescribed_it, size)) {
    state.SkipWithError("the callback and the prescribed sequence disagree");
    return;
  }
  double callback_ns = 0, prescribed_ns = 0;
  bool callback_first = true;
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      const bool on_callback = (side == 0) == callback_first;
      const double start = ThreadNanoseconds();
      benchmark::DoNotOptimize(on_callback ? callback.measured(callback_it, size)
                                           : prescribed.measured(prescribed_it, size));
      (on_callback ? callback_ns : prescribed_ns) += ThreadNanoseconds() - start;
    }
    callback_first = !callback_first;
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["callback_ns"] = callback_ns / runs;
  state.counters["prescribed_ns"] = prescribed_ns / runs;
  state.counters["ratio"] = callback_ns / prescribed_ns;
  state.counters["calls"] = runs;
}

// A case of `sets` reaction sets "ReactionSet#0".. named "Set k", each with active reactions
// "ActiveReaction#0".."#3", a stored count of `stored` and a reactor "Reactor" that uses the
// last set (so the search passes every other set first).
std::shared_ptr<const hostsim::HostTree> ReactionSetCase(int sets, int stored) {
  TreeBuilder builder;
  builder.Open("Case");
  builder.Open("Basis");
  builder.Open("ReactionPackage");
  builder.Open("ReactionSetList");
  builder.Open("NumberOfReactionSets");
  builder.Property("value", PropValue::Integer(stored));
  builder.Close();
  for (int k = 0; k < sets; ++k) {
    builder.Open("ReactionSet#" + std::to_string(k));
    builder.Open("ReactionSetName");
    builder.Property("value", PropValue::Text("Set " + std::to_string(k)));
    builder.Close();
    builder.Open("ActiveReactionList");
    for (int i = 0; i < 4; ++i) {
      builder.Open("ActiveReaction#" + std::to_string(i));
      builder.Property("value",
                       PropValue::Text("Rxn-" + std::to_string(k) + "-" + std::to_string(i)));
      builder.Close();
    }
    builder.Close();
    builder.Close();
  }
  builder.Close();
  builder.Close();
  builder.Close();
  builder.Open("Reactor");
  builder.Open("Reaction Set");
  builder.Property("value", PropValue::Text("Set " + std::to_string(sets - 1)));
  builder.Close();
  builder.Close();
  builder.Close();
  return builder.Finish();
}

// Selections 0..3 of CTLocalReaction on the reactor.
template <bool Check>
std::size_t LocalReactionCallback(HostIterator& it, int) {
  std::size_t found = 0;
  for (int i = 0; i < 4; ++i) found = Fold<Check>(found + CTLocalReaction(&it, nullptr, i), it);
  return found;
}

// The same selections as the host operations that the algorithm prescribes: record the
// element name and the index; on a clone, read the reactor's set name, climb to the top, read
// the stored count N, try "ReactionSet#" + k for k = 0..N-1 (Down to it, Down to its name,
// compare, Up), and in the set found read "ActiveReaction#" + i. The name is recorded after
// the clone is deleted, as the callback does, so that the host keeps no layer for the clone
// (recording first would make this side the dearer one).
template <bool Check>
std::size_t LocalReactionPrescribed(HostIterator& it, int) {
  static const std::string kReactionSet = "Reaction Set";
  static const std::string kCount = "Basis.ReactionPackage.ReactionSetList.NumberOfReactionSets";
  static const std::string kSetName = "ReactionSetName";
  static const std::string kActiveList = "ActiveReactionList";
  std::size_t found = 0;
  for (int i = 0; i < 4; ++i) {
    FIAttribute element("Elem");
    element.Append(i);
    it.SetAttribute("RxnElemNum", element);
    it.SetAttribute("RxnIndex", FIAttribute(i));
    FIIterator* clone = it.Clone();
    const FIAttribute key("value");
    FIAttribute wanted;
    FIAttribute value;
    FIAttribute rxn_name;
    bool named = false;
    if (clone->Down(kReactionSet)) {
      clone->GetValue(key, wanted);
      if (const char* wanted_text = wanted.c_str()) {
        while (clone->Up()) {
        }
        if (clone->Down(kCount)) {
          clone->GetValue(key, value);
          const int count = value.ival();
          clone->Up();
          for (int k = 0; k < count; ++k) {
            char buffer[20] = "ReactionSet#";
            const char* end = std::to_chars(buffer + 12, buffer + sizeof buffer, k).ptr;
            if (!clone->Down(std::string(buffer, static_cast<std::size_t>(end - buffer)))) {
              continue;
            }
            if (!clone->Down(kSetName)) {
              clone->Up();
              continue;
            }
            clone->GetValue(key, value);
            const char* text = value.c_str();
            if (text == nullptr || std::strcmp(text, wanted_text) != 0) {
              clone->Up();
              clone->Up();
              continue;
            }
            clone->Up();
            if (clone->Down(kActiveList)) {
              std::memcpy(buffer, "ActiveReaction#", 15);
              end = std::to_chars(buffer + 15, buffer + sizeof buffer, i).ptr;
              if (clone->Down(std::string(buffer, static_cast<std::size_t>(end - buffer)))) {
                clone->GetValue(key, rxn_name);
                named = true;
              }
            }
            break;
          }
        }
      }
    }
    DeleteFIIterator(clone);
    if (named) it.SetAttribute("RxnName", rxn_name);
    found = Fold<Check>(found + static_cast<std::size_t>(i), it);
  }
  return found;
}

// The measured runs, each in a function of its own for the instruction counts.
[[gnu::noipa]] std::size_t CostLocalReactionCallback(HostIterator& it, int size) {
  return LocalReactionCallback<false>(it, size);
}
[[gnu::noipa]] std::size_t CostLocalReactionPrescribed(HostIterator& it, int size) {
  return LocalReactionPrescribed<false>(it, size);
}
constexpr Side kLocalReactionCallback{LocalReactionCallback<true>, CostLocalReactionCallback};
constexpr Side kLocalReactionPrescribed{LocalReactionPrescribed<true>, CostLocalReactionPrescribed};

// CTLocalReaction's selections on a reactor whose set is the last of `sets` numbered
// 0..sets-1, with the stored count right, against the prescribed sequence.
void LocalReaction(benchmark::State& state) {
  const int sets = static_cast<int>(state.range(0));
  auto tree = ReactionSetCase(sets, sets);
  IteratorPtr callback_it = hostsim::NewIterator(tree, "Reactor");
  IteratorPtr prescribed_it = hostsim::NewIterator(tree, "Reactor");
  Pair(state, 0, *callback_it, kLocalReactionCallback, *prescribed_it, kLocalReactionPrescribed);
}
BENCHMARK(LocalReaction)->Apply(FixedIterations)->ArgName("sets")->Arg(1)->Arg(10)->Arg(300);

// The same with an absurd stored count (INT_MAX): the prescribed sequence would try two
// thousand million numbers; the callback's cost must stay bounded by the children. The
// prescribed side here runs on the same sets with the count right.
void LocalReactionAbsurdCount(benchmark::State& state) {
  const int sets = static_cast<int>(state.range(0));
  IteratorPtr callback_it = hostsim::NewIterator(ReactionSetCase(sets, 2147483647), "Reactor");
  IteratorPtr prescribed_it = hostsim::NewIterator(ReactionSetCase(sets, sets), "Reactor");
  Pair(state, 0, *callback_it, kLocalReactionCallback, *prescribed_it, kLocalReactionPrescribed);
}
BENCHMARK(LocalReactionAbsurdCount)->Apply(FixedIterations)->ArgName("sets")->Arg(10)->Arg(300);

// A reaction list of `reactions` reactions of the five kinds in turn, with a "Notes" sibling
// after every tenth.
std::shared_ptr<const hostsim::HostTree> ReactionListCase(int reactions) {
  static const char* const kTypes[] = {"ConversionRxnObject", "LHKineticRxnObject",
                                       "SimpleRateRxnObject", "EquilibriumRxnObject",
                                       "KineticRxnObject"};
  TreeBuilder builder;
  builder.Open("Case");
  builder.Open("Reactor");
  builder.Open("ReactionList");
  for (int r = 0; r < reactions; ++r) {
    builder.Open("Reaction");
    builder.Open("ReactionType");
    builder.Property("value", PropValue::Text(kTypes[r % 5]));
    builder.Close();
    builder.Close();
    if (r % 10 == 9) builder.Leaf("Notes");
  }
  builder.Close();
  builder.Close();
  builder.Close();
  return builder.Finish();
}

// Every reaction selected with CTReactions, each on a fresh clone of the reactor's iterator.
template <bool Check>
std::size_t ReactionsCallback(HostIterator& it, int reactions) {
  std::size_t found = 0;
  FIAttribute kind;
  for (int i = 0; i < reactions; ++i) {
    auto* selected = static_cast<HostIterator*>(it.Clone());
    found =
        Fold<Check>(found + CTReactions(selected, &kind, i) + std::strlen(kind.c_str()), *selected);
    DeleteFIIterator(selected);
  }
  return found;
}

// The same as the host operations prescribed: Down "ReactionList", Down "Reaction", Next with
// GetName into a 10-byte buffer compared with "Reaction" and its terminator until the index is
// reached, Down "ReactionType", read and classify, Up, store "rxnPath".
template <bool Check>
std::size_t ReactionsPrescribed(HostIterator& it, int reactions) {
  static const std::string kReactionList = "ReactionList";
  static const std::string kReaction = "Reaction";
  static const std::string kReactionType = "ReactionType";
  static const char* const kKinds[][3] = {
      {"ConversionRxnObject", "QELConversionReaction", ""},
      {"LHKineticRxnObject", "QELCatalyticRateReaction", "KineticBasis"},
      {"SimpleRateRxnObject", "QELSimpleRateReaction", "KineticBasis"},
      {"EquilibriumRxnObject", "QELEquilibriumReaction", ""},
      {"KineticRxnObject", "QELReversibleKineticReaction", ""},
  };
  std::size_t found = 0;
  FIAttribute kind;
  for (int i = 0; i < reactions; ++i) {
    auto* selected = static_cast<HostIterator*>(it.Clone());
    if (selected->Down(kReactionList) && selected->Down(kReaction)) {
      for (int matched = 0; matched < i;) {
        if (!selected->Next()) break;
        char buffer[10];
        selected->GetName(buffer, sizeof buffer);
        matched += std::memcmp(buffer, "Reaction", 9) == 0;
      }
      if (selected->Down(kReactionType)) {
        FIAttribute type;
        FIAttribute path;
        selected->GetValue(FIAttribute("value"), type);
        if (const char* text = type.c_str()) {
          for (const auto& row : kKinds) {
            if (std::strcmp(text, row[0]) == 0) {
              path = row[2];
              kind = row[1];
              break;
            }
          }
        }
        selected->Up();
        selected->SetAttributeByKey(FIAttribute("rxnPath"), path);
      }
    }
    found = Fold<Check>(found + static_cast<std::size_t>(i) + std::strlen(kind.c_str()), *selected);
    DeleteFIIterator(selected);
  }
  return found;
}

// The measured runs, each in a function of its own for the instruction counts.
[[gnu::noipa]] std::size_t CostReactionsCallback(HostIterator& it, int reactions) {
  return ReactionsCallback<false>(it, reactions);
}
[[gnu::noipa]] std::size_t CostReactionsPrescribed(HostIterator& it, int reactions) {
  return ReactionsPrescribed<false>(it, reactions);
}

// Every reaction of a list of `reactions` selected, against the prescribed sequence.
void SelectEveryReaction(benchmark::State& state) {
  const int reactions = static_cast<int>(state.range(0));
  IteratorPtr it = hostsim::NewIterator(ReactionListCase(reactions), "Reactor");
  Pair(state, reactions, *it, {ReactionsCallback<true>, CostReactionsCallback}, *it,
       {ReactionsPrescribed<true>, CostReactionsPrescribed});
}
BENCHMARK(SelectEveryReaction)
    ->Apply(FixedIterations)
    ->ArgName("reactions")
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace bench
