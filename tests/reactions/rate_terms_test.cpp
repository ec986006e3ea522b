// Rate-expression terms: pre-factors and activation energies by term, exponents by term and
// reactant (one row-major list), component names from the reactant list.
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

// Two terms, three reactants. Every repeated list has other-named siblings in between; the
// second activation energy has no value.
constexpr char kRateCase[] = R"({"name": "Case", "children": [{"name": "Rate", "children": [
  {"name": "NumberOfRows", "value": 2},
  {"name": "PreFactor", "value": "A0"},
  {"name": "Notes", "value": "notes"},
  {"name": "PreFactors", "value": "plural"},
  {"name": "PreFactor", "value": "A1"},
  {"name": "ActivationEnergy", "value": "E0"},
  {"name": "ActivationEnergyActivationEnergy", "value": "long"},
  {"name": "ActivationEnergy"},
  {"name": "NumberOfReactants", "value": 3},
  {"name": "Exponents", "value": "X0"},
  {"name": "Exponents", "value": "X1"},
  {"name": "Exponent", "value": "singular"},
  {"name": "Exponents", "value": "X2"},
  {"name": "Exponents", "value": "X3"},
  {"name": "exponents", "value": "lower"},
  {"name": "Exponents", "value": "X4"},
  {"name": "Exponents", "value": "X5"},
  {"name": "KineticBasis", "children": [{"name": "ReactantList", "children": [
    {"name": "NumberOfReactants", "value": 3},
    {"name": "Reactant", "children": [{"name": "ComponentName", "value": "Methane"}]},
    {"name": "Reactants", "children": [{"name": "ComponentName", "value": "plural"}]},
    {"name": "Reactant", "children": [{"name": "ComponentName", "value": "Ethane"}]},
    {"name": "Reactant", "children": [{"name": "ComponentName", "value": "Propane"}]},
    {"name": "Reactant", "children": [{"name": "ComponentName", "value": "Butane"}]}]}]},
  {"name": "Last"}]},
  {"name": "Bare", "children": [{"name": "Notes"}]},
  {"name": "NoExponents", "children": [
    {"name": "NumberOfReactants", "value": 2},
    {"name": "KineticBasis", "children": [{"name": "ReactantList", "children": [
      {"name": "NumberOfReactants", "value": 1},
      {"name": "Reactant", "children": [{"name": "ComponentName", "value": "Water"}]},
      {"name": "Reactant", "children": [{"name": "ComponentName", "value": "Hydrogen"}]}]}]}]}
  ]})";

struct TermCase {
  int term;
  const char* recorded;
};

class DenominatorTerm : public CallbackTestWithParam<TermCase> {};

TEST_P(DenominatorTerm, RecordsThePreFactorAndActivationEnergyOfTheTerm) {
  const TermCase& row = GetParam();
  Tree tree = MakeTree(kRateCase);
  IteratorPtr it = At(tree, "Rate");
  EXPECT_EQ(CTReactionDenominatorTerm(it.get(), nullptr, -1), 2);
  EXPECT_EQ(Recorded(*it), "");
  EXPECT_EQ(CTReactionDenominatorTerm(it.get(), nullptr, row.term), row.term);
  EXPECT_EQ(Recorded(*it), row.recorded);
  EXPECT_EQ(Where(*it), "Case/Rate");
}

INSTANTIATE_TEST_SUITE_P(
    Terms, DenominatorTerm,
    ::testing::Values(
        TermCase{0, "A=text:A0; E=text:E0; row=int:0"},
        TermCase{-5, "A=text:A0; E=text:E0; row=int:-5"},
        // The second activation energy has no value: "E" must not repeat the pre-factor.
        TermCase{1, "A=text:A1; E=empty; row=int:1"},
        // Past the end of both lists: the walks end on the node's last child.
        TermCase{2147483647, "A=empty; E=empty; row=int:2147483647"}));

TEST_F(CallbackTest, ADenominatorWithoutItsListsRecordsOnlyTheRow) {
  Tree tree = MakeTree(kRateCase);
  IteratorPtr it = At(tree, "Bare");
  EXPECT_EQ(CTReactionDenominatorTerm(it.get(), nullptr, -1), 0);
  EXPECT_EQ(CTReactionDenominatorTerm(it.get(), nullptr, 1), 1);
  EXPECT_EQ(Recorded(*it), "row=int:1");
  EXPECT_EQ(CTReactionComponentOrder(it.get(), nullptr, -1), 0);
  EXPECT_EQ(CTReactionComponentOrder(it.get(), nullptr, 0), 0);
  EXPECT_EQ(Recorded(*it), "row=int:1; ncomp=int:0");
  EXPECT_EQ(Where(*it), "Case/Bare");
}

struct OrderCase {
  const char* node;
  int term;  // -1: no term selected before, so no "row"
  int reactant;
  const char* recorded;  // after the term selection, the count and the reactant selection
};

class ComponentOrder : public CallbackTestWithParam<OrderCase> {};

TEST_P(ComponentOrder, ReadsTheRowMajorExponentAndTheComponentName) {
  const OrderCase& row = GetParam();
  Tree tree = MakeTree(kRateCase);
  IteratorPtr it = At(tree, row.node);
  // What a term selection leaves behind for the reactants of that term.
  if (row.term >= 0) it->SetAttribute("row", FIAttribute(row.term));
  CTReactionComponentOrder(it.get(), nullptr, -1);
  EXPECT_EQ(CTReactionComponentOrder(it.get(), nullptr, row.reactant), row.reactant);
  EXPECT_EQ(Recorded(*it), row.recorded);
  EXPECT_EQ(Where(*it), std::string("Case/") + row.node);
}

INSTANTIATE_TEST_SUITE_P(
    Reactants, ComponentOrder,
    ::testing::Values(
        OrderCase{"Rate", 1, 2, "row=int:1; ncomp=int:3; exponent=text:X5; component=text:Propane"},
        OrderCase{"Rate", 0, 0, "row=int:0; ncomp=int:3; exponent=text:X0; component=text:Methane"},
        OrderCase{"Rate", 0, 1, "row=int:0; ncomp=int:3; exponent=text:X1; component=text:Ethane"},
        OrderCase{"Rate", 1, 0, "row=int:1; ncomp=int:3; exponent=text:X3; component=text:Methane"},
        // The reactant list's own count guards the component name.
        OrderCase{"Rate", 0, 3, "row=int:0; ncomp=int:3; exponent=text:X3"},
        OrderCase{"Rate", -1, 1, "ncomp=int:3; component=text:Ethane"},
        // Term and count overflow an int when multiplied: the walk ends on the last child.
        OrderCase{"Rate", 2147483647, 2,
                  "row=int:2147483647; ncomp=int:3; exponent=empty; "
                  "component=text:Propane"},
        OrderCase{"NoExponents", 0, 0, "row=int:0; ncomp=int:2; component=text:Water"},
        OrderCase{"NoExponents", 0, 1, "row=int:0; ncomp=int:2"}));

TEST_F(CallbackTest, AComponentOrderCountRecordsNcompOnTheCallersIterator) {
  Tree tree = MakeTree(kRateCase);
  for (const auto& [node, count] : {std::pair{"Rate", 3}, std::pair{"Bare", 0}}) {
    IteratorPtr it = At(tree, node);
    EXPECT_EQ(CTReactionComponentOrder(it.get(), nullptr, -1), count);
    EXPECT_EQ(Recorded(*it), "ncomp=int:" + std::to_string(count));
  }
}

}  // namespace
}  // namespace fintop_test

namespace fintop_test {
namespace {

TEST_F(CallbackTest, ATermSelectionThenAReactantCountLeadTheReactantSelection) {
  Tree tree = MakeTree(kRateCase);
  IteratorPtr it = At(tree, "Rate");
  EXPECT_EQ(CTReactionDenominatorTerm(it.get(), nullptr, 1), 1);
  EXPECT_EQ(CTReactionComponentOrder(it.get(), nullptr, -1), 3);
  EXPECT_EQ(CTReactionComponentOrder(it.get(), nullptr, 2), 2);
  EXPECT_EQ(Recorded(*it),
            "A=text:A1; E=empty; row=int:1; ncomp=int:3; exponent=text:X5; component=text:Propane");
  EXPECT_EQ(Where(*it), "Case/Rate");
}

}  // namespace
}  // namespace fintop_test
