// The library's overhead per callback family, by CPU time: every pair of the family (see
// pairs.h) run on its units of the default plant, the callback side against the bare side,
// interleaved and alternated in order within every iteration. Before it measures, each
// benchmark checks that both sides of every pair of its family leave the same checksum; a
// difference fails it. Instruction counts of the same pairs: fintop_icount (icount.cpp).
//
// Counters: units, callback_ns and bare_ns per unit, and ratio = callback / bare.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_support.h"
#include "pairs.h"

namespace bench {
namespace {

struct Run {
  const Pair* pair;
  std::vector<hostsim::IteratorPtr> units;
};

void Overhead(benchmark::State& state, std::string family) {
  const auto& plant = DefaultPlant();
  std::vector<Run> runs;
  std::size_t units = 0;
  for (const Pair& pair : Pairs()) {
    if (pair.family != family) continue;
    if (CheckSide(plant, pair, true).sum() != CheckSide(plant, pair, false).sum()) {
      state.SkipWithError(("the two sides of " + std::string(pair.name) + " differ").c_str());
      return;
    }
    runs.push_back({&pair, UnitsOf(plant, pair)});
    units += runs.back().units.size();
  }
  auto run = [&runs](bool callbacks) {
    MeasureProbe probe;
    for (Run& r : runs) {
      const Side& side = callbacks ? r.pair->callbacks_side : r.pair->bare_side;
      for (auto& unit : r.units) side.measure(*unit, probe);
    }
    return probe.sum;
  };
  run(true);  // warm up both sides
  run(false);
  double callback_ns = 0, bare_ns = 0;
  bool callbacks_first = true;
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      const bool on_callbacks = (side == 0) == callbacks_first;
      const double start = ThreadNanoseconds();
      benchmark::DoNotOptimize(run(on_callbacks));
      (on_callbacks ? callback_ns : bare_ns) += ThreadNanoseconds() - start;
    }
    callbacks_first = !callbacks_first;
  }
  const double calls = static_cast<double>(state.iterations()) * static_cast<double>(units);
  state.counters["units"] = static_cast<double>(units);
  state.counters["callback_ns"] = callback_ns / calls;
  state.counters["bare_ns"] = bare_ns / calls;
  state.counters["ratio"] = callback_ns / bare_ns;
}

// One benchmark per family, Overhead/<family>.
const bool registered = [] {
  for (std::string_view family : Families()) {
    benchmark::RegisterBenchmark(("Overhead/" + std::string(family)).c_str(), Overhead,
                                 std::string(family));
  }
  return true;
}();

}  // namespace
}  // namespace bench
