#include "bench_support.h"

#include <sys/resource.h>
#include <time.h>

#include <map>
#include <memory>

namespace bench {

const GeneratedCase& SharedCase(std::size_t objects) {
  static std::map<std::size_t, std::unique_ptr<GeneratedCase>> cases;
  auto& held = cases[objects];
  if (!held) held = std::make_unique<GeneratedCase>(GenerateCase(objects, 1));
  return *held;
}

std::vector<hostsim::IteratorPtr> UnitsOfType(const GeneratedCase& generated,
                                              std::string_view type) {
  std::vector<hostsim::IteratorPtr> units;
  const hostsim::HostTree& tree = *generated.tree;
  const std::uint32_t plant = tree.find_child(hostsim::HostTree::root(), "Plant");
  if (plant == hostsim::kNoNode) return units;
  for (std::uint32_t k = 0; k < tree.child_count(plant); ++k) {
    const std::uint32_t unit = tree.child(plant, k);
    const hostsim::PropValue* value = tree.property(unit, "type");
    if (value != nullptr && value->kind == hostsim::PropValue::kText && value->text == type) {
      units.push_back(hostsim::NewIterator(generated.tree));
      units.back()->MoveTo(unit);
    }
  }
  return units;
}

double ThreadNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

std::size_t PeakResidentBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<std::size_t>(usage.ru_maxrss) * 1024;  // kilobytes on Linux
}

namespace {
const std::size_t startup_peak = PeakResidentBytes();
}  // namespace

std::size_t StartupPeakResidentBytes() {
  return startup_peak;
}

}  // namespace bench
