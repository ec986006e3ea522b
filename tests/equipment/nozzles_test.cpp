// Tee and mixer nozzles and the valve curve.
#include <string>
#include <vector>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

constexpr char kUnits[] = R"json({"name": "Case", "children": [
  {"name": "Tee", "children": [{"name": "Enhanced Holdup", "children": [
    {"name": "Product Nozzle Diameter", "elements": [0.1, 0.2, 0.3]}]}]},
  {"name": "TeeTwoWords", "children": [{"name": "Enhanced Hold Up", "children": [
    {"name": "Product Nozzle Diameter", "elements": [0.1, 0.2, 0.3]}]}]},
  {"name": "Mixer", "children": [{"name": "Enhanced Hold Up", "children": [
    {"name": "Feed Nozzle Diameter", "elements": [0.1, 0.2]}]}]},
  {"name": "MixerOneWord", "children": [{"name": "Enhanced Holdup", "children": [
    {"name": "Feed Nozzle Diameter", "elements": [0.1, 0.2]}]}]},
  {"name": "Valve6", "children": [{"name": "Performance Curve", "children": [
    {"name": "Lift (% of max)",
               "elements" : [ 0, 20, 40, 60, 80, 100 ]
}]
}]
},
  {"name": "Valve1", "children": [{"name": "Performance Curve", "children": [
    {"name": "Lift (% of max)", "elements": [0]}]}]},
  {"name": "Valve0", "children": [{"name": "Performance Curve", "children": [
    {"name": "Lift (% of max)", "elements": []}]}]},
  {"name": "ValveNoTable", "children": [{"name": "Performance Curve"}]},
  {"name": "Bare"}]})json";

struct CountRow {
  FICollection callback;
  const char* unit;
  int count;
};

class NozzleCountTable : public CallbackTestWithParam<CountRow> {};

TEST_P(NozzleCountTable, CountsTheTableTwoLevelsDown) {
  const CountRow& row = GetParam();
  Tree tree = MakeTree(kUnits);
  IteratorPtr it = At(tree, row.unit);
  EXPECT_EQ(row.callback(it.get(), nullptr, -1), row.count);
  EXPECT_EQ(Recorded(*it), "");
  EXPECT_EQ(Where(*it), std::string("Case/") + row.unit);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, NozzleCountTable,
    ::testing::Values(CountRow{CTTeeNozzle, "Tee", 3}, CountRow{CTTeeNozzle, "TeeTwoWords", 0},
                      CountRow{CTTeeNozzle, "Bare", 0}, CountRow{CTMixerNozzle, "Mixer", 2},
                      CountRow{CTMixerNozzle, "MixerOneWord", 0},
                      CountRow{CTMixerNozzle, "Bare", 0},
                      // n lift elements are n - 1 curve points.
                      CountRow{CTValveCurve, "Valve6", 5}, CountRow{CTValveCurve, "Valve1", 0},
                      CountRow{CTValveCurve, "Valve0", 0},
                      CountRow{CTValveCurve, "ValveNoTable", 0},
                      CountRow{CTValveCurve, "Bare", 0}));

class Nozzles : public CallbackTest {};

TEST_F(Nozzles, SelectionsRecordElemWithoutReadingOrMoving) {
  Tree tree = MakeTree(kUnits);
  for (FICollection callback : {CTTeeNozzle, CTMixerNozzle, CTValveCurve}) {
    IteratorPtr it = At(tree, "Bare");
    EXPECT_EQ(callback(it.get(), nullptr, 2), 2);
    EXPECT_EQ(Recorded(*it), "Elem=text:Elem2");
    EXPECT_EQ(Where(*it), "Case/Bare");
  }
}

// Hears the names handed to Down, on the iterator and on its clones.
class DownNames : public hostsim::IteratorObserver {
 public:
  void OnEvent(const HostIterator&, const hostsim::IteratorEvent& event) override {
    if (std::string(event.op) == "Down") names.emplace_back(event.text);
  }
  std::vector<std::string> names;
};

TEST_F(Nozzles, TheLiftTableIsNamedWithItsQuoteCharacters) {
  Tree tree = MakeTree(kUnits);
  IteratorPtr it = At(tree, "Valve6");
  DownNames observer;
  it->set_observer(&observer);
  EXPECT_EQ(CTValveCurve(it.get(), nullptr, -1), 5);
  it->set_observer(nullptr);
  ASSERT_EQ(observer.names.size(), 2u);
  EXPECT_EQ(observer.names[0], "Performance Curve");
  EXPECT_EQ(observer.names[1], "\"Lift (% of max)\"");
  EXPECT_EQ(observer.names[1].size(), 17u);
}

}  // namespace
}  // namespace fintop_test
