// Tee split fractions.
#include "support/fintop_test.h"

namespace fintop_test {
namespace {

class TeeSplit : public CallbackTest {};

TEST_F(TeeSplit, CountsTheStoredNumberOfProductStreamsNotATable) {
  Tree tree = MakeTree(R"({"name": "Case", "children": [
    {"name": "Tee", "children": [{"name": "Number of Product Streams", "value": 3},
                                 {"name": "Split", "elements": [0.1, 0.2, 0.3, 0.4]}]},
    {"name": "Bare", "children": [{"name": "Split", "elements": [0.5, 0.5]}]}]})");
  IteratorPtr tee = At(tree, "Tee");
  EXPECT_EQ(CTTeeSplit(tee.get(), nullptr, -1), 3);
  EXPECT_EQ(Recorded(*tee), "");
  EXPECT_EQ(CTTeeSplit(tee.get(), nullptr, 1), 1);
  EXPECT_EQ(Recorded(*tee), "SplitElem=text:Elem1");
  EXPECT_EQ(Where(*tee), "Case/Tee");

  IteratorPtr bare = At(tree, "Bare");
  EXPECT_EQ(CTTeeSplit(bare.get(), nullptr, -1), 0);
  // A selection is not compared with the count.
  EXPECT_EQ(CTTeeSplit(bare.get(), nullptr, 4), 4);
  EXPECT_EQ(Recorded(*bare), "SplitElem=text:Elem4");
  EXPECT_EQ(Where(*bare), "Case/Bare");
}

}  // namespace
}  // namespace fintop_test
