// K-value arrays: the component suite over the four K-value variables, and the "CmpCnt"
// selection they share with the component array.
#include <string>

#include "composition/component_arrays.h"

namespace fintop_test {
namespace {

const ComponentRow kKValueRows[] = {
    {"Comp K Value - Mixed Liquid", CTKVMLArray, CTKVML, "CTKVML"},
    {"Comp K Value - Light Liquid", CTKVLArray, CTKVL, "CTKVL"},
    {"Comp K Value - Heavy Liquid", CTKVL2Array, CTKVL2, "CTKVL2"},
    {"Comp K Value - Liq1 / Liq2", CTKL1L2Array, CTKL1L2, "CTKL1L2"}};

INSTANTIATE_TEST_SUITE_P(KValueArrays, ComponentArrays, ::testing::ValuesIn(kKValueRows), RowName);
INSTANTIATE_TEST_SUITE_P(KValueArrays, ComponentCollections, ::testing::ValuesIn(kKValueRows),
                         RowName);

class KValues : public CallbackTest {};

TEST_F(KValues, AComponentSelectedByTheComponentArrayIsEnteredWithoutAKValueSelection) {
  Tree tree = StreamTree({Array("Comp Mole Frac", 4), Array("Comp K Value - Liq1 / Liq2", 4)});
  IteratorPtr it = At(tree, "S");
  ASSERT_EQ(CTComponentArray(it.get(), nullptr, 3), 3);
  EXPECT_TRUE(CTKL1L2(it.get(), 1));
  EXPECT_EQ(Where(*it), "Case/S/Comp K Value - Liq1 / Liq2/Elem3");
}

TEST_F(KValues, TheLastSelectionOfEitherFamilyIsTheOneEntered) {
  Tree tree = StreamTree({Array("Comp Mole Frac", 5), Array("Comp K Value - Heavy Liquid", 5)});
  IteratorPtr it = At(tree, "S");
  ASSERT_EQ(CTComponentArray(it.get(), nullptr, 4), 4);
  ASSERT_EQ(CTKVL2Array(it.get(), nullptr, 1), 1);
  EXPECT_EQ(Recorded(*it), "CmpCnt=int:1");
  EXPECT_TRUE(CTComponent(it.get(), 1));
  EXPECT_EQ(Where(*it), "Case/S/Comp Mole Frac/Elem1");
}

TEST_F(KValues, ASelectionBeyondTheArrayIsRecordedAndTheElementFailsInPlace) {
  Tree tree = StreamTree({Array("Comp K Value - Mixed Liquid", 5)});
  IteratorPtr it = At(tree, "S");
  EXPECT_EQ(CTKVMLArray(it.get(), nullptr, -1), 5);
  EXPECT_EQ(CTKVMLArray(it.get(), nullptr, 7), 7);
  EXPECT_EQ(Recorded(*it), "CmpCnt=int:7");
  EXPECT_FALSE(CTKVML(it.get(), 1));
  EXPECT_EQ(Where(*it), "Case/S");
}

TEST_F(KValues, NamesDifferingByBlanksAroundTheSlashAreNotTheVariable) {
  Tree tree = StreamTree({Array("Comp K Value - Liq1/Liq2", 3)});
  IteratorPtr it = At(tree, "S");
  EXPECT_EQ(CTKL1L2Array(it.get(), nullptr, -1), 0);
  it->SetAttribute("CmpCnt", FIAttribute(0));
  EXPECT_FALSE(CTKL1L2(it.get(), 1));
  EXPECT_EQ(Where(*it), "Case/S");
}

}  // namespace
}  // namespace fintop_test
