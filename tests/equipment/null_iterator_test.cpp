// Every callback of the family refuses a null iterator without crashing.
#include "support/fintop_test.h"

namespace fintop_test {
namespace {

TEST(EquipmentCallbacks, ANullIteratorGivesTheFailureResult) {
  FIAttribute out;
  for (FICollection callback :
       {CTPipeSegment,       CTPipeCell,        CTPipeProfile, CTDewPointCurve,  CTBubblePointCurve,
        CTHydratePointCurve, CTCutPercent,      CTViscosity,   CTEntrainment,    CTComprPerfCurve,
        CTPerfCurvePoint,    CTSpeedFlowCurve,  CTTeeNozzle,   CTMixerNozzle,    CTValveCurve,
        CTPumpCurve,         CTEfficiencyCurve, CTNPSHCurve,   CTNPSHCurvePoint, CTTeeSplit}) {
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
