// fintop-walk SNAPSHOT --replay LOG --reduce PREFIX: one call that the replay answers otherwise
// (the first, or the one at a line of LOG), and the smallest host tree found in which that call,
// replayed alone, still differs the same way: the same lines of difference, the nodes they name
// being the same nodes. A selection of a callback that keeps a process-wide count
// (CTDewPointCurve, CTPumpCurve, CTActiveReactions) keeps the counting call before it when it
// needs it. A call that crashes or hangs the plug-in (or never returned in the field and does so
// here) is reduced while it still crashes or hangs. Each test runs in a child process
// (child_run.h), so the reducer outlives the plug-in. Writes PREFIX.case.json (a case) and
// PREFIX.log.jsonl (a log of the kept calls on it), which fintop-walk --replay replays to the same
// difference.
#pragma once

#include <functional>
#include <string>

#include "output.h"
#include "replay.h"

namespace walk {

// The defaults: a 10^5-object snapshot reduces within both on a small machine.
inline constexpr long kDefaultMaxReplays = 1000;
inline constexpr double kDefaultMaxSeconds = 60;
// A test whose child has not answered after this long hangs.
inline constexpr double kHangSeconds = 5;

struct ReduceOptions {
  ReplayOptions replay;  // the snapshot, the log, the plug-in; json for the report
  std::string prefix;
  long call_line = 0;  // the line of LOG of the call to reduce; 0: the first that differs
  long max_replays = kDefaultMaxReplays;
  double max_seconds = kDefaultMaxSeconds;
  bool progress = false;  // show progress on stderr (a terminal)
};

// Reduces, writes the two files and the report to `out` (or one JSON document); 0 when they are
// written. Throws std::runtime_error (one line) for bad input and for a call that cannot be
// reduced: none differs, the one asked for answers as recorded, or its difference does not show
// when it is replayed with its earlier calls alone.
int Reduce(const ReduceOptions& options, Output& out,
           const std::function<void(const std::string&)>& warn);

}  // namespace walk
