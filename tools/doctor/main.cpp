// fintop-doctor [FOLDER] [--plugin FILE] [--json]: checks a plug-in in the folder a framework
// loads it from and says, one line a check as each is decided, what will keep it from loading
// and what to do. Exit status 0 when every check passes, 1 when one fails, 2 for a bad
// argument, a plug-in file that is no readable module or any other fault of the doctor's own
// (one line on stderr). `fintop-doctor --load-only FILE FOLDER`, not in the help, is the load
// check's child process (image.h, LoadOnly).
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>

#include "checks.h"
#include "command_line.h"
#include "files.h"
#include "image.h"
#include "json_report.h"
#include "names.h"

namespace {

int Usage(const std::string& message) {
  std::cout.flush();
  std::cerr << "fintop-doctor: " << doctor::Sanitize(message) << "\n";
  return 2;
}

int Run(int argc, char** argv) {
  if (argc == 4 && std::string_view(argv[1]) == "--load-only") {
    return doctor::LoadOnly(argv[2], argv[3]);
  }
  kit::CommandLine line("Checks that fintop will load in the framework's folder, and says why not");
  std::string folder, plugin;
  bool json = false;
  line.AddOption("FOLDER", folder,
                 "the folder the framework loads fintop from (default: the doctor's own)");
  line.AddOption("--plugin", plugin,
                 std::string("the plug-in file (default: ") + kit::kPluginFile + " in FOLDER)");
  line.AddFlag("--json", json, "the checks as one JSON document");
  std::string text;
  switch (line.Parse(argc, argv, text)) {
    case kit::CommandLine::Outcome::kRun:
      break;
    case kit::CommandLine::Outcome::kHelp:
      std::cout << text;
      return 0;
    case kit::CommandLine::Outcome::kError:
      return Usage(text);
  }
  if (folder.empty()) {
    folder = kit::ProgramFolder().string();
    if (folder.empty()) folder = ".";
  }
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) return Usage(folder + ": not a folder");
  if (plugin.empty()) plugin = (std::filesystem::path(folder) / kit::kPluginFile).string();

  std::vector<doctor::Check> checks;
  try {
    checks = doctor::Examine(folder, plugin, [json](const doctor::Check& check) {
      if (json) return;
      std::cout << (check.ok ? "ok   " : "FAIL ") << check.name << ": "
                << doctor::Sanitize(check.text) << std::endl;  // flushed: seen at once
    });
  } catch (const doctor::BadFile& bad) {
    return Usage(bad.what());
  }
  int failed = 0;
  for (const doctor::Check& check : checks) failed += check.ok ? 0 : 1;
  const std::string summary = std::to_string(failed) + " of " + std::to_string(checks.size()) +
                              (checks.size() == 1 ? " check" : " checks") + " failed";
  if (json) {
    std::cout << doctor::JsonReport(folder, plugin, checks, failed, summary);
  } else {
    std::cout << summary << "\n";
  }
  std::cout.flush();
  return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    return Usage(std::string("internal error: ") + error.what());
  } catch (...) {
    return Usage("internal error");
  }
}
