// The stand-in iterator: moves, dotted and quoted paths, names, properties and attributes.
#include <cstring>
#include <string>
#include <vector>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

class Iterator : public CallbackTest {
 protected:
  Tree tree_ = MakeTree(R"json({"name": "Top", "children": [
      {"name": "A", "type": "TypeA", "value": 1.5, "id": "alpha", "children": [
        {"name": "Est. Molar Extent", "elements": [10, 20, 30]},
        {"name": "Downstream Unit Operations", "elements": ["P-100"]},
        {"name": "Dup", "value": "first"}, {"name": "Dup", "value": "second"}]},
      {"name": "B"},
      {"name": "Lift (% of max)", "elements": [0, 50, 100]}]})json");
};

TEST_F(Iterator, FirstNextVisitsEveryChildOnceAndStaysOnTheLast) {
  IteratorPtr it = At(tree_);
  ASSERT_TRUE(it->First());
  std::vector<std::string> seen{Where(*it)};
  while (it->Next()) seen.push_back(Where(*it));
  EXPECT_EQ(seen, (std::vector<std::string>{"Top/A", "Top/B", "Top/Lift (% of max)"}));
  EXPECT_EQ(Where(*it), "Top/Lift (% of max)");
  it = At(tree_, "B");
  EXPECT_FALSE(it->First());
  EXPECT_FALSE(it->Last());
  EXPECT_EQ(Where(*it), "Top/B");
}

TEST_F(Iterator, UpAtTheTopFailsAndStays) {
  IteratorPtr it = At(tree_);
  EXPECT_FALSE(it->Up());
  EXPECT_EQ(Where(*it), "Top");
}

TEST_F(Iterator, DownPathsWithDotsAndQuotes) {
  struct Row {
    const char* path;
    const char* reached;  // null: the move fails and the iterator stays on Top
  } rows[] = {
      {"A", "Top/A"},
      {"A.\"Est. Molar Extent\".Elem2", "Top/A/Est. Molar Extent/Elem2"},
      {"A.\"Downstream Unit Operations\".\"Elem0\"", "Top/A/Downstream Unit Operations/Elem0"},
      {"\"Lift (% of max)\"", "Top/Lift (% of max)"},
      {"A.Est. Molar Extent", nullptr},
      {"A.Dup", "Top/A/Dup"},
      {"A..Dup", nullptr},
      {"A.", nullptr},
      {"", nullptr},
      {"a", nullptr},
      {"A.Missing", nullptr},
  };
  for (const Row& row : rows) {
    IteratorPtr it = At(tree_);
    EXPECT_EQ(it->Down(row.path), row.reached != nullptr) << row.path;
    EXPECT_EQ(Where(*it), row.reached ? row.reached : "Top") << row.path;
  }
}

TEST_F(Iterator, UpAfterADottedDownGoesToTheParentOfTheNodeReached) {
  IteratorPtr it = At(tree_);
  ASSERT_TRUE(it->Down("A.\"Est. Molar Extent\".Elem1"));
  ASSERT_TRUE(it->Up());
  EXPECT_EQ(Where(*it), "Top/A/Est. Molar Extent");
}

TEST_F(Iterator, DownReachesTheFirstOfRepeatedNames) {
  IteratorPtr it = At(tree_, "A.Dup");
  FIAttribute value;
  it->GetValue(FIAttribute("value"), value);
  EXPECT_STREQ(value.c_str(), "first");
  ASSERT_TRUE(it->Next());
  it->GetValue(FIAttribute("value"), value);
  EXPECT_STREQ(value.c_str(), "second");
  EXPECT_FALSE(it->Next());
}

TEST_F(Iterator, ElementLastAndFailedMovesStayPut) {
  IteratorPtr it = At(tree_, "A.\"Est. Molar Extent\"");
  for (int bad : {3, -1, 1 << 30}) {
    EXPECT_FALSE(it->Element(bad));
    EXPECT_EQ(Where(*it), "Top/A/Est. Molar Extent");
  }
  ASSERT_TRUE(it->Last());
  EXPECT_EQ(Where(*it), "Top/A/Est. Molar Extent/Elem2");
  EXPECT_FALSE(it->Next());
  ASSERT_TRUE(it->Up());
  ASSERT_TRUE(it->Element(1));
  EXPECT_EQ(Where(*it), "Top/A/Est. Molar Extent/Elem1");
}

TEST_F(Iterator, GetNameTerminatesWithinItsSize) {
  IteratorPtr it = At(tree_, "\"Lift (% of max)\"");
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  it->GetName(buffer, 5);
  EXPECT_STREQ(buffer, "Lift");
  EXPECT_EQ(buffer[5], '#');
  it->GetName(buffer, 1);
  EXPECT_STREQ(buffer, "");
  it->GetName(buffer, 0);  // nothing written
  EXPECT_EQ(buffer[1], 'i');
  char whole[32];
  it->GetName(whole, sizeof whole);
  EXPECT_STREQ(whole, "Lift (% of max)");
}

TEST_F(Iterator, GetValueReadsPropertiesByKeyAndLeavesOutWhenAbsent) {
  IteratorPtr it = At(tree_, "A");
  FIAttribute out("kept");
  it->GetValue(FIAttribute("missing"), out);
  EXPECT_STREQ(out.c_str(), "kept");
  it->GetValue(FIAttribute(), out);  // a key without text names nothing
  EXPECT_STREQ(out.c_str(), "kept");
  it->GetValue(FIAttribute("type"), out);
  EXPECT_STREQ(out.c_str(), "TypeA");
  it->GetValue(FIAttribute("id"), out);
  EXPECT_STREQ(out.c_str(), "alpha");
  it->GetValue(FIAttribute("value"), out);
  EXPECT_EQ(out.type(), FT_REAL);
  EXPECT_DOUBLE_EQ(out.rval(), 1.5);
}

TEST_F(Iterator, AttributesSurviveMovesAndCloneSharesThemUntilWritten) {
  IteratorPtr it = At(tree_);
  it->SetAttribute("CmpCnt", FIAttribute(3));
  it->SetAttribute("Name", FIAttribute("x"));
  it->SetAttribute("CmpCnt", FIAttribute(4));  // replaces, keeps its place
  ASSERT_TRUE(it->Down("A.Dup"));
  EXPECT_EQ(Recorded(*it), "CmpCnt=int:4; Name=text:x");
  FIIterator* clone = it->Clone();
  EXPECT_EQ(Where(*clone), "Top/A/Dup");
  EXPECT_EQ(Recorded(*clone), "CmpCnt=int:4; Name=text:x");
  clone->SetAttribute("CmpCnt", FIAttribute(9));
  ASSERT_TRUE(clone->Up());
  EXPECT_EQ(Recorded(*it), "CmpCnt=int:4; Name=text:x");
  EXPECT_EQ(Where(*it), "Top/A/Dup");
  EXPECT_EQ(AttributeOf(*clone, "CmpCnt"), "int:9");
  DeleteFIIterator(clone);
  it->SetAttributeByKey(FIAttribute("rxnPath"), FIAttribute());
  EXPECT_EQ(AttributeOf(*it, "rxnPath"), "empty");
  EXPECT_EQ(AttributeOf(*it, "Absent"), "absent");
}

TEST_F(Iterator, AliasesAreRecordedWhereTheyWereMade) {
  IteratorPtr it = At(tree_, "A");
  it->Alias("DeltaT", "Tube Side Delta T");
  it->Alias("DeltaP", "Tube Side Pressure Drop");
  EXPECT_EQ(Bound(*it), "DeltaT->Tube Side Delta T; DeltaP->Tube Side Pressure Drop");
  EXPECT_EQ(it->aliases()[0].node, it->node());
}

TEST_F(Iterator, LiveIteratorsAreCountedAndNullDeleteIsHarmless) {
  long before = hostsim::LiveIterators();
  IteratorPtr it = At(tree_);
  FIIterator* clone = it->Clone();
  EXPECT_EQ(hostsim::LiveIterators(), before + 2);
  DeleteFIIterator(clone);
  DeleteFIIterator(nullptr);
  EXPECT_EQ(hostsim::LiveIterators(), before + 1);
}

TEST_F(Iterator, ObserverHearsEveryOperationWithItsArgumentsAndClonesInheritIt) {
  struct Log : hostsim::IteratorObserver {
    std::vector<std::string> lines;
    void OnEvent(const HostIterator&, const hostsim::IteratorEvent& e) override {
      lines.push_back(std::string(e.op) + "(" + std::string(e.text) +
                      ")=" + (e.result ? "1" : "0"));
    }
  } log;
  IteratorPtr it = At(tree_);
  it->set_observer(&log);
  it->Down("\"Lift (% of max)\"");
  FIIterator* clone = it->Clone();
  clone->First();
  DeleteFIIterator(clone);
  it->Down("Nope");
  EXPECT_EQ(log.lines, (std::vector<std::string>{"Down(\"Lift (% of max)\")=1", "Clone()=1",
                                                 "First()=1", "Down(Nope)=0"}));
}

TEST_F(Iterator, WideNodesFindChildrenByNameAndRepeatedNamesResolveToTheFirst) {
  std::string json = R"({"name": "Top", "children": [)";
  for (int i = 0; i < 5000; ++i) {
    json +=
        R"({"name": "N)" + std::to_string(i % 2500) + R"(", "value": )" + std::to_string(i) + "},";
  }
  json += R"({"name": "Last"}]})";
  Tree wide = MakeTree(json);
  IteratorPtr it = At(wide);
  ASSERT_TRUE(it->Down("N2499"));
  FIAttribute value;
  it->GetValue(FIAttribute("value"), value);
  EXPECT_EQ(value.ival(), 2499);
  it->Up();
  EXPECT_TRUE(it->Down("Last"));
  it->Up();
  EXPECT_FALSE(it->Down("N2500"));
  EXPECT_TRUE(it->Element(4999));
  EXPECT_EQ(Where(*it), "Top/N2499");
}

}  // namespace
}  // namespace fintop_test
