// Per-component K-values of a node for four liquid bases. They share the "CmpCnt" selection
// with the component array, so a component selected through any of them is entered by all.
#include <string>

#include "composition/component_entry.h"
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

// K-value variables of a node, one element per component.
const std::string kKValueMixedLiquid = "Comp K Value - Mixed Liquid";
const std::string kKValueLightLiquid = "Comp K Value - Light Liquid";
const std::string kKValueHeavyLiquid = "Comp K Value - Heavy Liquid";
const std::string kKValueLiq1Liq2 = "Comp K Value - Liq1 / Liq2";

}  // namespace

using fintop::composition::kCmpCnt;

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Collection callbacks: index -1 counts the variable's components without moving the
// iterator; any other index records "CmpCnt" and returns the index.
// Element callbacks: enter the element "CmpCnt" names (recorded by any K-value array or the
// component array); move 0 only tests. A failed move leaves the iterator where it stood.

int CTKVMLArray(FIIterator& it, FIAttribute* /*out*/, int index) {
  return fintop::SelectInteger(it, index, kKValueMixedLiquid, kCmpCnt);
}

bool CTKVML(FIIterator& it, int move) {
  return fintop::EnterElement(it, move, kKValueMixedLiquid, kCmpCnt);
}

int CTKVLArray(FIIterator& it, FIAttribute* /*out*/, int index) {
  return fintop::SelectInteger(it, index, kKValueLightLiquid, kCmpCnt);
}

bool CTKVL(FIIterator& it, int move) {
  return fintop::EnterElement(it, move, kKValueLightLiquid, kCmpCnt);
}

int CTKVL2Array(FIIterator& it, FIAttribute* /*out*/, int index) {
  return fintop::SelectInteger(it, index, kKValueHeavyLiquid, kCmpCnt);
}

bool CTKVL2(FIIterator& it, int move) {
  return fintop::EnterElement(it, move, kKValueHeavyLiquid, kCmpCnt);
}

int CTKL1L2Array(FIIterator& it, FIAttribute* /*out*/, int index) {
  return fintop::SelectInteger(it, index, kKValueLiq1Liq2, kCmpCnt);
}

bool CTKL1L2(FIIterator& it, int move) {
  return fintop::EnterElement(it, move, kKValueLiq1Liq2, kCmpCnt);
}

}  // namespace fintop::workers
