// Whole walks of generated cases of 10^3 to 10^6 host objects (time per host object, which is
// to stay flat with the size, and peak memory per host object), and, apart, the selections
// whose bare walk grows with the index: each selection steps from the first element to
// the selected one, so walking all n elements costs n^2/2 steps.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench_support.h"
#include "framework/callbacks.h"
#include "plant_walk.h"

namespace bench {
namespace {

// peak_bytes_per_object: the process's peak resident memory above its peak at start, per host
// object. It is exact for the largest case a process has made, so scripts/bench.sh runs each
// size in a process of its own; in a run of all sizes the smaller ones read high or low.
void WholeWalk(benchmark::State& state) {
  const GeneratedCase plant = GenerateCase(static_cast<std::size_t>(state.range(0)), 1);
  auto top = hostsim::NewIterator(plant.tree);
  WalkTally tally;
  for (auto _ : state) {
    tally = WalkPlant(*top);
    benchmark::DoNotOptimize(tally);
  }
  const double nodes = static_cast<double>(plant.census.nodes);
  state.SetItemsProcessed(state.iterations() * static_cast<long>(plant.census.nodes));
  state.counters["objects"] = nodes;
  state.counters["calls"] = static_cast<double>(tally.calls);
  state.counters["ns_per_object"] = benchmark::Counter(
      nodes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["peak_bytes_per_object"] =
      static_cast<double>(PeakResidentBytes() - StartupPeakResidentBytes()) / nodes;
}
BENCHMARK(WholeWalk)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", [](const std::vector<double>& v) {
      return *std::min_element(v.begin(), v.end());
    });

// One unit whose collection has `n` elements; the last index is selected.
using Selection = int (*)(FIIterator*, FIAttribute*, int);

void GrowingSelection(benchmark::State& state, const char* type, Selection select) {
  const int n = static_cast<int>(state.range(0));
  hostsim::TreeBuilder b;
  b.Open("Unit");
  b.Property("type", hostsim::PropValue::Text(type));
  auto elements = [&](const char* name, auto&& element) {
    b.Open(name);
    for (int i = 0; i < n; ++i) {
      b.Open("Elem" + std::to_string(i));
      element(i);
      b.Close();
    }
    b.Close();
  };
  auto value = [&](int) { b.Property("value", hostsim::PropValue::Integer(10)); };
  if (select == CTPipeSegment) {
    elements("Pipe Length", value);
    elements("No of Increments", value);
  } else if (select == CTReactions) {
    b.Open("ReactionList");
    for (int i = 0; i < n; ++i) {
      b.Open("Reaction");
      b.Open("ReactionType");
      b.Property("value", hostsim::PropValue::Text("KineticRxnObject"));
      b.Close();
      b.Close();
    }
    b.Close();
  } else {  // CTColumnFeeds: one tray section with n feeds
    b.Open("TS-1");
    b.Property("type", hostsim::PropValue::Text("TraySectionObject"));
    b.Property("id", hostsim::PropValue::Text("TS-1"));
    elements("Traysection Feeds", [&](int i) {
      b.Property("value", hostsim::PropValue::Text("Feed " + std::to_string(i)));
    });
    b.Close();
  }
  b.Close();
  auto unit = hostsim::NewIterator(b.Finish());
  FIAttribute out;
  if (select(unit.get(), &out, -1) != n) {
    state.SkipWithError("the collection does not count n elements");
    return;
  }
  for (auto _ : state) {
    FIIterator* it = unit->Clone();
    benchmark::DoNotOptimize(select(it, &out, n - 1));
    DeleteFIIterator(it);
  }
  state.counters["ns_per_index"] = benchmark::Counter(
      n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK_CAPTURE(GrowingSelection, pipe_segment, "PipeSegObject", CTPipeSegment)
    ->RangeMultiplier(10)
    ->Range(10, 10000);
BENCHMARK_CAPTURE(GrowingSelection, reactions, "ConversionReactorOpObject", CTReactions)
    ->RangeMultiplier(10)
    ->Range(10, 10000);
BENCHMARK_CAPTURE(GrowingSelection, column_feeds, "ColumnOpObject", CTColumnFeeds)
    ->RangeMultiplier(10)
    ->Range(10, 10000);

}  // namespace
}  // namespace bench
