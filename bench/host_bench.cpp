// The stand-in host's own costs: Down by name on nodes of growing width and by the name's
// length, Clone and the first write to a clone by the number of attributes recorded, loading
// a case against a bare parse of the same JSON text. (The callbacks against their bare
// sequences, the reaction selections on grown cases among them, are fintop_icount's.)
//
// Instruction counts: every measured operation runs inside a function of its own named
// Cost...; scripts/host-costs.sh runs each benchmark under callgrind with a fixed number of
// iterations (FINTOP_HOST_COST_ITERATIONS) and divides each function's inclusive count by its
// calls (the counter "calls").
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bench_support.h"
#include "iterator/case_loader.h"

namespace bench {
namespace {

using hostsim::HostIterator;
using hostsim::IteratorPtr;
using hostsim::TreeBuilder;

// With FINTOP_HOST_COST_ITERATIONS set, every benchmark below runs exactly that many
// iterations, so that an instruction count divides by a known number of calls.
void FixedIterations(benchmark::internal::Benchmark* b) {
  if (const char* text = std::getenv("FINTOP_HOST_COST_ITERATIONS")) {
    const long iterations = std::strtol(text, nullptr, 10);
    if (iterations > 0) b->Iterations(iterations);
  }
}

// A top node "Wide" with `width` children "Child0".. ; Down to the last of them, then Up.
void DownByName(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  TreeBuilder builder;
  builder.Open("Case");
  builder.Open("Wide");
  for (int i = 0; i < width; ++i) builder.Leaf("Child" + std::to_string(i));
  builder.Close();
  builder.Close();
  auto it = hostsim::NewIterator(builder.Finish(), "Wide");
  const std::string name = "Child" + std::to_string(width - 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(it->Down(name));
    it->Up();
  }
}
BENCHMARK(DownByName)->Arg(1)->Arg(100)->Arg(10000);

// ---- The stand-in's operations, one function each for the instruction counts.

[[gnu::noipa]] bool CostDown(HostIterator& it, const std::string& name) {
  return it.Down(name);
}

[[gnu::noipa]] FIIterator* CostClone(HostIterator& it) {
  return it.Clone();
}

[[gnu::noipa]] void CostFirstWrite(FIIterator& clone, const FIAttribute& value) {
  clone.SetAttribute("CmpCnt", value);
}

// Down from a node of `width` children, all names `length` characters long ("N" + number,
// padded with 'x'), to each of them in turn (the cost is the mean over the children); then Up
// (not counted). Nodes of 8 or more children have a hash index.
void DownByNameLength(benchmark::State& state) {
  const auto length = static_cast<std::size_t>(state.range(0));
  const int width = static_cast<int>(state.range(1));
  std::vector<std::string> names;
  for (int i = 0; i < width; ++i) {
    std::string name(1, 'N');
    name += std::to_string(i);
    name.resize(std::max(length, name.size()), 'x');
    names.push_back(name);
  }
  TreeBuilder builder;
  builder.Open("Case");
  builder.Open("Node");
  for (const std::string& name : names) builder.Leaf(name);
  builder.Close();
  builder.Close();
  auto it = hostsim::NewIterator(builder.Finish());
  it->First();  // onto "Node", without a Down of its own
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(CostDown(*it, names[next]));
    it->Up();
    if (++next == names.size()) next = 0;
  }
  state.counters["calls"] = static_cast<double>(state.iterations());
}
BENCHMARK(DownByNameLength)
    ->Apply(FixedIterations)
    ->ArgNames({"length", "width"})
    ->ArgsProduct({{4, 16, 64, 256}, {3, 100}});

// An iterator on a one-node case carrying `attributes` attributes.
IteratorPtr WithAttributes(int attributes) {
  TreeBuilder builder;
  builder.Leaf("Case");
  auto it = hostsim::NewIterator(builder.Finish());
  for (int i = 0; i < attributes; ++i) {
    it->SetAttribute(("Attribute" + std::to_string(i)).c_str(), FIAttribute(i));
  }
  return it;
}

// Clone and DeleteFIIterator of an iterator carrying `attributes` attributes.
void CloneWithAttributes(benchmark::State& state) {
  auto it = WithAttributes(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    FIIterator* clone = it->Clone();
    benchmark::DoNotOptimize(clone);
    DeleteFIIterator(clone);
  }
}
BENCHMARK(CloneWithAttributes)->Arg(2)->Arg(50);

// Clone alone (counted), of an iterator carrying `attributes` attributes; the delete is not.
void CloneAlone(benchmark::State& state) {
  auto it = WithAttributes(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    FIIterator* clone = CostClone(*it);
    benchmark::DoNotOptimize(clone);
    DeleteFIIterator(clone);
  }
  state.counters["calls"] = static_cast<double>(state.iterations());
}
BENCHMARK(CloneAlone)->Apply(FixedIterations)->ArgName("attributes")->Arg(2)->Arg(10)->Arg(50);

// The first write to a fresh clone of an iterator carrying `attributes` attributes: a name
// the source has not recorded (Clone and the delete are not counted).
void FirstWriteToClone(benchmark::State& state) {
  auto it = WithAttributes(static_cast<int>(state.range(0)));
  const FIAttribute value(7);
  for (auto _ : state) {
    FIIterator* clone = it->Clone();
    CostFirstWrite(*clone, value);
    DeleteFIIterator(clone);
  }
  state.counters["calls"] = static_cast<double>(state.iterations());
}
BENCHMARK(FirstWriteToClone)
    ->Apply(FixedIterations)
    ->ArgName("attributes")
    ->Arg(2)
    ->Arg(10)
    ->Arg(50);

// Loading a generated case of `objects` host nodes from its JSON text (LoadCaseText) against
// nlohmann-json's bare parse of the same text (json::parse); ratio = load / parse.
void CaseLoading(benchmark::State& state) {
  const std::string text = GenerateCaseJson(static_cast<std::size_t>(state.range(0)));
  double load = 0, parse = 0;
  bool load_first = true;
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      const bool loading = (side == 0) == load_first;
      const double start = ThreadNanoseconds();
      if (loading) {
        benchmark::DoNotOptimize(hostsim::LoadCaseText(text));
      } else {
        benchmark::DoNotOptimize(nlohmann::json::parse(text));
      }
      (loading ? load : parse) += ThreadNanoseconds() - start;
    }
    load_first = !load_first;
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
  state.counters["load_ms"] = load / iterations / 1e6;
  state.counters["parse_ms"] = parse / iterations / 1e6;
  state.counters["ratio"] = load / parse;
}
BENCHMARK(CaseLoading)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace bench
