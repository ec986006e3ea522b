// The doctor's five checks of a plug-in in the folder a framework loads it from, in order:
// the plug-in file, its exports, its imports, the host's entry points, the real load. Texts
// hold names as the files give them: the writers (main.cpp, json_report.cpp) escape them.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace doctor {

// Each check's findings in parts, for --json (json_report.cpp names the members).
struct PluginDetails {
  std::string file, kind, machine;
  int width = 0;
  std::optional<std::string> file_version, product_version;
};
struct ExportsDetails {
  size_t expected = 0;
  std::vector<std::string> missing, decorated;
};
struct ImportDetails {
  std::string module, needed_by;
  std::optional<std::string> found;  // the path, when found
  std::optional<int> width;
  std::optional<std::vector<std::string>> missing;  // when its names were compared
  std::optional<std::string> spelling;              // when some are missing
  bool names_unreadable = false;
};
struct ImportsDetails {
  std::vector<ImportDetails> modules;
};
struct HostModuleDetails {
  std::string module;
  std::optional<std::string> found;  // where, when found
  std::string fault;
  std::vector<std::string> provides;
};
struct HostDetails {
  std::vector<std::pair<std::string, std::optional<std::string>>> entry_points;  // -> module
  std::vector<HostModuleDetails> modules;
};
struct LoadDetails {
  bool loaded = false;
  std::string outcome;  // "loaded", "refused", "crashed", "aborted", "timed out", "no report"
  std::string message;
  std::vector<std::string> unresolved, stubbed;
};
using Details =
    std::variant<PluginDetails, ExportsDetails, ImportsDetails, HostDetails, LoadDetails>;

struct Check {
  std::string name;  // "plug-in", "exports", "imports", "host entry points", "load"
  bool ok = false;
  std::string text;  // one line: what was found, and on a failure what to do
  std::vector<std::string> problems;
  Details details;
};

// Runs every check on the plug-in file `plugin` for the framework folder `folder`, handing
// each to `decided` as soon as it is decided (before the next one starts). Throws BadFile,
// before any check, when the plug-in is no readable module.
std::vector<Check> Examine(const std::string& folder, const std::string& plugin,
                           const std::function<void(const Check&)>& decided);

}  // namespace doctor
