// Every callback against a host that fails: the n-th Clone returns null, or the n-th host call
// throws, for n = 1, 2, ... until the call completes without meeting the failure. Each runs on
// the node of the default plant where it makes the most host calls. Checked at every n: the
// failure result, where the caller's iterator stands, no iterator left alive. Also every
// callback with a null iterator.
#include <algorithm>
#include <string>

#include "failing_host.h"
#include "support/callback_driver.h"
#include "support/fintop_test.h"

namespace fintop_test {
namespace {

// One call of `entry` with `argument` (index or move flag).
int Invoke(const CallbackEntry& entry, FIIterator* it, FIAttribute* out, int argument) {
  return fintop::CallByShape(entry.shape, entry.function, it, out, argument);
}

// The arguments each callback is called with: its count and a selection, or both move flags.
std::vector<int> ArgumentsOf(const CallbackEntry& entry) {
  switch (entry.shape) {
    case fintop::Shape::kCollection:
      return {-1, 1};  // a selection's failure result (1) differs from a count's (0)
    case fintop::Shape::kElement:
      return {0, 1};
    default:
      return {0};
  }
}

struct CallRun {
  FaultPlan plan;
  long result = 0;
  bool out_empty = true;
  std::uint32_t caller_at = 0;  // where the caller's iterator stands afterwards
  // Iterators made during the call still alive after it: a clone left alive counts twice, the
  // double and the module's iterator it wraps.
  long left_alive = 0;
};

// One call on a failing iterator standing where `at` stands. A counting callback's selection
// is preceded by its count on the same node, on a host that does not fail.
CallRun RunOnce(const CallbackEntry& entry, const HostIterator& at, int argument, Fault fault,
                long fail_at) {
  if (entry.counts && argument != -1) {
    FIAttribute ignored;
    IteratorPtr counter(static_cast<HostIterator*>(const_cast<HostIterator&>(at).Clone()));
    Invoke(entry, counter.get(), &ignored, -1);
  }
  CallRun run;
  run.plan.fault = fault;
  run.plan.fail_at = fail_at;
  const long host_before = hostsim::LiveIterators();
  const long failing_before = FailingIterator::Live();
  {
    FailingIterator caller(run.plan, const_cast<HostIterator&>(at).Clone());
    run.plan.caller = &caller.inner();
    FIAttribute out;
    run.result = Invoke(entry, &caller, &out, argument);
    run.out_empty = out.empty();
    run.caller_at = caller.inner().node();
    run.plan.caller = nullptr;
    run.left_alive = FailingIterator::Live() - failing_before - 1;  // the caller's is still here
  }
  run.left_alive += hostsim::LiveIterators() - host_before;
  return run;
}

// The node of the tree on which the call makes the most host calls.
std::uint32_t BusiestNode(const CallbackEntry& entry, const Tree& tree, int argument) {
  HostIterator at(tree);
  std::uint32_t busiest = hostsim::HostTree::root();
  long most = -1;
  for (std::uint32_t node = 0; node < tree->size(); ++node) {
    at.MoveTo(node);
    const long calls = RunOnce(entry, at, argument, Fault::kCallThrows, 0).plan.counted;
    if (calls > most) {
      most = calls;
      busiest = node;
    }
  }
  return busiest;
}

struct FaultCase {
  const char* name;
  Fault fault;
};

class HostFailures : public CallbackTestWithParam<FaultCase> {
 protected:
  static void SetUpTestSuite() { plant_ = hostsim::LoadCaseFile(SourcePath("cases/default.json")); }
  static void TearDownTestSuite() { plant_.reset(); }
  static Tree plant_;
};
Tree HostFailures::plant_;

TEST_P(HostFailures, EveryCallbackFailsSoundlyAtEveryHostCall) {
  const Fault fault = GetParam().fault;
  int callbacks_failed = 0;
  for (const CallbackEntry& entry : AllCallbacks()) {
    bool failed_once = false;
    for (int argument : ArgumentsOf(entry)) {
      HostIterator at(plant_, BusiestNode(entry, plant_, argument));
      const CallRun clean = RunOnce(entry, at, argument, fault, 0);
      for (long n = 1;; ++n) {
        const CallRun run = RunOnce(entry, at, argument, fault, n);
        if (!run.plan.hit) break;
        failed_once = true;
        const std::string where = std::string(entry.name) + "(" + std::to_string(argument) +
                                  ") on " + at.path() + ", failure at host call " +
                                  std::to_string(n);
        EXPECT_EQ(run.left_alive, 0) << where;
        if (entry.shape == fintop::Shape::kClassifier) {
          EXPECT_TRUE(run.out_empty) << where;
        }
        if (fault == Fault::kCallThrows) {
          // Nothing is raised across the boundary: the failure result, and no move of the
          // caller's iterator after the host failed.
          EXPECT_EQ(run.result, fintop::FailureResult(entry, argument)) << where;
          EXPECT_EQ(run.caller_at, run.plan.caller_before.back()) << where;
        } else {
          // A clone that is not there finds nothing: never more than the host really holds.
          if (entry.shape != fintop::Shape::kCollection || argument == -1) {
            EXPECT_LE(run.result, clean.result) << where;
          } else {
            EXPECT_EQ(run.result, clean.result) << where;
          }
        }
        if (!fintop::MayMove(entry, argument)) {
          EXPECT_EQ(run.caller_at, at.node()) << where;
        }
      }
    }
    callbacks_failed += failed_once;
  }
  // Every callback makes at least one host call; not every one clones.
  if (fault == Fault::kCallThrows) {
    EXPECT_EQ(callbacks_failed, kCallbackCount);
  } else {
    EXPECT_GT(callbacks_failed, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, HostFailures,
                         ::testing::Values(FaultCase{"CloneReturnsNull", Fault::kCloneReturnsNull},
                                           FaultCase{"CallThrows", Fault::kCallThrows}),
                         [](const auto& info) { return std::string(info.param.name); });

// A null iterator is refused with the failure result, and out is left as it was.
TEST(NullIterator, EveryCallbackGivesItsFailureResult) {
  for (const CallbackEntry& entry : AllCallbacks()) {
    std::vector<int> arguments = ArgumentsOf(entry);
    arguments.push_back(7);
    for (int argument : arguments) {
      FIAttribute out("untouched");
      EXPECT_EQ(Invoke(entry, nullptr, &out, argument), fintop::FailureResult(entry, argument))
          << entry.name << "(" << argument << ")";
      EXPECT_STREQ(out.c_str(), "untouched") << entry.name << "(" << argument << ")";
    }
  }
}

}  // namespace
}  // namespace fintop_test
