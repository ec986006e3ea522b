// Every callback of the family refuses a null iterator without crashing: a count is 0, a
// selection returns its index as every selection does, and the two fixed tables, whose
// refusal is 0, give 0.
#include "support/fintop_test.h"

namespace fintop_test {
namespace {

TEST(EquipmentCallbacks, ANullIteratorGivesTheFailureResult) {
  FIAttribute out;
  for (FICollection callback :
       {CTPipeSegment, CTPipeCell, CTPipeProfile, CTDewPointCurve, CTBubblePointCurve,
        CTHydratePointCurve, CTEntrainment, CTComprPerfCurve, CTPerfCurvePoint, CTSpeedFlowCurve,
        CTTeeNozzle, CTMixerNozzle, CTValveCurve, CTPumpCurve, CTEfficiencyCurve, CTNPSHCurve,
        CTNPSHCurvePoint, CTTeeSplit}) {
    EXPECT_EQ(callback(nullptr, &out, -1), 0);
    EXPECT_EQ(callback(nullptr, &out, 1), 1);
  }
  for (FICollection callback : {CTCutPercent, CTViscosity}) {
    EXPECT_EQ(callback(nullptr, &out, -1), 0);
    EXPECT_EQ(callback(nullptr, &out, 1), 0);
  }
  for (FIElement callback : {CTExchangerHot, CTExchangerCold}) {
    EXPECT_FALSE(callback(nullptr, 0));
    EXPECT_FALSE(callback(nullptr, 1));
  }
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace fintop_test
