// fintop_icount: the overhead pairs (pairs.h) by instruction count, under valgrind's callgrind.
//
//   valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file=DIR/cg.out
//            fintop_icount [--repeats N] [--warmups N]
//   fintop_icount --list      the pairs: family, name, host types, callbacks covered
//
// For every pair on the default plant, and for the reaction selections on cases that grow
// (300 reaction sets, 1,000 reactions), it checks that both sides leave the same checksum
// (exit status 1 if not). Then, for each side, every run on fresh iterators, it runs the other
// side once and the side itself twice (--warmups) to warm up, and counts one run and then N
// runs (N is --repeats, 1 by default), each between a zeroing and a dump of callgrind's
// counters, labelled
//   "icount <family> <name> <side>-first <units> <repeats>"   the one run, left out
//   "icount <family> <name> <side> <units> <repeats>"         the N runs
// so that only the measured regions count; scripts/icount.sh reads the dumps and writes the
// table. Outside callgrind it runs the same and prints the checks.
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pairs.h"

namespace {

using bench::Pair;
using Tree = std::shared_ptr<const hostsim::HostTree>;

// A case whose "Basis.ReactionPackage.ReactionSetList" holds `sets` reaction sets numbered
// 0 to sets-1 ("Set k", each with 4 active reactions), and one conversion reactor with 4 local
// reactions using set `used`.
Tree ReactionSetsCase(int sets, int used) {
  hostsim::TreeBuilder b;
  using hostsim::PropValue;
  b.Open("Case");
  b.Open("Basis");
  b.Open("ReactionPackage");
  b.Open("ReactionSetList");
  b.Open("NumberOfReactionSets");
  b.Property("value", PropValue::Integer(sets));
  b.Close();
  for (int k = 0; k < sets; ++k) {
    b.Open("ReactionSet#" + std::to_string(k));
    b.Property("type", PropValue::Text("ReactionSetObject"));
    b.Open("ReactionSetName");
    b.Property("value", PropValue::Text("Set " + std::to_string(k)));
    b.Close();
    b.Open("ActiveReactionList");
    for (int i = 0; i < 4; ++i) {
      b.Open("ActiveReaction#" + std::to_string(i));
      std::string name = "Reaction ";
      name += std::to_string(k);
      name += '.';
      name += std::to_string(i);
      b.Property("value", PropValue::Text(name));
      b.Close();
    }
    b.Close();
    b.Close();
  }
  b.Close();
  b.Close();
  b.Close();
  b.Open("Plant");
  b.Open("Reactor");
  b.Property("type", PropValue::Text("ConversionReactorOpObject"));
  b.Open("Reaction Set");
  b.Property("value", PropValue::Text("Set " + std::to_string(used)));
  b.Close();
  b.Open("Est. Molar Extent");
  for (int i = 0; i < 4; ++i) {
    b.Open("Elem" + std::to_string(i));
    b.Property("value", PropValue::Real(1.0));
    b.Close();
  }
  b.Close();
  b.Close();
  b.Close();
  b.Close();
  return b.Finish();
}

// A case with one reaction set whose "ReactionList" holds `reactions` conversion reactions.
Tree ReactionListCase(int reactions) {
  hostsim::TreeBuilder b;
  using hostsim::PropValue;
  b.Open("Case");
  b.Open("Set");
  b.Property("type", PropValue::Text("ReactionSetObject"));
  b.Open("ReactionList");
  for (int r = 0; r < reactions; ++r) {
    b.Open("Reaction");
    b.Open("ReactionType");
    b.Property("value", PropValue::Text("ConversionRxnObject"));
    b.Close();
    b.Close();
  }
  b.Close();
  b.Close();
  b.Close();
  return b.Finish();
}

const Pair& PairNamed(const char* name) {
  for (const Pair& pair : bench::Pairs()) {
    if (std::strcmp(pair.name, name) == 0) return pair;
  }
  std::fprintf(stderr, "no pair %s\n", name);
  std::exit(2);
}

struct Measurement {
  std::string family;  // the family, or "target" for the reaction selections on grown cases
  std::string name;
  Tree tree;
  const Pair* pair;
};

volatile std::uint64_t sink;

}  // namespace

int main(int argc, char** argv) {
  long repeats = 1;
  long warmups = 2;
  for (int a = 1; a < argc; ++a) {
    if (std::strcmp(argv[a], "--repeats") == 0 && a + 1 < argc) {
      repeats = std::strtol(argv[++a], nullptr, 10);
    } else if (std::strcmp(argv[a], "--warmups") == 0 && a + 1 < argc) {
      warmups = std::strtol(argv[++a], nullptr, 10);
    } else if (std::strcmp(argv[a], "--list") == 0) {
      // The table of pairs: family, pair, the host types it runs on, the callbacks it covers.
      for (const Pair& pair : bench::Pairs()) {
        std::printf("%s\t%s\t", pair.family, pair.name);
        for (std::string_view type : pair.unit_types) {
          std::printf("%.*s ", static_cast<int>(type.size()), type.data());
        }
        std::printf("\t");
        for (std::string_view callback : pair.callbacks) {
          std::printf("%.*s ", static_cast<int>(callback.size()), callback.data());
        }
        std::printf("\n");
      }
      return 0;
    } else {
      std::fprintf(stderr, "usage: fintop_icount [--repeats N] [--warmups N] [--list]\n");
      return 2;
    }
  }
  if (repeats < 1) repeats = 1;

  std::vector<Measurement> measurements;
  for (const Pair& pair : bench::Pairs()) {
    measurements.push_back({pair.family, pair.name, bench::DefaultPlant(), &pair});
  }
  // The reaction selections whose cost grows with the case. CTLocalReaction alone: a reactor
  // with no other collections, its set first or last of 300; CTReactions selecting every one
  // of 1,000 reactions.
  measurements.push_back({"target", "CTLocalReaction_300_sets_first", ReactionSetsCase(300, 0),
                          &PairNamed("conversion_reactor")});
  measurements.push_back({"target", "CTLocalReaction_300_sets_last", ReactionSetsCase(300, 299),
                          &PairNamed("conversion_reactor")});
  measurements.push_back(
      {"target", "CTReactions_1000_every", ReactionListCase(1000), &PairNamed("reaction_set")});

  int failures = 0;
  for (const Measurement& m : measurements) {
    const auto callbacks = bench::CheckSide(m.tree, *m.pair, true);
    const auto bare = bench::CheckSide(m.tree, *m.pair, false);
    const bool same = callbacks.sum() == bare.sum();
    std::printf("check %s %s: %s (%ld steps)\n", m.family.c_str(), m.name.c_str(),
                same ? "same" : "DIFFERENT", callbacks.steps());
    failures += !same;
  }
  if (failures != 0) return 1;

  CALLGRIND_START_INSTRUMENTATION;
  for (const Measurement& m : measurements) {
    // Both sides on fresh iterators of their own, made before either runs, with their labels
    // (only the runs are counted). The host's attribute layers and the allocator's free lists
    // carry over from one run to the next, so each side is measured after the same history: the
    // other side once, then itself twice to warm up; a side measured straight after the other's
    // warm-up alone would pay for the state that one left behind.
    // Every run on fresh iterators of its own, made before any run: the host keeps the
    // attributes recorded on an iterator in layers that its clones share, and an iterator that
    // several runs have recorded on makes each run cost a little more or less than the last.
    const long runs = 1 + warmups + 1 + repeats;  // the other side's, warm-up, first, counted
    std::vector<std::vector<hostsim::IteratorPtr>> units[2];
    for (auto& side_units : units) {
      for (long r = 0; r < runs; ++r) side_units.push_back(bench::UnitsOf(m.tree, *m.pair));
    }
    std::size_t next[2] = {0, 0};
    const bench::Side* sides[2] = {&m.pair->callbacks_side, &m.pair->bare_side};
    std::string labels[2];
    std::string first_labels[2];
    for (int s = 0; s < 2; ++s) {
      const std::string side = s == 0 ? "callbacks" : "bare";
      for (std::string* label : {&labels[s], &first_labels[s]}) {
        *label = "icount ";
        for (const std::string& word :
             {m.family, m.name, label == &labels[s] ? side : side + "-first",
              std::to_string(units[s][0].size()), std::to_string(repeats)}) {
          *label += word;
          *label += ' ';
        }
      }
    }
    bench::MeasureProbe probe;
    // A run of side `s` on the next fresh iterators of `on` (the other side's warm-up runs on
    // this side's own, so that neither side's iterators see the other's calls). Its iterators
    // are released after it, uncounted: what they held goes back to the allocator's free lists,
    // where the side's next run finds the blocks it needs again. So each counted run starts
    // from the heap its own previous run left, whatever the case's loading or the other side
    // left behind (a glibc heap holding another's small freed blocks merges them on the next
    // large request: up to 100,000 instructions landing in whichever run made it).
    auto run = [&](int s, int on) {
      for (auto& unit : units[on][next[on]]) sides[s]->measure(*unit, probe);
      CALLGRIND_TOGGLE_COLLECT;
      units[on][next[on]].clear();
      ++next[on];
      CALLGRIND_TOGGLE_COLLECT;
    };
    for (int s = 0; s < 2; ++s) {
      run(1 - s, s);
      for (long w = 0; w < warmups; ++w) run(s, s);
      // The first run counted after the warm-up is dumped apart ("<side>-first", which
      // scripts/icount.sh leaves out) before the runs that make the figures.
      CALLGRIND_ZERO_STATS;
      run(s, s);
      CALLGRIND_DUMP_STATS_AT(first_labels[s].c_str());
      CALLGRIND_ZERO_STATS;
      for (long r = 0; r < repeats; ++r) run(s, s);
      CALLGRIND_DUMP_STATS_AT(labels[s].c_str());
    }
    sink = probe.sum;
  }
  CALLGRIND_STOP_INSTRUMENTATION;
  return 0;
}
