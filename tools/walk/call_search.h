// Finding the call the reducer (reduce.h) cuts a case down for: the log replayed on the whole
// snapshot in a child process (child_run.h) up to the first call that differs, or to the call
// whose record or begin line starts at a given offset. A call that crashes or hangs the plug-in
// ends the child; it is then the call found, the one the child was making.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "child_run.h"
#include "document.h"
#include "iterator/host_tree.h"
#include "plugin.h"
#include "replay.h"

namespace walk {

inline constexpr std::uint64_t kNoOffset = ~std::uint64_t{0};

struct FoundCall {
  ChildEnd::Kind end = ChildEnd::kAnswered;  // kCrashed or kHung: in the call found
  bool found = false;     // kAnswered: the replay came to the call (else it ran to its end)
  std::string error;      // kAnswered: the replay's refusal of the log, one line
  std::string signature;  // kAnswered: the call's lines (reduce_log.h's Signature)
  long calls = 0;         // begun
  std::uint64_t offset = kNoOffset;  // the call's line (its begin line when it never returned)
  std::uint64_t began = kNoOffset;   // its begin line
  bool unreturned = false;
  // The last counting call (index -1) before it of each callback that counts (Callbacks()).
  std::vector<std::uint64_t> last_count;
};

// `wanted`: kNoOffset for the first call that differs. `stall_seconds`: a call that runs longer
// hangs; `seconds` bounds the whole search (a search stopped by it ends as kHung, with
// Left <= 0 for the caller to tell).
FoundCall SearchLog(const ReplayOptions& options, std::shared_ptr<const hostsim::HostTree> tree,
                    const Document& log, const Plugin& plugin, std::uint64_t wanted, double seconds,
                    double stall_seconds);

}  // namespace walk
