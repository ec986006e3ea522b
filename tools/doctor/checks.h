// The doctor's five checks of a plug-in in the folder a framework loads it from, in order:
// the plug-in file, its exports, its imports, the host's entry points, the real load.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace doctor {

struct Check {
  std::string name;  // "plug-in", "exports", "imports", "host entry points", "load"
  bool ok = false;
  std::string text;        // one line: what was found, and on a failure what to do
  nlohmann::json details;  // the same in parts, for --json
};

// Runs every check on the plug-in file `plugin` for the framework folder `folder`. Throws
// BadFile when the plug-in is no readable module.
std::vector<Check> Examine(const std::string& folder, const std::string& plugin);

}  // namespace doctor
