// The flow specifications of a Gibbs reactor, one per component.
#include <string>

#include "framework/walks.h"
#include "framework/workers.h"
#include "reactions/reaction_walks.h"

namespace {

const std::string kFracSpec = "Frac Spec";
constexpr char kGibbsFlowSpecElemNum[] = "GibbsFlowSpecElemNum";
constexpr char kGibbsFlowSpecComponentName[] = "GibbsFlowSpecComponentName";

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Index -1: the number of elements of "Frac Spec". Any other index: records
// "GibbsFlowSpecElemNum" = "Elem"+index and, when "Vessel Mole Frac" has that element, its
// "id" as "GibbsFlowSpecComponentName" (the index is not compared with the count). The
// iterator does not move. Returns the index.
int CTGibbsFlowSpec(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kFracSpec);
  fintop::reactions::SelectComponent(it, index, kGibbsFlowSpecElemNum, kGibbsFlowSpecComponentName);
  return index;
}

}  // namespace fintop::workers
