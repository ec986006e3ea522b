// Pumparound draw and return streams.
#include "columns_streams/hop_rows.h"

namespace fintop_test {
namespace {

class Pumparounds : public CallbackTest {};

TEST_F(Pumparounds, DrawAndReturnReachTheStreamsNamedByFeedAndProduct) {
  Tree tree = MakeTree(R"({"name": "Case", "children": [{"name": "Col", "children": [
      {"name": "PA-1", "children": [{"name": "Feed", "value": "PA Draw"},
                                    {"name": "Product", "value": "PA.Return"}]},
      {"name": "PA Draw"}, {"name": "PA.Return"}]}]})");
  const struct {
    FIElement callback;
    const char* stream;
  } rows[] = {{CTPumparoundDraw, "Case/Col/PA Draw"}, {CTPumparoundReturn, "Case/Col/PA.Return"}};
  for (const auto& row : rows) {
    IteratorPtr it = At(tree, "Col.PA-1");
    EXPECT_TRUE(row.callback(it.get(), 0)) << row.stream;
    EXPECT_EQ(Where(*it), "Case/Col/PA-1");
    EXPECT_TRUE(row.callback(it.get(), 1)) << row.stream;
    EXPECT_EQ(Where(*it), row.stream);
    EXPECT_EQ(Recorded(*it), "");
  }
}

// An empty variable names no stream and the hop stops on it; a value that is not empty but has
// no text passes that test and fails at the last Down, on the pumparound's parent.
class PumparoundHops : public HopTable {};

TEST_P(PumparoundHops, FollowsTheNamedStream) {
  CheckHop(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Rows, PumparoundHops,
                         ::testing::Values(HopRow{"no variable", CTPumparoundDraw, "Product",
                                                  R"("value": "S")", false, "Case/Col/Unit"},
                                           HopRow{"empty variable", CTPumparoundReturn, "Product",
                                                  "", false, "Case/Col/Unit/Product"},
                                           HopRow{"integer value", CTPumparoundDraw, "Feed",
                                                  R"("value": 12)", false, "Case/Col"},
                                           HopRow{"stream not under the parent", CTPumparoundReturn,
                                                  "Product", R"("value": "Missing")", false,
                                                  "Case/Col"},
                                           HopRow{"name with a dot", CTPumparoundDraw, "Feed",
                                                  R"("value": "S.1")", true, "Case/Col/S.1"}),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

}  // namespace
}  // namespace fintop_test
