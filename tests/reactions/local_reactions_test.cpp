// A reactor's local reactions and per-component arrays, and the reaction-set search.
#include <string>
#include <string_view>
#include <vector>

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

// A case of reaction sets "ReactionSet#" + k for the given numbers, set k named "Set k" with
// active reaction 0 "R-k", a stored count of `count`, and a reactor "R" using "Set `wanted`".
std::string SetsCase(const std::vector<int>& numbers, int count, int wanted) {
  std::string sets;
  for (int k : numbers) {
    const std::string n = std::to_string(k);
    sets += R"(, {"name": "ReactionSet#)" + n + R"(", "children": [
      {"name": "ReactionSetName", "value": "Set )" +
            n + R"("},
      {"name": "ActiveReactionList", "children": [
        {"name": "ActiveReaction#0", "value": "R-)" +
            n + R"("}]}]})";
  }
  return R"({"name": "Case", "children": [
    {"name": "Basis", "children": [{"name": "ReactionPackage", "children": [
      {"name": "ReactionSetList", "children": [
        {"name": "NumberOfReactionSets", "value": )" +
         std::to_string(count) + "}" + sets + R"(]}]}]},
    {"name": "R", "children": [{"name": "Reaction Set", "value": "Set )" +
         std::to_string(wanted) + R"("}]}]})";
}

// Counts what a callback asks of the host: every operation, and Down to a numbered set.
struct OperationCount : hostsim::IteratorObserver {
  int operations = 0;
  int set_downs = 0;
  void OnEvent(const HostIterator&, const hostsim::IteratorEvent& e) override {
    ++operations;
    if (std::string_view(e.op) == "Down" && e.text.substr(0, 12) == "ReactionSet#") ++set_downs;
  }
};

struct CountCase {
  const char* label;
  std::vector<int> numbers;  // the sets' numbers, in sibling order
  int count;                 // "NumberOfReactionSets"
  int wanted;
  const char* name;  // "RxnName" recorded, or null
  int set_downs;     // Down to "ReactionSet#" + k made, or -1: at most one per child
};

class StoredSetCount : public CallbackTestWithParam<CountCase> {};

// Whether the stored count is ordinary (each k tried in turn, stopping at the set found) or
// beyond the children (the children walked once), the set found is the lowest k below the
// count with that name, and the work stays within the children.
TEST_P(StoredSetCount, FindsTheLowestSetBelowTheCountWithinTheChildren) {
  const CountCase& row = GetParam();
  Tree tree = MakeTree(SetsCase(row.numbers, row.count, row.wanted));
  IteratorPtr it = At(tree, "R");
  OperationCount counted;
  it->set_observer(&counted);
  EXPECT_EQ(CTLocalReaction(it.get(), nullptr, 0), 0);
  it->set_observer(nullptr);
  EXPECT_EQ(Recorded(*it), std::string("RxnElemNum=text:Elem0; RxnIndex=int:0") +
                               (row.name ? std::string("; RxnName=text:") + row.name : ""));
  EXPECT_EQ(Where(*it), "Case/R");
  const int children = static_cast<int>(row.numbers.size()) + 1;
  if (row.set_downs >= 0) {
    EXPECT_EQ(counted.set_downs, row.set_downs);
  } else {
    EXPECT_LE(counted.set_downs, children);
  }
  // Reading the reactor's set, the count and the name, and at most a few per child.
  EXPECT_LE(counted.operations, 20 + 12 * children);
}

std::vector<int> Range(int from, int to) {
  std::vector<int> out;
  for (int k = from; k < to; ++k) out.push_back(k);
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Counts, StoredSetCount,
    ::testing::Values(
        // Ordinary: one Down per k up to the set found.
        CountCase{"first_of_one", {0}, 1, 0, "R-0", 1},
        CountCase{"tenth_of_ten", Range(0, 10), 10, 9, "R-9", 10},
        CountCase{"third_of_ten", Range(0, 10), 10, 2, "R-2", 3},
        CountCase{"last_of_300", Range(0, 300), 300, 299, "R-299", 300},
        CountCase{"none_of_300", Range(0, 300), 300, 300, nullptr, 300},
        // A count below the sets hides the later ones.
        CountCase{"count_hides_the_set", Range(0, 10), 4, 6, nullptr, 4},
        // Gaps: missing numbers are tried and passed over.
        CountCase{"gaps", {0, 2, 4, 6}, 5, 4, "R-4", 5},
        // Beyond the children: the children are walked once.
        CountCase{"count_one_past_the_children", Range(0, 10), 12, 9, "R-9", -1},
        CountCase{"absurd_count", Range(0, 10), 2147483647, 3, "R-3", -1},
        CountCase{
            "absurd_count_far_set", {0, 1, 2147483646}, 2147483647, 2147483646, "R-2147483646", -1},
        CountCase{"absurd_count_300", Range(0, 300), 2147483647, 150, "R-150", -1},
        CountCase{"absurd_count_no_set", Range(0, 300), 2147483647, 301, nullptr, -1}),
    [](const auto& info) { return std::string(info.param.label); });

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
