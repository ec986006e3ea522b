// Pipe segments, cells and profile points.
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

// Segments of 4, 6 and 5 cells; seven profile points.
constexpr char kPipe[] = R"({"name": "Case", "children": [{"name": "Pipe", "children": [
  {"name": "Pipe Length", "elements": [10.0, 20.0, 30.0]},
  {"name": "No of Increments", "elements": [4, 6, 5]},
  {"name": "Profile Length", "elements": [0, 1, 2, 3, 4, 5, 6]}]}]})";

struct SegmentRow {
  const char* json;
  int segment;
  const char* recorded;  // after CTPipeSegment
  int cells;             // CTPipeCell(-1) afterwards
  const char* cell3;     // "CellElemNum" after CTPipeCell(3)
};

class PipeSegmentTable : public CallbackTestWithParam<SegmentRow> {};

TEST_P(PipeSegmentTable, RecordsTheCellRangeThatTheCellsAreNumberedFrom) {
  const SegmentRow& row = GetParam();
  Tree tree = MakeTree(row.json);
  IteratorPtr it = At(tree, "Pipe");
  EXPECT_EQ(CTPipeSegment(it.get(), nullptr, row.segment), row.segment);
  EXPECT_EQ(Recorded(*it), row.recorded);
  EXPECT_EQ(CTPipeCell(it.get(), nullptr, -1), row.cells);
  EXPECT_EQ(CTPipeCell(it.get(), nullptr, 3), 3);
  EXPECT_EQ(AttributeOf(*it, "CellElemNum"), row.cell3);
  EXPECT_EQ(Where(*it), "Case/Pipe");
}

constexpr char kNoIncrements[] = R"({"name": "Case", "children": [{"name": "Pipe", "children": [
  {"name": "Pipe Length", "elements": [10.0, 20.0]}]}]})";
constexpr char kValuelessSegment[] = R"({"name": "Case", "children": [{"name": "Pipe", "children": [
  {"name": "No of Increments", "elements": [4, null, 5]}]}]})";

INSTANTIATE_TEST_SUITE_P(
    Segments, PipeSegmentTable,
    ::testing::Values(
        SegmentRow{kPipe, 0, "SegElemNum=text:Elem0; SegStartCell=int:0; SegNumCell=int:4", 4,
                   "text:Elem3"},
        SegmentRow{kPipe, 1, "SegElemNum=text:Elem1; SegStartCell=int:4; SegNumCell=int:6", 6,
                   "text:Elem7"},
        SegmentRow{kPipe, 2, "SegElemNum=text:Elem2; SegStartCell=int:10; SegNumCell=int:5", 5,
                   "text:Elem13"},
        // Past the list: the last segment's range.
        SegmentRow{kPipe, 5, "SegElemNum=text:Elem5; SegStartCell=int:10; SegNumCell=int:5", 5,
                   "text:Elem13"},
        SegmentRow{kNoIncrements, 1, "SegElemNum=text:Elem1; SegStartCell=int:0; SegNumCell=int:0",
                   0, "text:Elem3"},
        // An element without a value repeats the previous element's number.
        SegmentRow{kValuelessSegment, 1,
                   "SegElemNum=text:Elem1; SegStartCell=int:4; SegNumCell=int:4", 4, "text:Elem7"},
        SegmentRow{kValuelessSegment, 2,
                   "SegElemNum=text:Elem2; SegStartCell=int:8; SegNumCell=int:5", 5,
                   "text:Elem11"}));

class Pipe : public CallbackTest {};

TEST_F(Pipe, CountsSegmentsAndProfilePointsWithoutTouchingTheIterator) {
  Tree tree = MakeTree(kPipe);
  IteratorPtr it = At(tree, "Pipe");
  EXPECT_EQ(CTPipeSegment(it.get(), nullptr, -1), 3);
  EXPECT_EQ(CTPipeProfile(it.get(), nullptr, -1), 7);
  EXPECT_EQ(Recorded(*it), "");
  EXPECT_EQ(Where(*it), "Case/Pipe");

  Tree bare = MakeTree(R"({"name": "Case", "children": [{"name": "Pipe", "children": [
    {"name": "Pipe Length", "elements": []}]}]})");
  IteratorPtr empty = At(bare, "Pipe");
  EXPECT_EQ(CTPipeSegment(empty.get(), nullptr, -1), 0);
  EXPECT_EQ(CTPipeProfile(empty.get(), nullptr, -1), 0);
}

TEST_F(Pipe, ProfileSelectionRecordsTheElementName) {
  Tree tree = MakeTree(kPipe);
  IteratorPtr it = At(tree, "Pipe");
  EXPECT_EQ(CTPipeProfile(it.get(), nullptr, 4), 4);
  EXPECT_EQ(Recorded(*it), "ProfileElemNum=text:Elem4");
  EXPECT_EQ(Where(*it), "Case/Pipe");
}

TEST_F(Pipe, CellsBeforeAnySegmentSelectionCountZeroAndAreNamedBareElem) {
  Tree tree = MakeTree(kPipe);
  IteratorPtr it = At(tree, "Pipe");
  EXPECT_EQ(CTPipeCell(it.get(), nullptr, -1), 0);
  EXPECT_EQ(CTPipeCell(it.get(), nullptr, 2), 2);
  EXPECT_EQ(Recorded(*it), "CellElemNum=text:Elem");
}

TEST_F(Pipe, ASecondSegmentSelectionReplacesTheFirstsRange) {
  Tree tree = MakeTree(kPipe);
  IteratorPtr it = At(tree, "Pipe");
  CTPipeSegment(it.get(), nullptr, 2);
  CTPipeSegment(it.get(), nullptr, 1);
  CTPipeCell(it.get(), nullptr, 0);
  EXPECT_EQ(Recorded(*it),
            "SegElemNum=text:Elem1; SegStartCell=int:4; SegNumCell=int:6; CellElemNum=text:Elem4");
}

}  // namespace
}  // namespace fintop_test
