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

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "call_record.h"
#include "diff.h"
#include "document.h"
#include "iterator/host_tree.h"
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

// The snapshot and the log of `options`, checked as Replay checks them (throws the same): the
// log's version, its sessions, its snapshot's digest (replay_input.cpp).
struct ReplayInput {
  std::shared_ptr<const hostsim::HostTree> tree;
  std::unique_ptr<Document> log;
  std::string cut;  // why the snapshot was cut, from the log; empty when whole
};
ReplayInput OpenReplay(const ReplayOptions& options,
                       const std::function<void(const std::string&)>& warn);

// Whether the calls of `log` hold the bindings they made: a walk's trace, a log from version 3.
bool RecordsBindings(const Document& log);

// The first line of `log` (a fintop-trace log) as a head: the members a recorder of its version
// wrote, the plug-in alone for older logs; an empty head for a log without one. The replay's
// header and the reduced log's first line are both made from it.
record::LogHead ReadHead(const Document& log);
// Who recorded the session: "recorded 2026-12-09T20:55:00Z by fintop-trace 1.0.0 in HOST
// (version V), with the real plug-in PLUGIN (64-bit, file version F, product version P)".
std::string SessionHead(const record::LogHead& head);

// A call as the replay makes it, told to a watcher just before it is made and after (`done`),
// when `lines` from `first_line` on are its difference lines.
struct ReplayStep {
  std::uint64_t offset;  // of its line in the log; of its begin line when it never returned
  std::uint64_t began;   // of its begin line (its own line without one)
  bool unreturned;       // the session ended inside it
  int callback;          // its place in Callbacks()
  int argument;          // the index or move flag (0 without one)
  const std::vector<DiffLine>& lines;
  std::size_t first_line;
  bool done;
};
// Returns false to stop the replay there.
using ReplayWatch = std::function<bool(const ReplayStep&)>;

class Plugin;
// The difference lines of replaying the calls of `log` on `tree` with `plugin` (no digest is
// compared), as Replay writes them; `watch` hears of each call. Throws as Replay does.
std::vector<DiffLine> ReplayLines(const ReplayOptions& options,
                                  std::shared_ptr<const hostsim::HostTree> tree,
                                  const Document& log, const Plugin& plugin,
                                  const ReplayWatch& watch = {});

// A host tree as fintop-trace writes a snapshot: in the case format that
// hostsim/iterator/case_loader.h reads, each node as {"name", "type", "value", "id" (those it
// has), "props" (its other properties), "children"}, children in order (reading the text back
// gives the same tree); one indented JSON document and a line end.
void WriteCase(const hostsim::HostTree& tree, kit::Output& out);
// record::SnapshotDigest of the whole tree: what a log's snapshot line holds, which the replay
// compares with the tree it reads back and the reducer writes for the case it makes.
std::string TreeDigest(const hostsim::HostTree& tree);

}  // namespace walk
