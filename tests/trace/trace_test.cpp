// fintop-trace loaded as a host loads it, in the setting its ctest entry gives (each scenario
// runs in a process of its own, since the proxy reads its settings once):
// - Missing: the real plug-in cannot be loaded; every callback answers its failure result, the
//   log says why and records each call.
// - Threads: threads drive cases through the proxy at once; every line is whole and there is
//   one record per call.
// - Unwritable: the log cannot be opened or written (a full disk); every call answers as the
//   real plug-in does.
// And without the proxy: driving every callback over the cases records no attribute name
// outside FINTOP_RECORDED_ATTRIBUTES (tests/walk checks that the default plant's walk records
// each of them).
// records_test.cpp: the records themselves, the bootstrap and fintop-trace.txt.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "bootstrap/bootstrap.h"
#include "framework/module_loader.h"
#include "framework/recorded_attributes.h"
#include "proxy_test.h"
#include "support/callback_driver.h"
#include "support/fintop_test.h"

namespace fintop_test {
namespace {

std::vector<Tree> Cases() {
  std::vector<Tree> cases;
  for (const char* file : {"tests/walk/small_case.json", "tests/walk/broken_column.json",
                           "tests/walk/renamed_case.json"})
    cases.push_back(hostsim::LoadCaseFile(SourcePath(file)));
  return cases;
}

// The argument rows of one callback: counts and selections, or both move flags.
std::vector<int> Arguments(const CallbackEntry& entry) {
  switch (entry.shape) {
    case fintop::Shape::kCollection:
      return {-1, 0, 2, 7};
    case fintop::Shape::kElement:
      return {0, 1};
    default:
      return {0};
  }
}

TEST(Missing, EveryCallbackAnswersItsFailureAndTheLogSaysWhy) {
  const char* log = std::getenv("FINTOP_TRACE_LOG");
  ASSERT_NE(log, nullptr);
  std::remove(log);
  std::vector<CallbackEntry> entries = ProxyCallbacks();
  Tree tree = MakeTree(R"({"name": "T", "type": "MaterialStreamObject", "children": [
      {"name": "Comp Mole Frac", "elements": [0.5, 0.5]}]})");
  IteratorPtr at = At(tree);
  long live = hostsim::LiveIterators();
  struct Expected {
    std::string callback;
    record::Value result;
  };
  std::vector<Expected> calls;
  for (const CallbackEntry& entry : entries) {
    for (int argument : Arguments(entry)) {
      FIAttribute out;
      record::Value result;
      const int answer = fintop::CallByShape(entry.shape, entry.function, at.get(), &out, argument);
      EXPECT_EQ(answer, fintop::FailureResult(entry, argument))
          << entry.name << "(" << argument << ")";
      if (entry.shape == fintop::Shape::kCollection) {
        result = record::Value::Integer(answer);
      } else {
        result = record::Value::Bool(answer != 0);
      }
      EXPECT_TRUE(out.empty()) << entry.name;
      EXPECT_EQ(Where(*at), "T") << entry.name;
      EXPECT_EQ(Recorded(*at), "") << entry.name;
      EXPECT_EQ(hostsim::LiveIterators(), live) << entry.name;
      calls.push_back({entry.name, result});
    }
  }
  using Forwarder =
      std::intptr_t(FI_CDECL*)(std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t);
  EXPECT_EQ(ProxyEntry<Forwarder>("GetTopNorvaneEntry")(1, 2, 3, 4), 0);
  EXPECT_EQ(ProxyEntry<Forwarder>("TestIterator")(1, 2, 3, 4), 0);
  using GetQELNodeFn = QELAggNode*(FI_CDECL*)(void*, void*);
  EXPECT_EQ(ProxyEntry<GetQELNodeFn>("GetQELNode")(nullptr, nullptr), nullptr);
  EXPECT_FALSE(ProxyEntry<FIElement>("Find1")(at.get(), 1));

  std::vector<LogLine> lines = WithoutBegins(LogLines(log));
  ASSERT_EQ(lines.size(), calls.size() + 2);
  EXPECT_EQ(lines[0].Get("log"), TextScalar("fintop-trace"));
  ASSERT_TRUE(lines[1].Has("error")) << lines[1].text;
  const std::string why = lines[1].Text("error");
  EXPECT_EQ(lines[1].text, "{\"error\":" + kit::JsonText(why) + "}");
  EXPECT_TRUE(why.starts_with("cannot load the real plug-in ")) << why;
  EXPECT_NE(why.find(std::getenv("FINTOP_TRACE_PLUGIN") + std::string(" (")), std::string::npos)
      << why;
  EXPECT_TRUE(why.ends_with("): every callback answers its failure result")) << why;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    std::optional<record::Call> call = lines[i + 2].Call();
    ASSERT_TRUE(call) << lines[i + 2].text;
    EXPECT_EQ(call->callback, calls[i].callback);
    EXPECT_EQ(call->result, calls[i].result) << call->callback;
    EXPECT_EQ(call->node, "T");
    EXPECT_EQ(call->at, "T");
    EXPECT_TRUE(call->attributes.empty());
  }
}

TEST(Threads, LinesWholeOneRecordPerCall) {
  const char* log = std::getenv("FINTOP_TRACE_LOG");
  ASSERT_NE(log, nullptr);
  std::remove(log);
  const std::vector<CallbackEntry> entries = ProxyCallbacks();
  // Small cases: every call writes a line, and the thread sanitizer's leg runs this too.
  const std::vector<Tree> cases = {
      hostsim::LoadCaseFile(SourcePath("tests/walk/small_case.json")),
      hostsim::LoadCaseFile(SourcePath("tests/walk/broken_column.json"))};
  DriveOptions options;
  options.check_live_count = false;  // other threads make iterators meanwhile
  long live = hostsim::LiveIterators();
  constexpr int kThreads = 4;
  std::vector<DriveReport> reports(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const Tree& tree = cases[t % cases.size()];
      hostsim::HostIterator at(tree);
      for (std::uint32_t node = 0; node < tree->size(); ++node) {
        at.MoveTo(node);
        for (const CallbackEntry& entry : entries) {
          // A count and the first selection, or the moving call: enough lines to interleave.
          int argument = entry.shape == fintop::Shape::kElement ? 1 : 0;
          if (entry.shape == fintop::Shape::kCollection)
            DriveOne(entry, at, -1, options, reports[t]);
          DriveOne(entry, at, argument, options, reports[t]);
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(hostsim::LiveIterators(), live);
  long calls = 0;
  for (const DriveReport& report : reports) {
    calls += report.calls;
    for (const std::string& line : report.violations) ADD_FAILURE() << line;
  }
  std::vector<LogLine> lines = WithoutBegins(LogLines(log));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].Get("log"), TextScalar("fintop-trace"));
  long records = 0, attributes = 0;
  std::set<unsigned long long> thread_numbers;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::optional<record::Call> call = lines[i].Call();
    ASSERT_TRUE(call) << lines[i].text;
    ASSERT_TRUE(call->thread);
    thread_numbers.insert(*call->thread);
    EXPECT_FALSE(call->node.empty());
    attributes += static_cast<long>(call->attributes.size());
    ++records;
  }
  EXPECT_EQ(records, calls);
  EXPECT_EQ(thread_numbers.size(), static_cast<std::size_t>(kThreads));
  EXPECT_GT(attributes, 0);
}

TEST(Unwritable, EveryCallAnswersAsTheRealPlugin) {
  const std::vector<CallbackEntry> proxied = ProxyCallbacks();
  const std::vector<CallbackEntry>& direct = AllCallbacks();
  Tree tree = hostsim::LoadCaseFile(SourcePath("tests/walk/small_case.json"));
  long live = hostsim::LiveIterators();
  long calls = 0;
  for (std::uint32_t node = 0; node < tree->size(); ++node) {
    for (std::size_t i = 0; i < direct.size(); ++i) {
      for (int argument : Arguments(direct[i])) {
        IteratorPtr a = At(tree), b = At(tree);
        a->MoveTo(node);
        b->MoveTo(node);
        FIAttribute out_a, out_b;
        const int ra =
            fintop::CallByShape(direct[i].shape, direct[i].function, a.get(), &out_a, argument);
        const int rb =
            fintop::CallByShape(direct[i].shape, proxied[i].function, b.get(), &out_b, argument);
        const std::string what =
            std::string(direct[i].name) + "(" + std::to_string(argument) + ") on " + Where(*a);
        EXPECT_EQ(ra, rb) << what;
        EXPECT_TRUE(record::SameValue(out_a, out_b)) << what;
        EXPECT_EQ(Where(*a), Where(*b)) << what;
        EXPECT_EQ(Recorded(*a), Recorded(*b)) << what;
        EXPECT_EQ(Bound(*a), Bound(*b)) << what;
        ++calls;
      }
    }
  }
  EXPECT_EQ(hostsim::LiveIterators(), live);
  EXPECT_GT(calls, 0);
}

// Hears every attribute recorded on the iterators it watches (clones inherit it).
class RecordedNames final : public hostsim::IteratorObserver {
 public:
  void OnEvent(const hostsim::HostIterator&, const hostsim::IteratorEvent& event) override {
    const std::string op = event.op;
    if (op == "SetAttribute" || op == "SetAttributeByKey") names.emplace(event.text);
  }
  std::set<std::string> names;
};

TEST(RecordedAttributes, DrivingEveryCallbackRecordsOnlyListedNames) {
#define FINTOP_TEST_NAME(name) name,
  const std::vector<std::string> listed = {FINTOP_RECORDED_ATTRIBUTES(FINTOP_TEST_NAME)};
#undef FINTOP_TEST_NAME
  const std::set<std::string> unique(listed.begin(), listed.end());
  EXPECT_EQ(unique.size(), listed.size()) << "a name listed twice";
  RecordedNames observer;
  // The default plant's walk records exactly the listed names (tests/walk); here every
  // callback on every node of the smaller cases, with the driver's odd indices.
  for (const Tree& tree : Cases()) {
    hostsim::HostIterator at(tree);
    at.set_observer(&observer);
    DriveReport report;
    for (std::uint32_t node = 0; node < tree->size(); ++node) {
      at.MoveTo(node);
      DriveNode(at, DriveOptions{}, report);
    }
    for (const std::string& line : report.violations) ADD_FAILURE() << line;
  }
  for (const std::string& name : observer.names)
    EXPECT_TRUE(unique.count(name)) << name << " is recorded but not listed";
  EXPECT_GT(observer.names.size(), unique.size() / 4);  // (the walk's test finds them all)
}

}  // namespace
}  // namespace fintop_test
