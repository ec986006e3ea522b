// fintop-walk SNAPSHOT --replay LOG --reduce PREFIX: one call that the replay answers otherwise
// (the first, or the one at a line of LOG), and the smallest host tree found in which that call,
// replayed alone, still differs the same way: the same lines of difference, the nodes they name
// being the same nodes. A selection of a callback that keeps a process-wide count
// (CTDewPointCurve, CTPumpCurve, CTActiveReactions) keeps the counting call before it when it
// needs it. A call that crashes or hangs the plug-in (or never returned in the field and does so
// here) is reduced while it still crashes or hangs. Each test runs in a child process
// (RunInChild), so the reducer outlives the plug-in. Writes PREFIX.case.json (a case) and
// PREFIX.log.jsonl (a log of the kept calls on it), which fintop-walk --replay replays to the same
// difference.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
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
#include "plugin.h"
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

// Running a piece of work in a child process, so that a plug-in that crashes or hangs in it
// cannot end the caller: the reducer's tests (child_run.cpp). On Linux the child is a fork of the
// caller and sends its answer back through a pipe; on Windows there is no fork, and the work runs
// in the caller itself (kChildProcesses is false: a crash there ends the caller), while RunSelf
// runs the program itself again.
#if defined(_WIN32)
inline constexpr bool kChildProcesses = false;
#else
inline constexpr bool kChildProcesses = true;
#endif

struct ChildEnd {
  enum Kind {
    kAnswered,  // the work returned `answer`
    kCrashed,   // the child ended without answering (a signal, an exit, a sanitizer's report)
    kHung,      // no answer within the time given; the child was killed
  };
  Kind kind;
  std::string answer;
};

// Runs `work` in a child process whose stdout and stderr go nowhere and waits for its answer
// at most `seconds`; with `progress`, a counter the work moves on, only until it has not moved
// for `stall_seconds`. `work` may throw: the answer is then "error: " and what it said.
ChildEnd RunInChild(const std::function<std::string()>& work, double seconds,
                    const std::atomic<std::uint64_t>* progress = nullptr, double stall_seconds = 0);

#if defined(_WIN32)
// Runs this program again with `arguments` (no fork on Windows), its input and output NUL, and
// waits at most `seconds`: kAnswered with its exit status in decimal, kCrashed for an exit
// status above 2 (an exception's, an abort's), kHung when it was ended at the deadline.
ChildEnd RunSelf(const std::vector<std::string>& arguments, double seconds);
#endif

// Zeroed memory of `size` bytes whose writes by a child are seen by the caller (shared with the
// children made after it).
std::shared_ptr<void> SharedBytes(std::size_t size);

// A host tree cut down (cut_tree.cpp): the nodes of an original tree, each kept, cut (removed with
// everything below it) or lifted (removed alone, its children put in its place among its parent's
// children), and the properties of each node kept or dropped. Any such choice is a valid tree: the
// top is never removed. Copies are cheap (a byte per node and per property), so each try of the
// reducer works on a copy.
class CutTree {
 public:
  explicit CutTree(std::shared_ptr<const hostsim::HostTree> original);

  const hostsim::HostTree& original() const { return *original_; }

  void Cut(std::uint32_t node) { state_[node] = kCut; }
  void Lift(std::uint32_t node) { state_[node] = kLifted; }
  void Drop(std::uint32_t property) { dropped_[property] = 1; }

  // A node of the original that stands in the tree, and its depth there (the top's is 0).
  struct Present {
    std::uint32_t node;
    std::uint32_t depth;
  };
  // The nodes that stand in the tree, top down in the tree's order (depth first).
  std::vector<Present> PresentNodes() const;
  // The properties of the nodes that stand, by their number in the original (a node's first
  // property is node(id).prop_begin there), in the same order.
  std::vector<std::uint32_t> PresentProperties() const;

  // The tree as it stands, and for each of its nodes the original node it is.
  struct Built {
    std::shared_ptr<const hostsim::HostTree> tree;
    std::vector<std::uint32_t> original;  // by node of `tree`
    // The node of `tree` that is `original` node, or hostsim::kNoNode.
    std::uint32_t Find(std::uint32_t original_node) const;
  };
  Built Build() const;

 private:
  enum State : std::uint8_t { kKept, kCut, kLifted };
  // Calls `visit(node, depth, true)` as each kept node not under a cut one opens and
  // `visit(node, depth, false)` as it closes, depth first; a lifted node is passed over, its
  // children keeping its depth.
  template <typename Visit>
  void Walk(Visit&& visit) const;

  std::shared_ptr<const hostsim::HostTree> original_;
  std::vector<State> state_;
  std::vector<std::uint8_t> dropped_;
};

// Delta debugging over a cut tree: passes from the largest pieces down, each a delta over a list
// (try removing all of it, then halves, quarters, ... down to single items, keeping each removal
// the test still finds interesting):
//   subtrees   level by level from the top, each node with all below it;
//   nodes      each node alone, its children lifted into its place;
//   properties each property of each node.
// The passes run again until a round of all three removes nothing, or a bound is reached.
struct ShrinkLimits {
  long tests;      // at most this many tests
  long made;       // of which this many were made before
  double seconds;  // stop trying once this long has passed since `start`
  std::chrono::steady_clock::time_point start;
};

class Shrinker {
 public:
  // `test` says whether a tree is still interesting; `start` must be. The nodes of `targets`
  // are never removed, nor, with all below them, their owners. `progress` hears of every test.
  using Test = std::function<bool(const CutTree&)>;
  using Progress = std::function<void(const Shrinker&)>;
  Shrinker(CutTree start, std::vector<std::uint32_t> targets, Test test, ShrinkLimits limits,
           Progress progress);

  void Run();

  const CutTree& result() const { return current_; }
  long kept() const { return kept_; }  // tests that kept their removal
  std::size_t nodes() const { return current_.PresentNodes().size(); }  // in the result
  const char* pass() const { return pass_; }
  // Empty when the passes ran to their end; else which bound stopped them.
  const std::string& stopped() const { return stopped_; }

 private:
  using Apply = void (CutTree::*)(std::uint32_t);
  bool Subtrees();
  bool Nodes();
  bool Properties();
  // Removes what it can of `items` with `apply`; whether anything went.
  bool Delta(std::vector<std::uint32_t> items, Apply apply);
  bool Try(const CutTree& candidate);

  CutTree current_;
  std::vector<std::uint8_t> target_;     // by original node: never removed
  std::vector<std::uint8_t> protected_;  // by original node: never cut (a target's owner)
  Test test_;
  ShrinkLimits limits_;
  Progress progress_;
  long tests_ = 0, kept_ = 0;
  const char* pass_ = "subtrees";
  std::string stopped_;
};

// The log side (reduce_log.cpp): the calls kept and the log written of them, each call's record as
// the field's log holds it, with its node and "at" written anew for the tree at hand; the signature
// of a replay's difference lines by which two trees are found to differ "the same way" (the nodes
// named by the original's node, whatever their address on a cut tree); and the search for the call
// to reduce: the log replayed on the whole snapshot in a child process up to the first call that
// differs, or to the call whose record or begin line starts at a given offset. A call that crashes
// or hangs the plug-in ends the child; it is then the call found, the one the child was making.

// Where the lines of a log start, read again from its file (which must be one, not a pipe).
class LogLines {
 public:
  // Throws std::runtime_error when the file cannot be read.
  explicit LogLines(const std::string& path);
  // The offset of line `line` (1 for the first), or Document::kNoOffset.
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

// The difference lines of the call a replay step is done with, as a text compared between trees:
// each line's kind, the call without its rank among repeats ("#2"), what differs, and every
// address in it as the original node it names on `built`; a note on the threads dropped.
std::string Signature(const ReplayStep& step, const CutTree::Built& built);

struct FoundCall {
  ChildEnd::Kind end = ChildEnd::kAnswered;  // kCrashed or kHung: in the call found
  bool found = false;     // kAnswered: the replay came to the call (else it ran to its end)
  std::string error;      // kAnswered: the replay's refusal of the log, one line
  std::string signature;  // kAnswered: the call's lines (Signature)
  long calls = 0;         // begun
  std::uint64_t offset =
      Document::kNoOffset;  // the call's line (its begin line when it never returned)
  std::uint64_t began = Document::kNoOffset;  // its begin line
  bool unreturned = false;
  // The last counting call (index -1) before it of each callback that counts (Callbacks()).
  std::vector<std::uint64_t> last_count;
};

// `wanted`: Document::kNoOffset for the first call that differs. A call that runs longer than
// kHangSeconds hangs; `seconds` bounds the whole search (a search stopped by it ends as kHung,
// with Left <= 0 for the caller to tell).
FoundCall SearchLog(const ReplayOptions& options, std::shared_ptr<const hostsim::HostTree> tree,
                    const Document& log, const Plugin& plugin, std::uint64_t wanted,
                    double seconds);

}  // namespace walk
