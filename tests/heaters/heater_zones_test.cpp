// Heater zones, profile points and the outlet vapour fraction.
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

// Four zones, six profile points (one more than duties plus one), three vapour fractions;
// "Bare" has none of the tables, "Empty" has them all empty.
constexpr char kHeaters[] = R"({"name": "Case", "children": [
    {"name": "H", "type": "HeaterOpObject", "children": [
      {"name": "Zone duty", "elements": [100.5, 200, 300.75, 400.5]},
      {"name": "Zone pressures", "elements": [10, 9, 8, 7, 6, 5]},
      {"name": "Zone vapour frac", "elements": [0.1, 0.5, 0.9]}]},
    {"name": "Bare", "type": "HeaterOpObject"},
    {"name": "Empty", "type": "CoolerOpObject", "children": [
      {"name": "Zone duty", "elements": []},
      {"name": "Zone pressures", "elements": []},
      {"name": "Zone vapour frac", "elements": []}]}]})";

class HeaterZones : public CallbackTest {
 protected:
  Tree tree_ = MakeTree(kHeaters);
};

TEST_F(HeaterZones, CountsZonesOverDutiesAndPointsOverPressures) {
  struct Row {
    const char* heater;
    int zones;
    int points;
  } rows[] = {{"H", 4, 6}, {"Bare", 0, 0}, {"Empty", 0, 0}};
  for (const Row& row : rows) {
    IteratorPtr it = At(tree_, row.heater);
    EXPECT_EQ(CTHeaterZone(it.get(), nullptr, -1), row.zones) << row.heater;
    EXPECT_EQ(CTHeaterProfile(it.get(), nullptr, -1), row.points) << row.heater;
    EXPECT_EQ(Where(*it), std::string("Case/") + row.heater);
    EXPECT_EQ(Recorded(*it), "");
  }
}

TEST_F(HeaterZones, ZoneSelectionRecordsItsElementTheNextAndItsOneBasedNumber) {
  struct Row {
    int index;
    const char* recorded;
  } rows[] = {
      {0, "HeaterZoneElemNum=text:Elem0; HeaterZoneElemNum1=text:Elem1; ZoneNo=int:1"},
      {3, "HeaterZoneElemNum=text:Elem3; HeaterZoneElemNum1=text:Elem4; ZoneNo=int:4"},
      {11, "HeaterZoneElemNum=text:Elem11; HeaterZoneElemNum1=text:Elem12; ZoneNo=int:12"},
  };
  for (const Row& row : rows) {
    for (const char* heater : {"H", "Bare"}) {  // the host is not read
      IteratorPtr it = At(tree_, heater);
      EXPECT_EQ(CTHeaterZone(it.get(), nullptr, row.index), row.index);
      EXPECT_EQ(Recorded(*it), row.recorded) << heater;
      EXPECT_EQ(Where(*it), std::string("Case/") + heater);
    }
  }
}

TEST_F(HeaterZones, ProfilePointTakesThePreviousZonesDutyAsRead) {
  struct Row {
    const char* heater;
    int index;
    const char* recorded;
  } rows[] = {
      // Point 0 carries a real 0.0 whatever the host holds.
      {"H", 0, "ProfileElemNum=text:Elem0; HeatTransferred=real:0; ProfileZoneNo=int:0"},
      {"Bare", 0, "ProfileElemNum=text:Elem0; HeatTransferred=real:0; ProfileZoneNo=int:0"},
      {"H", 1, "ProfileElemNum=text:Elem1; HeatTransferred=real:100.5; ProfileZoneNo=int:1"},
      {"H", 2, "ProfileElemNum=text:Elem2; HeatTransferred=int:200; ProfileZoneNo=int:2"},
      {"H", 3, "ProfileElemNum=text:Elem3; HeatTransferred=real:300.75; ProfileZoneNo=int:3"},
      {"H", 4, "ProfileElemNum=text:Elem4; HeatTransferred=real:400.5; ProfileZoneNo=int:4"},
      // More points than duties: no duty to carry.
      {"H", 5, "ProfileElemNum=text:Elem5; ProfileZoneNo=int:5"},
      {"Bare", 2, "ProfileElemNum=text:Elem2; ProfileZoneNo=int:2"},
      {"Empty", 1, "ProfileElemNum=text:Elem1; ProfileZoneNo=int:1"},
  };
  for (const Row& row : rows) {
    IteratorPtr it = At(tree_, row.heater);
    EXPECT_EQ(CTHeaterProfile(it.get(), nullptr, row.index), row.index);
    EXPECT_EQ(Recorded(*it), row.recorded) << row.heater << " " << row.index;
    EXPECT_EQ(Where(*it), std::string("Case/") + row.heater);
  }
}

TEST_F(HeaterZones, VapourFractionIsTheLastElementAndAFailedMoveUndoesNothing) {
  struct Row {
    const char* heater;
    int move;
    bool result;
    const char* after;
  } rows[] = {
      {"H", 1, true, "Case/H/Zone vapour frac/Elem2"},
      {"H", 7, true, "Case/H/Zone vapour frac/Elem2"},
      {"H", 0, true, "Case/H"},
      {"Empty", 1, false, "Case/Empty/Zone vapour frac"},
      {"Empty", 0, false, "Case/Empty"},
      {"Bare", 1, false, "Case/Bare"},
      {"Bare", 0, false, "Case/Bare"},
  };
  for (const Row& row : rows) {
    IteratorPtr it = At(tree_, row.heater);
    EXPECT_EQ(CTHeaterVF(it.get(), row.move), row.result) << row.heater << " " << row.move;
    EXPECT_EQ(Where(*it), row.after);
    EXPECT_EQ(Recorded(*it), "");
  }
}

TEST_F(HeaterZones, NullIteratorGivesTheFailureResult) {
  EXPECT_FALSE(CTHeaterVF(nullptr, 1));
  EXPECT_EQ(CTHeaterZone(nullptr, nullptr, -1), 0);
  EXPECT_EQ(CTHeaterProfile(nullptr, nullptr, 3), 3);
}

}  // namespace
}  // namespace fintop_test
