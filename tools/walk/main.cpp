// fintop-walk: maps a host case into the generic model through the plug-in, as the framework
// does, and prints the model. Bad input gives one line on stderr, exit status 2 and nothing on
// stdout; the output is built whole before any of it is written.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "aggnode/agg_node.h"
#include "iterator/case_loader.h"
#include "iterator/host_iterator.h"
#include "large_stack.h"
#include "mapping.h"
#include "model.h"
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
Exit status: 0 when the case was walked (whatever was found); 2 for a missing or malformed
case or mapping file, a plug-in that cannot be loaded or lacks an export, or a bad option;
then one line on stderr says what is wrong and nothing is written to stdout.)";

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  _setmode(_fileno(stdout), _O_BINARY);  // "\n" on every platform: the output is compared
#endif
  std::filesystem::path folder = ProgramFolder();
  std::string case_file;
  std::string map_file = (folder / "norvanemap.xml").string();
  std::string plugin_file = (folder / walk::DefaultPluginName()).string();
  bool json = false, trace = false, explain = false;

  CLI::App app(
      "Maps a host case into the generic model through the fintop plug-in, calling\n"
      "its callbacks by name as the framework does, and prints the model.",
      "fintop-walk");
  app.add_option("CASE", case_file,
                 "The host case (JSON) to walk; the bundled default plant\n"
                 "when none is given");
  app.add_option("--plugin", plugin_file,
                 std::string("The plug-in to load (default: ") + walk::DefaultPluginName() +
                     " next to fintop-walk)");
  app.add_option("--map", map_file,
                 "The mapping file (default: norvanemap.xml next to fintop-walk)");
  app.add_flag("--json", json, "Print the model as JSON");
  app.add_flag("--trace", trace, "Print every callback call and what it did");
  app.add_flag("--explain", explain,
               "Print, for every call that found nothing where data was expected, why");
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
  if (case_file.empty()) case_file = DefaultCase(folder);

  // The walk, the output and freeing the model all recurse as deep as the case nests.
  return walk::RunOnLargeStack([&]() -> int {
    std::string text;
    try {
      hostsim::LoadCaseFile(case_file);  // refuses a bad case with its place, before the host
      walk::Mapping mapping = walk::LoadMapping(map_file);
      walk::Plugin plugin(plugin_file);

      static char key;  // the model's key for the aggregate-node module
      QELAggNode* node = plugin.get_qel_node()(const_cast<char*>(case_file.c_str()), &key);
      if (node == nullptr)
        throw BadInput(case_file +
                       ": the plug-in could not open the case (GetQELNode returned no node)");
      FIIterator* top = QELAggNodeIterator(node);
      if (top == nullptr) throw BadInput(case_file + ": the aggregate node has no iterator");

      walk::WalkOptions options;
      options.trace = trace;
      options.explain = explain;
      options.progress = StderrIsTerminal();
      walk::Walker walker(plugin, mapping, options);
      long live = hostsim::LiveIterators();
      walk::WalkResult result = walker.Walk(*static_cast<hostsim::HostIterator*>(top));
      if (hostsim::LiveIterators() != live) {
        // A clone left alive is a fault of the plug-in (or of this walk), not of the input.
        std::fprintf(stderr, "fintop-walk: %ld iterators made during the walk were not deleted\n",
                     hostsim::LiveIterators() - live);
        return 1;
      }

      std::ostringstream out;
      if (json) {
        nlohmann::ordered_json doc;
        doc["case"] = std::filesystem::path(case_file).filename().string();
        doc["model"] = walk::ToJson(result.model);
        if (trace) {
          auto& lines = doc["trace"] = nlohmann::ordered_json::array();
          std::istringstream in(result.trace);
          for (std::string line; std::getline(in, line);) lines.push_back(line);
        }
        if (explain) doc["explanations"] = result.explanations;
        doc["summary"] = {
            {"host_objects", result.host_objects},      {"generic_objects", result.generic_objects},
            {"callbacks_reached", result.Reached()},    {"callbacks", kCallbackCount},
            {"found_nothing", result.FoundNothing()},   {"not_reached", result.Unreached()},
            {"nothing_found_by", result.NothingFound()}};
        out << doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
      } else {
        if (!trace && !explain) walk::PrintTree(result.model, out);
        if (trace) out << result.trace;
        if (explain) {
          for (const std::string& line : result.explanations) out << line << '\n';
        }
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
      text = out.str();
    } catch (const hostsim::CaseError& e) {
      return Fail(e.what());
    } catch (const walk::MappingError& e) {
      return Fail(e.what());
    } catch (const walk::PluginError& e) {
      return Fail(e.what());
    } catch (const BadInput& e) {
      return Fail(e.what());
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  });
}
