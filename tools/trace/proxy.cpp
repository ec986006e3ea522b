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
// (GetAttribute on the caller's iterator), forwards, reads them again and the path of where
// the iterator stands, and writes the line. The caller's iterator is only read (Clone,
// GetAttribute); every clone is deleted on every path. What the recording throws (an allocation
// failure) drops that call's line; the call is forwarded once and answered all the same. A real
// plug-in that cannot be loaded, or lacks a callback, makes that callback answer its failure
// result (FINTOP_CALLBACKS' `fails`), and the log says why in an {"error": ...} line.
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "bootstrap/bootstrap.h"
#include "bootstrap/entry_points.h"
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

#define FINTOP_TRACE_ATTRIBUTE(name) name,
constexpr const char* kRecordedAttributes[] = {FINTOP_RECORDED_ATTRIBUTES(FINTOP_TRACE_ATTRIBUTE)};
#undef FINTOP_TRACE_ATTRIBUTE
constexpr std::size_t kAttributeCount = std::size(kRecordedAttributes);

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
  std::vector<std::string> complaints;  // about the settings file's lines
};

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
  if (std::optional<std::string> text = ReadFile(folder + trace::kSettingsFileName)) {
    trace::SettingsText file = trace::ParseSettings(*text);
    auto resolve = [&](const std::optional<std::string>& value) {
      if (!value || value->empty()) return std::string();
      return IsAbsolute(*value) ? *value : folder + *value;
    };
    settings.log = resolve(file.log);
    settings.plugin = resolve(file.plugin);
    settings.complaints = std::move(file.complaints);
  }
  if (const char* log = std::getenv(trace::kLogSetting)) settings.log = log;
  if (const char* plugin = std::getenv(trace::kPluginSetting)) settings.plugin = plugin;
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
};

struct DeleteIterator {
  void operator()(FIIterator* it) const { DeleteFIIterator(it); }
};
using Clone = std::unique_ptr<FIIterator, DeleteIterator>;

// The path of host names from the top down to where `it` stands, read on a clone.
std::string PathOf(FIIterator& it) {
  Clone clone(it.Clone());
  if (!clone) return {};
  std::vector<std::string> names;
  std::string buffer(256, '\0');
  do {
    for (;;) {
      buffer[0] = '\0';
      clone->GetName(buffer.data(), static_cast<int>(buffer.size()));
      std::size_t length = std::strlen(buffer.c_str());
      if (length + 1 < buffer.size() || buffer.size() >= kMaxName) {
        names.emplace_back(buffer.c_str(), length);
        break;
      }
      buffer.assign(buffer.size() * 2, '\0');  // it may have been cut: read it again
    }
  } while (names.size() < kMaxLevels && clone->Up());
  std::string path;
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    if (!path.empty() || name != names.rbegin()) path += '/';
    path += *name;
  }
  return path;
}

// The recorded attributes as the caller's iterator holds them.
struct Attributes {
  std::array<FIAttribute, kAttributeCount> values;
  std::array<bool, kAttributeCount> held{};

  void Read(FIIterator& it) {
    for (std::size_t i = 0; i < kAttributeCount; ++i)
      held[i] = it.GetAttribute(kRecordedAttributes[i], values[i]);
  }
};

unsigned long long ThreadNumber() {
  static std::atomic<unsigned long long> next{0};
  thread_local const unsigned long long mine = ++next;
  return mine;
}

// One call: forwarded (or answered with `failure` when the real plug-in lacks it) and, with a
// log, recorded.
template <class Result, class Forward>
Result Traced(int id, record::Call::Argument argument, int value, FIIterator* it,
              const FIAttribute* out, Result failure, Forward forward) {
  Session& session = Session::Get();
  void* entry = session.entry(id);
  if (!session.logging()) return entry != nullptr ? forward(entry) : failure;

  record::Call call;
  std::unique_ptr<Attributes> before;
  bool recording = true;
  try {
    call.callback = CallbackName(id);
    call.argument = argument;
    call.value = value;
    if (it != nullptr) {
      call.node = PathOf(*it);
      before = std::make_unique<Attributes>();
      before->Read(*it);
    }
  } catch (...) {
    recording = false;
  }

  Result result = entry != nullptr ? forward(entry) : failure;

  if (!recording) return result;
  try {
    if constexpr (std::is_same_v<Result, bool>) {
      call.result = record::Value::Bool(result);
    } else {
      call.result = record::Value::Integer(result);
    }
    if (out != nullptr && !out->empty()) call.out = record::AttributeValue(*out);
    if (it != nullptr) {
      auto after = std::make_unique<Attributes>();
      after->Read(*it);
      for (std::size_t i = 0; i < kAttributeCount; ++i) {
        if (!after->held[i]) continue;
        if (!before->held[i] || !record::SameValue(before->values[i], after->values[i]))
          call.Record(kRecordedAttributes[i], record::AttributeValue(after->values[i]));
      }
      call.at = PathOf(*it);
    }
    call.thread = ThreadNumber();
    session.Write(record::Line(call));
  } catch (...) {
    // the call's line is dropped; its result stands
  }
  return result;
}

}  // namespace

// The callbacks, one per entry of the list, by shape.
#define FINTOP_TRACE_KIND(name, fails)                                                       \
  FINTOP_SIGNATURE_KIND(name) {                                                              \
    return Traced<bool>(k##name, record::Call::kNone, 0, iterator, nullptr, false,           \
                        [&](void* f) { return reinterpret_cast<FIKindTest>(f)(iterator); }); \
  }
#define FINTOP_TRACE_CLASSIFIER(name, fails)                                                  \
  FINTOP_SIGNATURE_CLASSIFIER(name) {                                                         \
    return Traced<bool>(k##name, record::Call::kNone, 0, iterator, out, false, [&](void* f) { \
      return reinterpret_cast<FIClassifier>(f)(iterator, out);                                \
    });                                                                                       \
  }
#define FINTOP_TRACE_COLLECTION(name, fails)                                                \
  FINTOP_SIGNATURE_COLLECTION(name) {                                                       \
    return Traced<int>(k##name, record::Call::kIndex, index, iterator, out,                 \
                       fintop::FailedCollection(FINTOP_FACT_##fails, index), [&](void* f) { \
                         return reinterpret_cast<FICollection>(f)(iterator, out, index);    \
                       });                                                                  \
  }
#define FINTOP_TRACE_ELEMENT(name, fails)                                                         \
  FINTOP_SIGNATURE_ELEMENT(name) {                                                                \
    return Traced<bool>(k##name, record::Call::kMove, move, iterator, nullptr, false,             \
                        [&](void* f) { return reinterpret_cast<FIElement>(f)(iterator, move); }); \
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
