// The components of one phase of a stream and their entries of the phase composition
// variables. The framework names the phase in the text attribute "PhaseName"; the plug-in
// reads it and never records it.
#include <string>

#include "framework/walks.h"
#include "framework/workers.h"

namespace {

// Phase composition variables of a stream node; their children are phase nodes, each an
// array with one element per component.
const std::string kPhaseCompMoleFrac = "Phase Comp Mole Frac";
const std::string kPhaseCompMassFrac = "Phase Comp Mass Frac";
const std::string kPhaseCompVolumeFrac = "Phase Comp Volume Frac";
// The phase counted, whatever phase is selected afterwards.
const std::string kVapourPhase = "Vapour Phase";

// The selected component's zero-based index (integer), recorded by CTPhaseComponentArray.
constexpr char kPhaseCmpCnt[] = "PhaseCmpCnt";
// The phase node's name (text), recorded by the framework.
constexpr char kPhaseName[] = "PhaseName";

// Down `variable`, Down `phase`, then Element with "PhaseCmpCnt". With move non-zero a
// failure leaves the caller's iterator on the stream when `variable` is missing, and on the
// variable on every later failure (a missing phase is not undone; a failure below the phase
// undoes one of the two moves).
FINTOP_INLINE bool PhaseComponentEntry(FIIterator& it, const char* phase,
                                       const std::string& variable, int move) {
  fintop::WorkingIterator work(it, move);
  if (!work || !work->Down(variable)) return false;
  if (!fintop::DownByName(*work, phase)) return false;
  FIAttribute index;
  if (work->GetAttribute(kPhaseCmpCnt, index) && work->Element(index.ival())) return true;
  work.Undo(1);
  return false;
}

// The element callbacks' common body: without a "PhaseName" that holds text nothing is
// cloned or moved.
FINTOP_INLINE bool SelectedPhaseEntry(FIIterator& it, const std::string& variable, int move) {
  FIAttribute phase;
  if (!it.GetAttribute(kPhaseName, phase) || phase.c_str() == nullptr) return false;
  return PhaseComponentEntry(it, phase.c_str(), variable, move);
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Index -1: the number of components of "Phase Comp Mole Frac"."Vapour Phase" (0 when either
// is missing or the phase is empty); the iterator neither moves nor gains attributes. Any
// other index: records "PhaseCmpCnt" = index as an integer and returns the index, unchecked.
int CTPhaseComponentArray(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kPhaseCompMoleFrac, kVapourPhase);
  fintop::RecordInteger(it, kPhaseCmpCnt, index);
  return index;
}

// The selected component's entry of "Phase Comp Mole Frac" in the phase "PhaseName" names;
// call after CTPhaseComponentArray selected it. Move 0 only tests. A failed move leaves the
// iterator on the stream or on the variable (see PhaseComponentEntry).
bool CTPhaseComponent(FIIterator& it, int move) {
  return SelectedPhaseEntry(it, kPhaseCompMoleFrac, move);
}

// The same operation as CTPhaseComponent.
bool CTPhaseMoleFraction(FIIterator& it, int move) {
  return CTPhaseComponent(it, move);
}

// As CTPhaseComponent, on "Phase Comp Mass Frac".
bool CTPhaseMassFraction(FIIterator& it, int move) {
  return SelectedPhaseEntry(it, kPhaseCompMassFrac, move);
}

// As CTPhaseComponent, on "Phase Comp Volume Frac".
bool CTPhaseVolumeFraction(FIIterator& it, int move) {
  return SelectedPhaseEntry(it, kPhaseCompVolumeFrac, move);
}

}  // namespace fintop::workers
