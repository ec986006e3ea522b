#include "support/callback_driver.h"

#include <algorithm>

namespace fintop_test {

namespace {

// Shape tags as the X-macro spells them.
constexpr auto kKIND = CallbackEntry::kKind;
constexpr auto kCLASSIFIER = CallbackEntry::kClassifier;
constexpr auto kCOLLECTION = CallbackEntry::kCollection;
constexpr auto kELEMENT = CallbackEntry::kElement;
#define FINTOP_DRIVER_ENTRY(shape, name, moves, state, fails) \
  {#name,                                                     \
   k##shape,                                                  \
   reinterpret_cast<void*>(&name),                            \
   FINTOP_FACT_##moves,                                       \
   FINTOP_FACT_##state,                                       \
   FINTOP_FACT_##fails},

}  // namespace

const std::vector<CallbackEntry>& AllCallbacks() {
  static const std::vector<CallbackEntry> all = {FINTOP_CALLBACKS(FINTOP_DRIVER_ENTRY)};
  return all;
}

void DriveOne(const CallbackEntry& entry, const hostsim::HostIterator& at, int argument,
              const DriveOptions& options, DriveReport& report) {
  long live_before = hostsim::LiveIterators();
  FIIterator* it = const_cast<hostsim::HostIterator&>(at).Clone();
  auto* host = static_cast<hostsim::HostIterator*>(it);
  const std::uint32_t start = host->node();
  bool may_move = false;
  FIAttribute out;
  switch (entry.shape) {
    case CallbackEntry::kKind:
      reinterpret_cast<FIKindTest>(entry.function)(it);
      break;
    case CallbackEntry::kClassifier:
      reinterpret_cast<FIClassifier>(entry.function)(it, &out);
      break;
    case CallbackEntry::kCollection:
      reinterpret_cast<FICollection>(entry.function)(it, &out, argument);
      may_move = argument != -1 && entry.moves;
      break;
    case CallbackEntry::kElement:
      reinterpret_cast<FIElement>(entry.function)(it, argument);
      may_move = argument != 0 && entry.moves;
      break;
  }
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
      case CallbackEntry::kKind:
      case CallbackEntry::kClassifier:
        DriveOne(entry, at, 0, options, report);
        break;
      case CallbackEntry::kElement:
        DriveOne(entry, at, 0, options, report);
        DriveOne(entry, at, 1, options, report);
        break;
      case CallbackEntry::kCollection: {
        // The count, on the caller's own (cloned) iterator so that stateful callbacks see it.
        FIIterator* counter = const_cast<hostsim::HostIterator&>(at).Clone();
        FIAttribute out;
        int count = reinterpret_cast<FICollection>(entry.function)(counter, &out, -1);
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
