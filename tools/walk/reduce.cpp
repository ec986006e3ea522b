#include "reduce.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "document_names.h"
#include "files.h"
#include "plugin.h"

namespace walk {

namespace {

namespace names = document_names;
using Clock = std::chrono::steady_clock;

// Separates the signatures of the kept calls in a test's answer.
constexpr char kCallSeparator[] = "\x1e\n";

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// "call CTReactions(2)", as the replay names a call.
std::string CallName(const record::Call& call) {
  std::string name = "call " + call.callback;
  if (call.argument != record::Call::kNone)
    name += std::string("(") + (call.argument == record::Call::kMove ? "move " : "") +
            std::to_string(call.value) + ")";
  return name;
}

void WriteFile(const std::string& path, const std::function<void(Output&)>& write) {
  std::FILE* file = kit::OpenFile(path, "wb");
  if (file == nullptr)
    throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
  bool written = false;
  {
    Output out(file);
    write(out);
    written = out.Finish();
  }
  if (std::fclose(file) != 0 || !written) throw std::runtime_error("cannot write " + path);
}

std::size_t PropertyCount(const hostsim::HostTree& tree) {
  std::size_t count = 0;
  for (std::uint32_t n = 0; n < tree.size(); ++n) count += tree.node(n).prop_count;
  return count;
}

class Reducer {
 public:
  Reducer(const ReduceOptions& options, ReplayInput input, const Plugin& plugin)
      : options_(options),
        tree_(std::move(input.tree)),
        log_(std::move(input.log)),
        plugin_(plugin),
        lines_(options.replay.log) {
    try {  // who recorded the field's session, from the log's first line
      if (log_->source() == Document::kLog) head_.field = ReadHead(*log_);
    } catch (const DocumentError&) {
    }
    if (head_.field.plugin.empty()) head_.field.plugin = plugin.file();
    test_options_ = options.replay;
    test_options_.snapshot = "the reduced case";
  }

  int Run(Output& out) {
    FindCall();
    ChooseCalls();
    Shrinker shrinker(
        CutTree(tree_), targets_, [&](const CutTree& candidate) { return Shows(Test(candidate)); },
        {options_.max_replays, replays_, options_.max_seconds, start_},
        [&](const Shrinker& s) { Progress(s); });
    shrinker.Run();
    if (options_.progress) std::fputs("\r\x1b[K", stderr);
    Write(shrinker.result());
    Report(out, shrinker);
    return 0;
  }

 private:
  // The call to reduce: the first that differs in the replay of the whole log, or the one at
  // --call's line; the replay runs in a child, so a call that crashes or hangs is found too.
  void FindCall() {
    std::uint64_t wanted = Document::kNoOffset;
    if (options_.call_line != 0) {
      wanted = lines_.Start(options_.call_line);
      if (wanted == Document::kNoOffset)
        throw std::runtime_error(Where(options_.call_line) + ": the log has no such line");
    }
    if (options_.progress) std::fputs("reduce: replaying the log to find the call\x1b[K", stderr);
#if defined(_WIN32)
    // The tests run in this process: first a replay of the whole log in a child (this program
    // again) must show that no call crashes or hangs the plug-in.
    ChildEnd whole = RunSelf({options_.replay.snapshot, "--replay", options_.replay.log, "--plugin",
                              options_.replay.plugin},
                             Left());
    if (whole.answer.rfind("error: ", 0) == 0) throw std::runtime_error(whole.answer.substr(7));
    if (whole.kind != ChildEnd::kAnswered)
      throw std::runtime_error(
          options_.replay.log + ": the replay " +
          (whole.kind == ChildEnd::kHung ? "hangs" : "crashes") +
          " the plug-in (in a child process); on Windows the reducer makes its "
          "tests in its own process, which such a call would end: reduce it on Linux");
#endif
    FoundCall found = SearchLog(options_.replay, tree_, *log_, plugin_, wanted, Left());
    if (options_.progress) std::fputs("\r\x1b[K", stderr);
    if (found.end == ChildEnd::kHung && Left() <= 0)
      throw std::runtime_error(options_.replay.log + ": the replay took longer than " +
                               std::to_string(static_cast<long>(options_.max_seconds)) +
                               " s (--max-time) before it came to the call");
    if (!found.error.empty()) throw std::runtime_error(found.error);
    if (found.end == ChildEnd::kAnswered && !found.found)
      throw std::runtime_error(wanted != Document::kNoOffset
                                   ? Where(options_.call_line) +
                                         ": no call's line (its record or its begin line): "
                                         "give --call the line of a call the replay names"
                                   : options_.replay.log + ": every call answers as recorded on " +
                                         options_.replay.snapshot + ": nothing to reduce");
    if (found.calls == 0) throw std::runtime_error("the replay ended before its first call");
    crash_ = found.end;
    reference_ = found.signature;
    target_offset_ = found.offset;
    if (wanted != Document::kNoOffset && target_offset_ != wanted && found.began != wanted)
      throw std::runtime_error(Where(lines_.LineOf(target_offset_)) + ": the replay " + Ended() +
                               " in this call, before the call at line " +
                               std::to_string(options_.call_line) + ": reduce this one (--call " +
                               std::to_string(lines_.LineOf(target_offset_)) + ")");
    target_ = ReadKeptCall(*log_, *tree_, target_offset_, found.unreturned);
    if (crash_ == ChildEnd::kAnswered && reference_.empty())
      throw std::runtime_error(Where(options_.call_line) + ": " + Named(target_) +
                               " answers as recorded: nothing to reduce");
    int id = FindCallback(target_.call.callback);
    if (id != kNoCallback && Callbacks()[id].counts &&
        target_.call.argument == record::Call::kIndex && target_.call.value != -1 &&
        found.last_count[id] != Document::kNoOffset)
      count_ = ReadKeptCall(*log_, *tree_, found.last_count[id], false);
  }

  // The call alone, else after its counting call: the first that shows the difference on the
  // whole tree becomes the calls kept; none: the difference came from elsewhere.
  void ChooseCalls() {
    CutTree whole(tree_);
    bool shown = false;
    // Tests in this process (no fork) see the count the calls before left: the counting call
    // is kept, so that every test starts from the count it sets.
    if (kChildProcesses || !count_) {
      calls_ = {target_};
      shown = Shows(Test(whole));
    }
    if (!shown && count_) {
      calls_ = {*count_, target_};
      shown = Shows(Test(whole));
    }
    if (!shown)
      throw std::runtime_error(
          Where(lines_.LineOf(target_offset_)) + ": " + Named(target_) + " " +
          (crash_ == ChildEnd::kAnswered ? "answers otherwise" : Ended()) +
          " in the replay of the whole log, but not when replayed alone" +
          (count_ ? " or after its counting call at line " +
                        std::to_string(lines_.LineOf(count_->offset))
                  : std::string()) +
          ": its difference comes from other calls before it (as from the order of calls "
          "across threads), which a reduced case does not keep");
    for (const KeptCall& kept : calls_) {
      for (std::uint32_t node : {kept.node, kept.at}) {
        if (node != hostsim::kNoNode) targets_.push_back(node);
      }
    }
  }

  // One test: the kept calls replayed on `candidate` in a child; the answer is the signature of
  // each call's lines.
  ChildEnd Test(const CutTree& candidate) {
    ++replays_;
    auto work = [&]() -> std::string {
      CutTree::Built built = candidate.Build();
      Document log(LogText(head_, calls_, built), "the reduced log");
      std::string answer;
      ReplayLines(test_options_, built.tree, log, plugin_, Signatures(built, answer));
      return answer;
    };
    // The time bound is looked at before each test; a test is cut only as hanging.
    return RunInChild(work, kHangSeconds);
  }

  // Appends the signature of each call's lines on `built` to `answer`, ended by the separator;
  // `first`, when given, learns where the last call's lines start.
  static ReplayWatch Signatures(const CutTree::Built& built, std::string& answer,
                                std::size_t* first = nullptr) {
    return [&built, &answer, first](const ReplayStep& step) {
      if (!step.done) return true;
      answer += Signature(step, built) + kCallSeparator;
      if (first != nullptr) *first = step.first_line;
      return true;
    };
  }

  // Whether a test shows the difference of the call to reduce: the same crash or hang, or the
  // call's lines as the whole log's replay gave them (the first test), or as the first did.
  bool Shows(const ChildEnd& end) {
    if (crash_ != ChildEnd::kAnswered) return end.kind != ChildEnd::kAnswered;
    if (end.kind != ChildEnd::kAnswered) return false;
    if (!first_answer_.empty()) return end.answer == first_answer_;
    // The target's part: the last, each part ended by the separator.
    if (!end.answer.ends_with(kCallSeparator)) return false;  // an error
    std::string_view body(end.answer.data(), end.answer.size() - (sizeof kCallSeparator - 1));
    const std::size_t at = body.rfind(kCallSeparator);
    if (body.substr(at == body.npos ? 0 : at + sizeof kCallSeparator - 1) != reference_)
      return false;
    first_answer_ = end.answer;
    return true;
  }

  // Writes the two files and reads them back as --replay does: the same difference, or the
  // same crash or hang in a child.
  void Write(const CutTree& result) {
    built_ = result.Build();
    case_file_ = options_.prefix + ".case.json";
    log_file_ = options_.prefix + ".log.jsonl";
    WriteFile(case_file_, [&](Output& out) { WriteCase(*built_.tree, out); });
    head_.snapshot = case_file_;
    head_.digest = TreeDigest(*built_.tree);
    WriteFile(log_file_, [&](Output& out) { out << LogText(head_, calls_, built_); });
    const KeptCall& target = calls_.back();
    ReplayOptions again{case_file_, log_file_, options_.replay.plugin, false};
    // Read back without warnings: they would only repeat the field log's (its version is kept).
    auto read_back = [&](const ReplayWatch& watch) {
      ReplayInput input = OpenReplay(again, [](const std::string&) {});
      return ReplayLines(again, input.tree, *input.log, plugin_, watch);
    };
    if (crash_ != ChildEnd::kAnswered) {
      ChildEnd end = RunInChild(
          [&]() -> std::string {
            read_back({});
            return {};
          },
          kHangSeconds);
      if (end.kind == ChildEnd::kAnswered)
        throw std::runtime_error(log_file_ +
                                 ": the reduced call no longer crashes or hangs when read "
                                 "back (a fault of the reducer)");
      reduced_line_ =
          AddressOn(built_, target.node, target.call.node) + ": " + CallName(target.call) + ": " +
          (end.kind == ChildEnd::kHung ? "hangs" : "crashes") + " (replayed in a child process)";
      return;
    }
    // It answered in every child: it is replayed here. The case read back is the tree built (its
    // digest is checked), so the nodes are mapped as on that.
    std::string answer;
    std::size_t first = 0;
    std::vector<DiffLine> lines = read_back(Signatures(built_, answer, &first));
    if (answer != first_answer_)
      throw std::runtime_error(log_file_ +
                               ": the reduced call answers otherwise when read back (a "
                               "fault of the reducer)");
    reduced_.assign(lines.begin() + static_cast<std::ptrdiff_t>(first), lines.end());
    for (const DiffLine& line : reduced_)
      reduced_line_ += (reduced_line_.empty() ? "" : "\n") + line.Text();
  }

  void Report(Output& out, const Shrinker& shrinker) {
    double seconds = Since(start_);
    long line = lines_.LineOf(target_offset_);
    std::size_t properties = PropertyCount(*tree_), kept_properties = PropertyCount(*built_.tree);
    if (options_.replay.json) {
      JsonWriter json(out);
      json.BeginObject();
      json.Key(names::kCall);
      WriteCall(json, target_);
      json.Key(names::kKeptCalls);
      json.BeginArray();
      for (std::size_t i = 0; i + 1 < calls_.size(); ++i) WriteCall(json, calls_[i]);
      json.End();
      json.Member(names::kOutcome, crash_ == ChildEnd::kAnswered ? "differs"
                                   : crash_ == ChildEnd::kHung   ? "hangs"
                                                                 : "crashes");
      WriteDiffLines(json, reduced_);
      json.Member(names::kReducedLine, reduced_line_);
      json.Member(names::kNodesBefore, tree_->size());
      json.Member(names::kNodesAfter, built_.tree->size());
      json.Member(names::kPropertiesBefore, properties);
      json.Member(names::kPropertiesAfter, kept_properties);
      json.Member(names::kReplays, replays_);
      json.Member(names::kKeptCuts, shrinker.kept());
      json.Key(names::kSeconds);
      json.Real(seconds);
      if (!shrinker.stopped().empty()) json.Member(names::kStopped, shrinker.stopped());
      json.Member(names::kCase, case_file_);
      json.Member(names::kLog, log_file_);
      json.End();
      out << '\n';
      return;
    }
    char time[32];
    std::snprintf(time, sizeof time, "%.1f", seconds);
    out << "call: line " << std::to_string(line) << " of " << options_.replay.log << ": "
        << OneLine(Named(target_)) << '\n';
    if (calls_.size() > 1)
      out << "kept: the counting call at line " << std::to_string(lines_.LineOf(calls_[0].offset))
          << (calls_[0].node == target_.node ? "" : " (on " + OneLine(calls_[0].call.node) + ")")
          << ", which it needs\n";
    out << "nodes: " << std::to_string(tree_->size()) << " -> "
        << std::to_string(built_.tree->size()) << " (properties " << std::to_string(properties)
        << " -> " << std::to_string(kept_properties) << ")\n";
    out << "replays: " << std::to_string(replays_) << " (" << std::to_string(shrinker.kept())
        << " kept their cut)\n";
    out << "time: " << time << " s\n";
    if (!shrinker.stopped().empty())
      out << "stopped: " << shrinker.stopped() << ": the case may reduce further\n";
    out << "wrote: " << case_file_ << ", " << log_file_ << '\n';
    for (std::size_t from = 0; from < reduced_line_.size();) {
      std::size_t end = std::min(reduced_line_.find('\n', from), reduced_line_.size());
      out << "reduced: " << std::string_view(reduced_line_).substr(from, end - from) << '\n';
      from = end + 1;
    }
  }

  void WriteCall(JsonWriter& json, const KeptCall& kept) {
    json.BeginObject();
    json.Member(names::kLine, lines_.LineOf(kept.offset));
    json.Member(names::kCallback, kept.call.callback);
    json.Member(names::kNode, kept.call.node);
    json.Member(names::kReducedNode, AddressOn(built_, kept.node, kept.call.node));
    json.End();
  }

  void Progress(const Shrinker& s) {
    if (!options_.progress) return;
    auto now = Clock::now();
    if (now - shown_ < std::chrono::milliseconds(100)) return;
    shown_ = now;
    char line[160];
    std::snprintf(line, sizeof line, "\rreduce: %s, %ld replays, %zu nodes left, %.1f s\x1b[K",
                  s.pass(), replays_, s.nodes(), Since(start_));
    std::fputs(line, stderr);
  }

  double Left() const {
    return options_.max_seconds - Since(start_);
  }
  std::string Where(long line) const {
    return options_.replay.log + ":" + std::to_string(line);
  }
  std::string Named(const KeptCall& kept) const {
    return CallName(kept.call) + " on " + kept.call.node;
  }
  std::string Ended() const {
    return crash_ == ChildEnd::kHung ? "hung" : "crashed";
  }

  const ReduceOptions& options_;
  ReplayOptions test_options_;
  std::shared_ptr<const hostsim::HostTree> tree_;
  std::unique_ptr<Document> log_;
  const Plugin& plugin_;
  LogLines lines_;
  ReducedHead head_;
  Clock::time_point start_ = Clock::now(), shown_{};
  ChildEnd::Kind crash_ = ChildEnd::kAnswered;  // kCrashed or kHung: the call crashes or hangs
  std::string reference_;                       // the call's lines in the replay of the whole log
  std::string first_answer_;  // the first test that showed them: what every test must answer
  std::uint64_t target_offset_ = 0;
  KeptCall target_;
  std::optional<KeptCall> count_;
  std::vector<KeptCall> calls_;
  std::vector<std::uint32_t> targets_;
  long replays_ = 0;
  CutTree::Built built_;
  std::string case_file_, log_file_, reduced_line_;
  std::vector<DiffLine> reduced_;
};

}  // namespace

int Reduce(const ReduceOptions& options, Output& out,
           const std::function<void(const std::string&)>& warn) {
  ReplayInput input = OpenReplay(options.replay, warn);
  Plugin plugin(options.replay.plugin);
  Reducer reducer(options, std::move(input), plugin);
  return reducer.Run(out);
}

}  // namespace walk
