#include "plant_walk.h"

#include <cstring>
#include <string>

#include "framework/callbacks.h"

namespace bench {

namespace {

using hostsim::HostIterator;
using hostsim::IteratorPtr;

IteratorPtr CloneOf(HostIterator& it) {
  return IteratorPtr(static_cast<HostIterator*>(it.Clone()));
}

class Walk {
 public:
  WalkTally tally;

  void Plant(HostIterator& top) {
    IteratorPtr plant = CloneOf(top);
    if (!plant->Down(std::string("Plant")) || !Kind(CTFlowsheets, *plant)) return;
    IteratorPtr unit = CloneOf(*plant);
    if (!unit->First()) return;
    do {
      Unit(*unit);
    } while (unit->Next());
  }

 private:
  template <class Item>
  void Collection(FICollection callback, HostIterator& it, Item&& item) {
    FIAttribute out;
    const int count = Call(callback, *CloneOf(it), out, -1);
    for (int i = 0; i < count; ++i) {
      IteratorPtr selected = CloneOf(it);
      Call(callback, *selected, out, i);
      item(*selected);
    }
  }
  void Collection(FICollection callback, HostIterator& it) {
    Collection(callback, it, [](HostIterator&) {});
  }
  // Tested with move 0, then entered with move 1 on a clone, where the value is read.
  void Element(FIElement callback, HostIterator& it) {
    ++tally.calls;
    if (!callback(CloneOf(it).get(), 0)) return;
    ++tally.found;
    IteratorPtr moved = CloneOf(it);
    ++tally.calls;
    if (!callback(moved.get(), 1)) return;
    FIAttribute value;
    moved->GetValue(key_, value);
    tally.found += value.empty() ? 0 : 1;
  }
  bool Kind(FIKindTest callback, HostIterator& it) {
    ++tally.calls;
    return callback(&it);
  }
  int Call(FICollection callback, HostIterator& it, FIAttribute& out, int index) {
    ++tally.calls;
    const int result = callback(&it, &out, index);
    if (index == -1) tally.found += result;
    return result;
  }

  void Unit(HostIterator& at) {
    IteratorPtr it = CloneOf(at);
    if (Kind(CTFlowsheets, *it) || Kind(CTDistillationCurves, *it) || Kind(CTPhaseEnvelopes, *it) ||
        Kind(CTHeatStreams, *it)) {
      return;
    }
    if (Kind(CTStreams, *it)) return Stream(*it);
    FIAttribute kind;
    ++tally.calls;
    if (!CTUnitOperations(it.get(), &kind)) return;
    const char* name = kind.c_str();
    if (std::strcmp(name, "QELPipe") == 0) return Pipe(*it);
    if (std::strcmp(name, "QELPump") == 0) return Pump(*it);
    if (std::strcmp(name, "QELHeaterCooler") == 0) return Heater(*it);
    if (std::strcmp(name, "QELConversionReactor") == 0) return Reactor(*it);
    if (std::strcmp(name, "QELDistillationColumn") == 0) return Column(*it);
  }

  void Stream(HostIterator& it) {
    Collection(CTComponentArray, it, [&](HostIterator& component) {
      Element(CTComponent, component);
      Element(CTMoleFraction, component);
      Element(CTMassFraction, component);
      Element(CTVolumeFraction, component);
    });
  }
  void Pipe(HostIterator& it) {
    Collection(CTPipeSegment, it, [&](HostIterator& segment) { Collection(CTPipeCell, segment); });
    Collection(CTPipeProfile, it);
  }
  void Pump(HostIterator& it) {
    Collection(CTPumpCurve, it);
    Collection(CTEfficiencyCurve, it);
    Collection(CTNPSHCurve, it, [&](HostIterator& curve) { Collection(CTNPSHCurvePoint, curve); });
  }
  void Heater(HostIterator& it) {
    Element(CTHeaterVF, it);
    Collection(CTHeaterZone, it);
    Collection(CTHeaterProfile, it);
  }
  void Reactor(HostIterator& it) { Collection(CTReactions, it); }
  void Column(HostIterator& it) {
    Collection(CTColumnFeeds, it);
    IteratorPtr section = CloneOf(it);
    if (!section->First()) return;
    do {
      FIAttribute type;
      section->GetValue(type_key_, type);
      if (type.c_str() != nullptr && std::strcmp(type.c_str(), "TraySectionObject") == 0) {
        Collection(CTSectionTray, *section);
      }
    } while (section->Next());
  }

  const FIAttribute key_{"value"};
  const FIAttribute type_key_{"type"};
};

}  // namespace

WalkTally WalkPlant(HostIterator& top) {
  Walk walk;
  walk.Plant(top);
  return walk.tally;
}

}  // namespace bench
