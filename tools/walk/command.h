// What fintop-walk does once its command line is read (main.cpp reads it): walk a case and
// print its model (command.cpp), or compare documents (--diff, diff_command.cpp). Kept apart
// from main.cpp so that the command-line library is compiled in one small translation unit.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "json_writer.h"

namespace walk {

inline constexpr int kBadInput = 2;

struct Options {
  std::string case_file;
  std::string map_file;
  std::string plugin_file;
  std::string diff_file;      // --diff: the saved document to compare with
  std::string new_file;       // --new: the document to compare instead of a walk
  std::string replay_file;    // --replay: the log whose calls are made again on the case
  std::string reduce_prefix;  // --reduce: where the reduced case and log go
  // --call, --max-replays, --max-time as given (read by CheckOptions)
  std::string call_text, max_replays_text, max_time_text;
  long call_line = 0, max_replays = 0;
  double max_seconds = 0;
  bool json = false, trace = false, explain = false, names = false;
};

// Writes "fintop-walk: <what>" as one line on stderr (control bytes blanked) and returns
// kBadInput.
int Fail(const std::string& what);
// The same line about input passed over; the output goes on.
void Warn(const std::string& what);

// The defaults that depend on where the program is: the mapping file and plug-in beside it.
void SetDefaults(Options& options, const std::filesystem::path& folder);
// Checks the options together and fills in the default case; an exit status when the program is
// to end here (one line already written).
std::optional<int> CheckOptions(Options& options, const std::filesystem::path& folder);

// Walks or compares as `options` say and writes the output to stdout. Whatever goes wrong ends
// as one line on stderr and kBadInput; nothing is thrown.
int Run(const Options& options);

// Loads everything, walks the case and writes the output as the walk goes, with --json laid out
// as that option writes it and told to `events` too when given. Throws the errors of bad input;
// returns 1 when the walk left a cloned iterator alive.
int Walk(const Options& options, kit::Output& out, kit::JsonEvents* events = nullptr);

// Compares the saved document with the new one (--new) or with the walk of the case; 1 when they
// differ. Throws the errors of bad input.
int Diff(Options options, kit::Output& out);

}  // namespace walk
