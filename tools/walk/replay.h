// fintop-walk SNAPSHOT --replay LOG: each call a log records made again on the host tree of
// SNAPSHOT (a case, as fintop-trace writes it), in the log's order, and its answer compared with
// the record. Each call gets a fresh iterator on its recorded node holding the attributes the
// record says it held before ("before"), and a fresh out attribute; the answer compared is the
// result, the out value, the attributes after the call (those held before with those the call
// recorded over them), the bindings it made (not recorded in logs before version 3: said once)
// and where the iterator stands. One line per call that answers otherwise,
// as --diff writes a call's difference; a call the log began and never ended (the session ended
// inside it) is replayed last and shown. A log written by several threads is replayed in the
// order of its call lines: a differing call that ran in the field while another thread's calls
// began or ended says so, since the order of the two is not known.
#pragma once

#include <functional>
#include <string>

#include "output.h"

namespace walk {

struct ReplayOptions {
  std::string snapshot;
  std::string log;
  std::string plugin;
  bool json = false;
};

// Writes the lines (or the JSON document) to `out`; 0 when every call answered as recorded, 1
// when one did not. Throws std::runtime_error (one line) for bad input: a missing or foreign
// file, an old log, a log of another snapshot, a node the snapshot lacks.
// `warn` hears of input passed over (a log's last line cut).
int Replay(const ReplayOptions& options, Output& out,
           const std::function<void(const std::string&)>& warn);

}  // namespace walk
