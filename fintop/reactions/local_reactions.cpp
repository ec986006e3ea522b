// A reactor's per-reaction and per-component arrays, and the host name of a local reaction.
#include <charconv>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>

#include "framework/host_names.h"
#include "framework/walks.h"
#include "framework/workers.h"
#include "reactions/reaction_walks.h"

namespace {

using fintop::names::kActiveReactionList;
using fintop::names::kReaction;

const std::string kEstMolarExtent = "\"Est. Molar Extent\"";
const std::string kTotalInflow = "Total Inflow";
const std::string kTemperatureApproach = "Temperature Approach";
const std::string kReactionSet = "Reaction Set";
const std::string kNumberOfReactionSets =
    "Basis.ReactionPackage.ReactionSetList.NumberOfReactionSets";
const std::string kReactionSetName = "ReactionSetName";
constexpr char kReactionSetPrefix[] = "ReactionSet#";
constexpr char kActiveReactionPrefix[] = "ActiveReaction#";
constexpr char kRxnElemNum[] = "RxnElemNum";
constexpr char kRxnIndex[] = "RxnIndex";
constexpr char kRxnName[] = "RxnName";
constexpr char kBalanceElemNum[] = "BalanceElemNum";
constexpr char kCompName[] = "CompName";
constexpr char kConvRxnElemNum[] = "ConvRxnElemNum";
constexpr char kEquilRxnElemNum[] = "EquilRxnElemNum";
constexpr char kEquilRxnNum[] = "EquilRxnNum";

// A numbered node name: the prefix and the number in decimal digits, for every int.
template <std::size_t Size>
std::string Numbered(const char (&prefix)[Size], int number) {
  char buffer[Size - 1 + 11];  // the prefix and the 11 characters of INT_MIN
  std::memcpy(buffer, prefix, Size - 1);
  const char* end = std::to_chars(buffer + Size - 1, buffer + sizeof buffer, number).ptr;
  return std::string(buffer, static_cast<std::size_t>(end - buffer));
}

// The number k of a child named "ReactionSet#" + k (k in decimal digits as Numbered writes
// them), or nothing for a child of any other name.
std::optional<int> SetNumber(FIIterator& child) {
  // "ReactionSet#" and at most 11 characters of an int; anything longer is no set.
  char buffer[32] = {};
  child.GetName(buffer, sizeof buffer);
  const std::string_view name(buffer);
  const std::string_view prefix(kReactionSetPrefix);
  if (name.size() >= sizeof buffer - 1 || name.substr(0, prefix.size()) != prefix) {
    return std::nullopt;
  }
  const std::string_view digits = name.substr(prefix.size());
  int number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() ||
      std::to_string(number) != digits) {
    return std::nullopt;
  }
  return number;
}

// True when the reaction set `set` stands on is named exactly `wanted`.
bool SetIsNamed(FIIterator& set, const char* wanted) {
  fintop::ClonedIterator name(set);
  return name && name->Down(kReactionSetName) &&
         fintop::SameText(fintop::ReadValue(*name).c_str(), wanted);
}

// On `sets`, standing on "ReactionSetList", the lowest k in 0 .. count-1 (count >= 1) with a
// child "ReactionSet#" + k (the first child of that name) whose "ReactionSetName" is exactly
// `wanted`, found by trying each k in turn: Down to the set, Down to its name, read it, Up.
// Moves onto that set, or stays on "ReactionSetList" when none is found. Costs a Down per k,
// so it is used only when the list has at least `count` children.
bool TryEachNumber(FIIterator& sets, int count, const FIAttribute& key, const char* wanted) {
  // One value for every set: a set whose name has no "value" leaves in it the name of a set
  // already found different (or nothing), which cannot match either.
  FIAttribute name;
  for (int k = 0; k < count; ++k) {
    if (!sets.Down(Numbered(kReactionSetPrefix, k))) continue;
    if (sets.Down(kReactionSetName)) {
      sets.GetValue(key, name);
      const bool found = fintop::SameText(name.c_str(), wanted);
      sets.Up();
      if (found) return true;
    }
    sets.Up();
  }
  return false;
}

// The same search made by walking the children once, for a stored count beyond the number of
// children (a broken or hostile case): its cost is bounded by the list's length, however large
// the count. Down reaches the first child of a name, so a later duplicate of a numbered name is
// never taken.
bool WalkTheChildren(FIIterator& sets, int count, const char* wanted) {
  fintop::ClonedIterator child(sets);
  if (!child || !child->First()) return false;
  std::set<int> seen;
  std::optional<int> found;
  do {
    const std::optional<int> k = SetNumber(*child);
    if (!k || *k < 0 || *k >= count || !seen.insert(*k).second) continue;
    if ((!found || *k < *found) && SetIsNamed(*child, wanted)) found = k;
  } while (child->Next());
  return found && sets.Down(Numbered(kReactionSetPrefix, *found));
}

// On `sets`, standing on "ReactionSetList": moves onto "ReactionSet#" + k for the lowest k in
// 0 .. count-1 whose "ReactionSetName" is exactly `wanted`. False (not moved) when none is.
// Where the list has at least `count` children (one Element tells), each k is tried in turn,
// which stops at the set found; otherwise the children are walked once.
bool FindReactionSet(FIIterator& sets, int count, const FIAttribute& key, const char* wanted) {
  if (count <= 0) return false;
  if (!sets.Element(count - 1)) return WalkTheChildren(sets, count, wanted);
  sets.Up();  // back onto "ReactionSetList"
  return TryEachNumber(sets, count, key, wanted);
}

// "RxnName": the host name of active reaction `index` of the reactor's reaction set, looked
// up among the reaction sets of the case. Records nothing when any step misses. The clone is
// gone before the caller's iterator records, so that the host need not keep a layer for it.
void RecordReactionName(FIIterator& it, int index) {
  FIAttribute name;
  {
    const FIAttribute key("value");  // one key for every read
    fintop::ClonedIterator clone(it);
    if (!clone || !clone->Down(kReactionSet)) return;
    FIAttribute wanted;
    clone->GetValue(key, wanted);
    if (wanted.c_str() == nullptr) return;

    while (clone->Up()) {
    }
    if (!clone->Down(kNumberOfReactionSets)) return;
    FIAttribute stored;
    clone->GetValue(key, stored);
    const int count = stored.ival();
    clone->Up();  // onto "ReactionSetList"

    if (!FindReactionSet(*clone, count, key, wanted.c_str())) return;
    if (!clone->Down(kActiveReactionList)) return;
    if (!clone->Down(Numbered(kActiveReactionPrefix, index))) return;
    clone->GetValue(key, name);
  }
  it.SetAttribute(kRxnName, name);
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Index -1: the number of elements of "Est. Molar Extent". Any other index: records
// "RxnElemNum" = "Elem"+index and "RxnIndex" = index, then "RxnName", the "value" of
// "ActiveReaction#"+index in the first reaction set of the case whose "ReactionSetName" equals
// the reactor's "Reaction Set" (not recorded when any of it is missing). The iterator does not
// move. Returns the index.
int CTLocalReaction(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kEstMolarExtent);
  fintop::RecordElementName(it, kRxnElemNum, index);
  fintop::RecordInteger(it, kRxnIndex, index);
  RecordReactionName(it, index);
  return index;
}

// Index -1: the number of elements of "Total Inflow". Any other index: records
// "BalanceElemNum" = "Elem"+index and, when "Vessel Mole Frac" has that element, its "id" as
// "CompName". The iterator does not move. Returns the index.
int CTReactantBalance(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kTotalInflow);
  fintop::reactions::SelectComponent(it, index, kBalanceElemNum, kCompName);
  return index;
}

// Index -1: the number of elements of "Reaction". Any other index: records "ConvRxnElemNum" =
// "Elem"+index. The iterator does not move. Returns the index.
int CTLocalConvReaction(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kReaction);
  fintop::RecordElementName(it, kConvRxnElemNum, index);
  return index;
}

// Index -1: the number of elements of "Temperature Approach". Any other index: records
// "EquilRxnElemNum" = "Elem"+index and "EquilRxnNum" = index. The iterator does not move.
// Returns the index.
int CTLocalEquilReaction(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kTemperatureApproach);
  fintop::RecordElementName(it, kEquilRxnElemNum, index);
  fintop::RecordInteger(it, kEquilRxnNum, index);
  return index;
}

}  // namespace fintop::workers
