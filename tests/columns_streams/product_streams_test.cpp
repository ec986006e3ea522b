// The condenser and reboiler product streams.
#include "columns_streams/hop_rows.h"

namespace fintop_test {
namespace {

// Every product variable names a stream of its own; the vessels also hold a child named like a
// stream, which the hop must not take.
constexpr char kColumn[] = R"({"name": "Case", "children": [{"name": "Col", "children": [
  {"name": "Condenser", "children": [
    {"name": "Overhead Vapour Stream", "value": "Ovhd"},
    {"name": "Distillate Stream", "value": "Dist"},
    {"name": "Heavy Liquid Stream", "value": "Water"},
    {"name": "Reflux Stream", "value": "Reflux"},
    {"name": "Ovhd"}]},
  {"name": "Reboiler", "children": [
    {"name": "Boilup Stream", "value": "Boilup"},
    {"name": "Liquid Product Stream", "value": "Bottoms"},
    {"name": "Second Liquid Draw Stream", "value": "Reflux"},
    {"name": "2nd Liquid Draw Stream", "value": "Liquid 2"},
    {"name": "Vapour Draw Stream", "value": "Vapour"},
    {"name": "Bottoms"}]},
  {"name": "Ovhd"}, {"name": "Dist"}, {"name": "Water"}, {"name": "Reflux"},
  {"name": "Boilup"}, {"name": "Bottoms"}, {"name": "Liquid 2"}, {"name": "Vapour"}]}]})";

struct ProductRow {
  const char* name;
  FIElement callback;
  const char* vessel;
  const char* other_vessel;  // holds none of the callback's variable
  const char* stream;
};

std::ostream& operator<<(std::ostream& os, const ProductRow& row) {
  return os << row.name;
}

class ProductStreams : public CallbackTestWithParam<ProductRow> {};

TEST_P(ProductStreams, TestThenMoveToTheStreamItsVariableNames) {
  const ProductRow& row = GetParam();
  Tree tree = MakeTree(kColumn);
  IteratorPtr it = At(tree, std::string("Col.") + row.vessel);
  const std::string vessel = std::string("Case/Col/") + row.vessel;

  EXPECT_TRUE(row.callback(it.get(), 0));
  EXPECT_EQ(Where(*it), vessel);
  EXPECT_TRUE(row.callback(it.get(), 1));
  EXPECT_EQ(Where(*it), std::string("Case/Col/") + row.stream);
  EXPECT_EQ(Recorded(*it), "");
  EXPECT_EQ(Bound(*it), "");

  IteratorPtr other = At(tree, std::string("Col.") + row.other_vessel);
  EXPECT_FALSE(row.callback(other.get(), 0));
  EXPECT_FALSE(row.callback(other.get(), 1));
  EXPECT_EQ(Where(*other), std::string("Case/Col/") + row.other_vessel);
}

INSTANTIATE_TEST_SUITE_P(
    EightProducts, ProductStreams,
    ::testing::Values(
        ProductRow{"CondVapor", CTCondVapor, "Condenser", "Reboiler", "Ovhd"},
        ProductRow{"CondDistillate", CTCondDistillate, "Condenser", "Reboiler", "Dist"},
        ProductRow{"CondHeavyDistillate", CTCondHeavyDistillate, "Condenser", "Reboiler", "Water"},
        ProductRow{"CondReflux", CTCondReflux, "Condenser", "Reboiler", "Reflux"},
        ProductRow{"RebBoilup", CTRebBoilup, "Reboiler", "Condenser", "Boilup"},
        ProductRow{"RebLiquid", CTRebLiquid, "Reboiler", "Condenser", "Bottoms"},
        ProductRow{"RebLiquid2", CTRebLiquid2, "Reboiler", "Condenser", "Liquid 2"},
        ProductRow{"RebVapor", CTRebVapor, "Reboiler", "Condenser", "Vapour"}),
    [](const auto& info) { return std::string(info.param.name); });

// A value without text names no stream: the hop stops on the variable.
class ProductStreamHops : public HopTable {};

TEST_P(ProductStreamHops, FollowsTheNamedStream) {
  CheckHop(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProductStreamHops,
    ::testing::Values(
        HopRow{"no variable", CTCondVapor, "Reflux Stream", R"("value": "S")", false,
               "Case/Col/Unit"},
        HopRow{"variable without value", CTCondVapor, "Overhead Vapour Stream", "", false,
               "Case/Col/Unit/Overhead Vapour Stream"},
        HopRow{"integer value", CTCondVapor, "Overhead Vapour Stream", R"("value": 12)", false,
               "Case/Col/Unit/Overhead Vapour Stream"},
        HopRow{"stream not under the parent", CTCondVapor, "Overhead Vapour Stream",
               R"("value": "Missing")", false, "Case/Col"},
        HopRow{"empty text", CTRebVapor, "Vapour Draw Stream", R"("value": "")", false, "Case/Col"},
        HopRow{"name with a dot", CTRebLiquid2, "2nd Liquid Draw Stream", R"("value": "S.1")", true,
               "Case/Col/S.1"},
        HopRow{"name of 300 characters", CTCondReflux, "Reflux Stream",
               R"("value": ")" + kLongStreamName + '"', true, "Case/Col/" + kLongStreamName}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

// A vessel without a parent has no sibling streams; its own child of that name is not taken.
class ProductStreamEdges : public CallbackTest {};

TEST_F(ProductStreamEdges, AVesselAtTheTopFindsNoStream) {
  Tree tree = MakeTree(R"({"name": "Condenser", "children": [
      {"name": "Distillate Stream", "value": "Dist"}, {"name": "Dist"}]})");
  IteratorPtr it = At(tree);
  EXPECT_FALSE(CTCondDistillate(it.get(), 0));
  EXPECT_FALSE(CTCondDistillate(it.get(), 1));
  EXPECT_EQ(Where(*it), "Condenser");
}

TEST_F(ProductStreamEdges, ANullIteratorFails) {
  EXPECT_FALSE(CTCondVapor(nullptr, 0));
  EXPECT_FALSE(CTRebLiquid2(nullptr, 1));
}

}  // namespace
}  // namespace fintop_test
