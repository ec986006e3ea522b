// Columns: feeds, tray sections (trays, side draws, side columns), condenser and reboiler
// vessels and their product streams, pumparounds.
#include <algorithm>
#include <cstring>

#include "pairs.h"

namespace bench {
namespace {

const std::string kTraysectionFeeds = "Traysection Feeds";
const std::string kNumberOfStages = "Number of Stages";
const std::string kLiquidDraws1 = "Liquid Draws#1";
const std::string kVapAndLiqDraws = "Vap and Liq draws";
const std::string kTypeOfTraySection = "Type of Tray Section";
const std::string kBottomLiquidProduct = "bottom liquid product";
const std::string kDownstreamUnit = "\"Downstream Unit Operations\".\"Elem0\"";
const std::string kNozzleDiameter = "Nozzle Diameter";
const std::string kVesselMoleFrac = "Vessel Mole Frac";
const std::string kVapourMoleFraction = "Vapour Mole Fraction";
const std::string kLiquidMoleFraction = "Liquid Mole Fraction";
const std::string kDrawVariables[] = {"Liquid Draw", "Vapour Draw", "Water Draw"};
const std::string kDrawLists[] = {"Liquid Draws", "Vapour Draws", "Water Draws"};

FINTOP_INLINE bool SameText(const char* text, const char* name) {
  return text != nullptr && std::strcmp(text, name) == 0;
}

// ---- Column: the feeds of all tray sections.

template <class Probe>
void ColumnCallbacks(FIIterator& it, Probe& probe) {
  const int feeds = CTColumnFeeds(&it, nullptr, -1);
  probe.Step(it, feeds);
  for (int f = 0; f < feeds; ++f) probe.Step(it, CTColumnFeeds(&it, nullptr, f));
}

// The column's feed `f`: the selection walks a clone (the caller's iterator must not be seen
// to move) and records on the caller's once the clone is gone.
template <class Probe>
FINTOP_INLINE int BareFeed(FIIterator& it, Probe& probe, int f) {
  const FIAttribute key("value");
  const FIAttribute id_key("id");
  int running = -1;
  bool selected = false;
  int local = -1;
  FIAttribute section;
  FIAttribute value;
  FIIterator* clone = it.Clone();
  if (clone->First()) {
    do {
      if (!BareIsOfType(*clone, "TraySectionObject")) continue;
      section.Clear();
      clone->GetValue(id_key, section);
      local = -1;
      if (!clone->Down(kTraysectionFeeds)) continue;
      if (clone->First()) {
        do {
          value.Clear();
          clone->GetValue(key, value);
          if (value.c_str() == nullptr) continue;
          ++local;
          selected = ++running == f;
        } while (!selected && clone->Next());
        if (selected) break;
        clone->Up();
      }
      clone->Up();
    } while (clone->Next());
  }
  DeleteFIIterator(clone);
  if (selected) {
    probe.Set(it, "FeedElemNum", BareElementText(local));
    probe.Set(it, "Section", section);
    probe.Set(it, "FeedName", value);
  }
  return selected ? f : 0;
}

template <class Probe>
void ColumnBare(FIIterator& it, Probe& probe) {
  // Each call makes its own keys: a callback keeps no attribute from one call to the next.
  const long feeds = BareCall([&] {
    int count = 0;
    const FIAttribute key("value");
    FIIterator* clone = it.Clone();
    if (clone->First()) {
      do {
        if (!BareIsOfType(*clone, "TraySectionObject")) continue;
        if (!clone->Down(kTraysectionFeeds)) continue;
        if (clone->First()) {
          do {
            FIAttribute value;
            clone->GetValue(key, value);
            count += value.c_str() != nullptr;
          } while (clone->Next());
          clone->Up();
        }
        clone->Up();
      } while (clone->Next());
    }
    DeleteFIIterator(clone);
    return count;
  });
  probe.Step(it, feeds);
  for (int f = 0; f < feeds; ++f) probe.Step(it, BareCall([&] { return BareFeed(it, probe, f); }));
}

// ---- Tray section: trays and their liquid draws, side draws and their streams, and the
// side-column streams and reboiler.

template <class Probe>
void TraySectionCallbacks(FIIterator& it, Probe& probe) {
  const int trays = CTSectionTray(&it, nullptr, -1);
  probe.Step(it, trays);
  for (int t = 0; t < trays; ++t) {
    probe.Step(it, CTSectionTray(&it, nullptr, t));
    UseElement(it, probe, CTColumnLiquidFrom);
  }
  const int draws = CTColumnSideDraws(&it, nullptr, -1);
  probe.Step(it, draws);
  for (int d = 0; d < draws; ++d) {
    probe.Step(it, CTColumnSideDraws(&it, nullptr, d));
    UseElement(it, probe, CTSideDrawFluid);
  }
  for (FIElement element :
       {CTSideColumnDraw, CTSideColumnReturn, CTSideColumnReboiler, CTSideColumnBottoms}) {
    UseElement(it, probe, element);
  }
}

// Draws of one kind with a stream name; moves `it` and brings it back.
FINTOP_INLINE int BareSideDrawCount(FIIterator& it, const std::string& variable) {
  if (!it.Down(variable)) return 0;
  int count = 0;
  if (it.First()) {
    const FIAttribute key("value");
    do {
      FIAttribute value;
      it.GetValue(key, value);
      count += value.c_str() != nullptr;
    } while (it.Next());
    it.Up();
  }
  it.Up();
  return count;
}

// The stream name of the draw at `position` into `stream` (256 bytes); false for no text.
FINTOP_INLINE bool BareSideDrawStream(FIIterator& it, const std::string& variable, int position,
                                      char (&stream)[256]) {
  if (!it.Down(variable)) return false;
  if (!it.First()) {
    it.Up();
    return false;
  }
  for (int step = 0; step < position; ++step) it.Next();
  FIAttribute value;
  it.GetValue(FIAttribute("value"), value);
  it.Up();
  it.Up();
  if (value.c_str() == nullptr) return false;
  const std::size_t length = std::min<std::size_t>(std::strlen(value.c_str()), 255);
  std::memcpy(stream, value.c_str(), length);
  stream[length] = '\0';
  return true;
}

FINTOP_INLINE int BareDrawListPosition(FIIterator& it, const char* stream,
                                       const std::string& list) {
  FIIterator* clone = it.Clone();
  int position = -1;
  if (!clone->Down(list) || !clone->First()) {
    DeleteFIIterator(clone);
    return -1;
  }
  const FIAttribute key("value");
  do {
    ++position;
    if (clone->Down(kVapAndLiqDraws)) {
      if (clone->First()) {
        do {
          FIAttribute value;
          clone->GetValue(key, value);
          if (SameText(value.c_str(), stream)) {
            DeleteFIIterator(clone);
            return position;
          }
        } while (clone->Next());
        clone->Up();
      }
      clone->Up();
    }
  } while (clone->Next());
  DeleteFIIterator(clone);
  return -1;
}

template <class Probe>
FINTOP_INLINE void BareSideDraw(FIIterator& it, Probe& probe, int index) {
  FIIterator* clone = it.Clone();
  int kind = 0, position = index;
  const int liquid = BareSideDrawCount(*clone, kDrawVariables[0]);
  if (index >= liquid) {
    const int vapour = BareSideDrawCount(*clone, kDrawVariables[1]);
    kind = index < liquid + vapour ? 1 : 2;
    position = kind == 1 ? index - liquid : index - liquid - vapour;
  }
  char stream[256] = "";
  if (!BareSideDrawStream(*clone, kDrawVariables[kind], position, stream)) stream[0] = '\0';
  int list = 0, found = -1;
  if (stream[0] != '\0') {
    for (list = 0; list < 3; ++list) {
      found = BareDrawListPosition(*clone, stream, kDrawLists[list]);
      if (found >= 0) break;
    }
    if (list == 3) list = 2;
  }
  DeleteFIIterator(clone);
  BareElementName(it, probe, "DrawElemNum", position);
  probe.Set(it, "Draw", FIAttribute(kDrawVariables[kind].c_str()));
  probe.Set(it, "StreamId", FIAttribute(stream));
  if (stream[0] != '\0') {
    BareElementName(it, probe, "DrawsElemNum", found);
    probe.Set(it, "Draws", FIAttribute(kDrawLists[list].c_str()));
  }
}

// The side-column stream: the test call records it on the caller, the moving call uses it.
template <class Probe>
FINTOP_INLINE bool BareSideColumnStream(FIIterator& it, Probe& probe, int move,
                                        const char* stripper, const char* attribute,
                                        const char* rectifier) {
  if (move != 0) {
    FIAttribute stream;
    if (!it.GetAttribute(attribute, stream) || stream.c_str() == nullptr) return false;
    it.Up();
    return fintop::DownByName(it, stream.c_str());
  }
  FIIterator* clone = it.Clone();
  bool result = false;
  FIAttribute value;
  if (clone->Down(kTypeOfTraySection)) {
    clone->GetValue(FIAttribute("value"), value);
    const char* variable = nullptr;
    if (SameText(value.c_str(), "Side Stripper")) {
      variable = stripper;
    } else if (SameText(value.c_str(), "Side Rectifier")) {
      variable = rectifier;
    }
    if (variable != nullptr) {
      clone->Up();
      value.Clear();
      if (clone->Down(variable)) {
        clone->GetValue(FIAttribute("value"), value);
        result = !value.empty();
      }
    }
  }
  DeleteFIIterator(clone);
  if (result) probe.Set(it, attribute, value);
  return result;
}

// Down to the stream named by "bottom liquid product", two levels up; moves `it`.
FINTOP_INLINE bool BareBottomsStream(FIIterator& it) {
  if (!it.Down(kBottomLiquidProduct)) return false;
  FIAttribute value;
  it.GetValue(FIAttribute("value"), value);
  if (value.empty() || value.c_str() == nullptr) return false;
  it.Up();
  it.Up();
  return fintop::DownByName(it, value.c_str());
}

FINTOP_INLINE bool BareSideColumnReboiler(FIIterator& it, int move) {
  FIIterator* work = move != 0 ? &it : it.Clone();
  bool result = false;
  if (BareBottomsStream(*work) && work->Down(kDownstreamUnit)) {
    FIAttribute value;
    work->GetValue(FIAttribute("value"), value);
    if (!value.empty() && value.c_str() != nullptr) {
      work->Up();
      work->Up();
      work->Up();
      if (fintop::DownByName(*work, value.c_str())) {
        value.Clear();
        work->GetValue(FIAttribute("type"), value);
        result = !value.empty() && SameText(value.c_str(), "BPReboilerObject");
      }
    }
  }
  if (move == 0) DeleteFIIterator(work);
  return result;
}

template <class Probe>
void TraySectionBare(FIIterator& it, Probe& probe) {
  const long trays = BareCall([&] { return BareStoredCount(it, kNumberOfStages); });
  probe.Step(it, trays);
  for (int t = 0; t < trays; ++t) {
    probe.Step(it, BareCall([&] {
                 BareElementName(it, probe, "Element", t);
                 probe.Set(it, "Elemno", FIAttribute(t));
                 return t;
               }));
    UseBareElement(it, probe, [](FIIterator& caller, int move) {
      FIAttribute element;
      if (!caller.GetAttribute("Element", element) || element.c_str() == nullptr) return false;
      FIIterator* work = move != 0 ? &caller : caller.Clone();
      const bool found = work->Down(kLiquidDraws1) && work->Down(element.c_str());
      if (move == 0) DeleteFIIterator(work);
      return found;
    });
  }
  const long draws = BareCall([&] {
    int draws = 0;
    FIIterator* clone = it.Clone();
    for (const std::string& variable : kDrawVariables) draws += BareSideDrawCount(*clone, variable);
    DeleteFIIterator(clone);
    return draws;
  });
  probe.Step(it, draws);
  for (int d = 0; d < draws; ++d) {
    probe.Step(it, BareCall([&] {
                 BareSideDraw(it, probe, d);
                 return d;
               }));
    UseBareElement(it, probe, [](FIIterator& caller, int move) {
      FIIterator* work = move != 0 ? &caller : caller.Clone();
      FIAttribute stream;
      const bool found = work->GetAttribute("StreamId", stream) && stream.c_str() != nullptr &&
                         work->Up() && fintop::DownByName(*work, stream.c_str());
      if (move == 0) DeleteFIIterator(work);
      return found;
    });
  }
  UseBareElement(it, probe, [&probe](FIIterator& caller, int move) {
    return BareSideColumnStream(caller, probe, move, "top liquid feed", "Draw",
                                "bottom vapour feed");
  });
  UseBareElement(it, probe, [&probe](FIIterator& caller, int move) {
    return BareSideColumnStream(caller, probe, move, "overhead vapour product", "Return",
                                "bottom liquid product");
  });
  UseBareElement(it, probe, BareSideColumnReboiler);
  UseBareElement(it, probe, [](FIIterator& caller, int move) {
    FIIterator* work = move != 0 ? &caller : caller.Clone();
    const bool found = BareBottomsStream(*work);
    if (move == 0) DeleteFIIterator(work);
    return found;
  });
}

// ---- Condenser and reboiler vessels: nozzles and the three compositions.

struct Composition {
  FICollection array;
  FIElement element;
};
const Composition kCompositions[] = {
    {CTCondRebVesselComponentArray, CTCondRebVesselComponent},
    {CTCondRebVaporComponentArray, CTCondRebVaporComponent},
    {CTCondRebLiquidComponentArray, CTCondRebLiquidComponent},
};

template <class Probe>
void VesselCallbacks(FIIterator& it, Probe& probe) {
  const int nozzles = CTCondRebNozzle(&it, nullptr, -1);
  probe.Step(it, nozzles);
  for (int n = 0; n < nozzles; ++n) probe.Step(it, CTCondRebNozzle(&it, nullptr, n));
  for (const Composition& composition : kCompositions) {
    const int count = composition.array(&it, nullptr, -1);
    probe.Step(it, count);
    for (int i = 0; i < count; ++i) {
      probe.Step(it, composition.array(&it, nullptr, i));
      UseElement(it, probe, composition.element);
    }
  }
}

template <class Probe>
void VesselBare(FIIterator& it, Probe& probe) {
  NumberElements(
      it, probe, [&] { return BareCount(it, kNozzleDiameter); }, "NozzleElemNum");
  for (const std::string* variable :
       {&kVesselMoleFrac, &kVapourMoleFraction, &kLiquidMoleFraction}) {
    const long count = BareCall([&] { return BareCount(it, *variable); });
    probe.Step(it, count);
    for (int i = 0; i < count; ++i) {
      SelectIndex(it, probe, "FlashPhaseCmpCnt", i);
      UseBareElement(it, probe, [variable](FIIterator& caller, int move) {
        return BareEnter(caller, move, *variable, "FlashPhaseCmpCnt");
      });
    }
  }
}

// ---- Product streams and pumparounds: the named-stream hop.

// Down the variable, read the stream's name, up two levels, down by that name. `empty_test`:
// the value is tested for being empty (pumparounds), otherwise for having text.
FINTOP_INLINE bool BareNamedStream(FIIterator& it, int move, const std::string& variable,
                                   bool empty_test) {
  FIIterator* work = move != 0 ? &it : it.Clone();
  bool found = false;
  if (work->Down(variable)) {
    FIAttribute value;
    work->GetValue(FIAttribute("value"), value);
    if (empty_test ? !value.empty() : value.c_str() != nullptr) {
      work->Up();
      work->Up();
      found = fintop::DownByName(*work, value.c_str());
    }
  }
  if (move == 0) DeleteFIIterator(work);
  return found;
}

const std::string kCondenserStreams[] = {"Overhead Vapour Stream", "Distillate Stream",
                                         "Heavy Liquid Stream", "Reflux Stream"};
const std::string kReboilerStreams[] = {"Boilup Stream", "Liquid Product Stream",
                                        "2nd Liquid Draw Stream", "Vapour Draw Stream"};
const std::string kPumparoundStreams[] = {"Feed", "Product"};

template <class Probe>
void CondenserCallbacks(FIIterator& it, Probe& probe) {
  for (FIElement element : {CTCondVapor, CTCondDistillate, CTCondHeavyDistillate, CTCondReflux}) {
    UseElement(it, probe, element);
  }
}

template <class Probe>
void ReboilerCallbacks(FIIterator& it, Probe& probe) {
  for (FIElement element : {CTRebBoilup, CTRebLiquid, CTRebLiquid2, CTRebVapor}) {
    UseElement(it, probe, element);
  }
}

template <class Probe>
void PumparoundCallbacks(FIIterator& it, Probe& probe) {
  for (FIElement element : {CTPumparoundDraw, CTPumparoundReturn}) UseElement(it, probe, element);
}

template <class Probe, std::size_t n>
void NamedStreamsBare(FIIterator& it, Probe& probe, const std::string (&variables)[n],
                      bool empty_test) {
  for (const std::string& variable : variables) {
    UseBareElement(it, probe, [&variable, empty_test](FIIterator& caller, int move) {
      return BareNamedStream(caller, move, variable, empty_test);
    });
  }
}

template <class Probe>
void CondenserBare(FIIterator& it, Probe& probe) {
  NamedStreamsBare(it, probe, kCondenserStreams, false);
}

template <class Probe>
void ReboilerBare(FIIterator& it, Probe& probe) {
  NamedStreamsBare(it, probe, kReboilerStreams, false);
}

template <class Probe>
void PumparoundBare(FIIterator& it, Probe& probe) {
  NamedStreamsBare(it, probe, kPumparoundStreams, true);
}

}  // namespace

std::vector<Pair> ColumnPairs() {
  return {
      {"columns",
       "column",
       {"ColumnOpObject", "DistillationObject"},
       {"CTColumnFeeds"},
       FINTOP_BENCH_SIDE(ColumnCallbacks),
       FINTOP_BENCH_SIDE(ColumnBare)},
      {"columns",
       "tray_section",
       {"TraySectionObject"},
       {"CTSectionTray", "CTColumnLiquidFrom", "CTColumnSideDraws", "CTSideDrawFluid",
        "CTSideColumnDraw", "CTSideColumnReturn", "CTSideColumnReboiler", "CTSideColumnBottoms"},
       FINTOP_BENCH_SIDE(TraySectionCallbacks),
       FINTOP_BENCH_SIDE(TraySectionBare)},
      {"columns",
       "vessel",
       {"CondenserObject", "BPReboilerObject"},
       {"CTCondRebNozzle", "CTCondRebVesselComponentArray", "CTCondRebVesselComponent",
        "CTCondRebVaporComponentArray", "CTCondRebVaporComponent", "CTCondRebLiquidComponentArray",
        "CTCondRebLiquidComponent"},
       FINTOP_BENCH_SIDE(VesselCallbacks),
       FINTOP_BENCH_SIDE(VesselBare)},
      {"columns",
       "condenser",
       {"CondenserObject"},
       {"CTCondVapor", "CTCondDistillate", "CTCondHeavyDistillate", "CTCondReflux"},
       FINTOP_BENCH_SIDE(CondenserCallbacks),
       FINTOP_BENCH_SIDE(CondenserBare)},
      {"columns",
       "reboiler",
       {"BPReboilerObject"},
       {"CTRebBoilup", "CTRebLiquid", "CTRebLiquid2", "CTRebVapor"},
       FINTOP_BENCH_SIDE(ReboilerCallbacks),
       FINTOP_BENCH_SIDE(ReboilerBare)},
      {"columns",
       "pumparound",
       {"PumpAroundObject"},
       {"CTPumparoundDraw", "CTPumparoundReturn"},
       FINTOP_BENCH_SIDE(PumparoundCallbacks),
       FINTOP_BENCH_SIDE(PumparoundBare)},
  };
}

}  // namespace bench
