// The stand-in iterator: moves, dotted and quoted paths, names, properties and attributes.
#include <algorithm>
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

// A script of writes, clones and deletions on a source iterator "s", its clone "c" and the
// clone's clone "g"; what each then holds, in the order first recorded.
struct LayerCase {
  const char* label;
  const char* script;  // "s.A=1": SetAttribute("A", 1) on s; "C": c = s.Clone(); "G": g =
                       // c.Clone(); "Xc": delete c; "Ks": s.ClearAttributes()
  const char* source;
  const char* clone;  // null: c is gone by the end
  const char* grand;  // null: g was never made
};

class AttributeLayers : public CallbackTestWithParam<LayerCase> {};

// Every attribute that Recorded lists reads back the same through GetAttribute.
void ExpectReadable(FIIterator& it, const std::string& recorded) {
  std::size_t at = 0;
  while (at < recorded.size()) {
    std::size_t end = recorded.find("; ", at);
    if (end == std::string::npos) end = recorded.size();
    const std::string entry = recorded.substr(at, end - at);
    const std::size_t equals = entry.find('=');
    EXPECT_EQ(AttributeOf(it, entry.substr(0, equals).c_str()), entry.substr(equals + 1));
    at = end + 2;
  }
}

TEST_P(AttributeLayers, EachIteratorSeesItsOwnWritesOverWhatItWasClonedWith) {
  const LayerCase& row = GetParam();
  Tree tree = MakeTree(R"({"name": "Top", "children": [{"name": "A"}]})");
  IteratorPtr source = At(tree);
  HostIterator* its[3] = {source.get(), nullptr, nullptr};  // s, c, g
  const std::string script = row.script;
  std::size_t at = 0;
  while (at < script.size()) {
    std::size_t end = script.find(' ', at);
    if (end == std::string::npos) end = script.size();
    const std::string step = script.substr(at, end - at);
    at = end + 1;
    const char named = step[0] == 'X' || step[0] == 'K' ? step[1] : step[0];
    const int who = named == 'g' ? 2 : named == 'c' ? 1 : 0;
    if (step == "C" || step == "G") {
      const int from = step == "C" ? 0 : 1;
      its[from + 1] = static_cast<HostIterator*>(its[from]->Clone());
    } else if (step[0] == 'X') {
      DeleteFIIterator(its[who]);
      its[who] = nullptr;
    } else if (step[0] == 'K') {
      its[who]->ClearAttributes();
    } else {
      const std::size_t equals = step.find('=');
      ASSERT_NE(its[who], nullptr) << step;
      its[who]->SetAttribute(step.substr(2, equals - 2).c_str(),
                             FIAttribute(std::stoi(step.substr(equals + 1))));
    }
  }
  const char* expected[3] = {row.source, row.clone, row.grand};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(its[i] != nullptr, expected[i] != nullptr) << i;
    if (its[i] == nullptr || expected[i] == nullptr) continue;
    EXPECT_EQ(Recorded(*its[i]), expected[i]) << "iterator " << i;
    ExpectReadable(*its[i], expected[i]);
  }
  ASSERT_TRUE(its[0]->Down("A"));  // attributes stay with the iterator, not the node
  EXPECT_EQ(Recorded(*its[0]), row.source);
  for (int i = 1; i < 3; ++i) {
    if (its[i] != nullptr) DeleteFIIterator(its[i]);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, AttributeLayers,
    ::testing::Values(LayerCase{"clone_sees_source", "s.A=1 s.B=2 C", "A=int:1; B=int:2",
                                "A=int:1; B=int:2", nullptr},
                      LayerCase{"clone_replaces_inherited_in_place", "s.A=1 s.B=2 C c.A=9 c.D=4",
                                "A=int:1; B=int:2", "A=int:9; B=int:2; D=int:4", nullptr},
                      LayerCase{"source_writes_unseen_by_clone", "s.A=1 C s.A=5 s.C=3",
                                "A=int:5; C=int:3", "A=int:1", nullptr},
                      LayerCase{"both_write_the_same_name", "s.A=1 C c.A=2 s.A=3 c.A=4", "A=int:3",
                                "A=int:4", nullptr},
                      LayerCase{"clone_of_nothing", "C c.A=1 s.B=2", "B=int:2", "A=int:1", nullptr},
                      LayerCase{"clone_of_a_clone", "s.A=1 C c.B=2 G g.A=7 g.C=8", "A=int:1",
                                "A=int:1; B=int:2", "A=int:7; B=int:2; C=int:8"},
                      LayerCase{"middle_writes_after_its_clone", "s.A=1 C G c.A=2 c.E=5 s.A=3",
                                "A=int:3", "A=int:2; E=int:5", "A=int:1"},
                      LayerCase{"grand_outlives_its_source", "s.A=1 C c.B=2 G Xc g.B=3 g.A=4",
                                "A=int:1", nullptr, "A=int:4; B=int:3"},
                      LayerCase{"source_after_the_clone_is_gone", "s.A=1 C s.B=2 Xc s.A=3 s.C=4",
                                "A=int:3; B=int:2; C=int:4", nullptr, nullptr},
                      LayerCase{"clone_writes_then_goes", "s.A=1 C c.A=2 c.Z=9 Xc s.B=2",
                                "A=int:1; B=int:2", nullptr, nullptr},
                      LayerCase{"cleared_source_keeps_clone", "s.A=1 C Ks s.B=2", "B=int:2",
                                "A=int:1", nullptr}),
    [](const auto& info) { return std::string(info.param.label); });

// Many attributes and many rounds of clone, write, delete: the values and the order first
// recorded hold, on the source and on a clone kept alive throughout.
TEST_F(Iterator, ManyAttributesThroughManyClones) {
  using Entries = std::vector<std::pair<std::string, int>>;  // in the order first recorded
  auto put = [](Entries& entries, const std::string& name, int value) {
    for (auto& entry : entries) {
      if (entry.first == name) {
        entry.second = value;
        return;
      }
    }
    entries.emplace_back(name, value);
  };
  auto describe = [](const Entries& entries) {
    std::string out;
    for (const auto& [name, value] : entries) {
      if (!out.empty()) out += "; ";
      out += name + "=int:" + std::to_string(value);
    }
    return out;
  };
  IteratorPtr it = At(tree_);
  Entries expected;
  for (int i = 0; i < 50; ++i) {
    const std::string name = "N" + std::to_string(i);
    it->SetAttribute(name.c_str(), FIAttribute(i));
    put(expected, name, i);
  }
  FIIterator* kept = it->Clone();
  const Entries kept_expected = expected;
  FIIterator* held = nullptr;  // every third clone lives on through the next round's writes
  std::string held_name;
  for (int round = 0; round < 200; ++round) {
    FIIterator* clone = it->Clone();
    const std::string name = "N" + std::to_string((round * 7) % 60);  // most replace
    clone->SetAttribute(name.c_str(), FIAttribute(-1));
    it->SetAttribute(name.c_str(), FIAttribute(round));
    put(expected, name, round);
    if (held != nullptr) {  // its own write stands over the source's later one
      EXPECT_EQ(AttributeOf(*held, held_name.c_str()), "int:-1") << round;
      DeleteFIIterator(held);
      held = nullptr;
    }
    if (round % 3 == 0) {
      held = clone;
      held_name = name;
    } else {
      DeleteFIIterator(clone);
    }
  }
  DeleteFIIterator(held);
  EXPECT_EQ(Recorded(*it), describe(expected));
  ExpectReadable(*it, describe(expected));
  EXPECT_EQ(Recorded(*kept), describe(kept_expected));
  DeleteFIIterator(kept);
}

// Down takes a name without '.' or '"' as one level, found as written; one holding either is a
// path. Names of every length to 19 with the character at every place (across the eight-byte
// steps of the check), and characters near them, which are plain.
TEST_F(Iterator, DownTellsAPlainNameFromAPathAtEveryPlace) {
  const char kPathChars[] = {'.', '"'};
  const char kPlainChars[] = {'/', '-', '!', '#', '\x0e', '\x02', '\xae', '\xa2', '\xff'};
  std::vector<std::string> paths, plains;
  for (std::size_t length = 1; length < 20; ++length) {
    for (std::size_t place = 0; place < length; ++place) {
      for (char c : kPathChars) {
        std::string name(length, 'x');
        name[place] = c;
        paths.push_back(name);
      }
      for (char c : kPlainChars) {
        std::string name(length, 'x');
        name[place] = c;
        plains.push_back(name);
      }
    }
  }
  for (std::size_t width : {std::size_t{3}, std::size_t{0}}) {  // narrow nodes and one wide
    hostsim::TreeBuilder builder;
    builder.Open("Top");
    std::vector<std::string> names = paths;
    names.insert(names.end(), plains.begin(), plains.end());
    for (std::size_t i = 0; i < names.size(); i += width == 0 ? names.size() : width) {
      builder.Open("G" + std::to_string(i));
      const std::size_t end = width == 0 ? names.size() : std::min(names.size(), i + width);
      for (std::size_t j = i; j < end; ++j) builder.Leaf(names[j]);
      builder.Close();
    }
    builder.Close();
    auto top = builder.Finish();
    for (std::size_t i = 0; i < names.size(); ++i) {
      const std::size_t group = width == 0 ? 0 : i - i % width;
      auto it = hostsim::NewIterator(top, "G" + std::to_string(group));
      const bool plain = i >= paths.size();
      // The node exists under its literal name, so only taking the name as a path fails.
      EXPECT_EQ(it->Down(names[i]), plain) << names[i] << " width " << width;
    }
  }
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
