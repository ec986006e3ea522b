// Composition: the components and fractions of streams, their phase compositions, and the
// fluid, flash-phase and K-value arrays of separators.
#include "pairs.h"

namespace bench {
namespace {

const std::string kCompMoleFrac = "Comp Mole Frac";
const std::string kCompMassFrac = "Comp Mass Frac";
const std::string kCompVolumeFrac = "Comp Volume Frac";
const std::string kPhaseCompMoleFrac = "Phase Comp Mole Frac";
const std::string kPhaseCompMassFrac = "Phase Comp Mass Frac";
const std::string kPhaseCompVolumeFrac = "Phase Comp Volume Frac";
const std::string kVapourPhase = "Vapour Phase";
const std::string kVapour = "Vapour";
const std::string kLiquid = "Liquid";
const std::string kHeavyLiquid = "Heavy Liquid";
const std::string kLiquid2 = "Liquid2";
const std::string kKValueMixed = "Comp K Value - Mixed Liquid";
const std::string kKValueLight = "Comp K Value - Light Liquid";
const std::string kKValueHeavy = "Comp K Value - Heavy Liquid";
const std::string kKValueLiquids = "Comp K Value - Liq1 / Liq2";

// The phases the framework names in "PhaseName" before it walks a phase composition.
constexpr const char* kPhaseNames[] = {"Vapour Phase", "Liquid Phase"};

// ---- Streams.

template <class Probe>
void StreamCallbacks(FIIterator& it, Probe& probe) {
  const int count = CTComponentArray(&it, nullptr, -1);
  probe.Step(it, count);
  for (int i = 0; i < count; ++i) {
    probe.Step(it, CTComponentArray(&it, nullptr, i));
    for (FIElement element : {CTComponent, CTMoleFraction, CTMassFraction, CTVolumeFraction}) {
      UseElement(it, probe, element);
    }
  }
  for (const char* phase : kPhaseNames) {
    it.SetAttribute("PhaseName", FIAttribute(phase));
    const int components = CTPhaseComponentArray(&it, nullptr, -1);
    probe.Step(it, components);
    for (int i = 0; i < components; ++i) {
      probe.Step(it, CTPhaseComponentArray(&it, nullptr, i));
      for (FIElement element :
           {CTPhaseComponent, CTPhaseMoleFraction, CTPhaseMassFraction, CTPhaseVolumeFraction}) {
        UseElement(it, probe, element);
      }
    }
  }
}

// The phase element walk: Down the variable, Down the phase (no Up when it fails), then the
// recorded index; one Up after a later failure when moving.
FINTOP_INLINE bool BarePhaseEntry(FIIterator& it, int move, const std::string& variable) {
  FIAttribute phase;
  if (!it.GetAttribute("PhaseName", phase)) return false;
  FIIterator* work = move != 0 ? &it : it.Clone();
  bool entered = false;
  if (work->Down(variable) && fintop::DownByName(*work, phase.c_str())) {
    FIAttribute at;
    if (work->GetAttribute("PhaseCmpCnt", at) && work->Element(at.ival())) {
      entered = true;
    } else if (move != 0) {
      work->Up();
    }
  }
  if (move == 0) DeleteFIIterator(work);
  return entered;
}

template <class Probe>
void StreamBare(FIIterator& it, Probe& probe) {
  const long count = BareCall([&] { return BareCount(it, kCompMoleFrac); });
  probe.Step(it, count);
  for (int i = 0; i < count; ++i) {
    SelectIndex(it, probe, "CmpCnt", i);
    for (const std::string* variable :
         {&kCompMoleFrac, &kCompMoleFrac, &kCompMassFrac, &kCompVolumeFrac}) {
      UseBareElement(it, probe, [variable](FIIterator& caller, int move) {
        return BareEnter(caller, move, *variable, "CmpCnt");
      });
    }
  }
  for (const char* phase : kPhaseNames) {
    it.SetAttribute("PhaseName", FIAttribute(phase));
    const long components =
        BareCall([&] { return BareCount(it, kPhaseCompMoleFrac, kVapourPhase); });
    probe.Step(it, components);
    for (int i = 0; i < components; ++i) {
      SelectIndex(it, probe, "PhaseCmpCnt", i);
      for (const std::string* variable :
           {&kPhaseCompMoleFrac, &kPhaseCompMoleFrac, &kPhaseCompMassFrac, &kPhaseCompVolumeFrac}) {
        UseBareElement(it, probe, [variable](FIIterator& caller, int move) {
          return BarePhaseEntry(caller, move, *variable);
        });
      }
    }
  }
}

// ---- Separators: the fluid and flash-phase arrays and the K-value arrays.

struct Flash {
  FICollection array;
  FIElement element;
};
const Flash kFlash[] = {
    {CTVaporPhaseComponentArray, CTVaporPhaseComponent},
    {CTLiquidPhaseComponentArray, CTLiquidPhaseComponent},
    {CTLiquid2PhaseComponentArray, CTLiquid2PhaseComponent},
};
const Flash kKValues[] = {
    {CTKVMLArray, CTKVML},
    {CTKVLArray, CTKVL},
    {CTKVL2Array, CTKVL2},
    {CTKL1L2Array, CTKL1L2},
};

template <class Probe>
void SeparatorCallbacks(FIIterator& it, Probe& probe) {
  const int fluid = CTFluidPhaseComponentArray(&it, nullptr, -1);
  probe.Step(it, fluid);
  for (int i = 0; i < fluid; ++i) {
    probe.Step(it, CTFluidPhaseComponentArray(&it, nullptr, i));
    UseElement(it, probe, CTFluidPhaseComponent);
  }
  for (const Flash* table : {kFlash, kKValues}) {
    const int rows = table == kFlash ? 3 : 4;
    for (int row = 0; row < rows; ++row) {
      const int count = table[row].array(&it, nullptr, -1);
      probe.Step(it, count);
      for (int i = 0; i < count; ++i) {
        probe.Step(it, table[row].array(&it, nullptr, i));
        UseElement(it, probe, table[row].element);
      }
    }
  }
}

// The flash-phase element walk: the index first, then the phase, the table and the element;
// one Up on any failure when moving.
FINTOP_INLINE bool BareFlashEntry(FIIterator& it, int move, const std::string* phase,
                                  const char* index) {
  FIIterator* work = move != 0 ? &it : it.Clone();
  FIAttribute at;
  const bool entered = work->GetAttribute(index, at) && (phase == nullptr || work->Down(*phase)) &&
                       work->Down(kCompMoleFrac) && work->Element(at.ival());
  if (move == 0) {
    DeleteFIIterator(work);
  } else if (!entered) {
    work->Up();
  }
  return entered;
}

template <class Probe>
void SeparatorBare(FIIterator& it, Probe& probe) {
  const long fluid = BareCall([&] { return BareCount(it, kCompMoleFrac); });
  probe.Step(it, fluid);
  for (int i = 0; i < fluid; ++i) {
    SelectIndex(it, probe, "FluidPhaseCmpCnt", i);
    UseBareElement(it, probe, [](FIIterator& caller, int move) {
      return BareFlashEntry(caller, move, nullptr, "FluidPhaseCmpCnt");
    });
  }
  const std::string* counted[] = {&kVapour, &kLiquid, &kHeavyLiquid};
  const std::string* entered[] = {&kVapour, &kLiquid, &kLiquid2};
  for (int row = 0; row < 3; ++row) {
    const long count = BareCall([&] { return BareCount(it, *counted[row], kCompMoleFrac); });
    probe.Step(it, count);
    for (int i = 0; i < count; ++i) {
      SelectIndex(it, probe, "FlashPhaseCmpCnt", i);
      const std::string* phase = entered[row];
      UseBareElement(it, probe, [phase](FIIterator& caller, int move) {
        return BareFlashEntry(caller, move, phase, "FlashPhaseCmpCnt");
      });
    }
  }
  for (const std::string* variable :
       {&kKValueMixed, &kKValueLight, &kKValueHeavy, &kKValueLiquids}) {
    const long count = BareCall([&] { return BareCount(it, *variable); });
    probe.Step(it, count);
    for (int i = 0; i < count; ++i) {
      SelectIndex(it, probe, "CmpCnt", i);
      UseBareElement(it, probe, [variable](FIIterator& caller, int move) {
        return BareEnter(caller, move, *variable, "CmpCnt");
      });
    }
  }
}

}  // namespace

std::vector<Pair> CompositionPairs() {
  return {
      {"composition",
       "stream",
       {"MaterialStreamObject"},
       {"CTComponentArray", "CTComponent", "CTMoleFraction", "CTMassFraction", "CTVolumeFraction",
        "CTPhaseComponentArray", "CTPhaseComponent", "CTPhaseMoleFraction", "CTPhaseMassFraction",
        "CTPhaseVolumeFraction"},
       FINTOP_BENCH_SIDE(StreamCallbacks),
       FINTOP_BENCH_SIDE(StreamBare)},
      {"composition",
       "separator",
       {"Sep3OpObject", "FlashTankObject", "TankOpObject"},
       {"CTFluidPhaseComponentArray", "CTFluidPhaseComponent", "CTVaporPhaseComponentArray",
        "CTVaporPhaseComponent", "CTLiquidPhaseComponentArray", "CTLiquidPhaseComponent",
        "CTLiquid2PhaseComponentArray", "CTLiquid2PhaseComponent", "CTKVMLArray", "CTKVML",
        "CTKVLArray", "CTKVL", "CTKVL2Array", "CTKVL2", "CTKL1L2Array", "CTKL1L2"},
       FINTOP_BENCH_SIDE(SeparatorCallbacks),
       FINTOP_BENCH_SIDE(SeparatorBare)},
  };
}

}  // namespace bench
