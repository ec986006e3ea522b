// The shared walks every callback family builds on.
#include "framework/walks.h"

#include <limits>
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

class Walks : public CallbackTest {
 protected:
  Tree tree_ = MakeTree(R"({"name": "Top", "children": [
      {"name": "S", "type": "MaterialStreamObject", "children": [
        {"name": "Comp Mole Frac", "elements": [0.1, 0.2, 0.7]},
        {"name": "Empty", "elements": []},
        {"name": "Phase", "children": [{"name": "Vapour Phase", "elements": [1, 2]}]}]},
      {"name": "Feed.1", "value": "x"}]})");
};

TEST_F(Walks, CountingOverMissingEmptyAndPopulatedCollections) {
  IteratorPtr it = At(tree_, "S");
  EXPECT_EQ(fintop::CountElements(*it, "Comp Mole Frac"), 3);
  EXPECT_EQ(fintop::CountElements(*it, "Empty"), 0);
  EXPECT_EQ(fintop::CountElements(*it, "Missing"), 0);
  EXPECT_EQ(fintop::CountElements(*it, "Phase", "Vapour Phase"), 2);
  EXPECT_EQ(fintop::CountElements(*it, "Phase", "Liquid Phase"), 0);
  EXPECT_EQ(fintop::CountElements(*it, "Missing", "Vapour Phase"), 0);
  EXPECT_EQ(Where(*it), "Top/S");
  EXPECT_EQ(Recorded(*it), "");
}

TEST_F(Walks, SelectionRecordsWithoutMoving) {
  IteratorPtr it = At(tree_, "S");
  fintop::RecordElementName(*it, "SegElemNum", 12);
  fintop::RecordInteger(*it, "CmpCnt", 7);
  EXPECT_EQ(Recorded(*it), "SegElemNum=text:Elem12; CmpCnt=int:7");
  EXPECT_EQ(Where(*it), "Top/S");
}

TEST(ElementName, DigitsOfEverySixtyFourBitIndex) {
  struct Row {
    long long index;
    const char* text;
  } rows[] = {{0, "Elem0"},
              {9, "Elem9"},
              {10, "Elem10"},
              {99, "Elem99"},
              {100, "Elem100"},
              {-1, "Elem-1"},
              {-100, "Elem-100"},
              {2147483647, "Elem2147483647"},
              {2147483648LL, "Elem2147483648"},
              {-2147483648LL, "Elem-2147483648"},
              {std::numeric_limits<long long>::max(), "Elem9223372036854775807"},
              {std::numeric_limits<long long>::min(), "Elem-9223372036854775808"}};
  for (const Row& row : rows) {
    const FIAttribute name = fintop::ElementName(row.index);
    EXPECT_EQ(name.type(), FT_TEXT);
    EXPECT_STREQ(name.c_str(), row.text) << row.index;
  }
}

TEST_F(Walks, EnterElementMovesOnSuccessAndUndoesExactlyItsDownOnFailure) {
  struct Row {
    int cmp;  // -1: no "CmpCnt" recorded
    const char* variable;
    bool result;
    const char* after;  // where a moving call leaves the caller's iterator
  } rows[] = {{1, "Comp Mole Frac", true, "Top/S/Comp Mole Frac/Elem1"},
              {3, "Comp Mole Frac", false, "Top/S"},
              {-1, "Comp Mole Frac", false, "Top/S"},
              {0, "Missing", false, "Top/S"}};
  for (const Row& row : rows) {
    for (int move : {0, 1}) {
      IteratorPtr it = At(tree_, "S");
      if (row.cmp >= 0) fintop::RecordInteger(*it, "CmpCnt", row.cmp);
      EXPECT_EQ(fintop::EnterElement(*it, move, row.variable, "CmpCnt"), row.result);
      EXPECT_EQ(Where(*it), move ? row.after : "Top/S") << row.cmp << " " << row.variable;
    }
  }
}

TEST_F(Walks, NamesReadFromTheHostAreOneLevel) {
  EXPECT_EQ(fintop::AsOneLevel("Feed.1"), "\"Feed.1\"");
  EXPECT_EQ(fintop::AsOneLevel("Plain Name"), "Plain Name");
  EXPECT_EQ(fintop::AsOneLevel("Has \"quote\".x"), "Has \"quote\".x");
  std::string long_name(300, 'n');
  EXPECT_EQ(fintop::AsOneLevel(long_name), long_name);
  IteratorPtr it = At(tree_);
  EXPECT_FALSE(fintop::DownByName(*it, nullptr));
  EXPECT_FALSE(fintop::DownByName(*it, ""));
  ASSERT_TRUE(fintop::DownByName(*it, "Feed.1"));
  EXPECT_EQ(Where(*it), "Top/Feed.1");
}

TEST_F(Walks, ReadsAndTypeTests) {
  IteratorPtr it = At(tree_, "S");
  EXPECT_TRUE(fintop::IsOfType(*it, "MaterialStreamObject"));
  EXPECT_FALSE(fintop::IsOfType(*it, "MaterialStreamObjec"));
  EXPECT_TRUE(fintop::ReadProperty(*it, "value").empty());
  it->Up();
  EXPECT_STREQ(fintop::ReadVariable(*it, "\"Feed.1\"").c_str(), "x");
  EXPECT_TRUE(fintop::ReadVariable(*it, "Nope").empty());
  EXPECT_TRUE(fintop::SameText("abc", "abc"));
  EXPECT_FALSE(fintop::SameText(nullptr, ""));
  EXPECT_FALSE(fintop::SameText("abc ", "abc"));
}

TEST_F(Walks, ShieldTurnsNullIteratorsAndExceptionsIntoTheFailureResult) {
  IteratorPtr it = At(tree_);
  EXPECT_EQ(fintop::Shield(nullptr, -5, [] { return 1; }), -5);
  EXPECT_EQ(fintop::Shield(it.get(), 0, []() -> int { throw std::bad_alloc(); }), 0);
  EXPECT_EQ(fintop::Shield(it.get(), 0, [] { return 3; }), 3);
}

}  // namespace
}  // namespace fintop_test
