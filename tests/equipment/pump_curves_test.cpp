// Pump curves with the coefficient curve, efficiency and NPSH curves, NPSH points.
#include <cstdlib>
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

// Pump A: three pump curves (the second without "Object Name") and two NPSH curves; B: one
// pump curve; Bare: no curves.
constexpr char kPumps[] = R"({"name": "Case", "children": [
  {"name": "A", "type": "PumpOpObject", "children": [
    {"name": "Pump Curve", "elements": [
      {"children": [{"name": "Object Name", "value": "Curve 1"}]},
      {"children": [{"name": "Head"}]},
      {"children": [{"name": "Object Name", "value": "Curve 3"}]}]},
    {"name": "NPSH Curve", "elements": [1, 2]}]},
  {"name": "B", "children": [
    {"name": "Pump Curve", "elements": [{"children": [{"name": "Object Name", "value": "B1"}]}]}]},
  {"name": "Bare"}]})";

class PumpCurves : public CallbackTest {
 protected:
  Tree tree_ = MakeTree(kPumps);
  int Count(FICollection callback, const char* pump) {
    IteratorPtr it = At(tree_, pump);
    const int count = callback(it.get(), nullptr, -1);
    EXPECT_EQ(Recorded(*it), "");
    EXPECT_EQ(Where(*it), std::string("Case/") + pump);
    return count;
  }
  // A selection on a fresh iterator: "<where> | <recorded>".
  std::string Select(FICollection callback, const char* pump, int index) {
    IteratorPtr it = At(tree_, pump);
    EXPECT_EQ(callback(it.get(), nullptr, index), index);
    return Where(*it) + " | " + Recorded(*it);
  }
};

TEST_F(PumpCurves, PumpCurvesEndWithTheCoefficientCurve) {
  EXPECT_EQ(Count(CTPumpCurve, "A"), 4);
  struct Row {
    int index;
    const char* expected;
  };
  for (const Row& row :
       {Row{0, "Case/A/Pump Curve/Elem0 | Name=text:Curve 1"},
        // Entered, but without "Object Name" no name.
        Row{1, "Case/A/Pump Curve/Elem1 | "}, Row{2, "Case/A/Pump Curve/Elem2 | Name=text:Curve 3"},
        Row{3, "Case/A | Name=text:CoefficientCurve"}}) {
    EXPECT_EQ(Select(CTPumpCurve, "A", row.index), row.expected) << row.index;
  }
}

TEST_F(PumpCurves, APumpWithoutPumpCurvesHasOnlyTheCoefficientCurve) {
  EXPECT_EQ(Count(CTPumpCurve, "Bare"), 1);
  EXPECT_EQ(Select(CTPumpCurve, "Bare", 0), "Case/Bare | Name=text:CoefficientCurve");
  EXPECT_EQ(Count(CTEfficiencyCurve, "Bare"), 0);
}

TEST_F(PumpCurves, TheCoefficientIndexIsTheLastCountedPumps) {
  EXPECT_EQ(Count(CTPumpCurve, "A"), 4);
  EXPECT_EQ(Count(CTPumpCurve, "B"), 2);
  // Index 3 of A is now taken for a host pump curve, which A lacks: the iterator stays on
  // "Pump Curve" and no name is recorded.
  EXPECT_EQ(Select(CTPumpCurve, "A", 3), "Case/A/Pump Curve | ");
  EXPECT_EQ(Select(CTPumpCurve, "A", 1), "Case/A | Name=text:CoefficientCurve");
  EXPECT_EQ(Select(CTPumpCurve, "B", 1), "Case/B | Name=text:CoefficientCurve");
  // Neither the efficiency count nor the NPSH count touches it.
  EXPECT_EQ(Count(CTEfficiencyCurve, "A"), 3);
  EXPECT_EQ(Count(CTNPSHCurve, "A"), 2);
  EXPECT_EQ(Select(CTPumpCurve, "A", 1), "Case/A | Name=text:CoefficientCurve");
  EXPECT_EQ(Count(CTPumpCurve, "A"), 4);
  EXPECT_EQ(Select(CTPumpCurve, "A", 3), "Case/A | Name=text:CoefficientCurve");
  // A host curve selection on a pump without curves moves nothing.
  EXPECT_EQ(Select(CTPumpCurve, "Bare", 0), "Case/Bare | ");
}

// Runs in a process of its own, so that no pump count of another test comes before it.
TEST_F(PumpCurves, BeforeAnyCountNoIndexIsTheCoefficientCurve) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const bool ok = Select(CTPumpCurve, "Bare", 0) == "Case/Bare | " &&
                        Select(CTPumpCurve, "B", 0) == "Case/B/Pump Curve/Elem0 | Name=text:B1";
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(PumpCurves, EfficiencyAndNpshCurvesMoveOntoTheSelectedCurve) {
  struct Row {
    FICollection callback;
    const char* pump;
    int index;
    const char* expected;
  };
  for (const Row& row :
       {Row{CTEfficiencyCurve, "A", 2, "Case/A/Pump Curve/Elem2 | "},
        Row{CTEfficiencyCurve, "A", 5, "Case/A/Pump Curve | "},
        Row{CTEfficiencyCurve, "Bare", 0, "Case/Bare | "},
        Row{CTNPSHCurve, "A", 1, "Case/A/NPSH Curve/Elem1 | "},
        Row{CTNPSHCurve, "A", 2, "Case/A/NPSH Curve | "}, Row{CTNPSHCurve, "B", 0, "Case/B | "}}) {
    EXPECT_EQ(Select(row.callback, row.pump, row.index), row.expected);
  }
  EXPECT_EQ(Count(CTNPSHCurve, "B"), 0);
}

TEST_F(PumpCurves, NpshPointsAreTwoWithTheirVariablesBound) {
  struct Row {
    int index;
    int result;
    const char* bound;
    const char* recorded;
  };
  for (const Row& row :
       {Row{-1, 2, "", ""},
        Row{0, 0, "NPSH->Point 1 NPSH; Flow->Point 1 Vol Flow", "PointNo=int:1"},
        Row{1, 1, "NPSH->Point 2 NPSH; Flow->Point 2 Vol Flow", "PointNo=int:2"},
        Row{5, 5, "NPSH->Point 2 NPSH; Flow->Point 2 Vol Flow", "PointNo=int:2"}}) {
    IteratorPtr it = At(tree_, "Bare");
    EXPECT_EQ(CTNPSHCurvePoint(it.get(), nullptr, row.index), row.result);
    EXPECT_EQ(Bound(*it), row.bound) << row.index;
    EXPECT_EQ(Recorded(*it), row.recorded) << row.index;
    EXPECT_EQ(Where(*it), "Case/Bare");
  }
}

}  // namespace
}  // namespace fintop_test
