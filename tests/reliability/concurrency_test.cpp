// Several threads walk cases at once, each with its own iterators, through every callback.
// Run under ThreadSanitizer by the tsan leg; the plain build checks the results agree.
#include <thread>
#include <vector>

#include "support/callback_driver.h"
#include "support/fintop_test.h"

namespace fintop_test {
namespace {

TEST(Concurrency, ThreadsWalkingCasesThroughEveryCallbackShareNothing) {
  std::vector<Tree> cases;
  for (const char* file : {"cases/default.json", "tests/walk/small_case.json", "tests/walk/broken_column.json"}) {
    try {
      cases.push_back(hostsim::LoadCaseFile(SourcePath(file)));
    } catch (const hostsim::CaseError&) {
      // a sample case not (yet) in the tree
    }
  }
  cases.push_back(MakeTree(R"({"name": "T", "children": [{"name": "S",
      "type": "MaterialStreamObject", "children": [
        {"name": "Comp Mole Frac", "elements": [0.5, 0.5]},
        {"name": "Pump Curve", "elements": [1, 2]}]}]})"));
  DriveOptions options;
  options.check_live_count = false;  // other threads make iterators meanwhile
  options.max_selections = 3;
  long live_before = hostsim::LiveIterators();
  constexpr int kThreads = 4;
  std::vector<DriveReport> reports(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] { reports[t] = DriveTree(cases[t % cases.size()], options); });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(hostsim::LiveIterators(), live_before);
  for (const DriveReport& report : reports) {
    EXPECT_GT(report.calls, 0);
    for (const std::string& line : report.violations) ADD_FAILURE() << line;
  }
}

}  // namespace
}  // namespace fintop_test
