#include "reduce.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <numeric>
#include <stdexcept>

#include "document_names.h"
#include "files.h"
#include "plugin.h"

namespace walk {

namespace {

namespace names = document_names;

// An address on `built` as the original node it names ("#12"), or as written ("?...").
std::string Mapped(const CutTree::Built& built, const std::string& address) {
  std::uint32_t node = FindAddress(*built.tree, address);
  if (node == hostsim::kNoNode) return "?" + address;
  return "#" + std::to_string(built.original[node]);
}

// "call CTReactions(2) #3" without " #3".
std::string WithoutRank(const std::string& where) {
  std::size_t mark = where.rfind(" #");
  if (mark == std::string::npos || mark + 2 == where.size()) return where;
  for (std::size_t i = mark + 2; i < where.size(); ++i) {
    if (where[i] < '0' || where[i] > '9') return where;
  }
  return where.substr(0, mark);
}

// What the child writes as it goes, seen by the caller even when the child dies.
struct SearchState {
  std::atomic<std::uint64_t> calls;  // begun so far
  std::uint64_t offset, began;       // of the call begun last
  bool unreturned;
  std::uint64_t last_count[kCallbackCount];
};

}  // namespace

std::string AddressOn(const CutTree::Built& built, std::uint32_t node,
                      const std::string& recorded) {
  std::uint32_t there = node == hostsim::kNoNode ? hostsim::kNoNode : built.Find(node);
  return there == hostsim::kNoNode ? recorded : AddressOf(*built.tree, there);
}

LogLines::LogLines(const std::string& path) {
  std::FILE* file = kit::OpenFile(path, "rb");
  if (file == nullptr)
    throw std::runtime_error(path + ": cannot read the log again (--reduce needs it as a file)");
  starts_.push_back(0);
  char buffer[1 << 16];
  std::uint64_t at = 0;
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0; at += n) {
    for (std::size_t i = 0; i < n; ++i) {
      if (buffer[i] == '\n') starts_.push_back(at + i + 1);
    }
  }
  std::fclose(file);
}

std::uint64_t LogLines::Start(long line) const {
  return line >= 1 && static_cast<std::size_t>(line) <= starts_.size() ? starts_[line - 1]
                                                                       : Document::kNoOffset;
}

long LogLines::LineOf(std::uint64_t offset) const {
  return static_cast<long>(std::upper_bound(starts_.begin(), starts_.end(), offset) -
                           starts_.begin());
}

KeptCall ReadKeptCall(const Document& log, const hostsim::HostTree& tree, std::uint64_t offset,
                      bool unreturned) {
  Details d = log.ReadDetails(offset);
  KeptCall kept;
  kept.unreturned = unreturned;
  kept.offset = offset;
  record::Call& call = kept.call;
  call.callback = d.Get(unreturned ? names::kBegin : names::kCallback).text;
  call.node = d.Get(names::kNode).text;
  for (auto [key, kind] : {std::pair{names::kIndex, record::Call::kIndex},
                           std::pair{names::kMove, record::Call::kMove}}) {
    const Scalar& s = d.Get(key);
    if (s.type == Scalar::kNone) continue;
    if (s.type != Scalar::kInteger)
      throw std::runtime_error(log.name() + ": a call of " + OneLine(call.callback) + " whose \"" +
                               key + "\" is no integer");
    call.argument = kind;
    call.value = std::atoi(s.text.c_str());
  }
  if (d.has_before) call.before = d.before;
  if (!unreturned) {
    call.result = d.Get(names::kResult);
    call.out = d.Get(names::kOut);
    call.attributes = d.attributes;
    // Records carry their bindings from log version 3 on, even when there are none.
    if (!d.bindings.empty() || log.log_version() > 2) {
      call.bindings.emplace();
      for (const auto& [generic, host] : d.bindings)
        call.bindings->emplace_back(generic, host.text);
    }
    call.at = d.Get(names::kAt).text;
    kept.at = FindAddress(tree, call.at);
  }
  if (const Scalar& thread = d.Get(names::kThread); thread.type == Scalar::kInteger)
    call.thread = std::strtoull(thread.text.c_str(), nullptr, 10);
  kept.node = FindAddress(tree, call.node);
  return kept;
}

std::string LogText(const ReducedHead& head, const std::vector<KeptCall>& calls,
                    const CutTree::Built& built) {
  std::string text = record::HeaderLine(head.field) + '\n';
  text += record::SnapshotLine(head.snapshot, built.tree->size(), head.digest, {}) + '\n';
  for (const KeptCall& kept : calls) {
    record::Call call = kept.call;
    call.node = AddressOn(built, kept.node, kept.call.node);
    text += record::BeginLine(call) + '\n';
    if (kept.unreturned) continue;
    call.at = AddressOn(built, kept.at, kept.call.at);
    text += record::Line(call) + '\n';
  }
  return text;
}

std::string Signature(const ReplayStep& step, const CutTree::Built& built) {
  static const std::string kThreadsNote = "; in the field this call ran while calls of other";
  std::string signature;
  for (std::size_t i = step.first_line; i < step.lines.size(); ++i) {
    const DiffLine& line = step.lines[i];
    std::string what = line.what;
    if (std::size_t note = what.find(kThreadsNote); note != std::string::npos) what.resize(note);
    if (line.kind == DiffLine::kTargetChanged) {
      what =
          "at " + Mapped(built, line.old_value.text) + " -> " + Mapped(built, line.new_value.text);
    } else if (line.kind == DiffLine::kCallNeverReturned) {
      // "...; here: result R, out O, at ADDRESS": the address is the last member.
      if (std::size_t at = what.rfind(", at "); at != std::string::npos)
        what = what.substr(0, at) + ", at " + Mapped(built, what.substr(at + 5));
    }
    signature += std::to_string(static_cast<int>(line.kind)) + '\x1f' + WithoutRank(line.where) +
                 '\x1f' + what + '\n';
  }
  return signature;
}

FoundCall SearchLog(const ReplayOptions& options, std::shared_ptr<const hostsim::HostTree> tree,
                    const Document& log, const Plugin& plugin, std::uint64_t wanted,
                    double seconds) {
  auto state = std::static_pointer_cast<SearchState>(SharedBytes(sizeof(SearchState)));
  new (state.get()) SearchState{};
  for (std::uint64_t& offset : state->last_count) offset = Document::kNoOffset;
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
      if (wanted != Document::kNoOffset ? step.offset != wanted && step.began != wanted : !differs)
        return true;
      found = "found\n" + Signature(step, whole);
      return false;
    };
    ReplayLines(options, tree, log, plugin, watch);
    return found.empty() ? "none" : found;
  };
  ChildEnd end = RunInChild(search, seconds, &state->calls, kHangSeconds);
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
