// The stand-in host's own costs: Down by name on nodes of growing width, Clone with few and
// many attributes recorded, and loading a case against a bare parse of the same JSON text.
#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>
#include <string>

#include "bench_support.h"
#include "iterator/case_loader.h"

namespace bench {
namespace {

// A top node "Wide" with `width` children "Child0".. ; Down to the last of them, then Up.
void DownByName(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  hostsim::TreeBuilder builder;
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

// Clone and DeleteFIIterator of an iterator carrying `attributes` attributes.
void CloneWithAttributes(benchmark::State& state) {
  hostsim::TreeBuilder builder;
  builder.Leaf("Case");
  auto it = hostsim::NewIterator(builder.Finish());
  for (int i = 0; i < state.range(0); ++i) {
    it->SetAttribute(("Attribute" + std::to_string(i)).c_str(), FIAttribute(i));
  }
  for (auto _ : state) {
    FIIterator* clone = it->Clone();
    benchmark::DoNotOptimize(clone);
    DeleteFIIterator(clone);
  }
}
BENCHMARK(CloneWithAttributes)->Arg(2)->Arg(50);

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
