// Inside a column: the feeds of all its tray sections as one numbered collection, and the
// trays of one tray section.
#include "framework/host_names.h"
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

using fintop::names::kElement;

// Host names.
constexpr char kTraySectionType[] = "TraySectionObject";
const std::string kTraysectionFeeds = "Traysection Feeds";
const std::string kNumberOfStages = "Number of Stages";

// Attributes recorded by the selections.
constexpr char kFeedElemNum[] = "FeedElemNum";
constexpr char kSection[] = "Section";
constexpr char kFeedName[] = "FeedName";
constexpr char kElemno[] = "Elemno";

// A feed as the walk finds it.
struct Feed {
  int global = -1;  // position among the feeds with text of all tray sections
  int local = -1;   // position among the feeds with text of its own tray section
  FIAttribute section;
  FIAttribute name;
};

// Walks the feeds with text of every tray section among the children of the node `it` stands
// on, in collection order, and calls `visit(feed)` for each; a true result stops the walk.
// The section's "id" is read only when `kWithSection` (the count needs none). `feed` is the
// walk's own record, left as the stopping visit saw it. Moves `it`, which must be a clone.
// Returns whether a visit stopped it.
template <bool kWithSection, class Visit>
bool WalkFeeds(FIIterator& it, Feed& feed, Visit&& visit) {
  if (!it.First()) return false;
  const FIAttribute id_key(kWithSection ? "id" : nullptr);  // no text made for the count
  const FIAttribute value_key("value");
  do {
    if (!fintop::IsOfType(it, kTraySectionType)) continue;
    if constexpr (kWithSection) {
      feed.section.Clear();  // read afresh: a section without "id" records the empty value
      it.GetValue(id_key, feed.section);
    }
    feed.local = -1;
    if (!it.Down(kTraysectionFeeds)) continue;
    if (it.First()) {
      do {
        feed.name.Clear();
        it.GetValue(value_key, feed.name);
        if (feed.name.c_str() == nullptr) continue;
        ++feed.local;
        ++feed.global;
        if (visit(feed)) return true;
      } while (it.Next());
      it.Up();
    }
    it.Up();
  } while (it.Next());
  return false;
}

// The feeds with text of all tray sections, counted on a clone.
int CountFeeds(FIIterator& it) {
  fintop::ClonedIterator clone(it);
  int count = 0;
  if (clone) {
    Feed feed;
    WalkFeeds<false>(*clone, feed, [&](const Feed&) {
      ++count;
      return false;
    });
  }
  return count;
}

// The feed at global position `index`, found on a clone that is gone when this returns (so
// that recording on the caller's iterator afterwards does not copy attributes it shares with
// the clone). False when no feed reaches the index.
bool FindFeed(FIIterator& it, int index, Feed& selected) {
  fintop::ClonedIterator clone(it);
  return clone &&
         WalkFeeds<true>(*clone, selected, [&](const Feed& feed) { return feed.global == index; });
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// The column's feeds: the elements with text of "Traysection Feeds" of every tray section
// (children of type "TraySectionObject") of the node under the iterator, numbered across all
// sections. Index -1 counts them. Index i records "FeedElemNum" = Elem<position within its
// own section>, "Section" = the section's "id" and "FeedName" = the feed's stream name, and
// returns i. The walk runs on a clone, so the caller's iterator never moves; an index that no
// feed reaches returns 0 and records nothing.
int CTColumnFeeds(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return CountFeeds(it);
  Feed selected;
  if (!FindFeed(it, index, selected)) return 0;
  fintop::RecordElementName(it, kFeedElemNum, selected.local);
  it.SetAttribute(kSection, selected.section);
  it.SetAttribute(kFeedName, selected.name);
  return index;
}

// The trays of the tray section under the iterator. Index -1 returns the integer value of
// "Number of Stages" (0 when missing); any other index records "Element" = Elem<index> and
// "Elemno" = index without reading the host, and returns index. "Element" is what
// CTColumnLiquidFrom reads. The caller's iterator never moves.
int CTSectionTray(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::ReadStoredInteger(it, kNumberOfStages);
  fintop::RecordElementName(it, kElement, index);
  fintop::RecordInteger(it, kElemno, index);
  return index;
}

}  // namespace fintop::workers
