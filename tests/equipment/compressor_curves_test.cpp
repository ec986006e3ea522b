// Compressor performance curves and their points.
#include "support/fintop_test.h"

namespace fintop_test {
namespace {

constexpr char kCompressors[] = R"({"name": "Case", "children": [
  {"name": "K1", "type": "CompressorObject", "children": [
    {"name": "compressor curve", "elements": [1]},
    {"name": "Compressor curve", "elements": [
      {"children": [{"name": "Head", "elements": [1, 2, 3, 4, 5]},
                    {"name": "Speed", "elements": [1, 2]}]},
      {"children": [{"name": "Head", "elements": [1]}]},
      {"children": [{"name": "Head", "elements": [1, 2, 3, 4, 5]}]}]}]},
  {"name": "K2", "children": [{"name": "Compressor Curve", "elements": [1, 2]}]}]})";

struct CurveRow {
  const char* compressor;
  int index;
  int result;
  const char* where;
};

class CompressorCurveTable : public CallbackTestWithParam<CurveRow> {};

TEST_P(CompressorCurveTable, CountsOrMovesTheCallersIteratorAndRecordsNothing) {
  const CurveRow& row = GetParam();
  Tree tree = MakeTree(kCompressors);
  IteratorPtr it = At(tree, row.compressor);
  EXPECT_EQ(CTComprPerfCurve(it.get(), nullptr, row.index), row.result);
  EXPECT_EQ(Where(*it), row.where);
  EXPECT_EQ(Recorded(*it), "");
}

INSTANTIATE_TEST_SUITE_P(
    Curves, CompressorCurveTable,
    ::testing::Values(CurveRow{"K1", -1, 3, "Case/K1"},
                      CurveRow{"K1", 0, 0, "Case/K1/Compressor curve/Elem0"},
                      CurveRow{"K1", 2, 2, "Case/K1/Compressor curve/Elem2"},
                      // A failing Element is not undone.
                      CurveRow{"K1", 7, 7, "Case/K1/Compressor curve"},
                      // The host's name has a lower-case second word; no other spelling counts.
                      CurveRow{"K2", -1, 0, "Case/K2"}, CurveRow{"K2", 1, 1, "Case/K2"}));

class CompressorCurves : public CallbackTest {};

TEST_F(CompressorCurves, PointsOfTheSelectedCurve) {
  Tree tree = MakeTree(kCompressors);
  IteratorPtr it = At(tree, "K1");
  CTComprPerfCurve(it.get(), nullptr, 2);
  EXPECT_EQ(CTPerfCurvePoint(it.get(), nullptr, -1), 5);
  // Head and Speed are counted independently.
  EXPECT_EQ(CTSpeedFlowCurve(it.get(), nullptr, -1), 0);
  EXPECT_EQ(Recorded(*it), "");
  EXPECT_EQ(CTPerfCurvePoint(it.get(), nullptr, 4), 4);
  EXPECT_EQ(Recorded(*it), "PointElem=text:Elem4; PointNo=int:5");
  EXPECT_EQ(Where(*it), "Case/K1/Compressor curve/Elem2");
}

TEST_F(CompressorCurves, SpeedFlowPointsRecordNoPointNumber) {
  Tree tree = MakeTree(kCompressors);
  IteratorPtr it = At(tree, "K1.\"Compressor curve\".Elem0");
  EXPECT_EQ(CTSpeedFlowCurve(it.get(), nullptr, -1), 2);
  EXPECT_EQ(CTSpeedFlowCurve(it.get(), nullptr, 0), 0);
  EXPECT_EQ(Recorded(*it), "PointElem=text:Elem0");
  EXPECT_EQ(Where(*it), "Case/K1/Compressor curve/Elem0");
}

}  // namespace
}  // namespace fintop_test
