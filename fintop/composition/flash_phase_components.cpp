// The components of a node's own composition table ("fluid") and of its flash phases'
// tables. The three flash phases share one selection, "FlashPhaseCmpCnt", which the
// condenser and reboiler component callbacks also write and read.
#include <string>

#include "framework/host_names.h"
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

using fintop::names::kCompMoleFrac;
using fintop::names::kFlashPhaseCmpCnt;

// The composition table: one element per component, in component order.
// Phase children of the node. The second liquid is counted below "Heavy Liquid" and entered
// below "Liquid2": the host keeps both names.
const std::string kVapour = "Vapour";
const std::string kLiquid = "Liquid";
const std::string kHeavyLiquid = "Heavy Liquid";
const std::string kLiquid2 = "Liquid2";

// Selected component indices (integers).
constexpr char kFluidPhaseCmpCnt[] = "FluidPhaseCmpCnt";

// Reads `index_name`, then Down `phase` (when given), Down "Comp Mole Frac", Element. Every
// failure with move non-zero is followed by exactly one Up on the caller's iterator, whichever
// step failed: the framework expects the iterator there (on the node's parent when nothing
// had moved, on the phase node when only Element failed).
FINTOP_INLINE bool ComponentOfTable(FIIterator& it, int move, const char* index_name,
                                    const std::string* phase) {
  fintop::WorkingIterator work(it, move);
  if (!work) return false;
  FIAttribute index;
  bool entered = work->GetAttribute(index_name, index) &&
                 (phase == nullptr || work->Down(*phase)) && work->Down(kCompMoleFrac) &&
                 work->Element(index.ival());
  if (!entered) work.Undo(1);
  return entered;
}

// Collection worker of the flash phases: index -1 counts `phase`."Comp Mole Frac"; any other
// index records "FlashPhaseCmpCnt" and returns the index (`phase` is not used then).
int FlashPhaseComponentArray(FIIterator& it, FIAttribute* /*out*/, int index,
                             const std::string& phase) {
  if (index == -1) return fintop::CountElements(it, phase, kCompMoleFrac);
  fintop::RecordInteger(it, kFlashPhaseCmpCnt, index);
  return index;
}

// Element worker of the flash phases: the component "FlashPhaseCmpCnt" names in
// `phase`."Comp Mole Frac".
FINTOP_INLINE bool FlashPhaseComponent(FIIterator& it, int move, const std::string& phase) {
  return ComponentOfTable(it, move, kFlashPhaseCmpCnt, &phase);
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Index -1: the number of components of the node's "Comp Mole Frac" (0 when missing or
// empty); the iterator neither moves nor gains attributes. Any other index: records
// "FluidPhaseCmpCnt" = index as an integer and returns the index, unchecked.
int CTFluidPhaseComponentArray(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kCompMoleFrac);
  fintop::RecordInteger(it, kFluidPhaseCmpCnt, index);
  return index;
}

// The component "FluidPhaseCmpCnt" names in the node's "Comp Mole Frac"; call after
// CTFluidPhaseComponentArray selected it. Move 0 only tests. A failed move ends with one Up:
// on the node's parent when the attribute or the table is missing, on the node when the
// index names no element.
bool CTFluidPhaseComponent(FIIterator& it, int move) {
  return ComponentOfTable(it, move, kFluidPhaseCmpCnt, nullptr);
}

// Flash-phase collection callbacks: index -1 counts the phase's "Comp Mole Frac"
// ("Heavy Liquid" for the second liquid); any other index records "FlashPhaseCmpCnt", shared
// by all flash phases, and returns the index.
// Flash-phase element callbacks: the component "FlashPhaseCmpCnt" names in the phase's
// "Comp Mole Frac" ("Liquid2" for the second liquid); call after any flash-phase selection.
// Move 0 only tests. A failed move ends with one Up: on the node's parent when the attribute
// or the phase is missing, on the node when the table is missing, on the phase node when the
// index names no element.

int CTVaporPhaseComponentArray(FIIterator& it, FIAttribute* out, int index) {
  return FlashPhaseComponentArray(it, out, index, kVapour);
}

bool CTVaporPhaseComponent(FIIterator& it, int move) {
  return FlashPhaseComponent(it, move, kVapour);
}

int CTLiquidPhaseComponentArray(FIIterator& it, FIAttribute* out, int index) {
  return FlashPhaseComponentArray(it, out, index, kLiquid);
}

bool CTLiquidPhaseComponent(FIIterator& it, int move) {
  return FlashPhaseComponent(it, move, kLiquid);
}

int CTLiquid2PhaseComponentArray(FIIterator& it, FIAttribute* out, int index) {
  return FlashPhaseComponentArray(it, out, index, kHeavyLiquid);
}

bool CTLiquid2PhaseComponent(FIIterator& it, int move) {
  return FlashPhaseComponent(it, move, kLiquid2);
}

}  // namespace fintop::workers
