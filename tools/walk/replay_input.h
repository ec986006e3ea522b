// What the replay reads before it makes any call: the log's checks (its version, its sessions,
// its snapshot's digest), whether its calls hold their bindings, and who recorded it.
#pragma once

#include <stdexcept>
#include <string>

#include "document.h"

namespace walk {

// A log the replay refuses: what() is one line naming it and what to do.
class BadLog : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Whether the calls of `log` hold the bindings they made: a walk's trace, a log from version 3.
bool RecordsBindings(const Document& log);

// Who recorded the session, from the log's first line (the members a recorder of its version
// wrote): "recorded 2026-12-09T20:55:00Z by fintop-trace 1.0.0 in HOST (version V), with the
// real plug-in PLUGIN (64-bit, file version F, product version P)".
std::string SessionHead(const Details& head);

}  // namespace walk
