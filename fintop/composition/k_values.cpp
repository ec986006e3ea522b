// Per-component K-values of a node for four liquid bases. They share the "CmpCnt" selection
// with the component array, so a component selected through any of them is entered by all.
#include <string>

#include "composition/component_entry.h"
#include "framework/callbacks.h"
#include "framework/walks.h"

namespace {

// K-value variables of a node, one element per component.
const std::string kKValueMixedLiquid = "Comp K Value - Mixed Liquid";
const std::string kKValueLightLiquid = "Comp K Value - Light Liquid";
const std::string kKValueHeavyLiquid = "Comp K Value - Heavy Liquid";
const std::string kKValueLiq1Liq2 = "Comp K Value - Liq1 / Liq2";

// Index -1: the number of elements of `variable` (0 when missing or empty). Any other index:
// records "CmpCnt" = index as an integer and returns the index, unchecked.
int KValueArray(FIIterator& it, FIAttribute* /*out*/, int index, const std::string& variable) {
  if (index == -1) return fintop::CountElements(it, variable);
  fintop::RecordInteger(it, fintop::composition::kCmpCnt, index);
  return index;
}

}  // namespace

using fintop::composition::ComponentEntry;

extern "C" {

// Collection callbacks: index -1 counts the variable's components without moving the
// iterator; any other index records "CmpCnt" and returns the index.
// Element callbacks: enter the element "CmpCnt" names (recorded by any K-value array or the
// component array); move 0 only tests. A failed move leaves the iterator where it stood.

FINTOP_API int FI_CDECL CTKVMLArray(FIIterator* it, FIAttribute* out, int index) {
  return fintop::Shield(it, index == -1 ? 0 : index,
                        [&] { return KValueArray(*it, out, index, kKValueMixedLiquid); });
}

FINTOP_API bool FI_CDECL CTKVML(FIIterator* it, int move) {
  return fintop::Shield(it, false, [&] { return ComponentEntry(*it, kKValueMixedLiquid, move); });
}

FINTOP_API int FI_CDECL CTKVLArray(FIIterator* it, FIAttribute* out, int index) {
  return fintop::Shield(it, index == -1 ? 0 : index,
                        [&] { return KValueArray(*it, out, index, kKValueLightLiquid); });
}

FINTOP_API bool FI_CDECL CTKVL(FIIterator* it, int move) {
  return fintop::Shield(it, false, [&] { return ComponentEntry(*it, kKValueLightLiquid, move); });
}

FINTOP_API int FI_CDECL CTKVL2Array(FIIterator* it, FIAttribute* out, int index) {
  return fintop::Shield(it, index == -1 ? 0 : index,
                        [&] { return KValueArray(*it, out, index, kKValueHeavyLiquid); });
}

FINTOP_API bool FI_CDECL CTKVL2(FIIterator* it, int move) {
  return fintop::Shield(it, false, [&] { return ComponentEntry(*it, kKValueHeavyLiquid, move); });
}

FINTOP_API int FI_CDECL CTKL1L2Array(FIIterator* it, FIAttribute* out, int index) {
  return fintop::Shield(it, index == -1 ? 0 : index,
                        [&] { return KValueArray(*it, out, index, kKValueLiq1Liq2); });
}

FINTOP_API bool FI_CDECL CTKL1L2(FIIterator* it, int move) {
  return fintop::Shield(it, false, [&] { return ComponentEntry(*it, kKValueLiq1Liq2, move); });
}

}  // extern "C"
