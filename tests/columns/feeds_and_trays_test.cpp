// Column feeds over several tray sections, and the trays of one section.
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

// Feeds with text: 2 in "Main", none in "Empty" or "Bare", 3 in "Upper" (whose id is a
// number); "Pump" holds feeds but is not a tray section; feeds without text are skipped.
constexpr char kColumn[] = R"({"name": "Col", "children": [{"name": "Flowsheet", "children": [
    {"name": "Condenser", "type": "CondenserObject"},
    {"name": "Main", "type": "TraySectionObject", "id": "TS-1", "children": [
      {"name": "Traysection Feeds", "elements": ["Feed1", null, "Feed2"]}]},
    {"name": "Empty", "type": "TraySectionObject", "id": "TS-2", "children": [
      {"name": "Traysection Feeds", "elements": []}]},
    {"name": "Bare", "type": "TraySectionObject", "id": "TS-3"},
    {"name": "Pump", "type": "PumpOpObject", "children": [
      {"name": "Traysection Feeds", "elements": ["Ghost"]}]},
    {"name": "Upper", "type": "TraySectionObject", "id": 4, "children": [
      {"name": "Traysection Feeds", "elements": [null, "Reflux.1", "Feed3", "Feed4"]},
      {"name": "Number of Stages", "value": 12}]}]},
    {"name": "NoSections", "children": [{"name": "Pump", "type": "PumpOpObject"}]},
    {"name": "Leaf"}]})";

class ColumnFeeds : public CallbackTest {
 protected:
  Tree tree_ = MakeTree(kColumn);
};

TEST_F(ColumnFeeds, CountsTheFeedsWithTextOfEveryTraySection) {
  struct Row {
    const char* node;
    int count;
  } rows[] = {{"Flowsheet", 5}, {"NoSections", 0}, {"Leaf", 0}};
  for (const Row& row : rows) {
    IteratorPtr it = At(tree_, row.node);
    EXPECT_EQ(CTColumnFeeds(it.get(), nullptr, -1), row.count) << row.node;
    EXPECT_EQ(Where(*it), std::string("Col/") + row.node);
    EXPECT_EQ(Recorded(*it), "");
  }
}

TEST_F(ColumnFeeds, GlobalIndexSelectsAndElemNumbersRestartInEachSection) {
  struct Row {
    int index;
    int result;
    const char* recorded;
  } rows[] = {
      {0, 0, "FeedElemNum=text:Elem0; Section=text:TS-1; FeedName=text:Feed1"},
      {1, 1, "FeedElemNum=text:Elem1; Section=text:TS-1; FeedName=text:Feed2"},
      {2, 2, "FeedElemNum=text:Elem0; Section=int:4; FeedName=text:Reflux.1"},
      {3, 3, "FeedElemNum=text:Elem1; Section=int:4; FeedName=text:Feed3"},
      {4, 4, "FeedElemNum=text:Elem2; Section=int:4; FeedName=text:Feed4"},
      // No feed reaches these: 0, nothing recorded, the iterator where it stood.
      {5, 0, ""},
      {40, 0, ""},
      {-2, 0, ""},
  };
  for (const Row& row : rows) {
    IteratorPtr it = At(tree_, "Flowsheet");
    EXPECT_EQ(CTColumnFeeds(it.get(), nullptr, row.index), row.result) << row.index;
    EXPECT_EQ(Recorded(*it), row.recorded) << row.index;
    EXPECT_EQ(Where(*it), "Col/Flowsheet") << row.index;
  }
}

TEST_F(ColumnFeeds, ASelectionThatFindsNoTraySectionLeavesTheIteratorAlone) {
  for (const char* node : {"NoSections", "Leaf"}) {
    IteratorPtr it = At(tree_, node);
    EXPECT_EQ(CTColumnFeeds(it.get(), nullptr, 0), 0);
    EXPECT_EQ(Recorded(*it), "");
    EXPECT_EQ(Where(*it), std::string("Col/") + node);
  }
}

TEST_F(ColumnFeeds, SectionTraysCountStagesAndSelectWithoutReadingTheHost) {
  struct Row {
    const char* section;
    int count;
  } rows[] = {{"Flowsheet.Upper", 12}, {"Flowsheet.Main", 0}};
  for (const Row& row : rows) {
    IteratorPtr it = At(tree_, row.section);
    const std::string at = Where(*it);
    EXPECT_EQ(CTSectionTray(it.get(), nullptr, -1), row.count) << row.section;
    EXPECT_EQ(Recorded(*it), "");
    EXPECT_EQ(CTSectionTray(it.get(), nullptr, 4), 4);
    EXPECT_EQ(Recorded(*it), "Element=text:Elem4; Elemno=int:4");
    EXPECT_EQ(CTSectionTray(it.get(), nullptr, 0), 0);
    EXPECT_EQ(Recorded(*it), "Element=text:Elem0; Elemno=int:0");
    EXPECT_EQ(Where(*it), at);
  }
}

TEST_F(ColumnFeeds, NullIteratorGivesTheFailureResult) {
  EXPECT_EQ(CTColumnFeeds(nullptr, nullptr, 2), 0);
  EXPECT_EQ(CTSectionTray(nullptr, nullptr, -1), 0);
}

}  // namespace
}  // namespace fintop_test
