#include "support/callback_driver.h"

#include <algorithm>

namespace fintop_test {

const std::vector<CallbackEntry>& AllCallbacks() {
  static const std::vector<CallbackEntry> all = [] {
    std::vector<CallbackEntry> entries;
    for (int id = 0; id < kCallbackCount; ++id) {
      entries.push_back({fintop::kCallbackTable[id], fintop::LinkedCallbacks()[id]});
    }
    return entries;
  }();
  return all;
}

void DriveOne(const CallbackEntry& entry, const hostsim::HostIterator& at, int argument,
              const DriveOptions& options, DriveReport& report) {
  long live_before = hostsim::LiveIterators();
  FIIterator* it = const_cast<hostsim::HostIterator&>(at).Clone();
  auto* host = static_cast<hostsim::HostIterator*>(it);
  const std::uint32_t start = host->node();
  FIAttribute out;
  fintop::CallByShape(entry.shape, entry.function, it, &out, argument);
  const bool may_move = fintop::MayMove(entry, argument);
  ++report.calls;
  auto violation = [&](const std::string& what) {
    report.violations.push_back(std::string(entry.name) + "(" + std::to_string(argument) + ") on " +
                                at.path() + ": " + what);
  };
  if (!may_move && host->node() != start)
    violation("moved the caller's iterator to " + host->path());
  DeleteFIIterator(it);
  if (options.check_live_count && hostsim::LiveIterators() != live_before) {
    violation("left " + std::to_string(hostsim::LiveIterators() - live_before) +
              " iterator(s) alive");
  }
}

void DriveNode(const hostsim::HostIterator& at, const DriveOptions& options, DriveReport& report) {
  for (const CallbackEntry& entry : AllCallbacks()) {
    switch (entry.shape) {
      case fintop::Shape::kKind:
      case fintop::Shape::kClassifier:
        DriveOne(entry, at, 0, options, report);
        break;
      case fintop::Shape::kElement:
        DriveOne(entry, at, 0, options, report);
        DriveOne(entry, at, 1, options, report);
        break;
      case fintop::Shape::kCollection: {
        // The count, on the caller's own (cloned) iterator so that stateful callbacks see it.
        FIIterator* counter = const_cast<hostsim::HostIterator&>(at).Clone();
        FIAttribute out;
        int count = fintop::CallByShape(entry.shape, entry.function, counter, &out, -1);
        DeleteFIIterator(counter);
        ++report.calls;
        int selections = std::clamp(count, 0, options.max_selections);
        for (int i = 0; i < selections; ++i) DriveOne(entry, at, i, options, report);
        if (options.odd_indices) {
          for (int odd : {-2, INT_MIN, INT_MAX, count, 1000})
            DriveOne(entry, at, odd, options, report);
        }
        break;
      }
    }
  }
}

DriveReport DriveTree(const std::shared_ptr<const hostsim::HostTree>& tree,
                      const DriveOptions& options) {
  DriveReport report;
  hostsim::HostIterator at(tree);
  for (std::uint32_t node = 0; node < tree->size(); ++node) {
    at.MoveTo(node);
    DriveNode(at, options, report);
  }
  return report;
}

}  // namespace fintop_test
