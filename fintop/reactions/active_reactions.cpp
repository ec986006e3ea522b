// All reactions of a reaction set, active ones first, with their host names and ranks.
#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <string>

#include "framework/host_names.h"
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

using fintop::names::kActiveReactionList;

const std::string kNumberOfActiveRxns = "NumberOfActiveRxns";
const std::string kActiveReaction = "ActiveReaction";
const std::string kInactiveReactionList = "InactiveReactionList";
const std::string kNumberOfInactiveRxns = "NumberOfInactiveRxns";
const std::string kInactiveReaction = "InactiveReaction";
const std::string kReactionRanks = "ReactionRanks";
const std::string kReactionRankSet = "ReactionRankSet";
const std::string kReactionRank = "ReactionRank";
constexpr char kRxnId[] = "RxnID";
constexpr char kRxnActive[] = "RxnActive";
constexpr char kRxnRank[] = "RxnRank";

// The number of active reactions found by the latest count call, for the selections that
// follow it. Process-wide: a count of another set between a count and its selections moves
// the split between active and inactive reactions.
std::atomic<int> activeReactionCount{0};

// The stored numbers of active and inactive reactions summed; the active one is kept for the
// selections that follow (0 when there is none).
int CountActiveReactions(FIIterator& it) {
  activeReactionCount.store(0, std::memory_order_relaxed);
  fintop::ClonedIterator clone(it);
  if (!clone) return 0;
  const FIAttribute key("value");
  FIAttribute value;
  int active = 0;
  if (clone->Down(kActiveReactionList)) {
    if (clone->Down(kNumberOfActiveRxns)) {
      clone->GetValue(key, value);
      active = value.ival();
      activeReactionCount.store(active, std::memory_order_relaxed);
      clone->Up();
    }
    clone->Up();
  }
  std::int64_t count = active;
  // The clone is dropped after this read: no need to climb back.
  if (clone->Down(kInactiveReactionList) && clone->Down(kNumberOfInactiveRxns)) {
    value.Clear();
    clone->GetValue(key, value);
    count += value.ival();
  }
  return static_cast<int>(std::clamp<std::int64_t>(count, INT_MIN, INT_MAX));
}

// Binds "RxnID" to the host name of reaction `index` and records "RxnActive". No binding is
// made when the entry is not there or its value holds no text. The name is read on a clone
// and bound once the clone is gone, as the records are: a write while a clone shares the
// caller's attributes would make the host copy them.
FINTOP_INLINE void BindReaction(FIIterator& it, int index, const FIAttribute& key) {
  const int active = activeReactionCount.load(std::memory_order_relaxed);
  const bool is_active = index < active;
  const std::string& list = is_active ? kActiveReactionList : kInactiveReactionList;
  const std::string& entry = is_active ? kActiveReaction : kInactiveReaction;
  const std::int64_t position =
      is_active ? index : static_cast<std::int64_t>(index) - static_cast<std::int64_t>(active);

  FIAttribute name;
  {
    fintop::ClonedIterator clone(it);
    if (clone && clone->Down(list) && clone->Down(entry) && fintop::StepNext(*clone, position)) {
      clone->GetValue(key, name);
    }
  }
  if (name.c_str() != nullptr) it.Alias(kRxnId, name.c_str());
  fintop::RecordInteger(it, kRxnActive, is_active ? 1 : 0);
}

// The real "value" of rank entry `index` into `rank`; false when there is none.
FINTOP_INLINE bool ReadRank(FIIterator& it, int index, const FIAttribute& key, FIAttribute& rank) {
  fintop::ClonedIterator clone(it);
  if (!clone || !clone->Down(kReactionRanks) || !clone->Down(kReactionRankSet)) return false;
  if (!fintop::StepNext(*clone, std::max(index, 0))) return false;
  if (!clone->Down(kReactionRank)) return false;
  clone->GetValue(key, rank);
  return !rank.empty();
}

// Records "RxnRank": 0.0, then the real "value" of rank entry `index` when there is one.
FINTOP_INLINE void RecordRank(FIIterator& it, int index, const FIAttribute& key) {
  it.SetAttribute(kRxnRank, FIAttribute(0.0));
  FIAttribute rank;
  if (ReadRank(it, index, key, rank)) it.SetAttribute(kRxnRank, FIAttribute(rank.rval()));
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Index -1: "NumberOfActiveRxns" plus "NumberOfInactiveRxns" (each 0 when missing), and stores
// the active number for the selections that follow. Any other index (call -1 on the same set
// first): indices below the stored active count select that active entry, the others the
// inactive entry at index minus that count. Binds "RxnID" to the entry's "value" (no binding
// when the entry or its text is missing), records "RxnActive" 1 or 0 and "RxnRank", the real
// rank of rank entry `index` or 0.0 without one. The iterator does not move. Returns the index.
int CTActiveReactions(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return CountActiveReactions(it);
  const FIAttribute key("value");  // made once for both reads
  BindReaction(it, index, key);
  RecordRank(it, index, key);
  return index;
}

}  // namespace fintop::workers
