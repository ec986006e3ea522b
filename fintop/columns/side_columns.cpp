// Side strippers and side rectifiers: tray sections that take a draw from the main column and
// send a return back to it, with possibly a reboiler and a bottoms product. The iterator stands
// on the side column; its streams and reboiler are its siblings, named by its variables.
#include "framework/host_names.h"
#include "framework/named_stream.h"
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

using fintop::names::kDraw;

// Variable of the side column telling its kind, and the two kinds recognised.
const std::string kTypeOfTraySection = "Type of Tray Section";
constexpr char kSideStripper[] = "Side Stripper";
constexpr char kSideRectifier[] = "Side Rectifier";
// Variables of the side column naming a connected stream.
const std::string kTopLiquidFeed = "top liquid feed";
const std::string kBottomVapourFeed = "bottom vapour feed";
const std::string kOverheadVapourProduct = "overhead vapour product";
const std::string kBottomLiquidProduct = "bottom liquid product";
// From a stream to its first downstream unit operation, whose "value" names that operation.
const std::string kFirstDownstreamUnitOperation = "\"Downstream Unit Operations\".\"Elem0\"";
constexpr char kReboilerType[] = "BPReboilerObject";
constexpr char kTypeKey[] = "type";
// Attributes carrying a stream name from the test call to the moving call.
constexpr char kReturn[] = "Return";

// Which variable names the stream for each kind, and where its name is kept.
struct SideColumnStreamNames {
  const std::string& stripper_variable;
  const char* attribute;
  const std::string& rectifier_variable;
};

const SideColumnStreamNames kDrawNames{kTopLiquidFeed, kDraw, kBottomVapourFeed};
const SideColumnStreamNames kReturnNames{kOverheadVapourProduct, kReturn, kBottomLiquidProduct};

// Test call: on a clone, reads the kind and the stream name from the variable the kind chooses,
// and records that name, exactly as read, under the callback's attribute on the caller's
// iterator. An unknown kind, a missing or empty variable, or a value without text records
// nothing and gives false. The caller's iterator never moves.
FINTOP_INLINE bool RecordSideColumnStream(FIIterator& caller, const SideColumnStreamNames& names) {
  fintop::ClonedIterator clone(caller);
  if (!clone || !clone->Down(kTypeOfTraySection)) return false;
  const FIAttribute kind = fintop::ReadValue(*clone);
  const std::string* variable = nullptr;
  if (fintop::SameText(kind.c_str(), kSideStripper)) {
    variable = &names.stripper_variable;
  } else if (fintop::SameText(kind.c_str(), kSideRectifier)) {
    variable = &names.rectifier_variable;
  } else {
    return false;
  }
  if (!clone->Up() || !clone->Down(*variable)) return false;
  const FIAttribute stream = fintop::ReadValue(*clone);
  if (stream.empty() || stream.c_str() == nullptr) return false;
  caller.SetAttribute(names.attribute, stream);
  return true;
}

// Moving call: up to the side column's parent and down to the stream named by the attribute
// that a test call recorded. Without that attribute, or when it holds no text, nothing moves;
// when the stream is not found the iterator stays on the side column's parent.
FINTOP_INLINE bool EnterSideColumnStream(FIIterator& caller, const SideColumnStreamNames& names) {
  FIAttribute stream;
  if (!caller.GetAttribute(names.attribute, stream) || stream.c_str() == nullptr) return false;
  return caller.Up() && fintop::DownByName(caller, stream.c_str());
}

FINTOP_INLINE bool SideColumnStream(FIIterator& it, int move, const SideColumnStreamNames& names) {
  return move == 0 ? RecordSideColumnStream(it, names) : EnterSideColumnStream(it, names);
}

// From the side column, over its bottoms stream, to the bottoms stream's first downstream unit
// operation; true when that operation is a reboiler. A failure undoes nothing.
bool FindSideColumnReboiler(FIIterator& work) {
  if (!fintop::HopToNamedStream(work, kBottomLiquidProduct, fintop::StreamNameTest::kEmptyValue)) {
    return false;
  }
  if (!work.Down(kFirstDownstreamUnitOperation)) return false;
  const FIAttribute unit = fintop::ReadValue(work);
  if (unit.empty()) return false;
  // From the element, over the collection and the stream, to the stream's parent.
  if (!work.Up() || !work.Up() || !work.Up()) return false;
  if (!fintop::DownByName(work, unit.c_str())) return false;
  const FIAttribute type = fintop::ReadProperty(work, kTypeKey);
  return fintop::SameText(type.c_str(), kReboilerType);
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Move 0: records "Draw" = the name of the stream the side column draws from the main column
// ("top liquid feed" of a side stripper, "bottom vapour feed" of a side rectifier) and returns
// true; the caller's iterator does not move. Move non-zero: needs that test call first; moves
// to the stream named by "Draw" (the later of this and a column side-draw selection wins).
bool CTSideColumnDraw(FIIterator& it, int move) {
  return SideColumnStream(it, move, kDrawNames);
}

// As CTSideColumnDraw for the stream sent back to the main column, under "Return"
// ("overhead vapour product" of a side stripper, "bottom liquid product" of a side rectifier).
bool CTSideColumnReturn(FIIterator& it, int move) {
  return SideColumnStream(it, move, kReturnNames);
}

// True when the first downstream unit operation of the side column's bottoms stream is a
// reboiler; a reboiler further down the list is not looked for. Moving, success leaves the
// iterator on the reboiler and a failure leaves it where the failing step did; with move 0 the
// caller's iterator never moves. Records nothing.
bool CTSideColumnReboiler(FIIterator& it, int move) {
  fintop::WorkingIterator work(it, move);
  return work && FindSideColumnReboiler(*work);
}

// The named-stream hop to the side column's "bottom liquid product"; an empty variable names
// no stream. Records nothing; a failed moving call undoes nothing.
bool CTSideColumnBottoms(FIIterator& it, int move) {
  return fintop::NamedStream(it, move, kBottomLiquidProduct, fintop::StreamNameTest::kEmptyValue);
}

}  // namespace fintop::workers
