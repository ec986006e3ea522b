// Drives every exported callback on every node of a case, the way a careless framework might:
// counts, every selection up to a bound, odd indices, element calls with both move flags, and
// checks after each call what holds for all callbacks:
//   - no iterator made during the call is left alive;
//   - a counting call (index -1) and a test call (move 0) never move the caller's iterator;
//   - a selection moves it only for the callbacks whose selection is a move.
// Used by the hostile-tree, concurrency and fuzz tests.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/callback_table.h"
#include "iterator/host_iterator.h"

namespace fintop_test {

// A callback of the linked plug-in: its row of the shared table and its address.
struct CallbackEntry : fintop::CallbackInfo {
  void* function;
};

// All 92 callbacks, in declaration order, with the facts of their FINTOP_CALLBACKS entries.
const std::vector<CallbackEntry>& AllCallbacks();

struct DriveOptions {
  int max_selections = 6;        // selections 0 .. min(count, this) - 1
  bool odd_indices = true;       // also -2, INT_MIN, INT_MAX, count, 1000
  bool check_live_count = true;  // off when other threads make iterators at the same time
};

struct DriveReport {
  long calls = 0;
  std::vector<std::string> violations;  // one line each: callback, node, what went wrong
};

// One call of `entry` on a clone of `at` with the given index or move flag, checked.
void DriveOne(const CallbackEntry& entry, const hostsim::HostIterator& at, int argument,
              const DriveOptions& options, DriveReport& report);
// Every callback on the node `at` stands on.
void DriveNode(const hostsim::HostIterator& at, const DriveOptions& options, DriveReport& report);
// Every callback on every node of the tree, breadth first.
DriveReport DriveTree(const std::shared_ptr<const hostsim::HostTree>& tree,
                      const DriveOptions& options = {});

}  // namespace fintop_test
