// fintop-walk: maps a host case into the generic model through the plug-in, as the framework
// does, and prints the model as the walk makes it. Bad input gives one line on stderr, exit
// status 2 and nothing on stdout. This file reads the command line; command.cpp does the rest.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <string>

#include "command.h"
#include "files.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace {

// Reads the command line into `options`; an exit status when the program is to end here.
std::optional<int> ParseCommandLine(int argc, char** argv, walk::Options& options) {
  CLI::App app(
      "Maps a host case into the generic model through the fintop plug-in, calling\n"
      "its callbacks by name as the framework does, and prints the model.",
      "fintop-walk");
  app.add_option("CASE", options.case_file,
                 "The host case (JSON) to walk; the bundled default plant\n"
                 "when none is given");
  app.add_option(
      "--plugin", options.plugin_file,
      std::string("The plug-in to load (default: ") + kit::kPluginFile + " next to fintop-walk)");
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
  app.add_option("--replay", options.replay_file,
                 "Make every call of this fintop-trace log again on CASE (the\n"
                 "snapshot recorded with it) and name the calls answered otherwise;\n"
                 "exit status 1 when one is")
      ->option_text("LOG");
  app.add_option("--new", options.new_file,
                 "With --diff: compare with this document instead of walking a case")
      ->option_text("NEW");
  app.footer(walk::kHelpFooter);
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
    return walk::Fail(what + " (see --help)");
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  _setmode(_fileno(stdout), _O_BINARY);  // "\n" on every platform: the output is compared
#endif
  try {
    std::filesystem::path folder = kit::ProgramFolder();
    walk::Options options;
    walk::SetDefaults(options, folder);
    if (std::optional<int> status = ParseCommandLine(argc, argv, options)) return *status;
    if (std::optional<int> status = walk::CheckOptions(options, folder)) return *status;
    return walk::Run(options);
  } catch (const std::exception& e) {
    return walk::Fail(e.what());
  } catch (...) {
    return walk::Fail("an unexpected error");
  }
}
