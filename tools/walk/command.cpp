#include "command.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <type_traits>

#include "aggnode/agg_node.h"
#include "document_names.h"
#include "files.h"
#include "input_kind.h"
#include "iterator/case_context.h"
#include "iterator/case_loader.h"
#include "iterator/host_iterator.h"
#include "mapping.h"
#include "output.h"
#include "plugin.h"
#include "reduce.h"
#include "replay.h"
#include "walker.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <pthread.h>
#include <unistd.h>
#endif

namespace walk {

void Warn(const std::string& what) {
  std::string line;
  kit::AppendTextLine(what, line);
  kit::Show(stderr, "fintop-walk: " + line + "\n");  // a Windows console shows any name
}

int Fail(const std::string& what) {
  Warn(what);
  return kBadInput;
}

namespace names = document_names;

namespace {

// Reserved, not committed: only the pages the walk touches are used.
constexpr std::size_t kStackBytes =
    sizeof(void*) >= 8 ? std::size_t{512} << 20 : std::size_t{192} << 20;

struct Job {
  const std::function<int()>* body;
  int result = 0;
};

#if defined(_WIN32)
DWORD WINAPI Start(LPVOID job) {
#else
void* Start(void* job) {
#endif
  auto* j = static_cast<Job*>(job);
  j->result = (*j->body)();
  return {};
}

// Calls `body` on a thread with a large stack, waits for it and returns its result; on the
// calling thread when no such thread can be made. The walk recurses as objects nest in objects
// and steps in steps; a case may nest hostsim::kMaxCaseDepth levels, far more than a main
// thread's stack (1 MiB on Windows) holds. The walk's own nesting is bounded by kMaxWalkDepth,
// which this stack holds with a wide margin in every build. Exceptions must not leave `body`.
int RunOnLargeStack(const std::function<int()>& body) {
  Job job{&body};
#if defined(_WIN32)
  HANDLE thread =
      CreateThread(nullptr, kStackBytes, Start, &job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == nullptr) return body();
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
#else
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return body();
  pthread_t thread;
  bool started = pthread_attr_setstacksize(&attributes, kStackBytes) == 0 &&
                 pthread_create(&thread, &attributes, Start, &job) == 0;
  pthread_attr_destroy(&attributes);
  if (!started) return body();
  pthread_join(thread, nullptr);
#endif
  return job.result;
}

bool StderrIsTerminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

// The default case: next to the program, else in the source tree it was built from.
std::string DefaultCase(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::path beside = folder / "default.json";
  if (!folder.empty() && std::filesystem::is_regular_file(beside, error)) return kit::Utf8(beside);
  return std::string(FINTOP_WALK_SOURCE_DIR) + "/cases/default.json";
}

// The top aggregate node's iterator on the case `tree` read from `case_file`: the host opens
// the case from the tree handed over rather than reading the file again.
hostsim::HostIterator& OpenTop(const Plugin& plugin, const std::string& case_file,
                               std::shared_ptr<const hostsim::HostTree> tree) {
  hostsim::HandOverCase(case_file, std::move(tree));
  static char key;  // the model's key for the aggregate-node module
  QELAggNode* node = plugin.get_qel_node()(const_cast<char*>(case_file.c_str()), &key);
  hostsim::HandOverCase(case_file, nullptr);  // the host holds it now
  if (node == nullptr)
    throw std::runtime_error(case_file +
                             ": the plug-in could not open the case (GetQELNode returned no node)");
  FIIterator* top = QELAggNodeIterator(node);
  if (top == nullptr) throw std::runtime_error(case_file + ": the aggregate node has no iterator");
  return *static_cast<hostsim::HostIterator*>(top);
}

// "level "Comp Mole Frac": 12 asked, 0 found, 12 missing; on MaterialStreamObject"
void WriteNames(Output& out, const std::vector<NameUse>& names) {
  long never =
      std::count_if(names.begin(), names.end(), [](const NameUse& n) { return n.found == 0; });
  out << "host names asked for: " << std::to_string(names.size())
      << ", never found: " << std::to_string(never) << '\n';
  for (const NameUse& n : names) {
    out << "  " << (n.level ? "level " : "property ") << Quoted(n.name) << ": "
        << std::to_string(n.asked) << " asked, " << std::to_string(n.found) << " found, "
        << std::to_string(n.missing()) << " missing; on ";
    for (std::size_t i = 0; i < n.kinds.size(); ++i) out << (i == 0 ? "" : ", ") << n.kinds[i];
    out << '\n';
  }
}

void WriteNamesJson(JsonWriter& json, const std::vector<NameUse>& uses) {
  json.BeginArray();
  for (const NameUse& n : uses) {
    json.BeginObject();
    json.Member(names::kName, n.name);
    json.Member(names::kAs, n.level ? "level" : "property");
    json.Member(names::kAsked, n.asked);
    json.Member(names::kFound, n.found);
    json.Member(names::kMissing, n.missing());
    json.Key(names::kOn);
    json.Texts(n.kinds);
    json.End();
  }
  json.End();
}

// The text output after the model or the trace: explanations, names, the callbacks not
// reached or that found nothing, and the summary line.
void WriteTextEnd(Output& out, const Options& options, const WalkResult& result) {
  if (options.explain) {
    for (const std::string& line : result.explanations) out << line << '\n';
  }
  if (options.names) WriteNames(out, result.names);
  auto list = [&](const char* title, const std::vector<std::string>& names) {
    if (names.empty()) return;
    out << title;
    for (std::size_t i = 0; i < names.size(); ++i) out << (i == 0 ? " " : ", ") << names[i];
    out << '\n';
  };
  list("not reached:", result.unreached);
  list("found nothing:", result.nothing_found);
  out << "summary: " << std::to_string(result.host_objects) << " host objects, "
      << std::to_string(result.generic_objects) << " generic objects, "
      << std::to_string(kCallbackCount - result.unreached.size()) << " of "
      << std::to_string(kCallbackCount) << " callbacks reached, "
      << std::to_string(result.nothing_found.size()) << " found nothing\n";
}

// The JSON document after its "model": the trace, explanations and names when asked for, and
// the summary.
void WriteJsonEnd(JsonWriter& json, const Options& options, const JsonSink& sink,
                  const WalkResult& result) {
  if (options.trace) {
    json.Key(names::kTrace);
    json.BeginArray();
    for (const record::Entry& entry : sink.trace()) record::Write(json, entry);
    json.End();
  }
  if (options.explain) {
    json.Key(names::kExplanations);
    json.Texts(result.explanations);
  }
  if (options.names) {
    json.Key(names::kNames);
    WriteNamesJson(json, result.names);
  }
  json.Key(names::kSummary);
  json.BeginObject();
  json.Member(names::kHostObjects, result.host_objects);
  json.Member(names::kGenericObjects, result.generic_objects);
  json.Member(names::kCallbacksReached, kCallbackCount - result.unreached.size());
  json.Member(names::kCallbacks, kCallbackCount);
  json.Member(names::kFoundNothing, result.nothing_found.size());
  json.Key(names::kNotReached);
  json.Texts(result.unreached);
  json.Key(names::kNothingFoundBy);
  json.Texts(result.nothing_found);
  json.End();
  json.End();
}

}  // namespace

int Walk(const Options& options, Output& out, kit::JsonEvents* events) {
  // The case is read once, here, and first: a bad one is refused with its line and column.
  std::shared_ptr<const hostsim::HostTree> tree =
      kit::Reading(options.case_file, kit::InputRole::kCase,
                   [&] { return hostsim::LoadCaseFile(options.case_file); });
  Mapping mapping = LoadMapping(options.map_file);
  Plugin plugin(options.plugin_file);
  hostsim::HostIterator& top = OpenTop(plugin, options.case_file, std::move(tree));

  Walker walker(plugin, mapping,
                {.trace = options.trace,
                 .explain = options.explain,
                 .names = options.names,
                 .host_paths = options.json,
                 .progress = StderrIsTerminal()});
  long live = hostsim::LiveIterators();
  auto left_alive = [&] {
    if (hostsim::LiveIterators() == live) return false;
    // A clone left alive is a fault of the plug-in (or of this walk), not of the input.
    std::fprintf(stderr, "fintop-walk: %ld iterators made during the walk were not deleted\n",
                 hostsim::LiveIterators() - live);
    return true;
  };
  if (options.json) {
    JsonWriter json(out);  // as --json lays it out, with `events` too
    json.Tell(events);
    json.BeginObject();
    json.Member(names::kCase, kit::Utf8(kit::PathOf(options.case_file).filename()));
    json.Key(names::kModel);
    json.BeginArray();
    JsonSink sink(json);
    WalkResult result = walker.Walk(top, sink);
    json.End();
    if (left_alive()) return 1;
    WriteJsonEnd(json, options, sink, result);
    out << '\n';
  } else {
    TextSink sink(out, !options.trace && !options.explain && !options.names);
    WalkResult result = walker.Walk(top, sink);
    if (left_alive()) return 1;
    WriteTextEnd(out, options, result);
  }
  return 0;
}

void SetDefaults(Options& options, const std::filesystem::path& folder) {
  options.map_file = kit::Utf8(folder / "norvanemap.xml");
  options.plugin_file = kit::Utf8(folder / kit::kPluginFile);
}

std::optional<int> CheckOptions(Options& options, const std::filesystem::path& folder) {
  if (!options.new_file.empty() && options.diff_file.empty())
    return Fail("--new needs --diff (see --help)");
  if (!options.diff_file.empty() && (options.explain || options.names))
    return Fail("--diff takes no --explain or --names (see --help)");
  if (!options.new_file.empty() && !options.case_file.empty())
    return Fail("--diff with --new compares two documents: give no CASE (see --help)");
  if (!options.replay_file.empty() &&
      (!options.diff_file.empty() || options.trace || options.explain || options.names))
    return Fail("--replay takes no --diff, --trace, --explain or --names (see --help)");
  if (!options.replay_file.empty() && options.case_file.empty())
    return Fail(
        "--replay needs the snapshot recorded with the log before it: fintop-walk "
        "SNAPSHOT --replay LOG");
  if (!options.reduce_prefix.empty() && options.replay_file.empty())
    return Fail("--reduce needs --replay LOG (see --help)");
  if (options.reduce_prefix.empty() &&
      (!options.call_text.empty() || !options.max_replays_text.empty() ||
       !options.max_time_text.empty()))
    return Fail("--call, --max-replays and --max-time go with --reduce (see --help)");
  auto number = [](const std::string& text, const char* option, auto& into) -> bool {
    if (text.empty()) return true;
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || errno != 0 || !(value > 0) || value > 1e9 ||
        (std::is_integral_v<std::decay_t<decltype(into)>> && value != static_cast<long>(value))) {
      Fail(std::string(option) + " " + text + ": give a " +
           (std::is_integral_v<std::decay_t<decltype(into)>> ? "whole " : "") +
           "number above 0 (see --help)");
      return false;
    }
    into = static_cast<std::decay_t<decltype(into)>>(value);
    return true;
  };
  options.max_replays = kDefaultMaxReplays;
  options.max_seconds = kDefaultMaxSeconds;
  if (!number(options.call_text, "--call", options.call_line) ||
      !number(options.max_replays_text, "--max-replays", options.max_replays) ||
      !number(options.max_time_text, "--max-time", options.max_seconds))
    return kBadInput;
  if (options.case_file.empty()) options.case_file = DefaultCase(folder);
  return std::nullopt;
}

int Run(const Options& options) {
  // The walk recurses as deep as the case nests. Nothing leaves the body: whatever is thrown is
  // one line and kBadInput.
  return RunOnLargeStack([&]() -> int {
    try {
      // Output held back until it is large: bad input found before that leaves stdout empty.
      Output out(stdout);
      int status = 0;
      const ReplayOptions replay{options.case_file, options.replay_file, options.plugin_file,
                                 options.json};
      if (!options.reduce_prefix.empty()) {
        status = Reduce({replay, options.reduce_prefix, options.call_line, options.max_replays,
                         options.max_seconds, StderrIsTerminal()},
                        out, Warn);
      } else if (!options.replay_file.empty()) {
        status = Replay(replay, out, Warn);
      } else if (!options.diff_file.empty()) {
        status = Diff(options, out);
        if (status == kBadInput) return status;
      } else if (status = Walk(options, out); status != 0) {
        return status;
      }
      if (!out.Finish()) {
        // Said on stderr; the status stays a walk's 1 and the comparisons' 2.
        Warn("cannot write the output (" +
             std::string(out.failure() != 0 ? std::strerror(out.failure()) : "a write failed") +
             "): it is incomplete; send it where it can be written");
        return options.diff_file.empty() && options.replay_file.empty() ? 1 : kBadInput;
      }
      return status;
    } catch (const std::bad_alloc&) {
      return Fail("out of memory");
    } catch (const std::exception& e) {
      return Fail(e.what());
    } catch (...) {
      return Fail("an unexpected error");
    }
  });
}

}  // namespace walk
