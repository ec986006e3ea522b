// fintop-trace: a module that takes fintop's place in a host, forwards every call to the real
// plug-in and records each callback call as one line of JSON (tools/common/call_record.h).
//
// Exports exactly what fintop exports. Its settings (settings.h: the log, the real plug-in, the
// snapshot) are read once, at the first call; each line of them not understood is an
// {"error": ...} line of the log, or, without a log, a line on stderr.
//
// What a call does: without a log, it forwards and returns. With one, it reads the node's path
// (GetName on a clone climbed with Up) and every attribute name of FINTOP_RECORDED_ATTRIBUTES
// (GetAttribute on the caller's iterator: the record's "before"), writes the begin line, and
// forwards with the call's own iterator in the caller's place (CallIterator), which passes
// every operation on and notes the attributes and bindings the call makes; then it reads the
// path of where the iterator stands and writes the call's line. The proxy itself only reads
// the caller's iterator (Clone, GetAttribute); every clone is deleted on every path. What the
// recording throws (an allocation failure) drops that call's line; the call is forwarded once and
// answered all the same. A real plug-in that cannot be loaded, or lacks a callback, makes that
// callback answer its failure result (FINTOP_CALLBACKS' `fails`), and the log says why in an
// {"error": ...} line.
#include <array>
#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "attribute_value.h"
#include "bootstrap/bootstrap.h"
#include "bootstrap/entry_points.h"
#include "call_record.h"
#include "files.h"
#include "framework/callback_table.h"
#include "framework/callbacks.h"
#include "framework/recorded_attributes.h"
#include "settings.h"
#include "system.h"
#include "tree.h"

namespace {

// A callback's id is its place in the list, as in fintop::kCallbackTable.
#define FINTOP_TRACE_ID(shape, name, ...) k##name,
enum CallbackId { FINTOP_CALLBACKS(FINTOP_TRACE_ID) };
#undef FINTOP_TRACE_ID

// The bootstrap's entries the proxy passes on, their ids after the callbacks' in this order
// (the forwarders' lookup asks the first two by their place).
constexpr const char* kBootstrapEntries[] = {fintop::kGetTopNorvaneEntry, fintop::kTestIterator,
                                             fintop::kGetQELNode, fintop::kFind1};
constexpr int kTopEntryId = kCallbackCount, kGetQELNodeId = kCallbackCount + 2,
              kFind1Id = kCallbackCount + 3, kEntries = kCallbackCount + 4;

using GetQELNodeFn = QELAggNode*(FI_CDECL*)(void*, void*);

// The iterator fintop-trace hands the real plug-in for the length of one recorded call, in
// place of the framework's: every operation goes on to the framework's iterator, unchanged and
// in order, and its answer comes back; what the call records and binds on it (SetAttribute,
// SetAttributeByKey, Alias) is noted in the call's record as well. The interface has no way to
// read a binding back, so the record can learn of bindings only by seeing the calls.
//
// Why this is safe:
// - The plug-in calls only the operations of FIIterator (fi_iterator.h) on the iterator it is
//   handed, through the virtual table that header fixes; this object implements exactly those,
//   and nothing else of it is ever touched.
// - The plug-in never deletes the iterator it is handed and keeps no pointer to it past the
//   call, so an object on the proxy's stack may stand in for it. Clone returns the framework's
//   own clone: the plug-in deletes it with the framework's DeleteFIIterator as before, and
//   nothing it owns changes hands.
// - This object must never be deleted through DeleteFIIterator, cloned itself, kept past the
//   call or used on another thread; it must never change what the framework's iterator is
//   asked or answers, and it must not throw into the plug-in: a note it cannot make (out of
//   memory) marks the record as failed, and the call goes on all the same.
class CallIterator final : public FIIterator {
 public:
  // Notes into `call`'s attributes and bindings (present); `framework` and `call` outlive it.
  CallIterator(FIIterator& framework, record::Call& call) noexcept
      : framework_(framework), call_(call) {}

  // Whether a note could not be made: the record is then incomplete and must not be written.
  bool failed() const { return failed_; }

  // Whether the call asked the framework's iterator to move (even if it stayed): when not, it
  // stands where the call found it.
  bool moved() const { return moved_; }

  FIIterator* Clone() override { return framework_.Clone(); }
  bool Element(int index) override { return Moving(), framework_.Element(index); }
  bool Down(const std::string& name) override { return Moving(), framework_.Down(name); }
  bool First() override { return Moving(), framework_.First(); }
  bool Next() override { return Moving(), framework_.Next(); }
  bool Last() override { return Moving(), framework_.Last(); }
  bool Up() override { return Moving(), framework_.Up(); }
  void GetName(char* buffer, int size) override { framework_.GetName(buffer, size); }
  void GetValue(const FIAttribute& key, FIAttribute& out) override {
    framework_.GetValue(key, out);
  }
  bool GetAttribute(const char* name, FIAttribute& out) override {
    return framework_.GetAttribute(name, out);
  }
  // Each note follows the framework's own operation, so the plug-in sees the framework's
  // behaviour whatever the note costs; a null text is noted as an empty one, as the host reads it.
  void Alias(const char* generic_name, const char* host_name) override {
    framework_.Alias(generic_name, host_name);
    Note([&] { call_.bindings->emplace_back(Text(generic_name), Text(host_name)); });
  }
  void SetAttribute(const char* name, const FIAttribute& value) override {
    framework_.SetAttribute(name, value);
    Note([&] { call_.Record(Text(name), record::AttributeValue(value)); });
  }
  // The attribute's name is the key's text, as the framework stores it.
  void SetAttributeByKey(const FIAttribute& key, const FIAttribute& value) override {
    framework_.SetAttributeByKey(key, value);
    Note([&] {
      FIAttribute text(key);
      text.ChangeType(FT_TEXT);
      call_.Record(text.c_str(), record::AttributeValue(value));
    });
  }

 private:
  void Moving() { moved_ = true; }
  static const char* Text(const char* text) { return text != nullptr ? text : ""; }
  template <class Noting>
  void Note(Noting note) noexcept {
    if (failed_) return;
    try {
      note();
    } catch (...) {
      failed_ = true;
    }
  }

  FIIterator& framework_;
  record::Call& call_;
  bool failed_ = false;
  bool moved_ = false;
};

// The process's one recording session: the real plug-in's entries and the log, made at the
// first call and kept until the process ends (the real plug-in is never unloaded).
class Session {
 public:
  // Made in place, never destroyed (a host thread may still call while the process exits);
  // making it throws nothing.
  static Session& Get() noexcept {
    alignas(Session) static unsigned char storage[sizeof(Session)];
    static Session* session = new (storage) Session;
    return *session;
  }

  // The real plug-in's entry `id` (a CallbackId, or one of the bootstrap's ids above).
  void* entry(int id) const { return entries_[id]; }
  bool logging() const { return log_ != nullptr; }
  // Whether the snapshot is still to be taken (at the first call that brings an iterator).
  bool snapshot_pending() const { return snapshot_pending_.load(std::memory_order_acquire); }
  // Takes the snapshot from `it` once per session; a call on another thread meanwhile waits.
  void TakeSnapshot(FIIterator& it) noexcept;

  // One line, whole, flushed; after a failed write (a full disk) nothing more is written.
  void Write(std::string line) {
    line += '\n';
    std::lock_guard<std::mutex> lock(mutex_);
    if (log_ == nullptr || broken_) return;
    if (std::fwrite(line.data(), 1, line.size(), log_) != line.size() || std::fflush(log_) != 0)
      broken_ = true;
  }

 private:
  Session() {
    try {
      const std::string folder = trace::FolderOf(trace::OwnFile());
      settings_ =
          trace::ReadSettings(folder, trace::kDefaultSnapshotNodes, trace::kDefaultSnapshotDepth);
      snapshot_pending_ = !settings_.snapshot.empty();
      std::vector<std::string> notes = std::move(settings_.complaints);
      if (!settings_.log.empty()) {
        trace::RecordingFile log = trace::CreateRecording(settings_.log);
        log_ = log.file;
        if (!log.moved.empty()) notes.insert(notes.begin(), "the log: " + log.moved);
      }
      void* module = Load(settings_.plugin, notes);
      Write(record::HeaderLine(Head(settings_.plugin, module != nullptr)));
      for (const std::string& note : notes) {
        if (log_ != nullptr) {
          Error(note);
        } else {
          std::fprintf(stderr, "fintop-trace: %s\n", note.c_str());
        }
      }
    } catch (...) {
      // Without memory for the settings there is nothing to record or forward to.
    }
  }

  // Who records the session, with what and when (the log's first line).
  static record::LogHead Head(const std::string& plugin, bool loaded) {
    record::LogHead head;
    head.plugin = plugin;
    if (loaded) {
      trace::FileVersion version = trace::VersionOf(plugin);
      head.plugin_version = version.file;
      head.plugin_product = version.product;
      head.width = static_cast<int>(sizeof(void*) * 8);  // the plug-in shares the process's
    }
    head.recorder = FINTOP_TRACE_VERSION;
    head.started = trace::NowUtc();
    head.host = kit::Utf8(kit::ProgramPath());
    head.host_version = trace::VersionOf(head.host).product;
    return head;
  }

  // Loads the real plug-in and finds its entries; what is wrong goes to `notes`. The module,
  // or null.
  void* Load(const std::string& file, std::vector<std::string>& notes) {
    std::string why;
    void* module = trace::LoadModule(file, why);
    if (module == nullptr) {
      notes.push_back("cannot load the real plug-in " + file + " (" + why +
                      "): every callback answers its failure result");
      return nullptr;
    }
    auto find = [&](const char* name) { return trace::FindEntry(module, name); };
    if (find(fintop::kCallbackTable[kCTFlowsheets].name) ==
        reinterpret_cast<void*>(&CTFlowsheets)) {
      notes.push_back("the real plug-in " + file +
                      " is fintop-trace itself: every callback answers its failure result");
      return nullptr;
    }
    for (int id = 0; id < kEntries; ++id) {
      const bool callback = id < kCallbackCount;
      const char* name =
          callback ? fintop::kCallbackTable[id].name : kBootstrapEntries[id - kCallbackCount];
      entries_[id] = find(name);
      if (entries_[id] == nullptr) {
        notes.push_back("the real plug-in " + file + " does not export " + name +
                        (callback ? ": it answers its failure result" : ""));
      }
    }
    return module;
  }

  void Error(const std::string& why) { Write(record::ErrorLine(why)); }

  std::array<void*, kEntries> entries_{};
  std::FILE* log_ = nullptr;
  std::mutex mutex_;
  bool broken_ = false;
  trace::Settings settings_;
  std::atomic<bool> snapshot_pending_{false};
  std::once_flag snapshot_once_;
};

void Session::TakeSnapshot(FIIterator& it) noexcept {
  try {
    std::call_once(snapshot_once_, [&] {
      trace::RecordingFile file = trace::CreateRecording(settings_.snapshot);
      if (!file.moved.empty()) Error("the snapshot: " + file.moved);
      if (file.file == nullptr) return;
      trace::SnapshotResult snapshot;
      bool written = false;
      try {
        kit::Output out(file.file);
        kit::JsonWriter json(out);
        snapshot =
            trace::WriteSnapshot(json, it, settings_.snapshot_nodes, settings_.snapshot_depth);
        out << '\n';
        written = out.Finish();
      } catch (...) {
      }
      written = std::fclose(file.file) == 0 && written;
      if (!written) {
        Error("cannot write the snapshot " + file.path + " (out of memory or disk space)");
        return;
      }
      Write(record::SnapshotLine(file.path, snapshot.nodes, snapshot.digest, snapshot.cut));
      if (!snapshot.cut.empty())
        Error("the snapshot " + file.path + " is cut: " + snapshot.cut +
              "; calls on the nodes left out cannot be replayed");
    });
  } catch (...) {
  }
  snapshot_pending_.store(false, std::memory_order_release);
}

// 1 for the first thread that called, and so on. Kept in a map rather than in thread-local
// storage: a module loaded at run time with thread-local data of its own leaves LeakSanitizer's
// exit scan a stale block once it is unloaded (seen with the copy a settings file sits beside).
// Never destroyed, as the session: a host thread may still call while the process exits.
unsigned long long ThreadNumber() {
  static std::mutex* mutex = new std::mutex;
  static auto* numbers = new std::map<std::thread::id, unsigned long long>;
  std::lock_guard<std::mutex> lock(*mutex);
  return numbers->try_emplace(std::this_thread::get_id(), numbers->size() + 1).first->second;
}

// Completes a call's record with its answer (`integer`: a collection callback's count or
// index, else true or false) and where the iterator stands (read again only when the call may
// have moved it), and writes it; `failed` (a note the call's iterator could not make) or what
// the recording throws drops the line, and the call's answer stands.
void Finish(Session& session, record::Call& call, bool integer, int result, FIIterator* it,
            FIAttribute* out, bool failed, bool moved) noexcept {
  if (failed) return;
  try {
    call.result = integer ? record::Value::Integer(result) : record::Value::Bool(result != 0);
    if (out != nullptr && !out->empty()) call.out = record::AttributeValue(*out);
    if (it != nullptr) call.at = moved ? trace::AddressOf(*it) : call.node;
    session.Write(record::Line(call));
  } catch (...) {
  }
}

// One call of callback `id` with the caller's arguments (`argument`: a collection callback's
// index, an element callback's move flag): forwarded through the pointer of its shape (or
// answered with its failure result when the real plug-in lacks it) and, with a log, recorded.
int Traced(int id, FIIterator* it, FIAttribute* out, int argument) {
  const fintop::CallbackInfo& info = fintop::kCallbackTable[id];
  Session& session = Session::Get();
  if (it != nullptr && session.snapshot_pending()) session.TakeSnapshot(*it);
  void* entry = session.entry(id);
  auto forward = [&](FIIterator* at) {
    return entry != nullptr ? fintop::CallByShape(info.shape, entry, at, out, argument)
                            : fintop::FailureResult(info, argument);
  };
  if (!session.logging()) return forward(it);

  record::Call call;
  bool recording = true;
  try {
    call.callback = info.name;
    call.argument = info.shape == fintop::Shape::kCollection ? record::Call::kIndex
                    : info.shape == fintop::Shape::kElement  ? record::Call::kMove
                                                             : record::Call::kNone;
    call.value = argument;
    if (it != nullptr) {
      call.node = trace::AddressOf(*it);
      // What the call can read: the plug-in's recorded attributes and the framework's it reads.
      call.before.emplace();
      for (const char* name : record::kHeldAttributes) {
        FIAttribute held;
        if (it->GetAttribute(name, held))
          call.before->emplace_back(name, record::AttributeValue(held));
      }
      call.bindings.emplace();
    }
    call.thread = ThreadNumber();
    // Written before the call is forwarded: a session that ends inside it ends with this line.
    session.Write(record::BeginLine(call));
  } catch (...) {
    recording = false;
  }
  if (!recording) return forward(it);

  // The real plug-in is handed the call's own iterator (CallIterator), which notes the
  // attributes and bindings the call makes on the framework's.
  int result = 0;
  bool failed = false, moved = true;
  if (entry != nullptr && it != nullptr) {
    CallIterator recorded(*it, call);
    result = forward(&recorded);
    failed = recorded.failed();
    moved = recorded.moved();
  } else {
    result = forward(it);
  }
  Finish(session, call, info.shape == fintop::Shape::kCollection, result, it, out, failed, moved);
  return result;
}

}  // namespace

// The callbacks, one per entry of the list: each shape's arguments as Traced takes them (the
// kinds and the classifier take no argument, and only the classifier and collections an out).
#define FINTOP_TRACE_ARGUMENTS_KIND iterator, nullptr, 0
#define FINTOP_TRACE_ARGUMENTS_CLASSIFIER iterator, out, 0
#define FINTOP_TRACE_ARGUMENTS_COLLECTION iterator, out, index
#define FINTOP_TRACE_ARGUMENTS_ELEMENT iterator, nullptr, move
#define FINTOP_TRACE_DEFINE(shape, name, ...)               \
  FINTOP_SIGNATURE_##shape(name) {                          \
    return Traced(k##name, FINTOP_TRACE_ARGUMENTS_##shape); \
  }

extern "C" {

FINTOP_CALLBACKS(FINTOP_TRACE_DEFINE)

// The forwarders' lookup (forwarders_*.S jump to what it returns): the real plug-in's own
// forwarders, which go on to the host's entry points with the caller's arguments untouched.
fintop::HostEntry FI_CDECL FintopFindForwardTarget(int which) noexcept {
  if (which != 0 && which != 1) return nullptr;
  return reinterpret_cast<fintop::HostEntry>(Session::Get().entry(kTopEntryId + which));
}

FINTOP_API QELAggNode* FI_CDECL GetQELNode(void* first, void* second) {
  const auto real = reinterpret_cast<GetQELNodeFn>(Session::Get().entry(kGetQELNodeId));
  return real != nullptr ? real(first, second) : nullptr;
}

FINTOP_API bool FI_CDECL Find1(FIIterator* it, int move) {
  const auto real = reinterpret_cast<FIElement>(Session::Get().entry(kFind1Id));
  return real != nullptr && real(it, move);
}

}  // extern "C"
