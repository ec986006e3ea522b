// The bubble-point, dew-point and hydrate curves of a phase envelope. Each curve's count is
// the number of points the host stores for it, not the length of a list. Dew points are also
// numbered in a combined list where they follow the bubble points.
#include <atomic>
#include <string>

#include "framework/host_names.h"
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

using fintop::names::kPointNo;

// Host variables of the envelope node; each "value" is a curve's number of points.
const std::string kDewPoints = "Number of Points, Dew Point Curve";
const std::string kBubblePoints = "Number of Points, Bubble Point Curve";
const std::string kHydratePoints = "Number of Points, Hydrate Curve";

// Attributes recorded on the caller's iterator, in this order.
constexpr char kCurveElement[] = "CurveElement";
constexpr char kDewCurveElement[] = "DewCurveElement";

// The bubble count of the envelope whose dew curve was counted last. Written only by the dew
// counting call and read by dew selections, which are right only while no dew count for
// another envelope comes in between. Atomic so that concurrent callers are no data race.
std::atomic<int> bubblePointCount{0};

// Dew counting: returns the dew count and keeps the bubble count for the selections. A
// missing dew variable counts 0 and leaves the bubble count at 0.
int CountDewPoints(FIIterator& it) {
  bubblePointCount.store(0, std::memory_order_relaxed);
  fintop::ClonedIterator clone(it);
  if (!clone || !clone->Down(kDewPoints)) return 0;
  const FIAttribute key("value");  // one key for both reads
  FIAttribute value;
  clone->GetValue(key, value);
  const int dew = value.ival();
  clone->Up();
  if (clone->Down(kBubblePoints)) {
    fintop::ReadProperty(*clone, key, value);
    bubblePointCount.store(value.ival(), std::memory_order_relaxed);
  }
  return dew;
}

// The selection shared by the three curves: "CurveElement" and "PointNo".
FINTOP_INLINE void RecordPoint(FIIterator& it, int index) {
  fintop::RecordElementName(it, kCurveElement, index);
  fintop::RecordInteger(it, kPointNo, index);
}

// A curve counted by its stored number of points (0 without `variable`) and selected by
// RecordPoint alone.
FINTOP_INLINE int StoredCurve(FIIterator& it, int index, const std::string& variable) {
  if (index == -1) return fintop::ReadStoredInteger(it, variable);
  RecordPoint(it, index);
  return index;
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Index -1 returns the stored dew count and remembers the same envelope's bubble count (0
// without one). Any other index records "CurveElement", "PointNo" and "DewCurveElement", the
// point's name after the remembered bubble points, and returns the index. Count before
// selecting: a selection uses the bubble count of the last dew counting call, 0 before any.
int CTDewPointCurve(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return CountDewPoints(it);
  RecordPoint(it, index);
  fintop::RecordElementName(
      it, kDewCurveElement,
      index + static_cast<long long>(bubblePointCount.load(std::memory_order_relaxed)));
  return index;
}

// Index -1 returns the stored bubble count (0 without the variable). Any other index records
// "CurveElement" and "PointNo" and returns the index. The iterator does not move.
int CTBubblePointCurve(FIIterator& it, FIAttribute* /*out*/, int index) {
  return StoredCurve(it, index, kBubblePoints);
}

// As CTBubblePointCurve, for the hydrate curve.
int CTHydratePointCurve(FIIterator& it, FIAttribute* /*out*/, int index) {
  return StoredCurve(it, index, kHydratePoints);
}

}  // namespace fintop::workers
