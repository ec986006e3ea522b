// A pump's curves: its pump curves plus the coefficient curve, the same pump curves again as
// efficiency curves, its NPSH curves, and the two points of an NPSH curve. The curve
// selections move the caller's iterator onto the curve, from where the framework walks on.
#include <atomic>
#include <string>

#include "framework/host_names.h"
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

using fintop::names::kPointNo;

// Host names.
const std::string kPumpCurve = "Pump Curve";    // of a pump: one element per pump curve
const std::string kObjectName = "Object Name";  // of a pump curve: its "value" is the name
const std::string kNpshCurve = "NPSH Curve";    // of a pump: one element per NPSH curve

// Attributes recorded on the caller's iterator.
constexpr char kName[] = "Name";
constexpr char kCoefficientCurve[] = "CoefficientCurve";

// Generic names bound by an NPSH curve point.
constexpr char kNpsh[] = "NPSH";
constexpr char kFlow[] = "Flow";

// The host variables of an NPSH curve point, bound in this order.
struct NpshPoint {
  int number;
  const char* npsh;
  const char* flow;
};
constexpr NpshPoint kNpshPoints[] = {
    {1, "Point 1 NPSH", "Point 1 Vol Flow"},
    {2, "Point 2 NPSH", "Point 2 Vol Flow"},
};

// The pump curves plus one of the pump whose curves were counted last; its last index is the
// coefficient curve. Written only by the counting call of CTPumpCurve and read by its
// selections, which are right only while no count for another pump comes in between. Atomic
// so that concurrent callers are no data race.
std::atomic<int> pumpCurveCount{0};

// The curve selections: Down `collection` on the caller's iterator, then onto the element.
// Nothing is undone: a failing Element leaves the iterator on the collection.
FINTOP_INLINE void EnterCurve(FIIterator& it, const std::string& collection, int index) {
  if (it.Down(collection)) it.Element(index);
}

// The collections walked as they are: counted, and entered on selection.
FINTOP_INLINE int WalkCurves(FIIterator& it, int index, const std::string& collection) {
  if (index == -1) return fintop::CountElements(it, collection);
  EnterCurve(it, collection, index);
  return index;
}

// Moves onto pump curve `index` and records its "Object Name" value under "Name", as read.
// A failing Down or Element stops where it failed; a curve without "Object Name" is entered
// but gets no "Name".
FINTOP_INLINE void SelectPumpCurve(FIIterator& it, int index) {
  if (!it.Down(kPumpCurve) || !it.Element(index) || !it.Down(kObjectName)) return;
  const FIAttribute name = fintop::ReadValue(it);
  it.Up();
  it.SetAttribute(kName, name);
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Index -1 returns the number of "Pump Curve" elements plus 1 (the coefficient curve) and
// remembers it for the selections. The last index records "Name" = "CoefficientCurve" without
// moving or reading the host; any other index is SelectPumpCurve, leaving the iterator on the
// curve. Count before selecting: before any count no index is the coefficient curve, and a
// count for another pump in between shifts it.
int CTPumpCurve(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) {
    const int count = fintop::CountElements(it, kPumpCurve) + 1;
    pumpCurveCount.store(count, std::memory_order_relaxed);
    return count;
  }
  if (index == pumpCurveCount.load(std::memory_order_relaxed) - 1) {
    it.SetAttribute(kName, FIAttribute(kCoefficientCurve));
  } else {
    SelectPumpCurve(it, index);
  }
  return index;
}

// Index -1 counts the "Pump Curve" elements, without the coefficient curve. Any other index
// moves the caller's iterator onto that pump curve (EnterCurve) and returns the index.
int CTEfficiencyCurve(FIIterator& it, FIAttribute* /*out*/, int index) {
  return WalkCurves(it, index, kPumpCurve);
}

// Index -1 counts the "NPSH Curve" elements. Any other index moves the caller's iterator onto
// that NPSH curve (EnterCurve) and returns the index.
int CTNPSHCurve(FIIterator& it, FIAttribute* /*out*/, int index) {
  return WalkCurves(it, index, kNpshCurve);
}

// On an NPSH curve selected by CTNPSHCurve. Index -1 returns 2 without reading the host.
// Index 0 binds "NPSH" and "Flow" to the point-1 variables and records "PointNo" = 1; any
// other index binds the point-2 variables and records "PointNo" = 2. Returns the index; the
// iterator does not move.
int CTNPSHCurvePoint(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return 2;
  const NpshPoint& point = kNpshPoints[index == 0 ? 0 : 1];
  it.Alias(kNpsh, point.npsh);
  it.Alias(kFlow, point.flow);
  fintop::RecordInteger(it, kPointNo, point.number);
  return index;
}

}  // namespace fintop::workers
