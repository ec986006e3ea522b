// The components of a stream and the entries of its overall composition variables.
#include <string>

#include "composition/component_entry.h"
#include "framework/host_names.h"
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

using fintop::names::kCompMoleFrac;

// Composition variables of a stream node, one element per component in case order.
const std::string kCompMassFrac = "Comp Mass Frac";
const std::string kCompVolumeFrac = "Comp Volume Frac";

}  // namespace

using fintop::composition::kCmpCnt;

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Index -1: the number of elements of "Comp Mole Frac" (0 when missing or empty); the
// iterator neither moves nor gains attributes. Any other index: records "CmpCnt" = index as
// an integer and returns the index, unchecked against the count.
int CTComponentArray(FIIterator& it, FIAttribute* /*out*/, int index) {
  return fintop::SelectInteger(it, index, kCompMoleFrac, kCmpCnt);
}

// The selected component's entry of "Comp Mole Frac"; call after CTComponentArray (or a
// K-value array) selected it. Move 0 only tests. A failed move leaves the iterator on the
// stream.
bool CTComponent(FIIterator& it, int move) {
  return fintop::EnterElement(it, move, kCompMoleFrac, kCmpCnt);
}

// The same operation as CTComponent.
bool CTMoleFraction(FIIterator& it, int move) {
  return CTComponent(it, move);
}

// As CTComponent, on "Comp Mass Frac".
bool CTMassFraction(FIIterator& it, int move) {
  return fintop::EnterElement(it, move, kCompMassFrac, kCmpCnt);
}

// As CTComponent, on "Comp Volume Frac".
bool CTVolumeFraction(FIIterator& it, int move) {
  return fintop::EnterElement(it, move, kCompVolumeFrac, kCmpCnt);
}

}  // namespace fintop::workers
