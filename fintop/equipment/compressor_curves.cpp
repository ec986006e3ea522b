// A compressor's performance curves and the points of a curve. The curve selection moves the
// caller's iterator onto the curve, from where the framework walks its points.
#include <string>

#include "framework/host_names.h"
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

using fintop::names::kPointNo;

// Host collections; the second word of the compressor's is lower-case.
const std::string kCompressorCurve = "Compressor curve";  // of a compressor: its curves
const std::string kHead = "Head";                         // of a curve: one per point
const std::string kSpeed = "Speed";                       // of a curve: one per point

// Attributes recorded on the caller's iterator.
constexpr char kPointElem[] = "PointElem";

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Index -1 counts the compressor's curves (0 without "Compressor curve"). Any other index
// moves the caller's iterator down into "Compressor curve" and onto the element, records
// nothing and returns the index. Nothing is undone on failure: a failing Element leaves the
// iterator on "Compressor curve", a failing Down leaves it where it was.
int CTComprPerfCurve(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kCompressorCurve);
  if (it.Down(kCompressorCurve)) it.Element(index);
  return index;
}

// On a curve selected by CTComprPerfCurve. Index -1 counts the curve's "Head" elements. Any
// other index records "PointElem" and then "PointNo" (the one-based point number, an
// integer) and returns the index; the iterator does not move.
int CTPerfCurvePoint(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kHead);
  FIAttribute value = fintop::ElementName(index);
  it.SetAttribute(kPointElem, value);
  value = fintop::WrapToInt(index + 1LL);
  it.SetAttribute(kPointNo, value);
  return index;
}

// Index -1 counts the "Speed" elements, independently of "Head". Any other index records
// "PointElem" only and returns the index; the iterator does not move.
int CTSpeedFlowCurve(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kSpeed);
  fintop::RecordElementName(it, kPointElem, index);
  return index;
}

}  // namespace fintop::workers
