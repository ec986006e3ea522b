// Active and inactive reactions of a reaction set as one collection, with their ranks.
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

constexpr char kSetsCase[] = R"({"name": "Case", "children": [
  {"name": "X", "children": [
    {"name": "ActiveReactionList", "children": [
      {"name": "NumberOfActiveRxns", "value": 3},
      {"name": "ActiveReaction", "value": "Rxn-1"},
      {"name": "ActiveReaction", "value": "Rxn-2"},
      {"name": "ActiveReaction", "value": "Rxn-3"}]},
    {"name": "InactiveReactionList", "children": [
      {"name": "NumberOfInactiveRxns", "value": 2},
      {"name": "InactiveReaction", "value": "Rxn-4"},
      {"name": "InactiveReaction", "value": "Rxn-5"}]},
    {"name": "ReactionRanks", "children": [
      {"name": "ReactionRankSet", "children": [{"name": "ReactionRank", "value": 10}]},
      {"name": "ReactionRankSet", "children": [{"name": "ReactionRank", "value": 2.5}]},
      {"name": "ReactionRankSet", "children": [{"name": "ReactionRank"}]},
      {"name": "ReactionRankSet", "children": [{"name": "ReactionRank", "value": 40}]}]}]},
  {"name": "Y", "children": [
    {"name": "ActiveReactionList", "children": [
      {"name": "NumberOfActiveRxns", "value": 0}]},
    {"name": "InactiveReactionList", "children": [
      {"name": "NumberOfInactiveRxns", "value": 2},
      {"name": "InactiveReaction", "value": "Off-1"},
      {"name": "InactiveReaction", "value": "Off-2"}]}]},
  {"name": "Broken", "children": [
    {"name": "ActiveReactionList", "children": [
      {"name": "NumberOfActiveRxns", "value": 3},
      {"name": "ActiveReaction", "value": 7},
      {"name": "ActiveReaction", "value": "Named"}]},
    {"name": "InactiveReactionList", "children": [{"name": "NumberOfInactiveRxns"}]}]},
  {"name": "NoLists", "value": "set-value", "children": [{"name": "Notes", "value": "n"}]}
  ]})";

struct ActiveCase {
  const char* set;
  int count;
  int index;
  const char* bound;
  const char* recorded;
};

class ActiveReactions : public CallbackTestWithParam<ActiveCase> {};

TEST_P(ActiveReactions, SplitsTheIndexAtTheActiveCountAndReadsTheRank) {
  const ActiveCase& row = GetParam();
  Tree tree = MakeTree(kSetsCase);
  IteratorPtr it = At(tree, row.set);
  EXPECT_EQ(CTActiveReactions(it.get(), nullptr, -1), row.count);
  EXPECT_EQ(Recorded(*it), "");
  EXPECT_EQ(CTActiveReactions(it.get(), nullptr, row.index), row.index);
  EXPECT_EQ(Bound(*it), row.bound);
  EXPECT_EQ(Recorded(*it), row.recorded);
  EXPECT_EQ(Where(*it), std::string("Case/") + row.set);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, ActiveReactions,
    ::testing::Values(ActiveCase{"X", 5, 0, "RxnID->Rxn-1", "RxnActive=int:1; RxnRank=real:10"},
                      ActiveCase{"X", 5, 1, "RxnID->Rxn-2", "RxnActive=int:1; RxnRank=real:2.5"},
                      // An empty rank value keeps the default.
                      ActiveCase{"X", 5, 2, "RxnID->Rxn-3", "RxnActive=int:1; RxnRank=real:0"},
                      // The first inactive reaction takes rank entry 3 (the combined index).
                      ActiveCase{"X", 5, 3, "RxnID->Rxn-4", "RxnActive=int:0; RxnRank=real:40"},
                      // The rank list is shorter than the collection.
                      ActiveCase{"X", 5, 4, "RxnID->Rxn-5", "RxnActive=int:0; RxnRank=real:0"},
                      ActiveCase{"X", 5, -3, "RxnID->Rxn-1", "RxnActive=int:1; RxnRank=real:10"},
                      // No active reaction: every index is inactive; no ranks at all.
                      ActiveCase{"Y", 2, 0, "RxnID->Off-1", "RxnActive=int:0; RxnRank=real:0"},
                      ActiveCase{"Y", 2, 1, "RxnID->Off-2", "RxnActive=int:0; RxnRank=real:0"},
                      // An entry without text, and entries missing although counted: no binding.
                      ActiveCase{"Broken", 3, 0, "", "RxnActive=int:1; RxnRank=real:0"},
                      ActiveCase{"Broken", 3, 1, "RxnID->Named", "RxnActive=int:1; RxnRank=real:0"},
                      ActiveCase{"Broken", 3, 2, "", "RxnActive=int:1; RxnRank=real:0"},
                      ActiveCase{"Broken", 3, 2147483647, "", "RxnActive=int:0; RxnRank=real:0"},
                      ActiveCase{"NoLists", 0, 0, "", "RxnActive=int:0; RxnRank=real:0"},
                      ActiveCase{"NoLists", 0, 1, "", "RxnActive=int:0; RxnRank=real:0"}));

TEST_F(CallbackTest, TheActiveCountOfTheLatestCountCallSplitsTheSelection) {
  Tree tree = MakeTree(kSetsCase);
  IteratorPtr x = At(tree, "X");
  IteratorPtr y = At(tree, "Y");
  EXPECT_EQ(CTActiveReactions(x.get(), nullptr, -1), 5);
  EXPECT_EQ(CTActiveReactions(y.get(), nullptr, -1), 2);
  // X is selected with Y's active count (0): index 0 is X's first inactive reaction.
  EXPECT_EQ(CTActiveReactions(x.get(), nullptr, 0), 0);
  EXPECT_EQ(Bound(*x), "RxnID->Rxn-4");
  EXPECT_EQ(Recorded(*x), "RxnActive=int:0; RxnRank=real:10");
  // Counting X again restores its split.
  EXPECT_EQ(CTActiveReactions(x.get(), nullptr, -1), 5);
  EXPECT_EQ(CTActiveReactions(x.get(), nullptr, 0), 0);
  EXPECT_EQ(Bound(*x), "RxnID->Rxn-4; RxnID->Rxn-1");
  EXPECT_EQ(Recorded(*x), "RxnActive=int:1; RxnRank=real:10");
  EXPECT_EQ(Where(*x), "Case/X");
}

}  // namespace
}  // namespace fintop_test
