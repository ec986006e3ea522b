// Components and fractions of a stream: counting, selecting "CmpCnt" and entering the
// selected component of each composition variable. The suite also runs for the K-value
// arrays (k_values_test.cpp), which share the selection.
#include <string>

#include "composition/component_arrays.h"

namespace fintop_test {
namespace {

TEST_P(ComponentCollections, CountsTheVariablesElementsWithoutMovingOrRecording) {
  const ComponentRow& row = GetParam();
  for (auto [size, expected] : {std::pair{-1, 0}, {0, 0}, {1, 1}, {3, 3}}) {
    Tree tree = StreamWith(size);
    IteratorPtr it = At(tree, "S");
    EXPECT_EQ(row.array(it.get(), nullptr, -1), expected) << row.variable << " of " << size;
    EXPECT_EQ(Where(*it), "Case/S");
    EXPECT_EQ(Recorded(*it), "");
  }
}

TEST_P(ComponentCollections, SelectionRecordsTheIndexAsAnIntegerUnchecked) {
  const ComponentRow& row = GetParam();
  Tree tree = StreamWith(3);
  IteratorPtr it = At(tree, "S");
  for (int index : {0, 2, 7}) {
    FIAttribute out("untouched");
    EXPECT_EQ(row.array(it.get(), &out, index), index);
    EXPECT_EQ(Recorded(*it), "CmpCnt=int:" + std::to_string(index));
    EXPECT_STREQ(out.c_str(), "untouched");
    EXPECT_EQ(Where(*it), "Case/S");
  }
}

TEST_P(ComponentArrays, EntersTheSelectedElementOrOnlyTestsIt) {
  const ComponentRow& row = GetParam();
  Tree tree = StreamWith(3);
  for (int move : {0, 1, 5}) {
    IteratorPtr it = At(tree, "S");
    it->SetAttribute("CmpCnt", FIAttribute(2));
    EXPECT_TRUE(row.element(it.get(), move)) << row.variable << " move " << move;
    EXPECT_EQ(Where(*it), move == 0 ? "Case/S" : "Case/S/" + std::string(row.variable) + "/Elem2");
    EXPECT_EQ(Recorded(*it), "CmpCnt=int:2");
  }
}

struct EntryFailure {
  const char* what;
  int size;     // elements of the row's variable; -1: the variable is missing
  int cmp_cnt;  // -1: "CmpCnt" is absent
};

TEST_P(ComponentArrays, AFailureLeavesTheIteratorOnTheStream) {
  const ComponentRow& row = GetParam();
  for (const EntryFailure& failure :
       {EntryFailure{"CmpCnt absent", 3, -1}, EntryFailure{"variable missing", -1, 0},
        EntryFailure{"index at the end", 3, 3}, EntryFailure{"index far beyond", 3, 7},
        EntryFailure{"empty variable", 0, 0}}) {
    Tree tree = StreamWith(failure.size);
    for (int move : {0, 1}) {
      IteratorPtr it = At(tree, "S");
      if (failure.cmp_cnt >= 0) it->SetAttribute("CmpCnt", FIAttribute(failure.cmp_cnt));
      EXPECT_FALSE(row.element(it.get(), move))
          << row.variable << ": " << failure.what << ", move " << move;
      EXPECT_EQ(Where(*it), "Case/S") << failure.what << ", move " << move;
    }
  }
}

TEST_P(ComponentArrays, NullIteratorGivesTheFailureResults) {
  const ComponentRow& row = GetParam();
  EXPECT_FALSE(row.element(nullptr, 0));
  EXPECT_FALSE(row.element(nullptr, 1));
  if (row.array == nullptr) return;
  EXPECT_EQ(row.array(nullptr, nullptr, -1), 0);
  EXPECT_EQ(row.array(nullptr, nullptr, 4), 4);
}

const ComponentRow kComponentRows[] = {
    {"Comp Mole Frac", CTComponentArray, CTComponent, "CTComponent"},
    {"Comp Mole Frac", CTComponentArray, CTMoleFraction, "CTMoleFraction"},
    {"Comp Mass Frac", nullptr, CTMassFraction, "CTMassFraction"},
    {"Comp Volume Frac", nullptr, CTVolumeFraction, "CTVolumeFraction"}};

INSTANTIATE_TEST_SUITE_P(ComponentsAndFractions, ComponentArrays,
                         ::testing::ValuesIn(kComponentRows), RowName);
// The mass and volume fractions are counted and selected through the component array.
INSTANTIATE_TEST_SUITE_P(ComponentsAndFractions, ComponentCollections,
                         ::testing::Values(kComponentRows[0]), RowName);

class Components : public CallbackTest {};

TEST_F(Components, TheFrameworksWalkSelectsThenEntersEveryComponent) {
  Tree tree = StreamTree({Array("Comp Mole Frac", 3), Array("Comp Mass Frac", 3)});
  IteratorPtr it = At(tree, "S");
  int count = CTComponentArray(it.get(), nullptr, -1);
  ASSERT_EQ(count, 3);
  for (int i = 0; i < count; ++i) {
    ASSERT_EQ(CTComponentArray(it.get(), nullptr, i), i);
    EXPECT_TRUE(CTMassFraction(it.get(), 0));
    ASSERT_TRUE(CTMoleFraction(it.get(), 1));
    EXPECT_EQ(Where(*it), "Case/S/Comp Mole Frac/Elem" + std::to_string(i));
    FIAttribute value;
    it->GetValue(FIAttribute("value"), value);
    EXPECT_EQ(value.ival(), i);
    ASSERT_TRUE(it->Up() && it->Up());
  }
}

TEST_F(Components, ASelectionBeyondTheCountFailsAtTheElementAndStaysOnTheStream) {
  Tree tree = StreamTree({Array("Comp Mole Frac", 3)});
  IteratorPtr it = At(tree, "S");
  EXPECT_EQ(CTComponentArray(it.get(), nullptr, 7), 7);
  EXPECT_EQ(Recorded(*it), "CmpCnt=int:7");
  EXPECT_FALSE(CTComponent(it.get(), 1));
  EXPECT_EQ(Where(*it), "Case/S");
}

}  // namespace
}  // namespace fintop_test
