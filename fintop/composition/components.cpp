// The components of a stream and the entries of its overall composition variables.
#include <string>

#include "composition/component_entry.h"
#include "framework/callbacks.h"
#include "framework/walks.h"

namespace {

// Composition variables of a stream node, one element per component in case order.
const std::string kCompMoleFrac = "Comp Mole Frac";
const std::string kCompMassFrac = "Comp Mass Frac";
const std::string kCompVolumeFrac = "Comp Volume Frac";

}  // namespace

namespace fintop::composition {

bool ComponentEntry(FIIterator& it, const std::string& variable, int move) {
  return EnterElement(it, move, variable, kCmpCnt);
}

}  // namespace fintop::composition

using fintop::composition::ComponentEntry;

extern "C" {

// Index -1: the number of elements of "Comp Mole Frac" (0 when missing or empty); the
// iterator neither moves nor gains attributes. Any other index: records "CmpCnt" = index as
// an integer and returns the index, unchecked against the count.
FINTOP_API int FI_CDECL CTComponentArray(FIIterator* it, FIAttribute* /*out*/, int index) {
  return fintop::Shield(it, index == -1 ? 0 : index, [&] {
    if (index == -1) return fintop::CountElements(*it, kCompMoleFrac);
    fintop::RecordInteger(*it, fintop::composition::kCmpCnt, index);
    return index;
  });
}

// The selected component's entry of "Comp Mole Frac"; call after CTComponentArray (or a
// K-value array) selected it. Move 0 only tests. A failed move leaves the iterator on the
// stream.
FINTOP_API bool FI_CDECL CTComponent(FIIterator* it, int move) {
  return fintop::Shield(it, false, [&] { return ComponentEntry(*it, kCompMoleFrac, move); });
}

// The same operation as CTComponent.
FINTOP_API bool FI_CDECL CTMoleFraction(FIIterator* it, int move) {
  return CTComponent(it, move);
}

// As CTComponent, on "Comp Mass Frac".
FINTOP_API bool FI_CDECL CTMassFraction(FIIterator* it, int move) {
  return fintop::Shield(it, false, [&] { return ComponentEntry(*it, kCompMassFrac, move); });
}

// As CTComponent, on "Comp Volume Frac".
FINTOP_API bool FI_CDECL CTVolumeFraction(FIIterator* it, int move) {
  return fintop::Shield(it, false, [&] { return ComponentEntry(*it, kCompVolumeFrac, move); });
}

}  // extern "C"
