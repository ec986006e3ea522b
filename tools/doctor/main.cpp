// fintop-doctor [FOLDER] [--plugin FILE] [--json]: checks a plug-in in the folder a framework
// loads it from and says, one line a check as each is decided (or as one JSON document, written
// here), what will keep it from loading and what to do. Exit status 0 when every check passes, 1
// when one fails (a plug-in file that is no module among them), 2 for a command line or folder that
// cannot be used, or any other fault of the doctor's own (one line on stderr). `fintop-doctor
// --load-only FILE FOLDER`, not in the help, is the load check's child process (image.h, LoadOnly).
// Paths are UTF-8 text throughout (files.h); on Windows the arguments come from wmain, UTF-16.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "checks.h"
#include "command_line.h"
#include "files.h"
#include "json_writer.h"

namespace doctor {
namespace {

// The --json document: {"folder", "plugin", "checks": [{"check", "ok", "text", "problems",
// and the check's details}], "failed", "summary"}, indented, ending in a newline. Every text
// taken from a file is escaped as the text lines are (kit::BytesShown), so the document is valid
// JSON whatever the files hold.
std::string JsonReport(const std::string& folder, const std::string& plugin,
                       const std::vector<Check>& checks, int failed, const std::string& summary) {
  std::vector<Object> entries;
  for (const Check& check : checks) {
    entries.emplace_back(check.details)
        .Text("check", check.name)
        .Bool("ok", check.ok)
        .Text("text", check.text)
        .Texts("problems", check.problems);
  }
  kit::Output out;
  kit::JsonWriter w(out);
  Object()
      .Text("folder", folder)
      .Text("plugin", plugin)
      .Objects("checks", std::move(entries))
      .Integer("failed", failed)
      .Text("summary", summary)
      .Write(w);
  return out.text() + "\n";
}

int Usage(const std::string& message) {
  kit::Show(stderr, "fintop-doctor: " + kit::BytesShown(message) + "\n");
  return 2;
}

int Run(const std::vector<std::string>& arguments) {
  if (arguments.size() == 4 && arguments[1] == "--load-only") {
    return LoadOnly(arguments[2], arguments[3]);
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
  switch (line.Parse(arguments, text)) {
    case kit::CommandLine::Outcome::kRun:
      break;
    case kit::CommandLine::Outcome::kHelp:
      kit::Show(stdout, text);
      return 0;
    case kit::CommandLine::Outcome::kError:
      return Usage(text);
  }
  if (folder.empty()) {
    folder = kit::Utf8(kit::ProgramFolder());
    if (folder.empty()) folder = ".";
  }
  std::error_code error;
  if (!std::filesystem::is_directory(kit::PathOf(folder), error)) {
    return Usage(folder + ": not a folder");
  }
  if (plugin.empty()) {
    plugin = kit::Utf8(kit::PathOf(folder) / kit::kPluginFile);
  } else if (!std::filesystem::exists(kit::PathOf(plugin), error)) {
    return Usage(plugin + ": no such file");
  }

  const std::vector<Check> checks = Examine(folder, plugin, [json](const Check& check) {
    if (json) return;
    kit::Show(stdout, std::string(check.ok ? "ok   " : "FAIL ") + check.name + ": " +
                          kit::BytesShown(check.text) + "\n");  // seen at once
  });
  int failed = 0;
  for (const Check& check : checks) failed += check.ok ? 0 : 1;
  const std::string summary = std::to_string(failed) + " of " + std::to_string(checks.size()) +
                              (checks.size() == 1 ? " check" : " checks") + " failed";
  kit::Show(stdout, json ? JsonReport(folder, plugin, checks, failed, summary) : summary + "\n");
  return failed == 0 ? 0 : 1;
}

int Main(const std::vector<std::string>& arguments) {
  try {
    return Run(arguments);
  } catch (const std::exception& error) {
    return Usage(std::string("internal error: ") + error.what());
  } catch (...) {
    return Usage("internal error");
  }
}

}  // namespace
}  // namespace doctor

KIT_MAIN(doctor::Main)
