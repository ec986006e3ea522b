// The load check's child and the doctor speak a small line protocol on the child's stdout:
// each line of the report starts with kReportPrefix; anything else there (the loader's own
// messages, what a damaged module prints) is kept only as the last such line. The doctor
// trusts none of it to be well formed: a report that does not end with "done" is the child's
// end, told by how the process ended.
//   step WHAT                                         what the child starts next ("loading",
//                                                     "resolving the exports of", "unloading")
//   loaded | refused MESSAGE                          the loader's answer
//   unresolved NAME                                   an expected export not resolved
//   stubbed MODULE NAME                               an import bound to a stub (Wine)
//   done                                              the child ends normally after it
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace doctor {

inline constexpr std::string_view kReportPrefix = "fintop-doctor-load ";
// The child's time limit: FINTOP_DOCTOR_LOAD_SECONDS when it is a whole number of 1 to 3600.
inline constexpr int kLoadSeconds = 30;
int LoadSeconds();

// How the child process ended, as the platform tells it.
struct ChildEnd {
  enum class How { kExited, kCrashed, kAborted, kTimedOut, kNotStarted };
  How how = How::kExited;
  long status = 0;   // the exit status (kExited, and an abort that is one)
  std::string what;  // kCrashed, kAborted: the signal or exception ("SIGSEGV"); kNotStarted: why
};

struct LoadResult {
  enum class Outcome { kLoaded, kRefused, kCrashed, kAborted, kTimedOut, kNoReport };
  Outcome outcome = Outcome::kNoReport;
  std::string message;  // kRefused: the system's; kCrashed, kAborted: what ended it; kNoReport: why
  std::string step = "loading";  // what the child was doing when it ended
  std::string output;            // the last line the child printed outside the report
  std::vector<std::string> unresolved;
  std::vector<std::string> stubbed;  // "MODULE NAME"
};

// The doctor's reading of the child's output and end.
LoadResult ReadLoadReport(std::string_view output, const ChildEnd& end);

// The child's side: one report line, written and flushed at once (a crash right after it
// still leaves it with the doctor).
void Report(std::string_view line);

}  // namespace doctor
