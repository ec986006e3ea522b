// The calls the reducer keeps (reduce.h) and the log it writes of them: each call's record as
// the field's log holds it, with its node and "at" written anew for the tree at hand; and the
// signature of a replay's difference lines by which two trees are found to differ "the same
// way" (the nodes named by the original's node, whatever their address on a cut tree).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "call_record.h"
#include "cut_tree.h"
#include "diff.h"
#include "document.h"

namespace walk {

// Where the lines of a log start, read again from its file (which must be one, not a pipe).
class LogLines {
 public:
  static constexpr std::uint64_t kNoLine = ~std::uint64_t{0};
  // Throws std::runtime_error when the file cannot be read.
  explicit LogLines(const std::string& path);
  // The offset of line `line` (1 for the first), or kNoLine.
  std::uint64_t Start(long line) const;
  // The line that holds `offset`.
  long LineOf(std::uint64_t offset) const;

 private:
  std::vector<std::uint64_t> starts_;
};

struct KeptCall {
  record::Call call;  // as recorded; its node and "at" are rewritten for each tree
  bool unreturned = false;
  std::uint64_t offset = 0;               // of its line in the field's log
  std::uint32_t node = hostsim::kNoNode;  // in the original tree
  std::uint32_t at = hostsim::kNoNode;    // in the original tree; kNoNode when none is recorded
};

// The call whose line starts at `offset` of `log` (a begin line when `unreturned`), its nodes
// found on `tree`. Throws std::runtime_error for a record that does not read.
KeptCall ReadKeptCall(const Document& log, const hostsim::HostTree& tree, std::uint64_t offset,
                      bool unreturned);

// What the reduced log's first line and snapshot line say.
struct ReducedHead {
  record::LogHead field;  // who recorded the field's session, from its log's first line
  std::string snapshot;   // the snapshot's file as the log names it
  std::string digest;     // of the tree the calls are on
};

// The address of original node `node` on `built`; `recorded` when `built` lacks it.
std::string AddressOn(const CutTree::Built& built, std::uint32_t node, const std::string& recorded);

// A log of `calls` on `built` in the replay's format: the first line, the snapshot line, then
// each call's begin line and record (the begin line alone for one that never returned).
// A call whose nodes `built` lacks is written with its recorded addresses.
std::string LogText(const ReducedHead& head, const std::vector<KeptCall>& calls,
                    const CutTree::Built& built);

// The difference lines of one call (from `first` to `last`) as a text compared between trees:
// each line's kind, the call without its rank among repeats ("#2"), what differs, and every
// address in it as the original node it names on `built`; a note on the threads dropped.
std::string Signature(const std::vector<DiffLine>& lines, std::size_t first, std::size_t last,
                      const CutTree::Built& built);

}  // namespace walk
