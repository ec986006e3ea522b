// A column's side draws: liquid, vapour and water draws as one numbered collection, the move
// to a draw's stream, and the move from a tray section to its selected tray's liquid draw.
#include <optional>
#include <string>

#include "framework/host_names.h"
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

using fintop::names::kDraw;
using fintop::names::kElement;

// Draw variables, one per kind; each element's "value" names a draw stream.
const std::string kLiquidDraw = "Liquid Draw";
const std::string kVapourDraw = "Vapour Draw";
const std::string kWaterDraw = "Water Draw";
// Draw lists, one per kind, searched in this order for the list that holds a stream.
const std::string kLiquidDraws = "Liquid Draws";
const std::string kVapourDraws = "Vapour Draws";
const std::string kWaterDraws = "Water Draws";
// Inside each draw-list element: the streams it holds.
const std::string kVapAndLiqDraws = "Vap and Liq draws";
// A tray section's liquid draws, one element per tray.
const std::string kLiquidDrawsOfTrays = "Liquid Draws#1";

// Attributes recorded by CTColumnSideDraws ("Draw" is shared with the side columns) and
// "Element", recorded by CTSectionTray.
constexpr char kDrawElemNum[] = "DrawElemNum";
constexpr char kStreamId[] = "StreamId";
constexpr char kDrawsElemNum[] = "DrawsElemNum";
constexpr char kDraws[] = "Draws";

// The number of draws of one kind: the elements of `variable` whose "value" has text. Moves
// `it` and brings it back.
FINTOP_INLINE int SideDrawCount(FIIterator& it, const std::string& variable) {
  if (!it.Down(variable)) return 0;
  int count = 0;
  if (it.First()) {
    do {
      if (fintop::ReadValue(it).c_str() != nullptr) ++count;
    } while (it.Next());
    it.Up();
  }
  it.Up();
  return count;
}

// The stream name of the draw at `position` among all elements of `variable` (with text or
// not; stops at the last element), whole whatever its length; none when the variable is
// missing or empty, or the element has no text. Moves `it` and brings it back.
std::optional<std::string> SideDrawStream(FIIterator& it, const std::string& variable,
                                          int position) {
  if (!it.Down(variable)) return std::nullopt;
  if (!it.First()) {
    it.Up();
    return std::nullopt;
  }
  // A position beyond the last element reads the last one (see above).
  (void)fintop::StepNext(it, position);
  FIAttribute value = fintop::ReadValue(it);
  it.Up();
  it.Up();
  if (value.c_str() == nullptr) return std::nullopt;
  return std::string(value.c_str());
}

// The position of the first element of draw list `list` whose "Vap and Liq draws" holds
// `stream` (exact, whole text), or -1. Elements without that collection still count as
// positions. Walks on a clone of its own.
int DrawListPosition(FIIterator& it, const std::string& stream, const std::string& list) {
  fintop::ClonedIterator clone(it);
  if (!clone || !clone->Down(list) || !clone->First()) return -1;
  int position = -1;
  do {
    ++position;
    if (!clone->Down(kVapAndLiqDraws)) continue;
    if (clone->First()) {
      do {
        if (fintop::SameText(fintop::ReadValue(*clone).c_str(), stream.c_str())) return position;
      } while (clone->Next());
      clone->Up();
    }
    clone->Up();
  } while (clone->Next());
  return -1;
}

// What a side-draw selection records.
struct SideDraw {
  const std::string* kind = nullptr;
  int position = 0;
  std::string stream;
  const std::string* list = nullptr;  // only for a named stream
  int list_position = -1;
};

// Finds draw `index` of the whole collection (liquid, then vapour, then water) on a clone of
// `it`, which is gone when this returns. False when no clone could be made.
bool FindSideDraw(FIIterator& it, int index, SideDraw& draw) {
  fintop::ClonedIterator clone(it);
  if (!clone) return false;
  draw.kind = &kLiquidDraw;
  draw.position = index;
  const int liquid = SideDrawCount(*clone, kLiquidDraw);
  if (index >= liquid) {
    const int vapour = SideDrawCount(*clone, kVapourDraw);
    if (index < liquid + vapour) {
      draw.kind = &kVapourDraw;
      draw.position = index - liquid;
    } else {
      draw.kind = &kWaterDraw;
      draw.position = index - liquid - vapour;
    }
  }
  draw.stream = SideDrawStream(*clone, *draw.kind, draw.position).value_or(std::string());
  if (draw.stream.empty()) return true;
  // The list searched last is recorded, so a stream in no list gives "Water Draws" and -1.
  for (const std::string* candidate : {&kLiquidDraws, &kVapourDraws, &kWaterDraws}) {
    draw.list = candidate;
    draw.list_position = DrawListPosition(*clone, draw.stream, *candidate);
    if (draw.list_position != -1) break;
  }
  return true;
}

// Selects draw `index` and records its attributes on `it` once the lookups' clone is gone,
// so that the host need not copy the attributes the two would share.
void SelectSideDraw(FIIterator& it, int index) {
  SideDraw draw;
  if (!FindSideDraw(it, index, draw)) return;
  fintop::RecordElementName(it, kDrawElemNum, draw.position);
  it.SetAttribute(kDraw, FIAttribute(draw.kind->c_str()));
  it.SetAttribute(kStreamId, FIAttribute(draw.stream.c_str()));
  if (draw.list == nullptr) return;
  fintop::RecordElementName(it, kDrawsElemNum, draw.list_position);
  it.SetAttribute(kDraws, FIAttribute(draw.list->c_str()));
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// The column's side draws: index -1 counts the liquid, vapour and water draws with a stream
// name. Index i records "DrawElemNum" (position within its kind), "Draw" (the kind),
// "StreamId" (the stream name, empty text when none) and, for a named stream, "DrawsElemNum"
// and "Draws" (the first draw list holding it), and returns i. Never moves the iterator.
int CTColumnSideDraws(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index != -1) {
    SelectSideDraw(it, index);
    return index;
  }
  fintop::ClonedIterator clone(it);
  if (!clone) return 0;
  return SideDrawCount(*clone, kLiquidDraw) + SideDrawCount(*clone, kVapourDraw) +
         SideDrawCount(*clone, kWaterDraw);
}

// The selected draw's stream, a sibling of the node under the iterator named by "StreamId"
// (a name holding dots is one level). Call after a CTColumnSideDraws selection; without a
// "StreamId" text it fails. Move 0 tests on a clone; a failed move undoes nothing (the caller's
// iterator stays on the parent when only the stream is missing).
bool CTSideDrawFluid(FIIterator& it, int move) {
  fintop::WorkingIterator work(it, move);
  if (!work) return false;
  FIAttribute stream;
  if (!work->GetAttribute(kStreamId, stream) || stream.c_str() == nullptr) return false;
  return work->Up() && fintop::DownByName(*work, stream.c_str());
}

// From a tray section to the element of its "Liquid Draws#1" named by "Element", the tray that
// CTSectionTray selected last. Without "Element" it fails at once. Move 0 tests on a clone; a
// failed move undoes nothing (the caller's iterator stays on "Liquid Draws#1" when only the
// tray's element is missing).
bool CTColumnLiquidFrom(FIIterator& it, int move) {
  FIAttribute element;
  if (!it.GetAttribute(kElement, element) || element.c_str() == nullptr) return false;
  fintop::WorkingIterator work(it, move);
  return work && work->Down(kLiquidDrawsOfTrays) && work->Down(element.c_str());
}

}  // namespace fintop::workers
