// A heater's zones and profile: the outlet vapour fraction, the zones numbered over the duty
// table and the profile points numbered over the pressure table.
#include "framework/host_names.h"
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

using fintop::names::kProfileElemNum;

// Host tables on the heater node.
const std::string kZoneVapourFrac = "Zone vapour frac";
const std::string kZoneDuty = "Zone duty";
const std::string kZonePressures = "Zone pressures";

// Attributes recorded by the selections.
constexpr char kHeaterZoneElemNum[] = "HeaterZoneElemNum";
constexpr char kHeaterZoneElemNum1[] = "HeaterZoneElemNum1";
constexpr char kZoneNo[] = "ZoneNo";
constexpr char kHeatTransferred[] = "HeatTransferred";
constexpr char kProfileZoneNo[] = "ProfileZoneNo";

// The duty of zone `zone` as the host holds it; empty-handed (false) when the duty table or
// that element is missing. Walks on a clone.
FINTOP_INLINE bool ReadZoneDuty(FIIterator& it, int zone, FIAttribute& duty) {
  fintop::ClonedIterator clone(it);
  if (!clone || !clone->Down(kZoneDuty) || !clone->Element(zone)) return false;
  clone->GetValue(FIAttribute("value"), duty);  // read in place: `duty` is fresh
  return true;
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// The heater's vapour fraction: the last element of "Zone vapour frac". True when that table
// has an element. Move 0 tests on a clone; otherwise the caller's iterator ends on the last
// element on success, and a failure undoes nothing (it stays on "Zone vapour frac" when only
// the table is empty, where it was when the table is missing).
bool CTHeaterVF(FIIterator& it, int move) {
  fintop::WorkingIterator work(it, move);
  return work && work->Down(kZoneVapourFrac) && work->Last();
}

// Zones, one per element of "Zone duty". Index -1 counts them; zone i records
// "HeaterZoneElemNum" = Elem<i>, "HeaterZoneElemNum1" = Elem<i+1> and "ZoneNo" = i + 1 without
// reading the host, and returns i. The caller's iterator never moves.
int CTHeaterZone(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kZoneDuty);
  fintop::RecordElementName(it, kHeaterZoneElemNum, index);
  fintop::RecordElementName(it, kHeaterZoneElemNum1, index + 1LL);
  fintop::RecordInteger(it, kZoneNo, fintop::WrapToInt(index + 1LL));
  return index;
}

// Profile points, one per element of "Zone pressures". Index -1 counts them; point i records
// "ProfileElemNum" = Elem<i>, "HeatTransferred" (the real 0.0 for point 0, otherwise the duty
// of zone i - 1 as read; left out when that zone cannot be reached) and "ProfileZoneNo" = i,
// and returns i. The caller's iterator never moves.
int CTHeaterProfile(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kZonePressures);
  fintop::RecordElementName(it, kProfileElemNum, index);
  if (index == 0) {
    it.SetAttribute(kHeatTransferred, FIAttribute(0.0));
  } else {
    FIAttribute duty;
    if (ReadZoneDuty(it, fintop::WrapToInt(index - 1LL), duty))
      it.SetAttribute(kHeatTransferred, duty);
  }
  fintop::RecordInteger(it, kProfileZoneNo, index);
  return index;
}

}  // namespace fintop::workers
