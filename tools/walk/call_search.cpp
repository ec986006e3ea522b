#include "call_search.h"

#include <atomic>
#include <new>
#include <numeric>

#include "callback_table.h"
#include "cut_tree.h"
#include "reduce_log.h"

namespace walk {

namespace {

// What the child writes as it goes, seen by the caller even when the child dies.
struct SearchState {
  std::atomic<std::uint64_t> calls;  // begun so far
  std::uint64_t offset, began;       // of the call begun last
  bool unreturned;
  std::uint64_t last_count[kCallbackCount];
};

}  // namespace

FoundCall SearchLog(const ReplayOptions& options, std::shared_ptr<const hostsim::HostTree> tree,
                    const Document& log, const Plugin& plugin, std::uint64_t wanted, double seconds,
                    double stall_seconds) {
  auto state = std::static_pointer_cast<SearchState>(SharedBytes(sizeof(SearchState)));
  new (state.get()) SearchState{};
  for (std::uint64_t& offset : state->last_count) offset = kNoOffset;
  auto search = [&]() -> std::string {
    CutTree::Built whole{tree, std::vector<std::uint32_t>(tree->size())};
    std::iota(whole.original.begin(), whole.original.end(), 0u);
    std::string found;
    ReplayWatch watch = [&](const ReplayStep& step) {
      if (!step.done) {
        state->offset = step.offset;
        state->began = step.began;
        state->unreturned = step.unreturned;
        state->calls.fetch_add(1);
        return true;
      }
      if (Callbacks()[step.callback].counts && step.argument == -1 && !step.unreturned)
        state->last_count[step.callback] = step.offset;
      bool differs = step.lines.size() > step.first_line;
      if (wanted != kNoOffset ? step.offset != wanted && step.began != wanted : !differs)
        return true;
      found = "found\n" + Signature(step.lines, step.first_line, step.lines.size(), whole);
      return false;
    };
    ReplayLines(options, tree, log, plugin, watch);
    return found.empty() ? "none" : found;
  };
  ChildEnd end = RunInChild(search, seconds, &state->calls, stall_seconds);
  FoundCall call;
  call.end = end.kind;
  if (end.kind == ChildEnd::kAnswered) {
    if (end.answer.rfind("error: ", 0) == 0) {
      call.error = end.answer.substr(7);
    } else if (end.answer.rfind("found\n", 0) == 0) {
      call.found = true;
      call.signature = end.answer.substr(6);
    }
  }
  call.calls = static_cast<long>(state->calls.load());
  call.offset = state->offset;
  call.began = state->began;
  call.unreturned = state->unreturned;
  call.last_count.assign(std::begin(state->last_count), std::end(state->last_count));
  return call;
}

}  // namespace walk
