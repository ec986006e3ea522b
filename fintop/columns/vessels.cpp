// A column's condenser and reboiler vessels: their nozzles and the components of the vessel
// contents and of its vapour and liquid phases.
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

// Host variables on the condenser or reboiler node.
const std::string kNozzleDiameter = "Nozzle Diameter";
const std::string kVesselMoleFrac = "Vessel Mole Frac";
const std::string kVapourMoleFraction = "Vapour Mole Fraction";
const std::string kLiquidMoleFraction = "Liquid Mole Fraction";

// Attributes: the nozzle selection, and the component selection that the flash-phase
// composition callbacks share with these.
constexpr char kNozzleElemNum[] = "NozzleElemNum";
constexpr char kFlashPhaseCmpCnt[] = "FlashPhaseCmpCnt";

// Counts the elements of `variable` (index -1) or records the component index as the
// integer "FlashPhaseCmpCnt" and returns it. The caller's iterator never moves.
int SelectComponent(FIIterator& it, int index, const std::string& variable) {
  if (index == -1) return fintop::CountElements(it, variable);
  fintop::RecordInteger(it, kFlashPhaseCmpCnt, index);
  return index;
}

// Steps into element "FlashPhaseCmpCnt" of `variable`. Move 0 tests on a clone. When moving, a
// failure undoes exactly the moves made: one Up when the Down succeeded and the element did
// not, none when the Down failed, so the caller's iterator never rises above its node.
bool EnterComponent(FIIterator& it, int move, const std::string& variable) {
  return fintop::EnterElement(it, move, variable, kFlashPhaseCmpCnt);
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Nozzles of the vessel, one per element of "Nozzle Diameter". Index -1 counts them; any
// other index records "NozzleElemNum" = Elem<index> and returns it. Never moves the iterator.
int CTCondRebNozzle(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kNozzleDiameter);
  fintop::RecordElementName(it, kNozzleElemNum, index);
  return index;
}

// The component arrays of the vessel contents, the vapour and the liquid: index -1 counts the
// components, any other index selects one for the element callbacks below (all three read
// the same selection).
int CTCondRebVesselComponentArray(FIIterator& it, FIAttribute* /*out*/, int index) {
  return SelectComponent(it, index, kVesselMoleFrac);
}

int CTCondRebVaporComponentArray(FIIterator& it, FIAttribute* /*out*/, int index) {
  return SelectComponent(it, index, kVapourMoleFraction);
}

int CTCondRebLiquidComponentArray(FIIterator& it, FIAttribute* /*out*/, int index) {
  return SelectComponent(it, index, kLiquidMoleFraction);
}

// The selected component's entry in each composition. Call after a component-array selection;
// without one they fail. A failed move leaves the caller's iterator on the vessel.
bool CTCondRebVesselComponent(FIIterator& it, int move) {
  return EnterComponent(it, move, kVesselMoleFrac);
}

bool CTCondRebVaporComponent(FIIterator& it, int move) {
  return EnterComponent(it, move, kVapourMoleFraction);
}

bool CTCondRebLiquidComponent(FIIterator& it, int move) {
  return EnterComponent(it, move, kLiquidMoleFraction);
}

}  // namespace fintop::workers
