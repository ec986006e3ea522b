// GetQELNode with a fake host: the known node first, the host's context factory otherwise,
// and the context's references on every path.
#include <cstdint>
#include <string>

#include "bootstrap_test.h"
#include "iterator/case_context.h"

namespace fintop_test {
namespace {

constexpr char kCase[] = R"({"name": "Tiny", "children": [{"name": "Feed"}]})";
constexpr char kTopMappingFiles[] = "QELAllLibraries.xml, norvanemap.xml, nunits.xml, Norvane";

// The context factory the fake host offers: records its arguments, returns g_context.
FI::Context* g_context = nullptr;
std::string g_factory_calls;

extern "C" FI::Context* FakeContextFactory(void* first, const char* libraries, const char* mapping,
                                           const char* units, const char* host) {
  g_factory_calls += std::to_string(reinterpret_cast<std::intptr_t>(first)) + ", " + libraries +
                     ", " + mapping + ", " + units + ", " + host + ";";
  return g_context;
}

// A context that counts references and gives no case, so no iterator can be made on it.
class CaselessContext final : public FI::Context {
 public:
  void* Query(const char*) override { return nullptr; }
  void AddRef() override { ++references; }
  void Release() override { --references; }
  long references = 1;  // the one it comes with
};

class TopNode : public FakeLoaderTest {
 protected:
  void SetUp() override {
    FakeLoaderTest::SetUp();
    g_context = nullptr;
    g_factory_calls.clear();
  }
  void OfferContextFactory() {
    loader_["norvaneeng.dll"].entries["GetTopNorvaneCtx"] =
        reinterpret_cast<void*>(&FakeContextFactory);
    UseFakeLoader();
  }

  int key_ = 0;
  void* key() { return &key_; }
  void* const first_ = reinterpret_cast<void*>(std::intptr_t{77});
};

TEST_F(TopNode, AKnownNodeIsReturnedWithoutAskingTheHost) {
  Tree tree = MakeTree(kCase);
  QELAggNode* known = GetTopAggNode(At(tree, "Feed").release(), key());
  ASSERT_NE(known, nullptr);
  OfferContextFactory();
  EXPECT_EQ(GetQELNode(first_, key()), known);
  EXPECT_EQ(loader_.calls(), "");
  EXPECT_EQ(g_factory_calls, "");
  EXPECT_EQ(Where(*QELAggNodeIterator(known)), "Tiny/Feed");
}

TEST_F(TopNode, NoContextFactoryGivesNoNode) {
  UseFakeLoader();
  EXPECT_EQ(GetQELNode(first_, key()), nullptr);
  EXPECT_EQ(loader_.calls(),
            "GetModuleHandleA(norvane.exe); GetProcAddress(null, GetTopNorvaneCtx); "
            "LoadLibraryA(norvaneeng.dll); LoadLibraryA(finadapt.dll)");
  EXPECT_EQ(FindTopNode(key()), nullptr);
}

TEST_F(TopNode, ANullContextGivesNoNode) {
  OfferContextFactory();
  EXPECT_EQ(GetQELNode(first_, key()), nullptr);
  EXPECT_EQ(g_factory_calls, std::string("77, ") + kTopMappingFiles + ";");
  EXPECT_EQ(FindTopNode(key()), nullptr);
}

// The plug-in releases every reference it adds and none other. The top entry it made (holding
// one) went to the iterator module, which drops it when no iterator can be made: afterwards
// the context holds just the one it came with.
TEST_F(TopNode, NoIteratorGivesNoNodeAndBalancesTheReferences) {
  CaselessContext context;
  g_context = &context;
  OfferContextFactory();
  EXPECT_EQ(GetQELNode(first_, key()), nullptr);
  EXPECT_EQ(context.references, 1);
  EXPECT_EQ(g_factory_calls, std::string("77, ") + kTopMappingFiles + ";");
  EXPECT_EQ(FindTopNode(key()), nullptr);
}

TEST_F(TopNode, ANewNodeStandsOnTheCaseTopAndBalancesTheReferences) {
  hostsim::CaseContext* context = hostsim::CaseContext::Create(MakeTree(kCase));
  g_context = context;
  OfferContextFactory();
  long live = hostsim::LiveIterators();

  QELAggNode* node = GetQELNode(first_, key());
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(context->references(), 2);
  EXPECT_EQ(Where(*QELAggNodeIterator(node)), "Tiny");
  EXPECT_EQ(hostsim::LiveIterators(), live + 1);  // the node's own, forgotten after the test
  EXPECT_EQ(FindTopNode(key()), node);
  EXPECT_EQ(g_factory_calls, std::string("77, ") + kTopMappingFiles + ";");

  // Asked again for the same key: the same node, the host is not asked again.
  EXPECT_EQ(GetQELNode(nullptr, key()), node);
  EXPECT_EQ(g_factory_calls, std::string("77, ") + kTopMappingFiles + ";");
  context->Release();  // the reference it came with
}

}  // namespace
}  // namespace fintop_test
