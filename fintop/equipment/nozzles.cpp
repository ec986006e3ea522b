// Tables the host keeps two levels below a unit operation: the product nozzles of a tee, the
// feed nozzles of a mixer and the points of a valve's performance curve. All three record the
// selection under "Elem" and none of them reads the host or moves the iterator when selecting.
#include <algorithm>
#include <string>

#include "framework/walks.h"
#include "framework/workers.h"

namespace {

// Host paths. The tee's holdup is one word, the mixer's two. The lift table's name carries
// its own double-quote characters: Down receives all 17 characters.
const std::string kEnhancedHoldup = "Enhanced Holdup";
const std::string kProductNozzleDiameter = "Product Nozzle Diameter";
const std::string kEnhancedHoldUp = "Enhanced Hold Up";
const std::string kFeedNozzleDiameter = "Feed Nozzle Diameter";
const std::string kPerformanceCurve = "Performance Curve";
const std::string kLift = "\"Lift (% of max)\"";

// Attribute recorded on the caller's iterator.
constexpr char kElem[] = "Elem";

struct NumberedTable {
  const std::string& holder;  // first level below the unit operation
  const std::string& table;   // the table counted
  int uncounted;              // leading elements that are not counted
};

const NumberedTable kTeeNozzles{kEnhancedHoldup, kProductNozzleDiameter, 0};
const NumberedTable kMixerNozzles{kEnhancedHoldUp, kFeedNozzleDiameter, 0};
// A lift table of n elements has n - 1 curve points.
const NumberedTable kValvePoints{kPerformanceCurve, kLift, 1};

// Index -1 counts the table's elements less the uncounted ones (never below 0; a missing level
// or an empty table counts 0). Any other index records "Elem" and returns the index.
FINTOP_INLINE int NumberTable(FIIterator& it, int index, const NumberedTable& path) {
  if (index == -1) {
    return std::max(fintop::CountElements(it, path.holder, path.table) - path.uncounted, 0);
  }
  fintop::RecordElementName(it, kElem, index);
  return index;
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Product nozzles of a tee: "Enhanced Holdup" then "Product Nozzle Diameter".
int CTTeeNozzle(FIIterator& it, FIAttribute* /*out*/, int index) {
  return NumberTable(it, index, kTeeNozzles);
}

// Feed nozzles of a mixer: "Enhanced Hold Up" then "Feed Nozzle Diameter".
int CTMixerNozzle(FIIterator& it, FIAttribute* /*out*/, int index) {
  return NumberTable(it, index, kMixerNozzles);
}

// Points of a valve's curve: "Performance Curve" then the quoted lift table, counting n - 1
// for n elements.
int CTValveCurve(FIIterator& it, FIAttribute* /*out*/, int index) {
  return NumberTable(it, index, kValvePoints);
}

}  // namespace fintop::workers
