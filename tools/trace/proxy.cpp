// fintop-trace: a module that takes fintop's place in a host, forwards every call to the real
// plug-in and records each callback call as one line of JSON (tools/common/call_record.h).
//
// Exports exactly what fintop exports. Settings, read once, at the first call: FINTOP_TRACE_LOG
// names the log (no name, no log) and FINTOP_TRACE_PLUGIN the real plug-in (default: the
// default real name below, beside this module; a bare name is looked for beside it too). The
// environment wins over fintop-trace.txt beside this module, whose lines NAME=VALUE give the
// same two settings (settings.h; relative paths there are taken from this module's folder).
// Each line of it not understood is an {"error": ...} line of the log, or, without a log, a
// line on stderr.
//
// What a call does: without a log, it forwards and returns. With one, it reads the node's path
// (GetName on a clone climbed with Up) and every attribute name of FINTOP_RECORDED_ATTRIBUTES
// (GetAttribute on the caller's iterator: the record's "before"), writes the begin line, and
// forwards with the call's own iterator in the caller's place (call_iterator.h), which passes
// every operation on and notes the attributes and bindings the call makes; then it reads the
// path of where the iterator stands and writes the call's line. The proxy itself only reads
// the caller's iterator (Clone, GetAttribute); every clone is deleted on every path. What the
// recording throws (an allocation failure) drops that call's line; the call is forwarded once and
// answered all the same. A real plug-in that cannot be loaded, or lacks a callback, makes that
// callback answer its failure result (FINTOP_CALLBACKS' `fails`), and the log says why in an
// {"error": ...} line.
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <type_traits>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "bootstrap/bootstrap.h"
#include "bootstrap/entry_points.h"
#include "call_iterator.h"
#include "call_record.h"
#include "framework/callback_table.h"
#include "framework/callbacks.h"
#include "framework/recorded_attributes.h"
#include "settings.h"

namespace {

#define FINTOP_TRACE_ID(shape, name, ...) k##name,
enum CallbackId { FINTOP_CALLBACKS(FINTOP_TRACE_ID) };
#undef FINTOP_TRACE_ID

// A callback's id is its place in the list, as in fintop::kCallbackTable.
constexpr const char* CallbackName(int id) {
  return fintop::kCallbackTable[id].name;
}

// What a call can read: the plug-in's recorded attributes and the framework's it reads.
constexpr const auto& kHeldAttributes = record::kHeldAttributes;
constexpr std::size_t kAttributeCount = std::size(kHeldAttributes);

#if defined(_WIN32)
constexpr char kDefaultReal[] = "fintop-real.dll";
constexpr char kSeparators[] = "\\/";
#else
constexpr char kDefaultReal[] = "libfintop-real.so";
constexpr char kSeparators[] = "/";
#endif

// A climb up a host tree ends here even if the host's Up never fails.
constexpr std::size_t kMaxLevels = 1u << 20;
// Names are read into a buffer that doubles up to this size.
constexpr int kMaxName = 1 << 20;
// The snapshot's limits unless the settings give others: a large real case fits, and the
// depth is what fintop-walk reads (hostsim::kMaxCaseDepth).
constexpr unsigned long long kDefaultSnapshotNodes = 5000000;
constexpr unsigned long long kDefaultSnapshotDepth = 10000;
// The host properties the plug-in reads, the only ones a snapshot holds.
constexpr const char* kSnapshotKeys[] = {"type", "value", "id"};

// This module's file name; empty when it cannot be found.
std::string OwnFile() {
#if defined(_WIN32)
  HMODULE self = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&OwnFile), &self))
    return {};
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(self, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
#else
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&OwnFile), &info) == 0 || info.dli_fname == nullptr) return {};
  return info.dli_fname;
#endif
}

bool HasFolder(const std::string& path) {
  return path.find_first_of(kSeparators) != std::string::npos;
}

bool IsAbsolute(const std::string& path) {
#if defined(_WIN32)
  return (path.size() > 1 && path[1] == ':') ||
         (!path.empty() && std::strchr(kSeparators, path[0]));
#else
  return !path.empty() && path[0] == '/';
#endif
}

struct Settings {
  std::string log;
  std::string plugin;
  std::string snapshot;
  unsigned long long snapshot_nodes = kDefaultSnapshotNodes;
  unsigned long long snapshot_depth = kDefaultSnapshotDepth;
  std::vector<std::string> complaints;  // about the settings file's lines
};

// A limit's text as a count from 1; nullopt for anything else.
std::optional<unsigned long long> Count(const std::string& text) {
  if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  unsigned long long n = std::stoull(text);
  return n > 0 ? std::optional(n) : std::nullopt;
}

// The whole file, or nullopt when it cannot be opened (there is none).
std::optional<std::string> ReadFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  std::string text;
  char block[4096];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;) text.append(block, n);
  std::fclose(file);
  return text;
}

// The settings file, then the environment over it.
Settings ReadSettings(const std::string& folder) {
  Settings settings;
  std::optional<std::string> nodes, depth;  // the snapshot's limits as given
  if (std::optional<std::string> text = ReadFile(folder + trace::kSettingsFileName)) {
    trace::SettingsText file = trace::ParseSettings(*text);
    auto resolve = [&](const std::optional<std::string>& value) {
      if (!value || value->empty()) return std::string();
      return IsAbsolute(*value) ? *value : folder + *value;
    };
    settings.log = resolve(file.log);
    settings.plugin = resolve(file.plugin);
    settings.snapshot = resolve(file.snapshot);
    settings.complaints = std::move(file.complaints);
    nodes = file.snapshot_nodes;
    depth = file.snapshot_depth;
  }
  if (const char* log = std::getenv(trace::kLogSetting)) settings.log = log;
  if (const char* plugin = std::getenv(trace::kPluginSetting)) settings.plugin = plugin;
  if (const char* snapshot = std::getenv(trace::kSnapshotSetting)) settings.snapshot = snapshot;
  if (const char* n = std::getenv(trace::kSnapshotNodesSetting)) nodes = n;
  if (const char* d = std::getenv(trace::kSnapshotDepthSetting)) depth = d;
  for (auto [name, text, limit] :
       {std::tuple{trace::kSnapshotNodesSetting, &nodes, &settings.snapshot_nodes},
        std::tuple{trace::kSnapshotDepthSetting, &depth, &settings.snapshot_depth}}) {
    if (!*text || (*text)->empty()) continue;
    if (std::optional<unsigned long long> n = Count(**text)) {
      *limit = *n;
    } else {
      settings.complaints.push_back(std::string(name) + " is not a count from 1 to 10^12 (" +
                                    **text + "): the default " + std::to_string(*limit) +
                                    " is used");
    }
  }
  if (settings.plugin.empty()) settings.plugin = kDefaultReal;
  if (!HasFolder(settings.plugin)) settings.plugin = folder + settings.plugin;
  return settings;
}

using GetQELNodeFn = QELAggNode*(FI_CDECL*)(void*, void*);

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

  void* entry(int id) const { return entries_[id]; }
  fintop::HostEntry top_entry() const { return top_entry_; }
  fintop::HostEntry test_iterator() const { return test_iterator_; }
  GetQELNodeFn get_qel_node() const { return get_qel_node_; }
  FIElement find1() const { return find1_; }
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
      Open();
    } catch (...) {
      // Without memory for the settings there is nothing to record or forward to.
    }
  }

  void Open() {
    std::string own = OwnFile();
    std::size_t slash = own.find_last_of(kSeparators);
    std::string folder = slash == std::string::npos ? std::string() : own.substr(0, slash + 1);
    Settings settings = ReadSettings(folder);
    snapshot_file_ = settings.snapshot;
    snapshot_nodes_ = settings.snapshot_nodes;
    snapshot_depth_ = settings.snapshot_depth;
    snapshot_pending_ = !snapshot_file_.empty();
    if (!settings.log.empty()) log_ = std::fopen(settings.log.c_str(), "ab");
    Write(record::HeaderLine(settings.plugin));
    for (const std::string& complaint : settings.complaints) {
      if (log_ != nullptr) {
        Error(complaint);
      } else {
        std::fprintf(stderr, "fintop-trace: %s\n", complaint.c_str());
      }
    }
    Load(settings.plugin);
  }

  void Load(const std::string& file) {
#if defined(_WIN32)
    HMODULE module = LoadLibraryA(file.c_str());
    auto find = [&](const char* name) {
      return reinterpret_cast<void*>(GetProcAddress(module, name));
    };
    std::string why = module == nullptr ? "error " + std::to_string(GetLastError()) : "";
#else
    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto find = [&](const char* name) { return dlsym(module, name); };
    const char* error = module == nullptr ? dlerror() : nullptr;
    std::string why = module == nullptr ? (error != nullptr ? error : "not loaded") : "";
#endif
    if (module == nullptr) {
      Error("cannot load the real plug-in " + file + " (" + why +
            "): every callback answers its failure result");
      return;
    }
    if (find(CallbackName(kCTFlowsheets)) == reinterpret_cast<void*>(&CTFlowsheets)) {
      Error("the real plug-in " + file +
            " is fintop-trace itself: every callback answers its failure result");
      return;
    }
    for (int id = 0; id < kCallbackCount; ++id) {
      entries_[id] = find(CallbackName(id));
      if (entries_[id] == nullptr) {
        Error("the real plug-in " + file + " does not export " + CallbackName(id) +
              ": it answers its failure result");
      }
    }
    top_entry_ = reinterpret_cast<fintop::HostEntry>(find("GetTopNorvaneEntry"));
    test_iterator_ = reinterpret_cast<fintop::HostEntry>(find("TestIterator"));
    get_qel_node_ = reinterpret_cast<GetQELNodeFn>(find("GetQELNode"));
    find1_ = reinterpret_cast<FIElement>(find("Find1"));
    for (const char* name : {"GetTopNorvaneEntry", "TestIterator", "GetQELNode", "Find1"}) {
      if (find(name) == nullptr) Error("the real plug-in " + file + " does not export " + name);
    }
  }

  void Error(const std::string& why) {
    Write(record::ErrorLine(why));
  }

  std::array<void*, kCallbackCount> entries_{};
  fintop::HostEntry top_entry_ = nullptr;
  fintop::HostEntry test_iterator_ = nullptr;
  GetQELNodeFn get_qel_node_ = nullptr;
  FIElement find1_ = nullptr;
  std::FILE* log_ = nullptr;
  std::mutex mutex_;
  bool broken_ = false;
  std::string snapshot_file_;
  unsigned long long snapshot_nodes_ = kDefaultSnapshotNodes;
  unsigned long long snapshot_depth_ = kDefaultSnapshotDepth;
  std::atomic<bool> snapshot_pending_{false};
  std::once_flag snapshot_once_;
};

struct DeleteIterator {
  void operator()(FIIterator* it) const { DeleteFIIterator(it); }
};
using Clone = std::unique_ptr<FIIterator, DeleteIterator>;

// The name of the node `it` stands on, read whole into `buffer` (kept for the next read).
void ReadName(FIIterator& it, std::string& buffer, std::string& name) {
  if (buffer.size() < 256) buffer.assign(256, '\0');
  for (;;) {
    buffer[0] = '\0';
    it.GetName(buffer.data(), static_cast<int>(buffer.size()));
    std::size_t length = std::strlen(buffer.c_str());
    if (length + 1 < buffer.size() || buffer.size() >= kMaxName) {
      name.assign(buffer.c_str(), length);
      return;
    }
    buffer.assign(buffer.size() * 2, '\0');  // it may have been cut: read it again
  }
}

// The place (1, 2, ...) of a child named `name` of `parent`, followed by `after` siblings, among
// the children of that name. The first of them is found with Down (the name as one quoted
// level): when as many siblings follow it, it is the node, and only the siblings between it
// and the node are read otherwise. A name holding a double quote cannot be one level: then
// every child's name is read.
std::size_t PlaceAmongNamesakes(FIIterator& parent, const std::string& name, std::size_t after,
                                std::string& buffer, std::string& sibling) {
  auto following = [](FIIterator& at) {
    std::size_t n = 0;
    if (Clone next{at.Clone()}) {
      while (next->Next()) ++n;
    }
    return n;
  };
  if (name.find('"') == std::string::npos) {
    Clone first{parent.Clone()};
    if (first && first->Down("\"" + name + "\"")) {
      const std::size_t first_after = following(*first);
      if (first_after == after) return 1;
      if (first_after > after) {
        std::size_t place = 1;  // counting the node itself, the last sibling read
        for (std::size_t steps = first_after - after; steps > 0 && first->Next(); --steps) {
          ReadName(*first, buffer, sibling);
          if (sibling == name) ++place;
        }
        return place;
      }
    }
  }
  std::vector<bool> same;  // for each child of the parent: named as the node
  if (Clone child{parent.Clone()}; child && child->First()) {
    do {
      ReadName(*child, buffer, sibling);
      same.push_back(sibling == name);
    } while (child->Next());
  }
  std::size_t place = 1;
  std::size_t position = same.size() > after ? same.size() - 1 - after : 0;
  for (std::size_t i = 0; i < position; ++i) place += same[i] ? 1 : 0;
  return place;
}

// The address (call_record.h) of where `it` stands, read on clones. At each level, the node's
// place among its parent's children of its name: how many siblings follow it (Next on a clone
// of it) gives its position, PlaceAmongNamesakes the place from that.
std::string AddressOf(FIIterator& it) {
  Clone clone(it.Clone());
  if (!clone) return {};
  struct Named {
    std::string name;
    std::size_t place;
  };
  std::vector<Named> levels;
  std::string buffer, sibling;
  for (;;) {
    Named level{{}, 1};
    ReadName(*clone, buffer, level.name);
    std::size_t after = 0;  // siblings after the node
    if (Clone next{clone->Clone()}) {
      while (next->Next()) ++after;
    }
    bool up = levels.size() + 1 < kMaxLevels && clone->Up();
    if (up) level.place = PlaceAmongNamesakes(*clone, level.name, after, buffer, sibling);
    levels.push_back(std::move(level));
    if (!up) break;
  }
  std::string address;
  for (auto level = levels.rbegin(); level != levels.rend(); ++level)
    record::AppendLevel(address, level->name, level->place, level == levels.rbegin());
  return address;
}

// ---- the snapshot ---------------------------------------------------------------------------

// Writes the host tree as the plug-in sees it, from the top, in the case format of fintop-walk
// (hostsim/iterator/case_loader.h): each node's name, its "type", "value" and "id" as GetValue
// gives them, its children in order. One clone moves through the tree (First, Next, Up), so
// the caller's iterator is never moved; a second finds the top. Stops at `max_nodes` nodes and
// below `max_depth` levels; the top's property "fintop-trace snapshot" says whether and where it
// was cut. `digest` is computed over what the replay reads back (SnapshotDigest's order).
struct SnapshotResult {
  unsigned long long nodes = 0;
  std::string digest;
  std::string cut;  // empty: complete
};

class SnapshotWriter {
 public:
  SnapshotWriter(kit::JsonWriter& json, unsigned long long max_nodes, unsigned long long max_depth)
      : json_(json), max_nodes_(max_nodes), max_depth_(max_depth) {}

  SnapshotResult Write(FIIterator& caller) {
    Clone at(caller.Clone());
    if (!at) throw std::bad_alloc();
    for (std::size_t levels = 0; levels < kMaxLevels && at->Up(); ++levels) {
    }
    std::size_t depth = 0;
    bool stop = false;  // the node limit is reached
    const std::string full = "stopped at " + std::to_string(max_nodes_) + " nodes (" +
                             trace::kSnapshotNodesSetting + "): the nodes after that are left out";
    Open(*at);
    for (;;) {
      // On the node written last: down to its first child, unless a limit stops it.
      if (!stop && at->First()) {
        if (depth >= max_depth_) {
          at->Up();
          Cut("the nodes below depth " + std::to_string(max_depth_) + " (" +
              trace::kSnapshotDepthSetting + ") are left out");
        } else if (nodes_ >= max_nodes_) {
          at->Up();
          Cut(full);
          stop = true;
        } else {
          json_.Key("children");
          json_.BeginArray();
          ++depth;
          Open(*at);
          continue;
        }
      }
      // Closed, then on to its next sibling, or up to close the parent.
      for (;;) {
        Close(depth == 0);
        if (depth == 0) return {nodes_, digest_.Hex(), cut_};
        if (!stop && at->Next()) {
          if (nodes_ < max_nodes_) {
            Open(*at);
            break;
          }
          Cut(full);
          stop = true;
        }
        at->Up();
        --depth;
        json_.End();  // the parent's children
      }
    }
  }

 private:
  void Open(FIIterator& it) {
    ++nodes_;
    ReadName(it, buffer_, name_);
    json_.BeginObject();
    json_.Member("name", name_);
    digest_.Add("\x01");
    digest_.Add(name_);
    for (const char* key : kSnapshotKeys) {
      FIAttribute value;
      it.GetValue(FIAttribute(key), value);
      if (value.empty()) continue;
      json_.Key(key);
      record::Value v = record::AttributeValue(value);
      record::Write(json_, v);
      digest_.Add(std::string_view(key, std::strlen(key) + 1));
      digest_.Add(v.Shown());
    }
  }
  // Closes the node written last open; the top says what the snapshot is.
  void Close(bool top) {
    digest_.Add("\x02");
    if (top) {
      json_.Key("props");
      json_.BeginObject();
      json_.Member("fintop-trace snapshot",
                   cut_.empty() ? "complete: " + std::to_string(nodes_) + " nodes"
                                : "cut at " + std::to_string(nodes_) + " nodes: " + cut_);
      json_.End();
    }
    json_.End();
  }
  void Cut(const std::string& why) {
    if (cut_.empty()) cut_ = why;
  }

  kit::JsonWriter& json_;
  unsigned long long max_nodes_, max_depth_;
  unsigned long long nodes_ = 0;
  std::string buffer_, name_, cut_;
  record::Digest digest_;
};

void Session::TakeSnapshot(FIIterator& it) noexcept {
  try {
    std::call_once(snapshot_once_, [&] {
      std::FILE* file = std::fopen(snapshot_file_.c_str(), "wb");
      if (file == nullptr) {
        Error("cannot write the snapshot " + snapshot_file_ + ": " + std::strerror(errno));
        return;
      }
      SnapshotResult snapshot;
      bool written = false;
      try {
        kit::Output out(file);
        kit::JsonWriter json(out);
        snapshot = SnapshotWriter(json, snapshot_nodes_, snapshot_depth_).Write(it);
        out << '\n';
        written = out.Finish();
      } catch (...) {
      }
      written = std::fclose(file) == 0 && written;
      if (!written) {
        Error("cannot write the snapshot " + snapshot_file_ + " (out of memory or disk space)");
        return;
      }
      Write(record::SnapshotLine(snapshot_file_, snapshot.nodes, snapshot.digest, snapshot.cut));
      if (!snapshot.cut.empty())
        Error("the snapshot " + snapshot_file_ + " is cut: " + snapshot.cut +
              "; calls on the nodes left out cannot be replayed");
    });
  } catch (...) {
  }
  snapshot_pending_.store(false, std::memory_order_release);
}

// The recorded attributes as the caller's iterator holds them.
struct Attributes {
  std::array<FIAttribute, kAttributeCount> values;
  std::array<bool, kAttributeCount> held{};

  void Read(FIIterator& it) {
    for (std::size_t i = 0; i < kAttributeCount; ++i)
      held[i] = it.GetAttribute(kHeldAttributes[i], values[i]);
  }
};

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

// Completes a call's record with its answer and where the iterator stands (read again only when
// the call may have moved it), and writes it;
// `failed` (a note the call's iterator could not make) or what the recording throws drops the
// line, and the call's answer stands.
template <class Result>
void Finish(Session& session, record::Call& call, Result result, FIIterator* it, FIAttribute* out,
            bool failed, bool moved = true) noexcept {
  if (failed) return;
  try {
    if constexpr (std::is_same_v<Result, bool>) {
      call.result = record::Value::Bool(result);
    } else {
      call.result = record::Value::Integer(result);
    }
    if (out != nullptr && !out->empty()) call.out = record::AttributeValue(*out);
    if (it != nullptr) call.at = moved ? AddressOf(*it) : call.node;
    session.Write(record::Line(call));
  } catch (...) {
  }
}

// The call of the real plug-in's entry `f` with the caller's arguments (those of its shape).
template <class Result>
using Forward = Result (*)(void* f, FIIterator* it, FIAttribute* out, int value);

// One call: forwarded (or answered with `failure` when the real plug-in lacks it) and, with a
// log, recorded. A template of the result type alone, not of each callback's forwarding: 2
// copies of this body, not 92, in every build of the proxy.
template <class Result>
Result Traced(int id, record::Call::Argument argument, int value, FIIterator* it, FIAttribute* out,
              Result failure, Forward<Result> forward) {
  Session& session = Session::Get();
  if (it != nullptr && session.snapshot_pending()) session.TakeSnapshot(*it);
  void* entry = session.entry(id);
  if (!session.logging()) return entry != nullptr ? forward(entry, it, out, value) : failure;

  record::Call call;
  bool recording = true;
  try {
    call.callback = CallbackName(id);
    call.argument = argument;
    call.value = value;
    if (it != nullptr) {
      call.node = AddressOf(*it);
      auto before = std::make_unique<Attributes>();
      before->Read(*it);
      call.before.emplace();
      for (std::size_t i = 0; i < kAttributeCount; ++i) {
        if (before->held[i])
          call.before->emplace_back(kHeldAttributes[i], record::AttributeValue(before->values[i]));
      }
      call.bindings.emplace();
    }
    call.thread = ThreadNumber();
    // Written before the call is forwarded: a session that ends inside it ends with this line.
    session.Write(record::BeginLine(call));
  } catch (...) {
    recording = false;
  }
  if (!recording || entry == nullptr) {
    Result result = entry != nullptr ? forward(entry, it, out, value) : failure;
    if (recording) Finish(session, call, result, it, out, false);
    return result;
  }

  // The real plug-in is handed the call's own iterator (call_iterator.h), which notes the
  // attributes and bindings the call makes on the framework's.
  Result result;
  bool failed = false, moved = true;
  if (it != nullptr) {
    trace::CallIterator recorded(*it, call);
    result = forward(entry, &recorded, out, value);
    failed = recorded.failed();
    moved = recorded.moved();
  } else {
    result = forward(entry, it, out, value);
  }
  Finish(session, call, result, it, out, failed, moved);
  return result;
}

}  // namespace

// The callbacks, one per entry of the list, by shape.
#define FINTOP_TRACE_KIND(name, fails)                                             \
  FINTOP_SIGNATURE_KIND(name) {                                                    \
    return Traced<bool>(k##name, record::Call::kNone, 0, iterator, nullptr, false, \
                        [](void* f, FIIterator* it, FIAttribute*, int) {           \
                          return reinterpret_cast<FIKindTest>(f)(it);              \
                        });                                                        \
  }
#define FINTOP_TRACE_CLASSIFIER(name, fails)                                   \
  FINTOP_SIGNATURE_CLASSIFIER(name) {                                          \
    return Traced<bool>(k##name, record::Call::kNone, 0, iterator, out, false, \
                        [](void* f, FIIterator* it, FIAttribute* o, int) {     \
                          return reinterpret_cast<FIClassifier>(f)(it, o);     \
                        });                                                    \
  }
#define FINTOP_TRACE_COLLECTION(name, fails)                                 \
  FINTOP_SIGNATURE_COLLECTION(name) {                                        \
    return Traced<int>(k##name, record::Call::kIndex, index, iterator, out,  \
                       fintop::FailedCollection(FINTOP_FACT_##fails, index), \
                       [](void* f, FIIterator* it, FIAttribute* o, int i) {  \
                         return reinterpret_cast<FICollection>(f)(it, o, i); \
                       });                                                   \
  }
#define FINTOP_TRACE_ELEMENT(name, fails)                                             \
  FINTOP_SIGNATURE_ELEMENT(name) {                                                    \
    return Traced<bool>(k##name, record::Call::kMove, move, iterator, nullptr, false, \
                        [](void* f, FIIterator* it, FIAttribute*, int m) {            \
                          return reinterpret_cast<FIElement>(f)(it, m);               \
                        });                                                           \
  }
#define FINTOP_TRACE_DEFINE(shape, name, moves, state, fails) FINTOP_TRACE_##shape(name, fails)

extern "C" {

FINTOP_CALLBACKS(FINTOP_TRACE_DEFINE)

// The forwarders' lookup (forwarders_*.S jump to what it returns): the real plug-in's own
// forwarders, which go on to the host's entry points with the caller's arguments untouched.
fintop::HostEntry FI_CDECL FintopFindForwardTarget(int which) noexcept {
  try {
    const Session& session = Session::Get();
    if (which == 0) return session.top_entry();
    if (which == 1) return session.test_iterator();
  } catch (...) {
  }
  return nullptr;
}

FINTOP_API QELAggNode* FI_CDECL GetQELNode(void* first, void* second) {
  GetQELNodeFn real = Session::Get().get_qel_node();
  return real != nullptr ? real(first, second) : nullptr;
}

FINTOP_API bool FI_CDECL Find1(FIIterator* it, int move) {
  FIElement real = Session::Get().find1();
  return real != nullptr && real(it, move);
}

}  // extern "C"
