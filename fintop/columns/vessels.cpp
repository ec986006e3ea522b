// A column's condenser and reboiler vessels: their nozzles and the components of the vessel
// contents and of its vapour and liquid phases.
#include "framework/host_names.h"
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

using fintop::names::kFlashPhaseCmpCnt;

// Host variables on the condenser or reboiler node.
const std::string kNozzleDiameter = "Nozzle Diameter";
const std::string kVesselMoleFrac = "Vessel Mole Frac";
const std::string kVapourMoleFraction = "Vapour Mole Fraction";
const std::string kLiquidMoleFraction = "Liquid Mole Fraction";

// Attributes: the nozzle selection, and the component selection that the flash-phase
// composition callbacks share with these.
constexpr char kNozzleElemNum[] = "NozzleElemNum";

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
  return fintop::SelectInteger(it, index, kVesselMoleFrac, kFlashPhaseCmpCnt);
}

int CTCondRebVaporComponentArray(FIIterator& it, FIAttribute* /*out*/, int index) {
  return fintop::SelectInteger(it, index, kVapourMoleFraction, kFlashPhaseCmpCnt);
}

int CTCondRebLiquidComponentArray(FIIterator& it, FIAttribute* /*out*/, int index) {
  return fintop::SelectInteger(it, index, kLiquidMoleFraction, kFlashPhaseCmpCnt);
}

// The selected component's entry in each composition. Call after a component-array selection;
// without one they fail. A failed move leaves the caller's iterator on the vessel.
bool CTCondRebVesselComponent(FIIterator& it, int move) {
  return fintop::EnterElement(it, move, kVesselMoleFrac, kFlashPhaseCmpCnt);
}

bool CTCondRebVaporComponent(FIIterator& it, int move) {
  return fintop::EnterElement(it, move, kVapourMoleFraction, kFlashPhaseCmpCnt);
}

bool CTCondRebLiquidComponent(FIIterator& it, int move) {
  return fintop::EnterElement(it, move, kLiquidMoleFraction, kFlashPhaseCmpCnt);
}

}  // namespace fintop::workers
