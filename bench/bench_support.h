// What the benchmarks share: generated cases kept for the whole run, iterators on the units of
// one host type, and the peak resident memory of the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "case_generator.h"
#include "iterator/host_iterator.h"

namespace bench {

// The case of `objects` host nodes from seed 1, generated once and kept for the whole run.
const GeneratedCase& SharedCase(std::size_t objects);

// An iterator on every unit of the flowsheet whose "type" is `type`.
std::vector<hostsim::IteratorPtr> UnitsOfType(const GeneratedCase& generated,
                                              std::string_view type);

// CPU time of the calling thread in nanoseconds: other processes on a shared machine do not
// count, so ratios of two such times stay meaningful under load.
double ThreadNanoseconds();

// Peak resident memory of the process so far, in bytes (getrusage).
std::size_t PeakResidentBytes();
// The peak as it was when the program started, before any case was made.
std::size_t StartupPeakResidentBytes();

}  // namespace bench
