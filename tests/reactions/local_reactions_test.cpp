// A reactor's local reactions and per-component arrays, and the reaction-set search.
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

// Four counted reaction sets: #1 differs from "Set C" only in case, #2 is "Set C" and #3, which
// comes before it, is "Set C" again. #4 lies beyond the count; a second child named
// "ReactionSet#0" is never reached, nor is "ReactionSet#01".
constexpr char kReactorCase[] = R"({"name": "Case", "children": [
  {"name": "Basis", "children": [{"name": "ReactionPackage", "children": [
    {"name": "ReactionSetList", "children": [
      {"name": "NumberOfReactionSets", "value": 4},
      {"name": "ReactionSet#0", "children": [
        {"name": "ReactionSetName", "value": "Set A"},
        {"name": "ActiveReactionList", "children": [{"name": "ActiveReaction#2", "value": "A-2"}]}]},
      {"name": "ReactionSet#1", "children": [
        {"name": "ReactionSetName", "value": "set c"},
        {"name": "ActiveReactionList", "children": [{"name": "ActiveReaction#2", "value": "c-2"}]}]},
      {"name": "ReactionSet#3", "children": [
        {"name": "ReactionSetName", "value": "Set C"},
        {"name": "ActiveReactionList", "children": [{"name": "ActiveReaction#5", "value": "dup"}]}]},
      {"name": "ReactionSet#2", "children": [
        {"name": "ReactionSetName", "value": "Set C"},
        {"name": "ActiveReactionList", "children": [
          {"name": "ActiveReaction#0", "value": "C-0"},
          {"name": "ActiveReaction#2", "value": "C-2"},
          {"name": "ActiveReaction#-3", "value": "C-minus-3"},
          {"name": "ActiveReaction#12345", "value": "C-12345"},
          {"name": "ActiveReaction#2147483647", "value": "C-max"},
          {"name": "ActiveReaction#-2147483648", "value": "C-min"}]}]},
      {"name": "ReactionSet#4", "children": [
        {"name": "ReactionSetName", "value": "Set E"},
        {"name": "ActiveReactionList", "children": [{"name": "ActiveReaction#0", "value": "E-0"}]}]},
      {"name": "ReactionSet#0", "children": [
        {"name": "ReactionSetName", "value": "Set Dup"},
        {"name": "ActiveReactionList", "children": [{"name": "ActiveReaction#0", "value": "D-0"}]}]},
      {"name": "ReactionSet#01", "children": [
        {"name": "ReactionSetName", "value": "Set Zero"},
        {"name": "ActiveReactionList", "children": [{"name": "ActiveReaction#0", "value": "Z-0"}]}]}
      ]}]}]},
  {"name": "Flowsheet", "children": [
    {"name": "R1", "children": [
      {"name": "Reaction Set", "value": "Set C"},
      {"name": "Est. Molar Extent", "elements": [0.1, 0.2, 0.3]}]},
    {"name": "R2", "children": [{"name": "Reaction Set", "value": "SET C"}]},
    {"name": "R3", "children": [{"name": "Notes"}]},
    {"name": "R4", "children": [{"name": "Reaction Set", "value": 7}]},
    {"name": "R5", "children": [{"name": "Reaction Set", "value": "Set E"}]},
    {"name": "R6", "children": [{"name": "Reaction Set", "value": "Set A"}]},
    {"name": "R7", "children": [{"name": "Reaction Set", "value": "Set Dup"}]},
    {"name": "R8", "children": [{"name": "Reaction Set", "value": "Set Zero"}]}]}]})";

struct LocalCase {
  const char* reactor;
  int index;
  const char* recorded;
};

class LocalReaction : public CallbackTestWithParam<LocalCase> {};

TEST_P(LocalReaction, FindsTheReactorsSetAndNamesItsActiveReaction) {
  const LocalCase& row = GetParam();
  Tree tree = MakeTree(kReactorCase);
  IteratorPtr it = At(tree, std::string("Flowsheet.") + row.reactor);
  EXPECT_EQ(CTLocalReaction(it.get(), nullptr, row.index), row.index);
  EXPECT_EQ(Recorded(*it), row.recorded);
  EXPECT_EQ(Bound(*it), "");
  EXPECT_EQ(Where(*it), std::string("Case/Flowsheet/") + row.reactor);
}

INSTANTIATE_TEST_SUITE_P(
    Reactors, LocalReaction,
    ::testing::Values(
        // The third set; the case-variant #1 and the duplicate #3 are passed over.
        LocalCase{"R1", 2, "RxnElemNum=text:Elem2; RxnIndex=int:2; RxnName=text:C-2"},
        LocalCase{"R1", 0, "RxnElemNum=text:Elem0; RxnIndex=int:0; RxnName=text:C-0"},
        // The first matching set ends the search, with or without the reaction.
        LocalCase{"R1", 5, "RxnElemNum=text:Elem5; RxnIndex=int:5"},
        // Numbered names for numbers of any width and sign.
        LocalCase{"R1", -3, "RxnElemNum=text:Elem-3; RxnIndex=int:-3; RxnName=text:C-minus-3"},
        LocalCase{"R1", 12345,
                  "RxnElemNum=text:Elem12345; RxnIndex=int:12345; "
                  "RxnName=text:C-12345"},
        LocalCase{"R1", 2147483647,
                  "RxnElemNum=text:Elem2147483647; RxnIndex=int:2147483647; "
                  "RxnName=text:C-max"},
        LocalCase{"R1", -2147483647 - 1,
                  "RxnElemNum=text:Elem-2147483648; "
                  "RxnIndex=int:-2147483648; RxnName=text:C-min"},
        LocalCase{"R6", 2, "RxnElemNum=text:Elem2; RxnIndex=int:2; RxnName=text:A-2"},
        // Case differs: no set matches.
        LocalCase{"R2", 2, "RxnElemNum=text:Elem2; RxnIndex=int:2"},
        // No "Reaction Set", or one without text.
        LocalCase{"R3", 1, "RxnElemNum=text:Elem1; RxnIndex=int:1"},
        LocalCase{"R4", 1, "RxnElemNum=text:Elem1; RxnIndex=int:1"},
        // Set #4 lies beyond "NumberOfReactionSets".
        LocalCase{"R5", 0, "RxnElemNum=text:Elem0; RxnIndex=int:0"},
        LocalCase{"R7", 0, "RxnElemNum=text:Elem0; RxnIndex=int:0"},
        LocalCase{"R8", 0, "RxnElemNum=text:Elem0; RxnIndex=int:0"}));

TEST_F(CallbackTest, NoReactionSetIsTriedWhenTheCaseHasNone) {
  for (const char* count : {"0", "-1", "2147483647"}) {
    Tree tree = MakeTree(std::string(R"({"name": "Case", "children": [
      {"name": "Basis", "children": [{"name": "ReactionPackage", "children": [
        {"name": "ReactionSetList", "children": [
          {"name": "NumberOfReactionSets", "value": )") +
                         count + R"(},
          {"name": "Notes"}]}]}]},
      {"name": "R", "children": [{"name": "Reaction Set", "value": "Set C"}]}]})");
    IteratorPtr it = At(tree, "R");
    EXPECT_EQ(CTLocalReaction(it.get(), nullptr, 1), 1);
    EXPECT_EQ(Recorded(*it), "RxnElemNum=text:Elem1; RxnIndex=int:1") << count;
    EXPECT_EQ(Where(*it), "Case/R");
  }
}

// The four per-reactor collections and what a selection records.
constexpr char kArraysCase[] = R"({"name": "Case", "children": [
  {"name": "Reactor", "children": [
    {"name": "Est. Molar Extent", "elements": [1, 2, 3]},
    {"name": "Total Inflow", "elements": [1, 2]},
    {"name": "Reaction", "elements": [1, 2, 3, 4, 5, 6]},
    {"name": "Temperature Approach", "elements": [1]},
    {"name": "Frac Spec", "elements": [1, 2, 3, 4]},
    {"name": "Vessel Mole Frac", "elements": [
      {"id": "Methane", "value": 0.5}, {"id": "Ethane", "value": 0.3}, {"value": 0.2}]}]},
  {"name": "Empty", "children": [
    {"name": "Est. Molar Extent"}, {"name": "Frac Spec"}]}]})";

struct ArrayCase {
  const char* label;
  FICollection callback;
  const char* node;
  int count;
  int index;
  const char* recorded;
};

class ReactorArrays : public CallbackTestWithParam<ArrayCase> {};

TEST_P(ReactorArrays, CountsTheArrayAndRecordsTheSelection) {
  const ArrayCase& row = GetParam();
  Tree tree = MakeTree(kArraysCase);
  IteratorPtr it = At(tree, row.node);
  EXPECT_EQ(row.callback(it.get(), nullptr, -1), row.count);
  EXPECT_EQ(Recorded(*it), "");
  EXPECT_EQ(row.callback(it.get(), nullptr, row.index), row.index);
  EXPECT_EQ(Recorded(*it), row.recorded);
  EXPECT_EQ(Bound(*it), "");
  EXPECT_EQ(Where(*it), std::string("Case/") + row.node);
}

INSTANTIATE_TEST_SUITE_P(
    Arrays, ReactorArrays,
    ::testing::Values(
        ArrayCase{"local", CTLocalReaction, "Reactor", 3, 2,
                  "RxnElemNum=text:Elem2; RxnIndex=int:2"},
        ArrayCase{"local_empty", CTLocalReaction, "Empty", 0, 0,
                  "RxnElemNum=text:Elem0; RxnIndex=int:0"},
        ArrayCase{"balance", CTReactantBalance, "Reactor", 2, 1,
                  "BalanceElemNum=text:Elem1; CompName=text:Ethane"},
        ArrayCase{"balance_no_id", CTReactantBalance, "Reactor", 2, 2,
                  "BalanceElemNum=text:Elem2; CompName=empty"},
        ArrayCase{"balance_past_components", CTReactantBalance, "Reactor", 2, 3,
                  "BalanceElemNum=text:Elem3"},
        ArrayCase{"balance_no_vessel", CTReactantBalance, "Empty", 0, 0,
                  "BalanceElemNum=text:Elem0"},
        ArrayCase{"conversion", CTLocalConvReaction, "Reactor", 6, 5, "ConvRxnElemNum=text:Elem5"},
        ArrayCase{"conversion_empty", CTLocalConvReaction, "Empty", 0, 5,
                  "ConvRxnElemNum=text:Elem5"},
        ArrayCase{"equilibrium", CTLocalEquilReaction, "Reactor", 1, 0,
                  "EquilRxnElemNum=text:Elem0; EquilRxnNum=int:0"},
        ArrayCase{"gibbs", CTGibbsFlowSpec, "Reactor", 4, 1,
                  "GibbsFlowSpecElemNum=text:Elem1; GibbsFlowSpecComponentName=text:Ethane"},
        ArrayCase{"gibbs_first", CTGibbsFlowSpec, "Reactor", 4, 0,
                  "GibbsFlowSpecElemNum=text:Elem0; GibbsFlowSpecComponentName=text:Methane"},
        // The index is not compared with "Frac Spec"; the component is taken by position.
        ArrayCase{"gibbs_past_components", CTGibbsFlowSpec, "Reactor", 4, 3,
                  "GibbsFlowSpecElemNum=text:Elem3"},
        ArrayCase{"gibbs_no_vessel", CTGibbsFlowSpec, "Empty", 0, 1,
                  "GibbsFlowSpecElemNum=text:Elem1"}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace fintop_test
