// Phase-envelope curves: stored counts, and dew points numbered after the bubble points of the
// envelope whose dew curve was counted last.
#include <cstdlib>
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

// Envelope A: 12 bubble, 9 dew, 4 hydrate points; B: 5 bubble, 2 dew; C: bubble but no dew
// curve; D: dew but no bubble curve.
constexpr char kEnvelopes[] = R"({"name": "Case", "children": [
  {"name": "A", "type": "EnvelopeUtilityObject", "children": [
    {"name": "Number of Points, Bubble Point Curve", "value": 12},
    {"name": "Number of Points, Dew Point Curve", "value": 9},
    {"name": "Number of Points, Hydrate Curve", "value": 4}]},
  {"name": "B", "children": [
    {"name": "Number of Points, Dew Point Curve", "value": 2},
    {"name": "Number of Points, Bubble Point Curve", "value": 5}]},
  {"name": "C", "children": [{"name": "Number of Points, Bubble Point Curve", "value": 7}]},
  {"name": "D", "children": [{"name": "Number of Points, Dew Point Curve", "value": 3}]}]})";

class EnvelopeCurves : public CallbackTest {
 protected:
  Tree tree_ = MakeTree(kEnvelopes);
  // A dew selection on a fresh iterator on `envelope`; returns its "DewCurveElement".
  std::string DewElement(const char* envelope, int index) {
    IteratorPtr it = At(tree_, envelope);
    EXPECT_EQ(CTDewPointCurve(it.get(), nullptr, index), index);
    return AttributeOf(*it, "DewCurveElement");
  }
  int DewCount(const char* envelope) {
    IteratorPtr it = At(tree_, envelope);
    const int count = CTDewPointCurve(it.get(), nullptr, -1);
    EXPECT_EQ(Recorded(*it), "");
    EXPECT_EQ(Where(*it), std::string("Case/") + envelope);
    return count;
  }
};

TEST_F(EnvelopeCurves, CountsAreTheStoredNumbersOfPoints) {
  struct Row {
    const char* envelope;
    FICollection callback;
    int count;
  };
  for (const Row& row : {Row{"A", CTBubblePointCurve, 12}, Row{"A", CTDewPointCurve, 9},
                         Row{"A", CTHydratePointCurve, 4}, Row{"B", CTHydratePointCurve, 0},
                         Row{"C", CTDewPointCurve, 0}, Row{"D", CTBubblePointCurve, 0}}) {
    IteratorPtr it = At(tree_, row.envelope);
    EXPECT_EQ(row.callback(it.get(), nullptr, -1), row.count) << row.envelope;
    EXPECT_EQ(Recorded(*it), "");
    EXPECT_EQ(Where(*it), std::string("Case/") + row.envelope);
  }
}

TEST_F(EnvelopeCurves, SelectionsRecordElementAndZeroBasedPointNumber) {
  for (FICollection callback : {CTBubblePointCurve, CTHydratePointCurve}) {
    IteratorPtr it = At(tree_, "A");
    EXPECT_EQ(callback(it.get(), nullptr, 2), 2);
    EXPECT_EQ(Recorded(*it), "CurveElement=text:Elem2; PointNo=int:2");
    EXPECT_EQ(Where(*it), "Case/A");
  }
  EXPECT_EQ(DewCount("A"), 9);
  IteratorPtr it = At(tree_, "A");
  EXPECT_EQ(CTDewPointCurve(it.get(), nullptr, 0), 0);
  EXPECT_EQ(Recorded(*it), "CurveElement=text:Elem0; PointNo=int:0; DewCurveElement=text:Elem12");
  EXPECT_EQ(Where(*it), "Case/A");
}

TEST_F(EnvelopeCurves, DewNumberingFollowsTheLastDewCount) {
  EXPECT_EQ(DewCount("A"), 9);
  EXPECT_EQ(DewElement("A", 3), "text:Elem15");
  EXPECT_EQ(DewCount("B"), 2);
  // A's points are now numbered after B's five bubble points.
  EXPECT_EQ(DewElement("A", 3), "text:Elem8");
  EXPECT_EQ(DewCount("A"), 9);
  EXPECT_EQ(DewElement("A", 3), "text:Elem15");
  // Counting bubble points remembers nothing.
  IteratorPtr b = At(tree_, "B");
  EXPECT_EQ(CTBubblePointCurve(b.get(), nullptr, -1), 5);
  EXPECT_EQ(DewElement("A", 0), "text:Elem12");
}

TEST_F(EnvelopeCurves, WithoutADewCurveTheBubbleCountIsZeroEvenWithBubblePoints) {
  EXPECT_EQ(DewCount("A"), 9);
  EXPECT_EQ(DewCount("C"), 0);
  EXPECT_EQ(DewElement("C", 1), "text:Elem1");
}

TEST_F(EnvelopeCurves, WithoutABubbleCurveDewElementEqualsCurveElement) {
  EXPECT_EQ(DewCount("A"), 9);
  EXPECT_EQ(DewCount("D"), 3);
  IteratorPtr it = At(tree_, "D");
  CTDewPointCurve(it.get(), nullptr, 2);
  EXPECT_EQ(Recorded(*it), "CurveElement=text:Elem2; PointNo=int:2; DewCurveElement=text:Elem2");
}

// Runs in a process of its own, so that no dew count of another test comes before it.
TEST_F(EnvelopeCurves, ADewSelectionBeforeAnyDewCountNumbersFromZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const bool ok = DewElement("A", 4) == "text:Elem4";
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace fintop_test
