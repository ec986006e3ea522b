// The reaction list: counting children named exactly "Reaction", selecting one, classifying it.
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

// The "value" of the node `it` stands on, as text ("" when it has none).
std::string ValueText(FIIterator& it) {
  FIAttribute value;
  it.GetValue(FIAttribute("value"), value);
  return value.c_str() != nullptr ? value.c_str() : "";
}

struct ListCountCase {
  const char* label;
  const char* list;  // the "Set" node's children, as JSON
  int count;
};

class ReactionCount : public CallbackTestWithParam<ListCountCase> {};

TEST_P(ReactionCount, CountsOnlyChildrenNamedExactlyReaction) {
  const ListCountCase& row = GetParam();
  Tree tree =
      MakeTree(std::string(R"({"name": "Case", "children": [{"name": "Set", "children": )") +
               row.list + "}]}");
  IteratorPtr it = At(tree, "Set");
  FIAttribute kind("before");
  EXPECT_EQ(CTReactions(it.get(), &kind, -1), row.count);
  EXPECT_STREQ(kind.c_str(), "before");
  EXPECT_EQ(Where(*it), "Case/Set");
  EXPECT_EQ(Recorded(*it), "");
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ReactionCount,
    ::testing::Values(
        ListCountCase{"interleaved",
                      R"([{"name": "ReactionList", "children": [{"name": "Reaction"},
                      {"name": "Reaction"}, {"name": "Notes"}, {"name": "Reaction"}]}])",
                      3},
        ListCountCase{"near misses never count",
                      R"([{"name": "ReactionList", "children": [{"name": "Reactions"},
                      {"name": "reaction"}, {"name": "Reaction1"},
                      {"name": "ReactionReactionReactionReactionReaction"}, {"name": "Reaction"},
                      {"name": "Reactio"}]}])",
                      1},
        ListCountCase{"only the last child", R"([{"name": "ReactionList", "children": [
                      {"name": "Notes"}, {"name": "Reactions"}, {"name": "Reaction"}]}])",
                      1},
        ListCountCase{"no reaction",
                      R"([{"name": "ReactionList", "children": [{"name": "Notes"}]}])", 0},
        ListCountCase{"no list", R"([{"name": "Reaction"}])", 0}),
    [](const auto& info) {
      std::string name = info.param.label;
      for (char& c : name) {
        if (c == ' ') c = '_';
      }
      return name;
    });

// Reactions of every kind with other-named siblings between them; the last child is not a
// reaction, so a walk past the list ends on it.
constexpr char kReactionCase[] = R"({"name": "Case", "children": [{"name": "Set", "children": [
  {"name": "ReactionList", "children": [
    {"name": "Reaction", "value": "r0", "children": [
      {"name": "ReactionType", "value": "ConversionRxnObject"}]},
    {"name": "Reaction", "value": "r1", "children": [
      {"name": "ReactionType", "value": "LHKineticRxnObject"}]},
    {"name": "Notes", "value": "notes"},
    {"name": "Reactions", "value": "plural"},
    {"name": "Reaction", "value": "r2", "children": [
      {"name": "ReactionType", "value": "SimpleRateRxnObject"}]},
    {"name": "reaction", "value": "lower"},
    {"name": "Reaction", "value": "r3", "children": [
      {"name": "ReactionType", "value": "EquilibriumRxnObject"}]},
    {"name": "Reaction", "value": "r4", "children": [
      {"name": "ReactionType", "value": "KineticRxnObject"}]},
    {"name": "Reaction", "value": "r5", "children": [
      {"name": "ReactionType", "value": "KineticRxnObjectX"}]},
    {"name": "Reaction", "value": "r6", "children": [{"name": "Notes"}]},
    {"name": "Reaction", "value": "r7", "children": [{"name": "ReactionType", "value": 5}]},
    {"name": "Reaction", "value": "r8", "children": [
      {"name": "ReactionType", "value": "kineticrxnobject"}]},
    {"name": "Trailer", "value": "trailer"}]}]}]})";

struct SelectCase {
  int index;
  const char* landed_on;  // the "value" of the node the iterator ends on
  const char* where;
  const char* kind;  // the out-attribute afterwards ("before" when untouched)
  const char* recorded;
};

class ReactionSelect : public CallbackTestWithParam<SelectCase> {};

TEST_P(ReactionSelect, MovesOntoTheReactionAndClassifiesIt) {
  const SelectCase& row = GetParam();
  Tree tree = MakeTree(kReactionCase);
  IteratorPtr it = At(tree, "Set");
  EXPECT_EQ(CTReactions(it.get(), nullptr, -1), 9);
  FIAttribute kind("before");
  EXPECT_EQ(CTReactions(it.get(), &kind, row.index), row.index);
  EXPECT_EQ(ValueText(*it), row.landed_on);
  EXPECT_EQ(Where(*it), row.where);
  EXPECT_STREQ(kind.c_str(), row.kind);
  EXPECT_EQ(Recorded(*it), row.recorded);
  EXPECT_EQ(Bound(*it), "");
}

constexpr char kOnReaction[] = "Case/Set/ReactionList/Reaction";

INSTANTIATE_TEST_SUITE_P(
    Kinds, ReactionSelect,
    ::testing::Values(
        SelectCase{0, "r0", kOnReaction, "QELConversionReaction", "rxnPath=text:"},
        SelectCase{-2, "r0", kOnReaction, "QELConversionReaction", "rxnPath=text:"},
        SelectCase{1, "r1", kOnReaction, "QELCatalyticRateReaction", "rxnPath=text:KineticBasis"},
        SelectCase{2, "r2", kOnReaction, "QELSimpleRateReaction", "rxnPath=text:KineticBasis"},
        SelectCase{3, "r3", kOnReaction, "QELEquilibriumReaction", "rxnPath=text:"},
        SelectCase{4, "r4", kOnReaction, "QELReversibleKineticReaction", "rxnPath=text:"},
        SelectCase{5, "r5", kOnReaction, "before", "rxnPath=empty"},
        SelectCase{6, "r6", kOnReaction, "before", ""},
        SelectCase{7, "r7", kOnReaction, "before", "rxnPath=empty"},
        SelectCase{8, "r8", kOnReaction, "before", "rxnPath=empty"},
        SelectCase{9, "trailer", "Case/Set/ReactionList/Trailer", "before", ""},
        SelectCase{2147483647, "trailer", "Case/Set/ReactionList/Trailer", "before", ""}));

TEST_F(CallbackTest, ReactionSelectionStopsAtTheLastLevelReached) {
  Tree tree = MakeTree(R"({"name": "Case", "children": [
    {"name": "NoList", "children": [{"name": "Reaction"}]},
    {"name": "Empty", "children": [{"name": "ReactionList", "children": [{"name": "Notes"}]}]}]})");
  for (const auto& [start, where] :
       {std::pair{"NoList", "Case/NoList"}, std::pair{"Empty", "Case/Empty/ReactionList"}}) {
    IteratorPtr it = At(tree, start);
    FIAttribute kind("before");
    EXPECT_EQ(CTReactions(it.get(), &kind, 0), 0);
    EXPECT_EQ(Where(*it), where);
    EXPECT_STREQ(kind.c_str(), "before");
    EXPECT_EQ(Recorded(*it), "");
  }
}

}  // namespace
}  // namespace fintop_test
