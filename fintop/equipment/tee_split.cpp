// The split fractions of a tee, one per product stream, counted from the tee's own number of
// product streams rather than from a host table.
#include <string>

#include "framework/walks.h"
#include "framework/workers.h"

namespace {

// Variable of the tee node; its "value" is the number of product streams.
const std::string kNumberOfProductStreams = "Number of Product Streams";

// Attribute recorded on the caller's iterator.
constexpr char kSplitElem[] = "SplitElem";

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Index -1 returns "Number of Product Streams" as an integer, unchecked (0 without the
// variable). Any other index records "SplitElem" and returns the index without reading the
// host. The iterator does not move.
int CTTeeSplit(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::ReadStoredInteger(it, kNumberOfProductStreams);
  fintop::RecordElementName(it, kSplitElem, index);
  return index;
}

}  // namespace fintop::workers
