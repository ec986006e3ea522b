// Fluid and flash phase components: counting each table, selecting "FluidPhaseCmpCnt" or the
// shared "FlashPhaseCmpCnt", and entering the selected component, with the iterator's place
// after every failed move.
#include <string>
#include <vector>

#include "composition/composition_test.h"

namespace fintop_test {
namespace {

struct FlashRow {
  const char* label;
  FICollection array;
  FIElement element;
  const char* counted;  // phase child counted; null: the node's own table
  const char* entered;  // phase child entered; null: the node's own table
  const char* attribute;
};

const std::string kTable = "Comp Mole Frac";

class FlashPhases : public CallbackTestWithParam<FlashRow> {
 protected:
  // The node "S" holding the row's table(s) below `phase` with `size` elements; size -1
  // leaves the phase node without a table, size -2 leaves out the phase node, too.
  static std::string Holder(const char* phase, int size) {
    if (phase == nullptr) return size < 0 ? Array("Other", 2) : Array(kTable, size);
    if (size == -2) return Node("Other", {Array(kTable, 2)});
    return size == -1 ? Node(phase, {Array("Other", 2)}) : Node(phase, {Array(kTable, size)});
  }
  Tree Counted(int size) const { return StreamTree({Holder(GetParam().counted, size)}); }
  Tree Entered(int size) const { return StreamTree({Holder(GetParam().entered, size)}); }
  std::string PhasePrefix() const {
    return GetParam().entered == nullptr ? "Case/S/"
                                         : "Case/S/" + std::string(GetParam().entered) + "/";
  }
};

TEST_P(FlashPhases, CountsTheTableAndZeroWhenALevelIsMissingOrEmpty) {
  const FlashRow& row = GetParam();
  for (auto [size, expected] : {std::pair{-2, 0}, {-1, 0}, {0, 0}, {1, 1}, {5, 5}}) {
    if (row.counted == nullptr && size == -1) continue;
    Tree tree = Counted(size);
    IteratorPtr it = At(tree, "S");
    EXPECT_EQ(row.array(it.get(), nullptr, -1), expected) << row.label << ", size " << size;
    EXPECT_EQ(Where(*it), "Case/S");
    EXPECT_EQ(Recorded(*it), "");
  }
  EXPECT_EQ(row.array(nullptr, nullptr, -1), 0);
}

TEST_P(FlashPhases, SelectionRecordsItsAttributeAsAnIntegerWhateverTheTableHolds) {
  const FlashRow& row = GetParam();
  Tree tree = Counted(-2);
  IteratorPtr it = At(tree, "S");
  for (int index : {3, 7, 0}) {
    EXPECT_EQ(row.array(it.get(), nullptr, index), index);
    EXPECT_EQ(Recorded(*it), std::string(row.attribute) + "=int:" + std::to_string(index));
    EXPECT_EQ(Where(*it), "Case/S");
  }
  EXPECT_EQ(row.array(nullptr, nullptr, 6), 6);
}

TEST_P(FlashPhases, EntersTheSelectedComponentOrOnlyTestsIt) {
  const FlashRow& row = GetParam();
  Tree tree = Entered(5);
  for (int move : {0, 1, -1}) {
    IteratorPtr it = At(tree, "S");
    ASSERT_EQ(row.array(it.get(), nullptr, 3), 3);
    EXPECT_TRUE(row.element(it.get(), move)) << row.label << ", move " << move;
    EXPECT_EQ(Where(*it), move == 0 ? "Case/S" : PhasePrefix() + kTable + "/Elem3");
    EXPECT_EQ(Recorded(*it), std::string(row.attribute) + "=int:3");
  }
}

TEST_P(FlashPhases, AFailedMoveUndoesExactlyOneLevel) {
  const FlashRow& row = GetParam();
  const bool flash = row.entered != nullptr;
  struct Failure {
    const char* what;
    int size;   // as Holder
    int index;  // -1: attribute absent
    std::string after_move;
  };
  const std::vector<Failure> failures = {
      {"attribute absent", 5, -1, "Case"},
      {flash ? "phase missing" : "table missing", -2, 0, "Case"},
      {"table missing below the phase", -1, 0, "Case/S"},
      {"index at the end", 5, 5, flash ? "Case/S/" + std::string(row.entered) : "Case/S"},
      {"empty table", 0, 0, flash ? "Case/S/" + std::string(row.entered) : "Case/S"},
  };
  for (const Failure& failure : failures) {
    if (!flash && failure.size == -1) continue;
    Tree tree = Entered(failure.size);
    for (int move : {0, 1}) {
      IteratorPtr it = At(tree, "S");
      if (failure.index >= 0) it->SetAttribute(row.attribute, FIAttribute(failure.index));
      EXPECT_FALSE(row.element(it.get(), move)) << row.label << ": " << failure.what;
      EXPECT_EQ(Where(*it), move == 0 ? "Case/S" : failure.after_move)
          << row.label << ": " << failure.what << ", move " << move;
    }
  }
  EXPECT_FALSE(row.element(nullptr, 1));
}

INSTANTIATE_TEST_SUITE_P(
    AllPairs, FlashPhases,
    ::testing::Values(FlashRow{"fluid", CTFluidPhaseComponentArray, CTFluidPhaseComponent, nullptr,
                               nullptr, "FluidPhaseCmpCnt"},
                      FlashRow{"vapour", CTVaporPhaseComponentArray, CTVaporPhaseComponent,
                               "Vapour", "Vapour", "FlashPhaseCmpCnt"},
                      FlashRow{"liquid", CTLiquidPhaseComponentArray, CTLiquidPhaseComponent,
                               "Liquid", "Liquid", "FlashPhaseCmpCnt"},
                      FlashRow{"second liquid", CTLiquid2PhaseComponentArray,
                               CTLiquid2PhaseComponent, "Heavy Liquid", "Liquid2",
                               "FlashPhaseCmpCnt"}),
    [](const ::testing::TestParamInfo<FlashRow>& info) {
      std::string name = info.param.label;
      for (char& c : name) {
        if (c == ' ') c = '_';
      }
      return name;
    });

class FlashPhaseSelection : public CallbackTest {
 protected:
  // A node with all four flash phase children and its own table, each of 5 components.
  Tree AllPhases() {
    return StreamTree({Array(kTable, 5), Node("Vapour", {Array(kTable, 5)}),
                       Node("Liquid", {Array(kTable, 5)}), Node("Heavy Liquid", {Array(kTable, 5)}),
                       Node("Liquid2", {Array(kTable, 5)})});
  }
};

TEST_F(FlashPhaseSelection, OneSelectionServesEveryFlashPhase) {
  Tree tree = AllPhases();
  IteratorPtr it = At(tree, "S");
  ASSERT_EQ(CTVaporPhaseComponentArray(it.get(), nullptr, 3), 3);
  ASSERT_EQ(CTLiquid2PhaseComponentArray(it.get(), nullptr, 2), 2);
  EXPECT_EQ(Recorded(*it), "FlashPhaseCmpCnt=int:2");
  for (auto [element, path] : {std::pair<FIElement, const char*>{
                                   CTVaporPhaseComponent, "Case/S/Vapour/Comp Mole Frac/Elem2"},
                               {CTLiquid2PhaseComponent, "Case/S/Liquid2/Comp Mole Frac/Elem2"}}) {
    IteratorPtr clone(static_cast<HostIterator*>(it->Clone()));
    EXPECT_TRUE(element(clone.get(), 1));
    EXPECT_EQ(Where(*clone), path);
  }
  EXPECT_TRUE(CTLiquidPhaseComponent(it.get(), 1));
  EXPECT_EQ(Where(*it), "Case/S/Liquid/Comp Mole Frac/Elem2");
}

TEST_F(FlashPhaseSelection, FluidAndFlashSelectionsAreSeparate) {
  Tree tree = AllPhases();
  IteratorPtr it = At(tree, "S");
  ASSERT_EQ(CTFluidPhaseComponentArray(it.get(), nullptr, 1), 1);
  EXPECT_FALSE(CTVaporPhaseComponent(it.get(), 1));
  EXPECT_EQ(Where(*it), "Case");

  IteratorPtr flash = At(tree, "S");
  ASSERT_EQ(CTLiquidPhaseComponentArray(flash.get(), nullptr, 1), 1);
  EXPECT_FALSE(CTFluidPhaseComponent(flash.get(), 0));
  EXPECT_EQ(Where(*flash), "Case/S");
  EXPECT_EQ(Recorded(*flash), "FlashPhaseCmpCnt=int:1");
}

TEST_F(FlashPhaseSelection, TheSecondLiquidIsCountedBelowHeavyLiquidAndEnteredBelowLiquid2) {
  Tree tree = StreamTree({Node("Heavy Liquid", {Array(kTable, 4)})});
  IteratorPtr it = At(tree, "S");
  EXPECT_EQ(CTLiquid2PhaseComponentArray(it.get(), nullptr, -1), 4);
  ASSERT_EQ(CTLiquid2PhaseComponentArray(it.get(), nullptr, 1), 1);
  EXPECT_FALSE(CTLiquid2PhaseComponent(it.get(), 0));
  EXPECT_EQ(Where(*it), "Case/S");

  Tree only_liquid2 = StreamTree({Node("Liquid2", {Array(kTable, 2)})});
  IteratorPtr other = At(only_liquid2, "S");
  EXPECT_EQ(CTLiquid2PhaseComponentArray(other.get(), nullptr, -1), 0);
  ASSERT_EQ(CTLiquid2PhaseComponentArray(other.get(), nullptr, 1), 1);
  EXPECT_TRUE(CTLiquid2PhaseComponent(other.get(), 1));
  EXPECT_EQ(Where(*other), "Case/S/Liquid2/Comp Mole Frac/Elem1");
}

}  // namespace
}  // namespace fintop_test
