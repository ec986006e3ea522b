// Pipe segments, the cells of the selected segment, and the profile points of a pipe segment
// operation. The host keeps its per-cell results as one flat list over the whole pipe; the
// segment selection records where its cells start in that list so that the cell selection
// can name them.
#include <string>

#include "framework/host_names.h"
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

using fintop::names::kProfileElemNum;

// Host variables of the pipe node.
const std::string kPipeLength = "Pipe Length";           // one element per segment
const std::string kNoOfIncrements = "No of Increments";  // cells per segment, same order
const std::string kProfileLength = "Profile Length";     // one element per profile point

// Attributes recorded on the caller's iterator.
constexpr char kSegElemNum[] = "SegElemNum";
constexpr char kSegStartCell[] = "SegStartCell";
constexpr char kSegNumCell[] = "SegNumCell";
constexpr char kCellElemNum[] = "CellElemNum";

struct CellRange {
  int start = 0;  // cells in all segments before the selected one
  int count = 0;  // cells of the selected segment
};

// Walks "No of Increments" on a clone up to `segment`. When the list ends first, the range is
// the last segment's. One value attribute serves the whole walk, so an element without a
// value repeats the previous element's number. A missing or empty list gives 0 and 0.
FINTOP_INLINE CellRange CellsOfSegment(FIIterator& it, int segment) {
  CellRange range;
  fintop::ClonedIterator clone(it);
  if (!clone || !clone->Down(kNoOfIncrements) || !clone->First()) return range;
  const FIAttribute key("value");
  FIAttribute cells;
  clone->GetValue(key, cells);
  range.count = cells.ival();
  for (int position = 0; position != segment; ++position) {
    if (!clone->Next()) break;
    range.start = fintop::WrapToInt(static_cast<long long>(range.start) + range.count);
    clone->GetValue(key, cells);
    range.count = cells.ival();
  }
  return range;
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Index -1 counts the elements of "Pipe Length". Any other index records "SegElemNum",
// "SegStartCell" and "SegNumCell" (in that order) for the segment and returns the index; the
// iterator does not move. Must precede CTPipeCell for the segment's cells.
int CTPipeSegment(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kPipeLength);
  fintop::RecordElementName(it, kSegElemNum, index);
  const CellRange range = CellsOfSegment(it, index);
  fintop::RecordInteger(it, kSegStartCell, range.start);
  fintop::RecordInteger(it, kSegNumCell, range.count);
  return index;
}

// Reads what CTPipeSegment recorded. Index -1 returns "SegNumCell" (0 before any segment
// selection). Any other index records "CellElemNum", the cell's name in the flat list
// ("SegStartCell" plus the index), and returns the index; without "SegStartCell" the name is
// the bare "Elem". The iterator does not move.
int CTPipeCell(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) {
    FIAttribute cells;
    return it.GetAttribute(kSegNumCell, cells) ? cells.ival() : 0;
  }
  FIAttribute start;
  if (it.GetAttribute(kSegStartCell, start)) {
    fintop::RecordElementName(it, kCellElemNum, index + static_cast<long long>(start.ival()));
  } else {
    it.SetAttribute(kCellElemNum, FIAttribute("Elem"));
  }
  return index;
}

// Index -1 counts the elements of "Profile Length". Any other index records
// "ProfileElemNum" and returns the index; the iterator does not move.
int CTPipeProfile(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kProfileLength);
  fintop::RecordElementName(it, kProfileElemNum, index);
  return index;
}

}  // namespace fintop::workers
