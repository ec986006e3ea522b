// Condenser and reboiler vessels: nozzles and the three compositions sharing one selection.
#include <ostream>
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

// The reboiler has 3 nozzles and compositions of 4, 5 and 6 components; the condenser none.
constexpr char kVesselColumn[] = R"({"name": "Col", "children": [
    {"name": "Reboiler", "children": [
      {"name": "Nozzle Diameter", "elements": [0.1, 0.2, 0.3]},
      {"name": "Vessel Mole Frac", "elements": [0.1, 0.2, 0.3, 0.4]},
      {"name": "Vapour Mole Fraction", "elements": [0.1, 0.2, 0.3, 0.2, 0.2]},
      {"name": "Liquid Mole Fraction", "elements": [0.1, 0.1, 0.2, 0.2, 0.2, 0.2]}]},
    {"name": "Condenser"}]})";

class Vessels : public CallbackTest {
 protected:
  Tree tree_ = MakeTree(kVesselColumn);
};

struct CollectionRow {
  const char* name;
  FICollection callback;
  int reboiler_count;
  const char* selected_3;  // what selecting index 3 records
};

void PrintTo(const CollectionRow& row, std::ostream* os) {
  *os << row.name;
}

class VesselCollections : public CallbackTestWithParam<CollectionRow> {
 protected:
  Tree tree_ = MakeTree(kVesselColumn);
};

TEST_P(VesselCollections, CountsItsVariableAndSelectsWithoutReadingTheHost) {
  const CollectionRow& row = GetParam();
  for (const char* vessel : {"Reboiler", "Condenser"}) {
    IteratorPtr it = At(tree_, vessel);
    const std::string at = std::string("Col/") + vessel;
    EXPECT_EQ(row.callback(it.get(), nullptr, -1),
              std::string(vessel) == "Reboiler" ? row.reboiler_count : 0);
    EXPECT_EQ(Recorded(*it), "");
    EXPECT_EQ(row.callback(it.get(), nullptr, 3), 3);
    EXPECT_EQ(Recorded(*it), row.selected_3);
    EXPECT_EQ(Where(*it), at);
  }
}

INSTANTIATE_TEST_SUITE_P(
    AllFour, VesselCollections,
    ::testing::Values(
        CollectionRow{"Nozzle", CTCondRebNozzle, 3, "NozzleElemNum=text:Elem3"},
        CollectionRow{"Vessel", CTCondRebVesselComponentArray, 4, "FlashPhaseCmpCnt=int:3"},
        CollectionRow{"Vapour", CTCondRebVaporComponentArray, 5, "FlashPhaseCmpCnt=int:3"},
        CollectionRow{"Liquid", CTCondRebLiquidComponentArray, 6, "FlashPhaseCmpCnt=int:3"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Vessels, ComponentElementsShareOneSelectionAndAFailedMoveUndoesOnlyItsOwnMoves) {
  struct Row {
    const char* vessel;
    FICollection select;  // null: no selection made
    int component;
    FIElement enter;
    bool result;
    const char* after;  // where a moving call leaves the caller's iterator
  } rows[] = {
      {"Reboiler", CTCondRebVaporComponentArray, 5, CTCondRebLiquidComponent, true,
       "Col/Reboiler/Liquid Mole Fraction/Elem5"},
      {"Reboiler", CTCondRebLiquidComponentArray, 2, CTCondRebVesselComponent, true,
       "Col/Reboiler/Vessel Mole Frac/Elem2"},
      {"Reboiler", CTCondRebVesselComponentArray, 0, CTCondRebVaporComponent, true,
       "Col/Reboiler/Vapour Mole Fraction/Elem0"},
      // Beyond the composition: the Down is undone, nothing more.
      {"Reboiler", CTCondRebVaporComponentArray, 5, CTCondRebVaporComponent, false, "Col/Reboiler"},
      {"Reboiler", CTCondRebLiquidComponentArray, 4, CTCondRebVesselComponent, false,
       "Col/Reboiler"},
      // Nothing moved, so nothing is undone: the iterator never rises to the column.
      {"Reboiler", nullptr, 0, CTCondRebVesselComponent, false, "Col/Reboiler"},
      {"Condenser", CTCondRebVesselComponentArray, 1, CTCondRebVesselComponent, false,
       "Col/Condenser"},
      {"Condenser", nullptr, 0, CTCondRebLiquidComponent, false, "Col/Condenser"},
  };
  for (const Row& row : rows) {
    for (int move : {0, 1}) {
      IteratorPtr it = At(tree_, row.vessel);
      if (row.select != nullptr) row.select(it.get(), nullptr, row.component);
      EXPECT_EQ(row.enter(it.get(), move), row.result) << row.after << " move " << move;
      EXPECT_EQ(Where(*it), move ? row.after : std::string("Col/") + row.vessel);
    }
  }
}

TEST_F(Vessels, ASelectionMadeByTheFlashPhaseCallbacksIsSeenHere) {
  // The flash-phase composition callbacks record the same integer attribute.
  IteratorPtr it = At(tree_, "Reboiler");
  it->SetAttribute("FlashPhaseCmpCnt", FIAttribute(4));
  ASSERT_TRUE(CTCondRebVaporComponent(it.get(), 1));
  EXPECT_EQ(Where(*it), "Col/Reboiler/Vapour Mole Fraction/Elem4");
}

TEST_F(Vessels, NullIteratorGivesTheFailureResult) {
  EXPECT_EQ(CTCondRebNozzle(nullptr, nullptr, -1), 0);
  EXPECT_EQ(CTCondRebVaporComponentArray(nullptr, nullptr, 2), 2);
  EXPECT_FALSE(CTCondRebLiquidComponent(nullptr, 1));
}

}  // namespace
}  // namespace fintop_test
