// fintop-doctor [FOLDER] [--plugin FILE] [--json]: checks a plug-in in the folder a framework
// loads it from and says, one line a check, what will keep it from loading and what to do.
// Exit status 0 when every check passes, 1 when one fails, 2 for a bad argument or a plug-in
// file that is no readable module (one line on stderr, nothing on stdout).
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "checks.h"
#include "image.h"
#include "names.h"

namespace {

int Usage(const std::string& message) {
  std::cerr << "fintop-doctor: " << doctor::Sanitize(message) << "\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Checks that fintop will load in the framework's folder, and says why not"};
  std::string folder, plugin;
  bool json = false;
  app.add_option("FOLDER", folder,
                 "the folder the framework loads fintop from (default: the doctor's own)");
  app.add_option(
      "--plugin", plugin,
      std::string("the plug-in file (default: ") + doctor::PluginFileName() + " in FOLDER)");
  app.add_flag("--json", json, "the checks as one JSON document");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::ParseError& error) {
    return Usage(error.what());
  }
  if (folder.empty()) folder = doctor::OwnFolder();
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) return Usage(folder + ": not a folder");
  if (plugin.empty()) plugin = (std::filesystem::path(folder) / doctor::PluginFileName()).string();

  std::vector<doctor::Check> checks;
  try {
    checks = doctor::Examine(folder, plugin);
  } catch (const doctor::BadFile& bad) {
    return Usage(bad.what());
  }
  int failed = 0;
  for (const doctor::Check& check : checks) failed += check.ok ? 0 : 1;
  const std::string summary = std::to_string(failed) + " of " + std::to_string(checks.size()) +
                              (checks.size() == 1 ? " check" : " checks") + " failed";
  if (json) {
    nlohmann::json document = {{"folder", doctor::Sanitize(folder)},
                               {"plugin", doctor::Sanitize(plugin)},
                               {"checks", nlohmann::json::array()},
                               {"failed", failed},
                               {"summary", summary}};
    for (const doctor::Check& check : checks) {
      nlohmann::json entry = check.details;
      entry["check"] = check.name;
      entry["ok"] = check.ok;
      entry["text"] = check.text;
      document["checks"].push_back(std::move(entry));
    }
    std::cout << document.dump(2) << "\n";
  } else {
    for (const doctor::Check& check : checks) {
      std::cout << (check.ok ? "ok   " : "FAIL ") << check.name << ": " << check.text << "\n";
    }
    std::cout << summary << "\n";
  }
  return failed == 0 ? 0 : 1;
}
