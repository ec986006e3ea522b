// fintop-walk: maps a host case into the generic model through the plug-in, as the framework
// does, and prints the model as the walk makes it. Bad input gives one line on stderr, exit
// status 2 and nothing on stdout. This file reads the command line (command_line.h); command.cpp
// does the rest.
#include <algorithm>
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

// The text after --help's options: what the output holds and the exit status.
constexpr char kHelpFooter[] = R"(Output:
  By default the generic model as an indented tree: each object as its class and host name,
  under it the values read, the element callbacks (name, callback, where the iterator moved,
  the value read there) and the collections (name: count, callback), each selected item as
  [index] with the attributes recorded (Name=value) and the bindings made (Generic->Host).
  The last line is the summary: host objects asked about, generic objects made, callbacks
  reached (of all the plug-in's callbacks) and callbacks reached that never found anything.
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
  SNAPSHOT --replay LOG  makes each call of LOG (a fintop-trace log) again on SNAPSHOT (the
              case fintop-trace wrote with it), on the recorded node with the attributes held
              then, and compares the answer: one line per call answered otherwise (result,
              out, attribute, where the iterator stands), a call that never returned in the
              field last, then "replayed: N calls, S answered as recorded, D differ"; with
              --json one document. Exit status 0 when all answer as recorded, 1 when one
              does not, 2 for bad input.
  SNAPSHOT --replay LOG --reduce PREFIX  cuts SNAPSHOT down to the smallest tree found in
              which one differing call (the first; --call N: the one at line N of LOG),
              replayed alone, still differs the same way (or still crashes or hangs the
              plug-in): subtrees, then single nodes (their children lifted into their
              place), then properties, each test a replay of the call in a child process.
              A selection of CTDewPointCurve, CTPumpCurve or CTActiveReactions keeps the
              counting call before it when it needs it. Writes PREFIX.case.json and
              PREFIX.log.jsonl, which --replay replays to the same difference, and reports
              nodes before and after, replays tried, time and the reduced call's line (with
              --json one document). --max-replays (default 1000) and --max-time (seconds,
              default 60) bound the search: the best case found by then is written. Exit
              status 0 when the files are written; 2 for bad input, or when no call differs
              or the call's difference does not show when it is replayed alone.
Exit status: 0 when the case was walked (whatever was found); 2 for a missing or malformed
case, mapping file or document, a plug-in that cannot be loaded or lacks an export, or a bad
option; then one line on stderr says what is wrong and nothing is written to stdout.)";

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
  line.SetFooter(kHelpFooter);
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
  std::replace(text.begin(), text.end(), '\n', ' ');
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
