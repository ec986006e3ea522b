// The library's overhead per callback family: the callbacks a framework calls on one unit, in
// its order, against the bare sequence of iterator operations those callbacks are to make,
// written out here inline and run on the same units of the same tree in the same run. Both
// sides return a checksum of what they found; a difference fails the benchmark, so the bare
// side cannot drift from what the callbacks do.
//
// Counters: callback_ns and bare_ns per unit, and ratio = callback / bare (the overhead).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "bench_support.h"
#include "framework/callbacks.h"

namespace bench {
namespace {

using hostsim::HostIterator;

// Host names, as the host spells them.
const std::string kCompMoleFrac = "Comp Mole Frac";
const std::string kCompMassFrac = "Comp Mass Frac";
const std::string kCompVolumeFrac = "Comp Volume Frac";
const std::string kPipeLength = "Pipe Length";
const std::string kNoOfIncrements = "No of Increments";
const std::string kProfileLength = "Profile Length";
const std::string kPumpCurve = "Pump Curve";
const std::string kObjectName = "Object Name";
const std::string kNpshCurve = "NPSH Curve";
const std::string kZoneVapourFrac = "Zone vapour frac";
const std::string kZoneDuty = "Zone duty";
const std::string kZonePressures = "Zone pressures";
const std::string kReactionList = "ReactionList";
const std::string kReaction = "Reaction";
const std::string kReactionType = "ReactionType";
const std::string kTraysectionFeeds = "Traysection Feeds";
const std::string kNumberOfStages = "Number of Stages";

// ---- The bare operations, as the callbacks' algorithms prescribe them.

// The counting walk: Clone, Down, First, Next until it fails, DeleteFIIterator.
inline int BareCount(FIIterator& it, const std::string& name) {
  FIIterator* clone = it.Clone();
  int count = 0;
  if (clone->Down(name) && clone->First()) {
    count = 1;
    while (clone->Next()) ++count;
  }
  DeleteFIIterator(clone);
  return count;
}

// The element walk over a recorded index.
inline bool BareEnter(FIIterator& it, int move, const std::string& variable, const char* index) {
  FIIterator* work = move != 0 ? &it : it.Clone();
  bool entered = false;
  if (work->Down(variable)) {
    FIAttribute at;
    if (work->GetAttribute(index, at) && work->Element(at.ival())) {
      entered = true;
    } else if (move != 0) {
      work->Up();
    }
  }
  if (move == 0) DeleteFIIterator(work);
  return entered;
}

inline void BareElementName(FIIterator& it, const char* name, int index) {
  FIAttribute element("Elem");
  element.Append(index);
  it.SetAttribute(name, element);
}

inline bool BareIsOfType(FIIterator& it, const char* type_name) {
  FIAttribute type;
  it.GetValue(FIAttribute("type"), type);
  type.ChangeType(FT_TEXT);
  return std::strcmp(type.c_str(), type_name) == 0;
}

// ---- Kind tests and the classifier (framework).

constexpr const char* kUnitTypes[][2] = {
    {"PipeSegObject", "QELPipe"},
    {"CompressorObject", "QELCompressor"},
    {"FlashTankObject", "QELSeparator"},
    {"Sep3OpObject", "QELSeparator"},
    {"TankOpObject", "QELSeparator"},
    {"ValveOpObject", "QELValve"},
    {"PumpOpObject", "QELPump"},
    {"HeatExOpObject", "QELHeatExchanger"},
    {"MixerOpObject", "QELMixer"},
    {"TeeOpObject", "QELTee"},
    {"DistillationObject", "QELDistillationColumn"},
    {"ColumnOpObject", "QELDistillationColumn"},
    {"ConversionReactorOpObject", "QELConversionReactor"},
    {"EquilibriumReactorOpObject", "QELEquilibriumReactor"},
    {"GibbsReactorOpObject", "QELGibbsReactor"},
    {"HeaterOpObject", "QELHeaterCooler"},
    {"CoolerOpObject", "QELHeaterCooler"},
};

long KindCallbacks(HostIterator& it) {
  long found = CTFlowsheets(&it) + CTStreams(&it) + CTHeatStreams(&it);
  FIAttribute out;
  if (CTUnitOperations(&it, &out)) found += static_cast<long>(std::strlen(out.c_str()));
  return found;
}

long KindBare(HostIterator& it) {
  long found = BareIsOfType(it, "TemplateOpObject") + BareIsOfType(it, "MaterialStreamObject") +
               BareIsOfType(it, "EnergyStreamObject");
  FIAttribute out;
  for (const auto& row : kUnitTypes) {
    if (BareIsOfType(it, row[0])) {
      out = row[1];
      found += static_cast<long>(std::strlen(out.c_str()));
      break;
    }
  }
  return found;
}

// ---- Composition: components of a stream and their fraction entries.

long CompositionCallbacks(HostIterator& it) {
  const int count = CTComponentArray(&it, nullptr, -1);
  long found = count;
  for (int i = 0; i < count; ++i) {
    CTComponentArray(&it, nullptr, i);
    found += CTComponent(&it, 0) + CTMassFraction(&it, 0) + CTVolumeFraction(&it, 0);
    if (CTMoleFraction(&it, 1)) {
      ++found;
      it.Up();
      it.Up();
    }
  }
  return found;
}

long CompositionBare(HostIterator& it) {
  const int count = BareCount(it, kCompMoleFrac);
  long found = count;
  for (int i = 0; i < count; ++i) {
    it.SetAttribute("CmpCnt", FIAttribute(i));
    found += BareEnter(it, 0, kCompMoleFrac, "CmpCnt") + BareEnter(it, 0, kCompMassFrac, "CmpCnt") +
             BareEnter(it, 0, kCompVolumeFrac, "CmpCnt");
    if (BareEnter(it, 1, kCompMoleFrac, "CmpCnt")) {
      ++found;
      it.Up();
      it.Up();
    }
  }
  return found;
}

// ---- Equipment: pipe segments and cells, pump and NPSH curves.

long PipeCallbacks(HostIterator& it) {
  const int segments = CTPipeSegment(&it, nullptr, -1);
  long found = segments;
  for (int s = 0; s < segments; ++s) {
    CTPipeSegment(&it, nullptr, s);
    const int cells = CTPipeCell(&it, nullptr, -1);
    found += cells;
    for (int c = 0; c < cells; ++c) CTPipeCell(&it, nullptr, c);
  }
  const int points = CTPipeProfile(&it, nullptr, -1);
  found += points;
  for (int p = 0; p < points; ++p) CTPipeProfile(&it, nullptr, p);
  return found;
}

long PipeBare(HostIterator& it) {
  const int segments = BareCount(it, kPipeLength);
  long found = segments;
  for (int s = 0; s < segments; ++s) {
    BareElementName(it, "SegElemNum", s);
    int start = 0, count = 0;
    FIIterator* clone = it.Clone();
    if (clone->Down(kNoOfIncrements) && clone->First()) {
      const FIAttribute key("value");
      FIAttribute cells;
      clone->GetValue(key, cells);
      count = cells.ival();
      for (int position = 0; position != s; ++position) {
        if (!clone->Next()) break;
        start += count;
        clone->GetValue(key, cells);
        count = cells.ival();
      }
    }
    DeleteFIIterator(clone);
    it.SetAttribute("SegStartCell", FIAttribute(start));
    it.SetAttribute("SegNumCell", FIAttribute(count));

    FIAttribute number;
    const int cells = it.GetAttribute("SegNumCell", number) ? number.ival() : 0;
    found += cells;
    for (int c = 0; c < cells; ++c) {
      FIAttribute name("Elem");
      FIAttribute first;
      if (it.GetAttribute("SegStartCell", first)) name.Append(c + first.ival());
      it.SetAttribute("CellElemNum", name);
    }
  }
  const int points = BareCount(it, kProfileLength);
  found += points;
  for (int p = 0; p < points; ++p) BareElementName(it, "ProfileElemNum", p);
  return found;
}

long PumpCallbacks(HostIterator& it) {
  const int curves = CTPumpCurve(&it, nullptr, -1);
  long found = curves;
  for (int i = 0; i < curves; ++i) {
    FIIterator* selected = it.Clone();
    CTPumpCurve(selected, nullptr, i);
    DeleteFIIterator(selected);
  }
  const int efficiency = CTEfficiencyCurve(&it, nullptr, -1);
  found += efficiency;
  for (int i = 0; i < efficiency; ++i) {
    FIIterator* selected = it.Clone();
    CTEfficiencyCurve(selected, nullptr, i);
    DeleteFIIterator(selected);
  }
  const int npsh = CTNPSHCurve(&it, nullptr, -1);
  found += npsh;
  for (int i = 0; i < npsh; ++i) {
    FIIterator* selected = it.Clone();
    CTNPSHCurve(selected, nullptr, i);
    found += CTNPSHCurvePoint(selected, nullptr, -1);
    CTNPSHCurvePoint(selected, nullptr, 0);
    CTNPSHCurvePoint(selected, nullptr, 1);
    DeleteFIIterator(selected);
  }
  return found;
}

long PumpBare(HostIterator& it) {
  const int curves = BareCount(it, kPumpCurve) + 1;
  long found = curves;
  for (int i = 0; i < curves; ++i) {
    FIIterator* selected = it.Clone();
    if (i == curves - 1) {
      selected->SetAttribute("Name", FIAttribute("CoefficientCurve"));
    } else if (selected->Down(kPumpCurve) && selected->Element(i) && selected->Down(kObjectName)) {
      FIAttribute name;
      selected->GetValue(FIAttribute("value"), name);
      selected->Up();
      selected->SetAttribute("Name", name);
    }
    DeleteFIIterator(selected);
  }
  const int efficiency = BareCount(it, kPumpCurve);
  found += efficiency;
  for (int i = 0; i < efficiency; ++i) {
    FIIterator* selected = it.Clone();
    if (selected->Down(kPumpCurve)) selected->Element(i);
    DeleteFIIterator(selected);
  }
  const int npsh = BareCount(it, kNpshCurve);
  found += npsh;
  for (int i = 0; i < npsh; ++i) {
    FIIterator* selected = it.Clone();
    if (selected->Down(kNpshCurve)) selected->Element(i);
    found += 2;
    selected->Alias("NPSH", "Point 1 NPSH");
    selected->Alias("Flow", "Point 1 Vol Flow");
    selected->SetAttribute("PointNo", FIAttribute(1));
    selected->Alias("NPSH", "Point 2 NPSH");
    selected->Alias("Flow", "Point 2 Vol Flow");
    selected->SetAttribute("PointNo", FIAttribute(2));
    DeleteFIIterator(selected);
  }
  return found;
}

// ---- Reactions: the reaction list, counted and each reaction selected and classified.

constexpr const char* kReactionKinds[][3] = {
    {"ConversionRxnObject", "QELConversionReaction", ""},
    {"LHKineticRxnObject", "QELCatalyticRateReaction", "KineticBasis"},
    {"SimpleRateRxnObject", "QELSimpleRateReaction", "KineticBasis"},
    {"EquilibriumRxnObject", "QELEquilibriumReaction", ""},
    {"KineticRxnObject", "QELReversibleKineticReaction", ""},
};

long ReactionCallbacks(HostIterator& it) {
  FIAttribute kind;
  const int reactions = CTReactions(&it, &kind, -1);
  long found = reactions;
  for (int i = 0; i < reactions; ++i) {
    FIIterator* selected = it.Clone();
    CTReactions(selected, &kind, i);
    found += static_cast<long>(std::strlen(kind.c_str()));
    DeleteFIIterator(selected);
  }
  return found;
}

inline bool BareIsReaction(FIIterator& it) {
  char buffer[10];
  it.GetName(buffer, sizeof buffer);
  return std::memcmp(buffer, "Reaction", 9) == 0;
}

long ReactionBare(HostIterator& it) {
  FIAttribute kind;
  int reactions = 0;
  {
    FIIterator* clone = it.Clone();
    if (clone->Down(kReactionList) && clone->Down(kReaction)) {
      reactions = 1;
      while (clone->Next()) reactions += BareIsReaction(*clone);
    }
    DeleteFIIterator(clone);
  }
  long found = reactions;
  for (int i = 0; i < reactions; ++i) {
    FIIterator* selected = it.Clone();
    const FIAttribute key("value");
    FIAttribute type;
    FIAttribute path;
    if (selected->Down(kReactionList) && selected->Down(kReaction)) {
      for (int matched = 0; matched < i;) {
        if (!selected->Next()) break;
        matched += BareIsReaction(*selected);
      }
      if (selected->Down(kReactionType)) {
        selected->GetValue(key, type);
        if (const char* text = type.c_str()) {
          for (const auto& row : kReactionKinds) {
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
    found += static_cast<long>(std::strlen(kind.c_str()));
    DeleteFIIterator(selected);
  }
  return found;
}

// ---- Heaters: vapour fraction, zones and profile.

long HeaterCallbacks(HostIterator& it) {
  long found = CTHeaterVF(&it, 0);
  const int zones = CTHeaterZone(&it, nullptr, -1);
  found += zones;
  for (int z = 0; z < zones; ++z) CTHeaterZone(&it, nullptr, z);
  const int points = CTHeaterProfile(&it, nullptr, -1);
  found += points;
  for (int p = 0; p < points; ++p) CTHeaterProfile(&it, nullptr, p);
  return found;
}

long HeaterBare(HostIterator& it) {
  long found = 0;
  {
    FIIterator* clone = it.Clone();
    found += clone->Down(kZoneVapourFrac) && clone->Last();
    DeleteFIIterator(clone);
  }
  const int zones = BareCount(it, kZoneDuty);
  found += zones;
  for (int z = 0; z < zones; ++z) {
    FIAttribute name("Elem");
    name.Append(z);
    it.SetAttribute("HeaterZoneElemNum", name);
    name.Clear();
    name = "Elem";
    name.Append(z + 1);
    it.SetAttribute("HeaterZoneElemNum1", name);
    it.SetAttribute("ZoneNo", FIAttribute(z + 1));
  }
  const int points = BareCount(it, kZonePressures);
  found += points;
  for (int p = 0; p < points; ++p) {
    BareElementName(it, "ProfileElemNum", p);
    if (p == 0) {
      it.SetAttribute("HeatTransferred", FIAttribute(0.0));
    } else {
      // The clone is deleted before the duty is recorded: recording while a clone shares
      // the attributes would copy them.
      FIIterator* clone = it.Clone();
      FIAttribute duty;
      const bool reached = clone->Down(kZoneDuty) && clone->Element(p - 1);
      if (reached) clone->GetValue(FIAttribute("value"), duty);
      DeleteFIIterator(clone);
      if (reached) it.SetAttribute("HeatTransferred", duty);
    }
    it.SetAttribute("ProfileZoneNo", FIAttribute(p));
  }
  return found;
}

// ---- Columns: the feeds of all tray sections, and the trays of each section.

// Runs `trays(section)` on every tray section of the column; the same harness on both sides.
template <class Trays>
long EachSection(HostIterator& column, Trays&& trays) {
  long found = 0;
  FIIterator* section = column.Clone();
  if (section->First()) {
    do {
      if (BareIsOfType(*section, "TraySectionObject")) found += trays(*section);
    } while (section->Next());
  }
  DeleteFIIterator(section);
  return found;
}

long ColumnCallbacks(HostIterator& it) {
  const int feeds = CTColumnFeeds(&it, nullptr, -1);
  long found = feeds;
  for (int f = 0; f < feeds; ++f) found += CTColumnFeeds(&it, nullptr, f);
  found += EachSection(it, [](FIIterator& section) {
    const int trays = CTSectionTray(&section, nullptr, -1);
    for (int t = 0; t < trays; ++t) CTSectionTray(&section, nullptr, t);
    return trays;
  });
  return found;
}

long ColumnBare(HostIterator& it) {
  const FIAttribute key("value");
  int feeds = 0;
  {
    FIIterator* clone = it.Clone();
    if (clone->First()) {
      do {
        if (!BareIsOfType(*clone, "TraySectionObject")) continue;
        if (!clone->Down(kTraysectionFeeds)) continue;
        if (clone->First()) {
          do {
            FIAttribute value;
            clone->GetValue(key, value);
            feeds += value.c_str() != nullptr;
          } while (clone->Next());
          clone->Up();
        }
        clone->Up();
      } while (clone->Next());
    }
    DeleteFIIterator(clone);
  }
  long found = feeds;
  for (int f = 0; f < feeds; ++f) {
    // The selection, on the caller's iterator as prescribed; back where it was on success.
    int running = -1;
    bool selected = false;
    if (!it.First()) continue;
    do {
      if (!BareIsOfType(it, "TraySectionObject")) continue;
      FIAttribute section;
      it.GetValue(FIAttribute("id"), section);
      int local = -1;
      if (it.Down(kTraysectionFeeds)) {
        if (it.First()) {
          do {
            FIAttribute value;
            it.GetValue(key, value);
            if (value.c_str() != nullptr) {
              ++local;
              ++running;
            }
            if (running == f) {
              FIAttribute name("Elem");
              name.Append(local);
              it.Up();
              it.Up();
              it.Up();
              it.SetAttribute("FeedElemNum", name);
              it.SetAttribute("Section", section);
              it.SetAttribute("FeedName", value);
              selected = true;
              break;
            }
          } while (it.Next());
          if (selected) break;
          it.Up();
        }
        it.Up();
      }
    } while (it.Next());
    found += selected ? f : 0;
  }
  found += EachSection(it, [](FIIterator& section) {
    FIIterator* clone = section.Clone();
    int trays = 0;
    if (clone->Down(kNumberOfStages)) {
      FIAttribute value;
      clone->GetValue(FIAttribute("value"), value);
      trays = value.ival();
    }
    DeleteFIIterator(clone);
    for (int t = 0; t < trays; ++t) {
      BareElementName(section, "Element", t);
      section.SetAttribute("Elemno", FIAttribute(t));
    }
    return trays;
  });
  return found;
}

// ---- The measurement.

using Sequence = long (*)(HostIterator&);

// Runs `callbacks` and `bare` over every unit of `type`, alternating which goes first.
void Overhead(benchmark::State& state, const char* type, Sequence callbacks, Sequence bare) {
  const GeneratedCase& plant = SharedCase(20000);
  std::vector<hostsim::IteratorPtr> units =
      type != nullptr ? UnitsOfType(plant, type) : UnitsOfType(plant, "");
  if (type == nullptr) {  // every unit of the flowsheet
    for (const char* t : {"MaterialStreamObject", "PumpOpObject", "PipeSegObject", "HeaterOpObject",
                          "ConversionReactorOpObject", "ColumnOpObject"}) {
      for (auto& unit : UnitsOfType(plant, t)) units.push_back(std::move(unit));
    }
  }
  if (units.empty()) {
    state.SkipWithError("no unit of that type in the generated case");
    return;
  }
  auto run = [&](Sequence sequence) {
    long found = 0;
    for (auto& unit : units) found += sequence(*unit);
    return found;
  };
  // Warm up, and check that both sides find the same.
  const long expected = run(callbacks);
  if (run(bare) != expected) {
    state.SkipWithError("the bare sequence and the callbacks disagree");
    return;
  }
  double callback_ns = 0, bare_ns = 0;
  bool callbacks_first = true;
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      const bool on_callbacks = (side == 0) == callbacks_first;
      const double start = ThreadNanoseconds();
      benchmark::DoNotOptimize(run(on_callbacks ? callbacks : bare));
      (on_callbacks ? callback_ns : bare_ns) += ThreadNanoseconds() - start;
    }
    callbacks_first = !callbacks_first;
  }
  const double calls = static_cast<double>(state.iterations()) * static_cast<double>(units.size());
  state.counters["units"] = static_cast<double>(units.size());
  state.counters["callback_ns"] = callback_ns / calls;
  state.counters["bare_ns"] = bare_ns / calls;
  state.counters["ratio"] = callback_ns / bare_ns;
}

BENCHMARK_CAPTURE(Overhead, framework_kinds, static_cast<const char*>(nullptr), KindCallbacks,
                  KindBare);
BENCHMARK_CAPTURE(Overhead, composition_stream, "MaterialStreamObject", CompositionCallbacks,
                  CompositionBare);
BENCHMARK_CAPTURE(Overhead, equipment_pipe, "PipeSegObject", PipeCallbacks, PipeBare);
BENCHMARK_CAPTURE(Overhead, equipment_pump, "PumpOpObject", PumpCallbacks, PumpBare);
BENCHMARK_CAPTURE(Overhead, reactions_reactor, "ConversionReactorOpObject", ReactionCallbacks,
                  ReactionBare);
BENCHMARK_CAPTURE(Overhead, heaters_heater, "HeaterOpObject", HeaterCallbacks, HeaterBare);
BENCHMARK_CAPTURE(Overhead, columns_column, "ColumnOpObject", ColumnCallbacks, ColumnBare);

}  // namespace
}  // namespace bench
