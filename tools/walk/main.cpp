// fintop-walk: maps a host case into the generic model through the plug-in, as the framework
// does, and prints the model as the walk makes it. Bad input gives one line on stderr, exit
// status 2 and nothing on stdout. This file reads the command line (command_line.h); command.cpp
// does the rest.
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "command.h"
#include "command_line.h"
#include "files.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace {

// Reads the command line into `options`; an exit status when the program is to end here.
std::optional<int> ParseCommandLine(const std::vector<std::string>& arguments,
                                    walk::Options& options) {
  kit::CommandLine line(
      "Maps a host case into the generic model through the fintop plug-in, calling\n"
      "its callbacks by name as the framework does, and prints the model.",
      "fintop-walk");
  line.AddOption("CASE", options.case_file,
                 "The host case (JSON) to walk; the bundled default plant\n"
                 "when none is given");
  line.AddOption(
      "--plugin", options.plugin_file,
      std::string("The plug-in to load (default: ") + kit::kPluginFile + " next to fintop-walk)");
  line.AddOption("--map", options.map_file,
                 "The mapping file (default: norvanemap.xml next to fintop-walk)");
  line.AddFlag("--json", options.json, "Print the model as JSON");
  line.AddFlag("--trace", options.trace, "Print every callback call and what it did");
  line.AddFlag("--explain", options.explain,
               "Print, for every call that found nothing where data was expected, why");
  line.AddFlag("--names", options.names,
               "Print every host name the plug-in asked for, how often it was\n"
               "found and missing");
  line.AddOption("--diff", options.diff_file,
                 "Compare the walk's model (and calls) with this document of\n"
                 "fintop-walk --json; exit status 1 when they differ",
                 "SAVED");
  line.AddOption("--replay", options.replay_file,
                 "Make every call of this fintop-trace log again on CASE (the\n"
                 "snapshot recorded with it) and name the calls answered otherwise;\n"
                 "exit status 1 when one is",
                 "LOG");
  line.AddOption("--reduce", options.reduce_prefix,
                 "With --replay: cut CASE down to the smallest tree in which one\n"
                 "differing call still differs the same way; writes\n"
                 "PREFIX.case.json and PREFIX.log.jsonl",
                 "PREFIX");
  line.AddOption("--call", options.call_text,
                 "With --reduce: the call at this line of LOG (default: the first\n"
                 "call that differs)",
                 "N");
  line.AddOption("--max-replays", options.max_replays_text,
                 "With --reduce: try at most this many replays (default 1000)", "N");
  line.AddOption("--max-time", options.max_time_text,
                 "With --reduce: stop trying after this many seconds (default 60)", "SECONDS");
  line.AddOption("--new", options.new_file,
                 "With --diff: compare with this document instead of walking a case", "NEW");
  line.SetFooter(walk::kHelpFooter);
  std::string text;
  switch (line.Parse(arguments, text)) {
    case kit::CommandLine::Outcome::kRun:
      return std::nullopt;
    case kit::CommandLine::Outcome::kHelp:
      std::fwrite(text.data(), 1, text.size(), stdout);
      return 0;
    case kit::CommandLine::Outcome::kError:
      break;
  }
  for (char& c : text) {
    if (c == '\n') c = ' ';
  }
  return walk::Fail(text + " (see --help)");
}

// Every argument as UTF-8 text: on Windows those of wmain (linked with -municode), so that a
// file in any folder arrives whole.
int Main(const std::vector<std::string>& arguments) {
#if defined(_WIN32)
  _setmode(_fileno(stdout), _O_BINARY);  // "\n" on every platform: the output is compared
#endif
  try {
    std::filesystem::path folder = kit::ProgramFolder();
    walk::Options options;
    walk::SetDefaults(options, folder);
    if (std::optional<int> status = ParseCommandLine(arguments, options)) return *status;
    if (std::optional<int> status = walk::CheckOptions(options, folder)) return *status;
    return walk::Run(options);
  } catch (const std::exception& e) {
    return walk::Fail(e.what());
  } catch (...) {
    return walk::Fail("an unexpected error");
  }
}

}  // namespace

KIT_MAIN(Main)
