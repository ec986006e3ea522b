// Column side draws of three kinds, their draw lists, the move to a draw's stream and the move
// to a tray's liquid draw.
#include <ostream>
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

// A stream name longer than 255 characters; its first 255 characters name another entry.
const std::string kLongName = std::string(290, 's') + "-Tail-0001";
const std::string kLongPrefix = kLongName.substr(0, 255);

// 2 liquid, 1 vapour and 3 water draws. L2 is in no list; W3 is in the liquid and the water
// lists; "Vapour Draws" Elem0 has no "Vap and Liq draws" and Elem1 an empty one. The streams
// are siblings of the column.
std::string ColumnCase() {
  return R"({"name": "Case", "children": [
    {"name": "Column", "children": [
      {"name": "Liquid Draw", "elements": ["L1", "L2"]},
      {"name": "Vapour Draw", "elements": ["V.1"]},
      {"name": "Water Draw", "elements": ["W1", ")" +
         kLongName + R"(", "W3"]},
      {"name": "Liquid Draws", "elements": [
        {"children": [{"name": "Vap and Liq draws", "elements": ["L1"]}]},
        {"children": [{"name": "Vap and Liq draws", "elements": [null, "W3"]}]}]},
      {"name": "Vapour Draws", "elements": [
        {"value": 0},
        {"children": [{"name": "Vap and Liq draws", "elements": []}]},
        {"children": [{"name": "Vap and Liq draws", "elements": [null, "V.1"]}]}]},
      {"name": "Water Draws", "elements": [
        {"children": [{"name": "Vap and Liq draws", "elements": ["W1"]}]},
        {"children": [{"name": "Vap and Liq draws", "elements": [")" +
         kLongPrefix + R"("]}]},
        {"children": [{"name": "Vap and Liq draws", "elements": [")" +
         kLongName + R"(", "W3"]}]}]}]},
    {"name": "Unnamed", "children": [
      {"name": "Liquid Draw", "elements": [null, "L1"]}]},
    {"name": "L1"}, {"name": "V.1"}, {"name": "W1"}, {"name": "W3"},
    {"name": ")" +
         kLongName + R"("},
    {"name": "V", "children": [{"name": "1"}]},
    {"name": "TS", "children": [{"name": "Liquid Draws#1", "elements": [1, 2, 3]}]},
    {"name": "TS2"}]})";
}

class SideDraws : public CallbackTest {
 protected:
  Tree tree_ = MakeTree(ColumnCase());
};

TEST_F(SideDraws, CountsTheDrawsWithAStreamOfAllThreeKinds) {
  struct Row {
    const char* node;
    int count;
  } rows[] = {{"Column", 6}, {"Unnamed", 1}, {"TS", 0}};
  for (const Row& row : rows) {
    IteratorPtr it = At(tree_, row.node);
    EXPECT_EQ(CTColumnSideDraws(it.get(), nullptr, -1), row.count) << row.node;
    EXPECT_EQ(Where(*it), std::string("Case/") + row.node);
    EXPECT_EQ(Recorded(*it), "");
  }
}

struct DrawRow {
  int index;
  std::string recorded;
  std::string stream_at;  // where CTSideDrawFluid moves; empty: the stream is not found
};

void PrintTo(const DrawRow& row, std::ostream* os) {
  *os << "draw " << row.index;
}

class SideDrawSelection : public CallbackTestWithParam<DrawRow> {
 protected:
  Tree tree_ = MakeTree(ColumnCase());
};

TEST_P(SideDrawSelection, RecordsKindPositionStreamAndListThenReachesTheStream) {
  const DrawRow& row = GetParam();
  IteratorPtr it = At(tree_, "Column");
  EXPECT_EQ(CTColumnSideDraws(it.get(), nullptr, row.index), row.index);
  EXPECT_EQ(Recorded(*it), row.recorded);
  EXPECT_EQ(Where(*it), "Case/Column");

  const bool found = !row.stream_at.empty();
  EXPECT_EQ(CTSideDrawFluid(it.get(), 0), found);
  EXPECT_EQ(Where(*it), "Case/Column");
  EXPECT_EQ(CTSideDrawFluid(it.get(), 1), found);
  // A failed move undoes nothing: it stays on the column's parent.
  EXPECT_EQ(Where(*it), found ? row.stream_at : "Case");
  EXPECT_EQ(Recorded(*it), row.recorded);
}

INSTANTIATE_TEST_SUITE_P(
    TwoLiquidOneVapourThreeWater, SideDrawSelection,
    ::testing::Values(
        DrawRow{0,
                "DrawElemNum=text:Elem0; Draw=text:Liquid Draw; StreamId=text:L1; "
                "DrawsElemNum=text:Elem0; Draws=text:Liquid Draws",
                "Case/L1"},
        // In no list: the list searched last, at -1.
        DrawRow{1,
                "DrawElemNum=text:Elem1; Draw=text:Liquid Draw; StreamId=text:L2; "
                "DrawsElemNum=text:Elem-1; Draws=text:Water Draws",
                ""},
        // Missing and empty "Vap and Liq draws" still count as positions; the dotted name is
        // kept as read and reached as one level.
        DrawRow{2,
                "DrawElemNum=text:Elem0; Draw=text:Vapour Draw; StreamId=text:V.1; "
                "DrawsElemNum=text:Elem2; Draws=text:Vapour Draws",
                "Case/V.1"},
        DrawRow{3,
                "DrawElemNum=text:Elem0; Draw=text:Water Draw; StreamId=text:W1; "
                "DrawsElemNum=text:Elem0; Draws=text:Water Draws",
                "Case/W1"},
        // The whole long name is kept, compared and reached; its prefix does not match.
        DrawRow{4,
                "DrawElemNum=text:Elem1; Draw=text:Water Draw; StreamId=text:" + kLongName +
                    "; DrawsElemNum=text:Elem2; Draws=text:Water Draws",
                "Case/" + kLongName},
        // In two lists: liquid comes first.
        DrawRow{5,
                "DrawElemNum=text:Elem2; Draw=text:Water Draw; StreamId=text:W3; "
                "DrawsElemNum=text:Elem1; Draws=text:Liquid Draws",
                "Case/W3"}),
    [](const auto& info) { return "Draw" + std::to_string(info.param.index); });

// Draw lists that are not all there: a missing list, or one without elements, holds no
// stream, and the search goes on to the next list. "EmptyLists" has an empty "Liquid Draws"
// and no "Vapour Draws".
TEST_F(SideDraws, AMissingOrEmptyDrawListIsPassedOver) {
  const Tree tree = MakeTree(R"({"name": "Case", "children": [
    {"name": "NoLiquidList", "children": [
      {"name": "Vapour Draw", "elements": ["V1"]},
      {"name": "Vapour Draws", "elements": [
        {"children": [{"name": "Vap and Liq draws", "elements": ["V1"]}]}]}]},
    {"name": "EmptyLists", "children": [
      {"name": "Water Draw", "elements": ["W1"]},
      {"name": "Liquid Draws"},
      {"name": "Water Draws", "elements": [
        {"value": 0},
        {"children": [{"name": "Vap and Liq draws", "elements": ["W1"]}]}]}]},
    {"name": "V1"}, {"name": "W1"}]})");
  const struct {
    const char* column;
    std::string recorded;
    std::string stream_at;
  } rows[] = {
      {"NoLiquidList",
       "DrawElemNum=text:Elem0; Draw=text:Vapour Draw; StreamId=text:V1; "
       "DrawsElemNum=text:Elem0; Draws=text:Vapour Draws",
       "Case/V1"},
      {"EmptyLists",
       "DrawElemNum=text:Elem0; Draw=text:Water Draw; StreamId=text:W1; "
       "DrawsElemNum=text:Elem1; Draws=text:Water Draws",
       "Case/W1"},
  };
  for (const auto& row : rows) {
    IteratorPtr it = At(tree, row.column);
    EXPECT_EQ(CTColumnSideDraws(it.get(), nullptr, -1), 1) << row.column;
    EXPECT_EQ(CTColumnSideDraws(it.get(), nullptr, 0), 0) << row.column;
    EXPECT_EQ(Recorded(*it), row.recorded) << row.column;
    EXPECT_EQ(Where(*it), std::string("Case/") + row.column);
    EXPECT_TRUE(CTSideDrawFluid(it.get(), 1)) << row.column;
    EXPECT_EQ(Where(*it), row.stream_at);
  }
}

TEST_F(SideDraws, ADrawWithoutStreamRecordsEmptyTextAndNoList) {
  // Positions count every element, so draw 0 is the element without text.
  IteratorPtr it = At(tree_, "Unnamed");
  EXPECT_EQ(CTColumnSideDraws(it.get(), nullptr, 0), 0);
  EXPECT_EQ(Recorded(*it), "DrawElemNum=text:Elem0; Draw=text:Liquid Draw; StreamId=text:");
  EXPECT_FALSE(CTSideDrawFluid(it.get(), 0));
  EXPECT_EQ(Where(*it), "Case/Unnamed");
}

TEST_F(SideDraws, FluidWithoutAStreamIdTextFailsWithoutMoving) {
  IteratorPtr it = At(tree_, "Column");
  EXPECT_FALSE(CTSideDrawFluid(it.get(), 1));
  EXPECT_EQ(Where(*it), "Case/Column");
  it->SetAttribute("StreamId", FIAttribute(3));
  EXPECT_FALSE(CTSideDrawFluid(it.get(), 1));
  EXPECT_EQ(Where(*it), "Case/Column");
}

TEST_F(SideDraws, LiquidFromStepsToTheSelectedTraysElement) {
  struct Row {
    const char* section;
    int tray;  // -1: no tray selected
    bool result;
    const char* after;  // where a moving call leaves the caller's iterator
  } rows[] = {
      {"TS", 2, true, "Case/TS/Liquid Draws#1/Elem2"},
      {"TS", 0, true, "Case/TS/Liquid Draws#1/Elem0"},
      // A failed move undoes nothing.
      {"TS", 5, false, "Case/TS/Liquid Draws#1"},
      {"TS", -1, false, "Case/TS"},
      {"TS2", 0, false, "Case/TS2"},
  };
  for (const Row& row : rows) {
    for (int move : {0, 1}) {
      IteratorPtr it = At(tree_, row.section);
      if (row.tray >= 0) CTSectionTray(it.get(), nullptr, row.tray);
      EXPECT_EQ(CTColumnLiquidFrom(it.get(), move), row.result) << row.section << row.tray;
      EXPECT_EQ(Where(*it), move ? row.after : std::string("Case/") + row.section);
    }
  }
}

TEST_F(SideDraws, NullIteratorGivesTheFailureResult) {
  EXPECT_EQ(CTColumnSideDraws(nullptr, nullptr, -1), 0);
  EXPECT_EQ(CTColumnSideDraws(nullptr, nullptr, 4), 4);
  EXPECT_FALSE(CTSideDrawFluid(nullptr, 1));
  EXPECT_FALSE(CTColumnLiquidFrom(nullptr, 0));
}

}  // namespace
}  // namespace fintop_test
