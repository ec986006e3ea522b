// Hot and cold sides of a heat exchanger.
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

constexpr char kTube[] =
    "DeltaT->Tube Side Delta T; DeltaP->Tube Side Pressure Drop; "
    "OutletT->Tube Outlet Temperature; OutletP->Tube Outlet Pressure";
constexpr char kShell[] =
    "DeltaT->Shell Side Delta T; DeltaP->Shell Side Pressure Drop; "
    "OutletT->Shell Outlet Temperature; OutletP->Shell Outlet Pressure";

struct SideRow {
  const char* tube_inlet;   // JSON of the variable's value; null for none
  const char* shell_inlet;  // the same
  const char* hot;          // bindings of CTExchangerHot
  const char* cold;         // bindings of CTExchangerCold
};

class ExchangerSideTable : public CallbackTestWithParam<SideRow> {};

std::string Variable(const char* name, const char* value) {
  std::string json = std::string(R"({"name": ")") + name + '"';
  if (value != nullptr) json += std::string(R"(, "value": )") + value;
  return json + "}";
}

TEST_P(ExchangerSideTable, BindsTheSideChosenByTheInletTemperatures) {
  const SideRow& row = GetParam();
  Tree tree = MakeTree(std::string(R"({"name": "Case", "children": [{"name": "E", "children": [)") +
                       Variable("Tube Inlet Temperature", row.tube_inlet) + ", " +
                       Variable("Shell Inlet Temperature", row.shell_inlet) + "]}]}");
  IteratorPtr hot = At(tree, "E");
  EXPECT_TRUE(CTExchangerHot(hot.get(), 1));
  EXPECT_EQ(Bound(*hot), row.hot);
  IteratorPtr cold = At(tree, "E");
  EXPECT_TRUE(CTExchangerCold(cold.get(), 1));
  EXPECT_EQ(Bound(*cold), row.cold);
  for (const IteratorPtr* it : {&hot, &cold}) {
    EXPECT_EQ(Where(**it), "Case/E");
    EXPECT_EQ(Recorded(**it), "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sides, ExchangerSideTable,
    ::testing::Values(SideRow{"150", "40", kTube, kShell}, SideRow{"40", "150", kShell, kTube},
                      SideRow{"-10.5", "-10.25", kShell, kTube},
                      // Equal inlets make the shell side hot.
                      SideRow{"80", "80", kShell, kTube},
                      // A temperature that is not a number makes the tube side hot.
                      SideRow{"150", R"("n/a")", kTube, kShell},
                      SideRow{R"("n/a")", "150", kTube, kShell},
                      // A variable without a value is not a number either, not the other side's
                      // temperature.
                      SideRow{"40", nullptr, kTube, kShell},
                      SideRow{nullptr, "40", kTube, kShell}));

class HeatExchanger : public CallbackTest {};

TEST_F(HeatExchanger, MissingInletVariablesBindNothingAndStillSucceed) {
  Tree tree = MakeTree(R"({"name": "Case", "children": [
    {"name": "NoShell", "children": [{"name": "Tube Inlet Temperature", "value": 150}]},
    {"name": "NoTube", "children": [{"name": "Shell Inlet Temperature", "value": 150}]},
    {"name": "Bare"}]})");
  for (const char* node : {"NoShell", "NoTube", "Bare"}) {
    for (FIElement side : {CTExchangerHot, CTExchangerCold}) {
      IteratorPtr it = At(tree, node);
      EXPECT_TRUE(side(it.get(), 1)) << node;
      EXPECT_EQ(Bound(*it), "") << node;
      EXPECT_EQ(Where(*it), std::string("Case/") + node);
    }
  }
}

// Counts every operation on the iterator and its clones.
class AnyOperation : public hostsim::IteratorObserver {
 public:
  void OnEvent(const HostIterator&, const hostsim::IteratorEvent&) override { ++count; }
  int count = 0;
};

TEST_F(HeatExchanger, MoveZeroAnswersTrueWithoutTouchingTheHost) {
  Tree tree = MakeTree(R"({"name": "Case", "children": [{"name": "E", "children": [
    {"name": "Tube Inlet Temperature", "value": 150},
    {"name": "Shell Inlet Temperature", "value": 40}]}]})");
  for (FIElement side : {CTExchangerHot, CTExchangerCold}) {
    IteratorPtr it = At(tree, "E");
    AnyOperation observer;
    it->set_observer(&observer);
    EXPECT_TRUE(side(it.get(), 0));
    it->set_observer(nullptr);
    EXPECT_EQ(observer.count, 0);
    EXPECT_EQ(Bound(*it), "");
  }
}

}  // namespace
}  // namespace fintop_test
