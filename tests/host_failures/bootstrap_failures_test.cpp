// The bootstrap against a host that fails: GetQELNode with a host context whose n-th call
// throws or whose factory throws, Find1 on an iterator whose host calls throw or with none.
#include <new>

#include "bootstrap/bootstrap_test.h"
#include "failing_host.h"
#include "iterator/case_context.h"

namespace fintop_test {
namespace {

constexpr char kCase[] = R"({"name": "Tiny", "children": [{"name": "Feed"}]})";

// A host context over a real one whose n-th AddRef or Query throws (0: none does); counts the
// references it holds itself.
class FailingContext final : public FI::Context {
 public:
  FailingContext(FI::Context* real, long fail_at) : real_(real), fail_at_(fail_at) {}
  void* Query(const char* what) override {
    Step();
    return real_->Query(what);
  }
  void AddRef() override {
    Step();
    ++references;
  }
  void Release() override { --references; }

  long references = 1;  // the one it comes with
  bool hit = false;

 private:
  void Step() {
    if (++calls_ == fail_at_) {
      hit = true;
      throw std::bad_alloc();
    }
  }
  FI::Context* real_;
  long fail_at_;
  long calls_ = 0;
};

FI::Context* g_context = nullptr;
bool g_factory_throws = false;

extern "C" FI::Context* FailingContextFactory(void*, const char*, const char*, const char*,
                                              const char*) {
  if (g_factory_throws) throw std::bad_alloc();
  return g_context;
}

class BootstrapFailures : public FakeLoaderTest {
 protected:
  void SetUp() override {
    FakeLoaderTest::SetUp();
    loader_["norvaneeng.dll"].entries["GetTopNorvaneCtx"] =
        reinterpret_cast<void*>(&FailingContextFactory);
    UseFakeLoader();
  }
  void TearDown() override {
    g_context = nullptr;
    g_factory_throws = false;
    FakeLoaderTest::TearDown();
  }
  int key_ = 0;
};

// Each host call of the context fails in turn: no node, nothing thrown, every reference the
// plug-in added released, no iterator left. Once nothing fails, the node is made.
TEST_F(BootstrapFailures, AContextCallThatThrowsGivesNoNode) {
  hostsim::CaseContext* real = hostsim::CaseContext::Create(MakeTree(kCase));
  for (long n = 1;; ++n) {
    FailingContext context(real, n);
    g_context = &context;
    const long live = hostsim::LiveIterators();
    QELAggNode* node = GetQELNode(nullptr, &key_);
    if (!context.hit) {
      EXPECT_NE(node, nullptr) << "no failure at " << n;
      QELForgetAggNodes();
      EXPECT_EQ(context.references, 1);
      EXPECT_GT(n, 1);
      break;
    }
    EXPECT_EQ(node, nullptr) << "failure at context call " << n;
    EXPECT_EQ(context.references, 1) << "failure at context call " << n;
    EXPECT_EQ(hostsim::LiveIterators(), live) << "failure at context call " << n;
  }
  real->Release();
}

TEST_F(BootstrapFailures, AFactoryThatThrowsGivesNoNode) {
  g_factory_throws = true;
  EXPECT_EQ(GetQELNode(nullptr, &key_), nullptr);
  EXPECT_EQ(FindTopNode(&key_), nullptr);
}

// Find1 always finds its element: also when the host's GetName throws, and with no iterator.
TEST_F(BootstrapFailures, Find1AnswersTrueWhateverTheHostDoes) {
  Tree tree = MakeTree(kCase);
  for (int move : {0, 1}) {
    FaultPlan plan;
    plan.fail_at = 1;
    FailingIterator it(plan, At(tree, "Feed").release());
    EXPECT_TRUE(Find1(&it, move)) << move;
    EXPECT_EQ(plan.hit, move != 0) << move;  // only a move reads the name
    EXPECT_EQ(Where(it.inner()), "Tiny/Feed") << move;
    EXPECT_TRUE(Find1(nullptr, move)) << move;
  }
}

}  // namespace
}  // namespace fintop_test
