// The real host modules end to end, and Find1.
#include <cstdint>
#include <string>

#include "bootstrap_test.h"
#include "framework/fi_context.h"

namespace fintop_test {
namespace {

constexpr char kMappingFiles[] = "QELAllLibraries.xml, norvanemap.xml, nunits.xml, Norvane";

class HostModules : public BootstrapTest {
 protected:
  int key_ = 0;
  void* key() { return &key_; }
};

// The real host modules: the plug-in loads "norvaneeng.dll" from the program's folder, which
// opens the case named by the first argument; "finadapt.dll" is never needed.
TEST_F(HostModules, OpenTheCaseNamedByTheFirstArgument) {
  std::string path = SourcePath("tests/bootstrap/tiny_case.json");
  QELAggNode* node = GetQELNode(const_cast<char*>(path.c_str()), key());
  ASSERT_NE(node, nullptr);
  FIIterator* it = QELAggNodeIterator(node);
  EXPECT_EQ(Where(*it), "Tiny");
  EXPECT_EQ(AttributeOf(*it, "anything"), "absent");
  ASSERT_TRUE(it->Down("Feed"));
  EXPECT_TRUE(CTStreams(it));

  HMODULE engine = GetModuleHandleA("norvaneeng.dll");
  ASSERT_NE(engine, nullptr);
  auto mapping_files = reinterpret_cast<const char* (*)()>(
      reinterpret_cast<void (*)()>(GetProcAddress(engine, "HostsimMappingFiles")));
  ASSERT_NE(mapping_files, nullptr);
  EXPECT_STREQ(mapping_files(), kMappingFiles);
  EXPECT_EQ(GetModuleHandleA("finadapt.dll"), nullptr);

  std::string missing = SourcePath("tests/bootstrap/no_such_case.json");
  int other_key = 0;
  EXPECT_EQ(GetQELNode(const_cast<char*>(missing.c_str()), &other_key), nullptr);
}

TEST_F(HostModules, ForwardedEntryPointsReachTheEngineModule) {
  std::string path = SourcePath("tests/bootstrap/tiny_case.json");
  auto* entry = reinterpret_cast<FITopEntry*>(
      GetTopNorvaneEntry(reinterpret_cast<std::intptr_t>(path.c_str()), 0, 0, 0));
  ASSERT_NE(entry, nullptr);
  // Mode 1 hands the entry to the iterator, which deletes it with itself.
  IteratorPtr it(static_cast<HostIterator*>(CreateBaseFIIterator(entry, 1)));
  ASSERT_NE(it, nullptr);
  ASSERT_TRUE(it->Down("Feed"));

  char name[16] = {};
  EXPECT_EQ(TestIterator(reinterpret_cast<std::intptr_t>(it.get()),
                         reinterpret_cast<std::intptr_t>(name), sizeof name, 0),
            1);
  EXPECT_STREQ(name, "Feed");
  EXPECT_EQ(TestIterator(0, 0, 0, 0), 0);
  EXPECT_EQ(GetModuleHandleA("finadapt.dll"), nullptr);
}

// Find1 finds its element whatever the move flag; moving reads the name into 20 bytes.
class Find1Moves : public CallbackTestWithParam<int> {};

class OperationLog : public hostsim::IteratorObserver {
 public:
  void OnEvent(const HostIterator&, const hostsim::IteratorEvent& event) override {
    log += std::string(event.op) + ":" + std::to_string(event.number) + ";";
  }
  std::string log;
};

TEST_P(Find1Moves, AlwaysTrueAndTheIteratorStays) {
  const int move = GetParam();
  Tree tree = MakeTree(R"({"name": "Tiny", "children": [{"name": "AVeryLongNodeNameIndeed"}]})");
  IteratorPtr it = At(tree, "AVeryLongNodeNameIndeed");
  OperationLog operations;
  it->set_observer(&operations);
  EXPECT_TRUE(Find1(it.get(), move));
  EXPECT_EQ(operations.log, move != 0 ? "GetName:20;" : "");
  EXPECT_EQ(Where(*it), "Tiny/AVeryLongNodeNameIndeed");
  EXPECT_EQ(Recorded(*it), "");
  EXPECT_TRUE(Find1(nullptr, move));
}

INSTANTIATE_TEST_SUITE_P(MoveFlags, Find1Moves, ::testing::Values(0, 1, -1));

}  // namespace
}  // namespace fintop_test
