#include "replay.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

#include "attribute_value.h"
#include "diff.h"
#include "document.h"
#include "document_names.h"
#include "iterator/host_iterator.h"
#include "plugin.h"

namespace walk {

namespace {

namespace names = document_names;

using Named = std::vector<std::pair<std::string, Scalar>>;

struct Begun {
  std::uint64_t offset;
  std::string thread;
};

class Replayer {
 public:
  // `cut`: why the snapshot was cut, from the log; empty when whole.
  Replayer(const ReplayOptions& options, std::shared_ptr<const hostsim::HostTree> tree,
           const Document& log, const Plugin& plugin, ReplayWatch watch, std::string cut = {})
      : options_(options),
        tree_(std::move(tree)),
        log_(log),
        plugin_(plugin),
        watch_(std::move(watch)),
        cut_(std::move(cut)),
        bindings_(RecordsBindings(log)) {}

  void ReplayAll() {
    std::vector<std::uint64_t> call_offsets;
    const std::vector<Record>& r = log_.trace();
    for (std::uint32_t i = 0; i < r.size(); i = r[i].end) {
      if (r[i].kind == Record::kCall) call_offsets.push_back(r[i].offset);
    }
    std::vector<Pending> calls;
    // A log whose begin lines and calls alternate (one call at a time, whatever the thread):
    // each call's begin line is the one before it, and the begin lines after the last call
    // never returned; nothing overlapped, and no begin line needs reading.
    const std::vector<Document::Begin>& begins = log_.begins();
    bool alternate = begins.size() >= call_offsets.size();
    for (std::size_t k = 0; alternate && k < begins.size(); ++k)
      alternate = begins[k].calls == std::min(k, call_offsets.size());
    // Several begin lines after the last call: those calls were under way together when the
    // session ended, so they overlapped, whether or not any call held an attribute.
    if (begins.size() > call_offsets.size() + 1) alternate = false;
    if (alternate) {
      for (std::size_t k = 0; k < begins.size(); ++k) {
        begins_.push_back({begins[k].offset, {}});
        const bool returned = k < call_offsets.size();
        calls.push_back(
            {returned ? call_offsets[k] : begins[k].offset, begins[k].offset, !returned});
      }
      alternate_ = true;
    } else {
      for (const Document::Begin& begin : begins)
        begins_.push_back({begin.offset, log_.ReadDetails(begin.offset).Get(names::kThread).text});
      // The begin line of each call: the last of its thread before it.
      std::map<std::string, std::uint64_t> open;  // thread -> offset of its begin line
      std::size_t b = 0;
      for (std::uint64_t offset : call_offsets) {
        for (; b < begins_.size() && begins_[b].offset < offset; ++b)
          open[begins_[b].thread] = begins_[b].offset;
        Details d = log_.ReadDetails(offset);
        std::string thread = d.Get(names::kThread).text;
        std::uint64_t began = offset;
        if (auto found = open.find(thread); found != open.end()) {
          began = found->second;
          open.erase(found);
        }
        calls.push_back({offset, began, false});
      }
      // The calls that never returned, in the order they began: the threads' begin lines left
      // open, and every begin line after the last call (a thread's two among them too).
      const std::size_t returned = calls.size();
      for (const auto& [thread, offset] : open) calls.push_back({offset, offset, true});
      for (; b < begins_.size(); ++b) calls.push_back({begins_[b].offset, begins_[b].offset, true});
      std::sort(calls.begin() + static_cast<std::ptrdiff_t>(returned), calls.end(),
                [](const Pending& a, const Pending& b) { return a.offset < b.offset; });
    }
    for (const Pending& call : calls) {
      if (!stopped_) ReplayCall(call, call_offsets);
    }
  }

  const std::vector<DiffLine>& lines() const { return lines_; }

  // Writes the lines and the summary; `head`: who recorded the session (SessionHead), empty for
  // a walk's document.
  int Finish(Output& out, const std::string& head) {
    NameLogLines();
    if (options_.json) {
      WriteJson(out, head);
    } else {
      if (!head.empty()) out << head << '\n';
      for (const DiffLine& line : lines_) out << OneLine(line.Text()) << '\n';
      out << Summary() << '\n';
    }
    return differ_ == 0 ? 0 : 1;
  }

 private:
  struct Pending {
    std::uint64_t offset;  // of the call line; of the begin line for one never ended
    std::uint64_t began;   // of its begin line (the call line's own without one)
    bool unreturned;
  };

  // A refusal of the call being replayed, named by its line.
  [[noreturn]] void Refuse(const std::string& what) {
    const std::uint64_t line = log_.LinesOf({call_offset_})[0];
    throw std::runtime_error(log_.name() + ":" + std::to_string(line) + ": " + what);
  }

  void ReplayCall(const Pending& pending, const std::vector<std::uint64_t>& call_offsets) {
    call_offset_ = pending.offset;
    Details d = log_.ReadDetails(pending.offset);
    const std::string& callback = d.Get(pending.unreturned ? names::kBegin : names::kCallback).text;
    auto known = ids_.find(callback);
    if (known == ids_.end()) known = ids_.emplace(callback, FindCallback(callback)).first;
    int id = known->second;
    if (id == kNoCallback)
      Refuse("a call of " + OneLine(callback) + ", which is no callback of fintop");
    const CallbackInfo& info = Callbacks()[id];
    const Scalar& node_text = d.Get(names::kNode);
    std::uint32_t node = FindAddress(*tree_, node_text.text);
    if (node_text.type != Scalar::kText || node == hostsim::kNoNode)
      Refuse("a call on " + OneLine(node_text.text) + ", a node that " + options_.snapshot +
             " lacks" + (cut_.empty() ? "" : " (the snapshot was cut: " + cut_ + ")") +
             ": replay the log against the snapshot recorded with it");
    int argument = 0;
    where_ = "call " + callback;
    for (const char* key : {names::kIndex, names::kMove}) {
      const Scalar& s = d.Get(key);
      if (s.type == Scalar::kNone) continue;
      auto r = std::from_chars(s.text.data(), s.text.data() + s.text.size(), argument);
      if (s.type != Scalar::kInteger || r.ec != std::errc())
        Refuse("a call of " + callback + " whose \"" + key + "\" is no integer");
      where_ += std::string("(") + (key == names::kMove ? "move " : "") + s.text + ")";
    }
    std::uint32_t rank = ranks_[OneLine(node_text.text) + '\n' + where_]++;
    if (rank > 0) where_ += " #" + std::to_string(rank + 1);
    group_ = node_text.text;

    // The iterator as the call found it in the field.
    hostsim::IteratorPtr it = hostsim::NewIterator(tree_);
    it->MoveTo(node);
    Named expected;
    if (!d.has_before)
      Refuse(
          "a call record without \"before\" (written before records held the attributes "
          "of the iterator before the call): record the session again");
    for (const auto& [name, value] : d.before) {
      FIAttribute held;
      if (!record::AttributeOf(value, held))
        Refuse("a call of " + callback + " held " + OneLine(name) + " = " + value.Shown() +
               ", which no attribute holds");
      it->SetAttribute(name.c_str(), held);
      Put(expected, name, value);
    }
    for (const auto& [name, value] : d.attributes) Put(expected, name, value);
    Watch(pending, id, argument, nullptr);
    FIAttribute out;
    long live = hostsim::LiveIterators();
    int result = CallByShape(info.shape, plugin_.entry(id), it.get(), &out, argument);
    long left = hostsim::LiveIterators() - live;
    ++replayed_;

    Scalar now_result =
        info.shape == Shape::kCollection ? Scalar::Integer(result) : Scalar::Bool(result != 0);
    Scalar now_out = record::AttributeValue(out);
    if (now_out.is_null()) now_out = {};  // the record has "out" only when it holds a value
    // Where the iterator stands, as an address only when it is shown: a recorded address names
    // one node, so the node it names tells whether the two are the same.
    const std::uint32_t now_node = it->node();
    const Scalar& was_at = d.Get(names::kAt);
    const bool same_at =
        was_at.type == Scalar::kText && FindAddress(*tree_, was_at.text) == now_node;
    auto now_at = [&] { return AddressOf(*tree_, now_node); };
    std::size_t before = lines_.size();
    if (pending.unreturned) {
      Add(DiffLine::kCallNeverReturned,
          "never returned in the field (the session ended inside it); here: result " +
              now_result.Shown() +
              (now_out.type == Scalar::kNone ? "" : ", out " + now_out.Shown()) + ", at " +
              now_at(),
          {}, now_result);
    } else {
      Compare(DiffLine::kResultChanged, {}, names::kResult, d.Get(names::kResult), now_result);
      Compare(DiffLine::kResultChanged, {}, names::kOut, d.Get(names::kOut), now_out);
      // The attributes after the call: every name it could hold, and any the record names.
      auto compare_attribute = [&](const std::string& name) {
        // Held and empty is null, as the record writes it; not held is none.
        FIAttribute held;
        Scalar now = it->GetAttribute(name.c_str(), held) ? record::AttributeValue(held) : Scalar{};
        Compare(DiffLine::kAttributeChanged, "attribute ", name, ValueOf(expected, name), now);
      };
      for (const std::string& name : held_names_) compare_attribute(name);
      for (const auto& [name, value] : expected) {
        if (std::find(held_names_.begin(), held_names_.end(), name) == held_names_.end())
          compare_attribute(name);
      }
      if (bindings_) CompareBindings(d.bindings, it->aliases());
      if (!same_at)
        Compare(DiffLine::kTargetChanged, {}, names::kAt, was_at, {Scalar::kText, now_at()});
    }
    it.reset();
    if (left != 0)
      Add(DiffLine::kClonesLeft, std::to_string(left) +
                                     (left == 1 ? " cloned iterator" : " cloned iterators") +
                                     " left alive");
    Watch(pending, id, argument, &before);
    // A callback that keeps a process-wide count selects from the count its last counting call
    // made, from any thread: when that call overlapped others, which of them counted last in
    // the field is not known either.
    const bool counting = info.counts && argument == -1;
    if (counting) count_overlapped_[id] = Overlapped(pending, call_offsets);
    if (lines_.size() == before) {
      ++same_;
      return;
    }
    ++differ_;
    if (pending.unreturned) ++unreturned_;
    const char* why = nullptr;
    if (counting ? count_overlapped_[id] : Overlapped(pending, call_offsets))
      why =
          "; in the field this call ran while calls of other threads began or ended, so its "
          "order among them is not known";
    else if (info.counts && count_overlapped_[id])
      why =
          "; in the field the count it selects from was made by a call that ran while calls of "
          "other threads began or ended, so its order among them is not known";
    if (why == nullptr) return;
    for (std::size_t i = before; i < lines_.size(); ++i) lines_[i].what += why;
  }

  // Whether another line of the log (a begin or a call of another thread) lies between the
  // call's begin line and its own line, or another thread's call was under way when it began
  // (begun before it and ended after: more begin lines than call lines before its own).
  bool Overlapped(const Pending& call, const std::vector<std::uint64_t>& call_offsets) const {
    if (alternate_) return false;
    std::uint64_t from = call.began, to = call.unreturned ? ~std::uint64_t{0} : call.offset;
    const auto begun =
        std::lower_bound(begins_.begin(), begins_.end(), from,
                         [](const Begun& b, std::uint64_t v) { return b.offset < v; }) -
        begins_.begin();
    const auto ended =
        std::lower_bound(call_offsets.begin(), call_offsets.end(), from) - call_offsets.begin();
    if (begun > ended) return true;
    auto begin = std::upper_bound(begins_.begin(), begins_.end(), from,
                                  [](std::uint64_t v, const Begun& b) { return v < b.offset; });
    if (begin != begins_.end() && begin->offset < to) return true;
    auto c = std::upper_bound(call_offsets.begin(), call_offsets.end(), from);
    return c != call_offsets.end() && *c < to;
  }

  // The bindings the call made against those recorded: for each generic name, recorded first
  // and then any new, the host name bound last to it on each side.
  void CompareBindings(const Named& recorded, const std::vector<hostsim::AliasBinding>& made) {
    Named now;
    for (const hostsim::AliasBinding& b : made)
      Put(now, b.generic_name, {Scalar::kText, b.host_name});
    Named was;
    for (const auto& [name, host] : recorded) Put(was, name, host);
    for (const auto& [name, host] : was)
      Compare(DiffLine::kBindingChanged, "binding ", name, host, ValueOf(now, name));
    for (const auto& [name, host] : now) {
      if (Find(was, name) == was.end())
        Compare(DiffLine::kBindingChanged, "binding ", name, {}, host);
    }
  }

  // `name` in `list`; ValueOf its value (none when it has none); Put sets it, a name keeping its
  // place.
  static Named::iterator Find(Named& list, const std::string& name) {
    return std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.first == name; });
  }
  static const Scalar& ValueOf(Named& list, const std::string& name) {
    static const Scalar kNone;
    auto found = Find(list, name);
    return found == list.end() ? kNone : found->second;
  }
  static void Put(Named& list, const std::string& name, const Scalar& value) {
    auto found = Find(list, name);
    if (found == list.end()) {
      list.emplace_back(name, value);
    } else {
      found->second = value;
    }
  }

  // A line when the value of `member` (`what` and `name`) differs from the field's, which is
  // named first: "result recorded false, now true". An address is shown bare.
  // (The test is made where it is called; the line is made apart, only for a difference.)
  void Compare(DiffLine::Kind kind, std::string_view what, std::string_view name, const Scalar& was,
               const Scalar& now) {
    if (!(was == now)) Changed(kind, what, name, was, now);
  }
  [[gnu::noinline]] void Changed(DiffLine::Kind kind, std::string_view what, std::string_view name,
                                 const Scalar& was, const Scalar& now) {
    const bool at = kind == DiffLine::kTargetChanged;
    Add(kind,
        std::string(what).append(name) + " recorded " + (at ? was.Bare() : was.Shown()) + ", now " +
            (at ? now.Bare() : now.Shown()),
        was, now);
  }

  // A line of the call being replayed.
  void Add(DiffLine::Kind kind, std::string what, Scalar o = {}, Scalar n = {}) {
    lines_.push_back(
        {kind, 1, group_, where_, std::move(what), std::move(o), std::move(n), lines_.size()});
    line_offsets_.push_back(call_offset_);
  }

  // Each line's call named with its line in the log ("call CTHeatStreams (log line 212)"),
  // counted in one reading of the log once the calls are replayed.
  void NameLogLines() {
    std::vector<std::uint64_t> offsets = line_offsets_;
    std::sort(offsets.begin(), offsets.end());
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
    const std::vector<std::uint64_t> numbers = log_.LinesOf(offsets);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const std::size_t k =
          std::lower_bound(offsets.begin(), offsets.end(), line_offsets_[i]) - offsets.begin();
      lines_[i].where += " (log line " + std::to_string(numbers[k]) + ")";
    }
  }

  std::string Summary() const {
    std::string s = "replayed: " + std::to_string(replayed_) + " calls, " + std::to_string(same_) +
                    " answered as recorded, " + std::to_string(differ_) +
                    (differ_ == 1 ? " differs" : " differ");
    if (unreturned_ > 0) s += " (" + std::to_string(unreturned_) + " never returned in the field)";
    return s;
  }

  void WriteJson(Output& out, const std::string& head) const {
    JsonWriter json(out);
    json.BeginObject();
    WriteDiffLines(json, lines_);
    if (!head.empty()) json.Member(names::kRecorded, head);
    json.Key(names::kSummary);
    json.BeginObject();
    json.Member(names::kReplayed, replayed_);
    json.Member(names::kSame, same_);
    json.Member(names::kDiffer, differ_);
    json.Member(names::kUnreturned, unreturned_);
    json.End();
    json.End();
    out << '\n';
  }

  // Tells the watcher of the call (after it, with its lines); stops when it says so.
  void Watch(const Pending& pending, int id, int argument, const std::size_t* first_line) {
    if (!watch_ || stopped_) return;
    const bool done = first_line != nullptr;
    if (!watch_({pending.offset, pending.began, pending.unreturned, id, argument, lines_,
                 done ? *first_line : 0, done}))
      stopped_ = true;
  }

  const ReplayOptions& options_;
  std::shared_ptr<const hostsim::HostTree> tree_;
  const Document& log_;
  const Plugin& plugin_;
  const ReplayWatch watch_;
  const std::string cut_;
  std::vector<Begun> begins_;
  // The attributes a call can hold, named once for every call.
  const std::vector<std::string> held_names_{std::begin(record::kHeldAttributes),
                                             std::end(record::kHeldAttributes)};
  const bool bindings_;     // the log's calls hold their bindings
  bool alternate_ = false;  // begin lines and calls alternate: no call overlapped another
  std::unordered_map<std::string, int> ids_;
  std::unordered_map<std::string, std::uint32_t> ranks_;
  // Of each callback that keeps a process-wide count: whether its last counting call overlapped.
  std::unordered_map<int, bool> count_overlapped_;
  std::vector<DiffLine> lines_;
  std::vector<std::uint64_t> line_offsets_;  // of each line's call in the log
  std::uint64_t call_offset_ = 0;            // of the call being replayed, its node's address
  std::string group_, where_;                // and "call CTReactions(2) #2"
  bool stopped_ = false;                     // the watcher stopped the replay
  long replayed_ = 0, same_ = 0, differ_ = 0, unreturned_ = 0;
};

}  // namespace

int Replay(const ReplayOptions& options, Output& out,
           const std::function<void(const std::string&)>& warn) {
  ReplayInput input = OpenReplay(options, warn);
  Plugin plugin(options.plugin);
  std::string head;
  if (input.log->head_line() != Document::kNoOffset) head = SessionHead(ReadHead(*input.log));
  Replayer replayer(options, std::move(input.tree), *input.log, plugin, {}, input.cut);
  replayer.ReplayAll();
  return replayer.Finish(out, head);
}

std::vector<DiffLine> ReplayLines(const ReplayOptions& options,
                                  std::shared_ptr<const hostsim::HostTree> tree,
                                  const Document& log, const Plugin& plugin,
                                  const ReplayWatch& watch) {
  Replayer replayer(options, std::move(tree), log, plugin, watch);
  replayer.ReplayAll();
  return replayer.lines();
}

}  // namespace walk
