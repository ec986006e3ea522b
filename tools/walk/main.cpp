// fintop-walk: maps a host case into the generic model through the plug-in, as the framework
// does, and prints the model as the walk makes it. Bad input gives one line on stderr, exit
// status 2 and nothing on stdout.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "aggnode/agg_node.h"
#include "diff.h"
#include "document.h"
#include "iterator/case_context.h"
#include "iterator/case_loader.h"
#include "iterator/host_iterator.h"
#include "large_stack.h"
#include "mapping.h"
#include "model.h"
#include "output.h"
#include "plugin.h"
#include "walker.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr int kBadInput = 2;

// The folder of the running program ("" when it cannot be told).
std::filesystem::path ProgramFolder() {
#if defined(_WIN32)
  char buffer[4096];
  DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return {};
  return std::filesystem::path(std::string(buffer, n)).parent_path();
#else
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self.parent_path();
#endif
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
  if (!folder.empty() && std::filesystem::is_regular_file(beside, error)) return beside.string();
  return std::string(FINTOP_WALK_SOURCE_DIR) + "/cases/default.json";
}

class BadInput : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One line, whatever the message quotes from the input.
int Fail(std::string what) {
  for (char& c : what) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  std::fprintf(stderr, "fintop-walk: %s\n", what.c_str());
  return kBadInput;
}

constexpr char kFooter[] = R"(Output:
  By default the generic model as an indented tree: each object as its class and host name,
  under it the values read, the element callbacks (name, callback, where the iterator moved,
  the value read there) and the collections (name: count, callback), each selected item as
  [index] with the attributes recorded (Name=value) and the bindings made (Generic->Host).
  The last line is the summary: host objects asked about, generic objects made, callbacks
  reached (of 92) and callbacks reached that never found anything.
  --json      the same model as one JSON document, with the summary (and the trace and the
              explanations when asked for).
  --trace     every callback call with its iterator's place, its arguments and result, and
              under it the moves of that iterator, the attributes recorded and the bindings
              made; the framework's own attribute records are marked "framework".
  --explain   for every callback that answered no or counted nothing where the mapping file
              expects data, the step of the iterator that failed, in words.
  --names     every host name the plug-in asked for (a level given to Down, a property key
              read): how often it was asked, found and missing, and on which host types; the
              names most often missing first.
  --diff SAVED  walks the case and compares its model with SAVED, a document written by
              fintop-walk --json (of this build or another, of this case or another version
              of it); --diff OLD --new NEW compares two saved documents without a walk. A
              fintop-trace log counts as a document holding only a trace. Objects are matched
              by their host path, steps by name, items by collection and index; when both
              documents hold a trace (the walk traces when SAVED holds one), the calls too, by
              node, callback and argument. One line per difference, grouped by object
              ("Plant/Well Fluid: Components[3].MoleFraction: value 0.04 -> 0.05"), then a
              line "differences: N" with the count of each kind; with --json one document.
              Exit status 0 when there is no difference, 1 when there is one.
Exit status: 0 when the case was walked (whatever was found); 2 for a missing or malformed
case, mapping file or document, a plug-in that cannot be loaded or lacks an export, or a bad
option; then one line on stderr says what is wrong and nothing is written to stdout.)";

struct Options {
  std::string case_file;
  std::string map_file;
  std::string plugin_file;
  std::string diff_file;  // --diff: the saved document to compare with
  std::string new_file;   // --new: the document to compare instead of a walk
  bool json = false, trace = false, explain = false, names = false;
};

// Reads the command line into `options`; an exit status when the program is to end here.
std::optional<int> ParseCommandLine(int argc, char** argv, const std::filesystem::path& folder,
                                    Options& options) {
  options.map_file = (folder / "norvanemap.xml").string();
  options.plugin_file = (folder / walk::DefaultPluginName()).string();
  CLI::App app(
      "Maps a host case into the generic model through the fintop plug-in, calling\n"
      "its callbacks by name as the framework does, and prints the model.",
      "fintop-walk");
  app.add_option("CASE", options.case_file,
                 "The host case (JSON) to walk; the bundled default plant\n"
                 "when none is given");
  app.add_option("--plugin", options.plugin_file,
                 std::string("The plug-in to load (default: ") + walk::DefaultPluginName() +
                     " next to fintop-walk)");
  app.add_option("--map", options.map_file,
                 "The mapping file (default: norvanemap.xml next to fintop-walk)");
  app.add_flag("--json", options.json, "Print the model as JSON");
  app.add_flag("--trace", options.trace, "Print every callback call and what it did");
  app.add_flag("--explain", options.explain,
               "Print, for every call that found nothing where data was expected, why");
  app.add_flag("--names", options.names,
               "Print every host name the plug-in asked for, how often it was\n"
               "found and missing");
  app.add_option("--diff", options.diff_file,
                 "Compare the walk's model (and calls) with this document of\n"
                 "fintop-walk --json; exit status 1 when they differ")
      ->option_text("SAVED");
  app.add_option("--new", options.new_file,
                 "With --diff: compare with this document instead of walking a case")
      ->option_text("NEW");
  app.footer(kFooter);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::string help = app.help();
    std::fwrite(help.data(), 1, help.size(), stdout);
    return 0;
  } catch (const CLI::ParseError& e) {
    std::string what = e.what();
    for (char& c : what) {
      if (c == '\n') c = ' ';
    }
    return Fail(what + " (see --help)");
  }
  if (!options.new_file.empty() && options.diff_file.empty())
    return Fail("--new needs --diff (see --help)");
  if (!options.diff_file.empty() && (options.explain || options.names))
    return Fail("--diff takes no --explain or --names (see --help)");
  if (!options.new_file.empty() && !options.case_file.empty())
    return Fail("--diff with --new compares two documents: give no CASE (see --help)");
  if (options.case_file.empty()) options.case_file = DefaultCase(folder);
  return std::nullopt;
}

// The top aggregate node's iterator on the case `tree` read from `case_file`: the host opens
// the case from the tree handed over rather than reading the file again.
hostsim::HostIterator& OpenTop(const walk::Plugin& plugin, const std::string& case_file,
                               std::shared_ptr<const hostsim::HostTree> tree) {
  hostsim::HandOverCase(case_file, std::move(tree));
  static char key;  // the model's key for the aggregate-node module
  QELAggNode* node = plugin.get_qel_node()(const_cast<char*>(case_file.c_str()), &key);
  hostsim::HandOverCase(case_file, nullptr);  // the host holds it now
  if (node == nullptr)
    throw BadInput(case_file +
                   ": the plug-in could not open the case (GetQELNode returned no node)");
  FIIterator* top = QELAggNodeIterator(node);
  if (top == nullptr) throw BadInput(case_file + ": the aggregate node has no iterator");
  return *static_cast<hostsim::HostIterator*>(top);
}

std::string Quoted(const std::string& text) {
  return walk::Format(walk::Value{walk::Value::kText, 0, 0.0, text});
}

// "level "Comp Mole Frac": 12 asked, 0 found, 12 missing; on MaterialStreamObject"
void WriteNames(walk::Output& out, const std::vector<walk::NameUse>& names) {
  long never = std::count_if(names.begin(), names.end(),
                             [](const walk::NameUse& n) { return n.found == 0; });
  out << "host names asked for: " << std::to_string(names.size())
      << ", never found: " << std::to_string(never) << '\n';
  for (const walk::NameUse& n : names) {
    out << "  " << (n.level ? "level " : "property ") << Quoted(n.name) << ": "
        << std::to_string(n.asked) << " asked, " << std::to_string(n.found) << " found, "
        << std::to_string(n.missing()) << " missing; on ";
    for (std::size_t i = 0; i < n.kinds.size(); ++i) out << (i == 0 ? "" : ", ") << n.kinds[i];
    out << '\n';
  }
}

nlohmann::ordered_json NamesJson(const std::vector<walk::NameUse>& names) {
  nlohmann::ordered_json out = nlohmann::ordered_json::array();
  for (const walk::NameUse& n : names) {
    out.push_back({{"name", n.name},
                   {"as", n.level ? "level" : "property"},
                   {"asked", n.asked},
                   {"found", n.found},
                   {"missing", n.missing()},
                   {"on", n.kinds}});
  }
  return out;
}

// The text output after the model or the trace: explanations, names, the callbacks not
// reached or that found nothing, and the summary line.
void WriteTextEnd(walk::Output& out, const Options& options, const walk::WalkResult& result) {
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
  list("not reached:", result.Unreached());
  list("found nothing:", result.NothingFound());
  out << "summary: " << result.Summary() << '\n';
}

// The JSON document after its "model": the trace, explanations and names when asked for, and
// the summary.
void WriteJsonEnd(walk::JsonWriter& json, const Options& options, const walk::JsonSink& sink,
                  const walk::WalkResult& result) {
  if (options.trace) {
    json.Key("trace");
    json.BeginArray();
    for (const record::Json& entry : sink.trace()) json.Write(entry);
    json.End();
  }
  if (options.explain) {
    json.Key("explanations");
    json.Write(result.explanations);
  }
  if (options.names) {
    json.Key("names");
    json.Write(NamesJson(result.names));
  }
  json.Key("summary");
  json.Write({{"host_objects", result.host_objects},
              {"generic_objects", result.generic_objects},
              {"callbacks_reached", result.Reached()},
              {"callbacks", kCallbackCount},
              {"found_nothing", result.FoundNothing()},
              {"not_reached", result.Unreached()},
              {"nothing_found_by", result.NothingFound()}});
  json.End();
}

// Loads everything, walks the case and writes the output as the walk goes. Throws the errors of
// bad input; returns 1 when the walk left a cloned iterator alive.
int Walk(const Options& options, walk::Output& out) {
  // The case is read once, here, and first: a bad one is refused with its line and column.
  std::shared_ptr<const hostsim::HostTree> tree = hostsim::LoadCaseFile(options.case_file);
  walk::Mapping mapping = walk::LoadMapping(options.map_file);
  walk::Plugin plugin(options.plugin_file);
  hostsim::HostIterator& top = OpenTop(plugin, options.case_file, std::move(tree));

  walk::WalkOptions walk_options;
  walk_options.trace = options.trace;
  walk_options.explain = options.explain;
  walk_options.names = options.names;
  walk_options.host_paths = options.json;
  walk_options.progress = StderrIsTerminal();
  walk::Walker walker(plugin, mapping, walk_options);
  long live = hostsim::LiveIterators();
  auto left_alive = [&] {
    if (hostsim::LiveIterators() == live) return false;
    // A clone left alive is a fault of the plug-in (or of this walk), not of the input.
    std::fprintf(stderr, "fintop-walk: %ld iterators made during the walk were not deleted\n",
                 hostsim::LiveIterators() - live);
    return true;
  };
  if (options.json) {
    walk::JsonWriter json(out);
    json.BeginObject();
    json.Key("case");
    json.Write(std::filesystem::path(options.case_file).filename().string());
    json.Key("model");
    json.BeginArray();
    walk::JsonSink sink(json);
    walk::WalkResult result = walker.Walk(top, sink);
    json.End();
    if (left_alive()) return 1;
    WriteJsonEnd(json, options, sink, result);
    out << '\n';
  } else {
    walk::TextSink sink(out, !options.trace && !options.explain && !options.names);
    walk::WalkResult result = walker.Walk(top, sink);
    if (left_alive()) return 1;
    WriteTextEnd(out, options, result);
  }
  return 0;
}

// Compares the saved document with the new one or with the walk of the case; 1 when they
// differ. Throws the errors of bad input.
int Diff(Options options, walk::Output& out) {
  std::unique_ptr<walk::Document> saved, now;
  if (!options.new_file.empty()) {
    // The two documents are read at once, the new one on a thread of its own.
    std::exception_ptr failed;
    std::thread reader([&] {
      try {
        now = walk::OpenDocument(options.new_file);
      } catch (...) {
        failed = std::current_exception();
      }
    });
    try {
      saved = walk::OpenDocument(options.diff_file);
    } catch (...) {
      reader.join();
      throw;
    }
    reader.join();
    if (failed) std::rethrow_exception(failed);
  } else {
    saved = walk::OpenDocument(options.diff_file);
    // The walk's document goes to a temporary file, read back as the saved one is.
    std::FILE* file = std::tmpfile();
    if (file == nullptr) throw BadInput("cannot make a temporary file for the walk's document");
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> owned(file, std::fclose);
    Options walk_options = options;
    walk_options.json = true;
    walk_options.trace = options.trace || saved->has_trace();
    walk::Output document(file);
    if (Walk(walk_options, document) != 0) return kBadInput;
    if (!document.Finish() || std::fseek(file, 0, SEEK_SET) != 0)
      throw BadInput("cannot write the walk's document to a temporary file");
    now = std::make_unique<walk::Document>(owned.release(), options.case_file, true);
  }
  walk::DiffResult result = walk::Compare(*saved, *now);
  if (options.json) {
    walk::WriteDiffJson(out, result);
  } else {
    walk::WriteDiff(out, result);
  }
  return result.lines.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  _setmode(_fileno(stdout), _O_BINARY);  // "\n" on every platform: the output is compared
#endif
  std::filesystem::path folder = ProgramFolder();
  Options options;
  if (std::optional<int> status = ParseCommandLine(argc, argv, folder, options)) return *status;

  // The walk recurses as deep as the case nests.
  return walk::RunOnLargeStack([&]() -> int {
    // Output held back until it is large: bad input found before that leaves stdout empty.
    walk::Output out(stdout);
    int diff_status = 0;
    try {
      if (!options.diff_file.empty()) {
        diff_status = Diff(options, out);
        if (diff_status == kBadInput) return diff_status;
      } else if (int status = Walk(options, out); status != 0) {
        return status;
      }
    } catch (const walk::DocumentError& e) {
      return Fail(e.what());
    } catch (const hostsim::CaseError& e) {
      return Fail(e.what());
    } catch (const walk::MappingError& e) {
      return Fail(e.what());
    } catch (const walk::PluginError& e) {
      return Fail(e.what());
    } catch (const BadInput& e) {
      return Fail(e.what());
    }
    if (!out.Finish()) return options.diff_file.empty() ? 1 : kBadInput;
    return diff_status;
  });
}
