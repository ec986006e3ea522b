// Heaters: the outlet vapour fraction, the zones and the profile.
#include "pairs.h"

namespace bench {
namespace {

const std::string kZoneVapourFrac = "Zone vapour frac";
const std::string kZoneDuty = "Zone duty";
const std::string kZonePressures = "Zone pressures";

template <class Probe>
void HeaterCallbacks(FIIterator& it, Probe& probe) {
  UseElement(it, probe, CTHeaterVF);
  const int zones = CTHeaterZone(&it, nullptr, -1);
  probe.Step(it, zones);
  for (int z = 0; z < zones; ++z) probe.Step(it, CTHeaterZone(&it, nullptr, z));
  const int points = CTHeaterProfile(&it, nullptr, -1);
  probe.Step(it, points);
  for (int p = 0; p < points; ++p) probe.Step(it, CTHeaterProfile(&it, nullptr, p));
}

template <class Probe>
void HeaterBare(FIIterator& it, Probe& probe) {
  UseBareElement(it, probe, [](FIIterator& caller, int move) {
    FIIterator* work = move != 0 ? &caller : caller.Clone();
    const bool found = work->Down(kZoneVapourFrac) && work->Last();
    if (move == 0) DeleteFIIterator(work);
    return found;
  });
  BareCollection(
      it, probe, [&] { return BareCount(it, kZoneDuty); },
      [&](int z) {
        BareElementName(it, probe, "HeaterZoneElemNum", z);
        BareElementName(it, probe, "HeaterZoneElemNum1", z + 1LL);
        probe.Set(it, "ZoneNo", FIAttribute(z + 1));
      });
  BareCollection(
      it, probe, [&] { return BareCount(it, kZonePressures); },
      [&](int p) {
        BareElementName(it, probe, "ProfileElemNum", p);
        if (p == 0) {
          probe.Set(it, "HeatTransferred", FIAttribute(0.0));
        } else {
          // The clone is deleted before the duty is recorded: recording while a clone shares
          // the attributes would copy them.
          FIIterator* clone = it.Clone();
          FIAttribute duty;
          const bool reached = clone->Down(kZoneDuty) && clone->Element(p - 1);
          if (reached) clone->GetValue(FIAttribute("value"), duty);
          DeleteFIIterator(clone);
          if (reached) probe.Set(it, "HeatTransferred", duty);
        }
        probe.Set(it, "ProfileZoneNo", FIAttribute(p));
      });
}

}  // namespace

std::vector<Pair> HeaterPairs() {
  return {
      {"heaters",
       "heater",
       {"HeaterOpObject"},
       {"CTHeaterVF", "CTHeaterZone", "CTHeaterProfile"},
       FINTOP_BENCH_SIDE(HeaterCallbacks),
       FINTOP_BENCH_SIDE(HeaterBare)},
  };
}

}  // namespace bench
