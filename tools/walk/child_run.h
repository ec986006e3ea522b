// Running a piece of work in a child process, so that a plug-in that crashes or hangs in it
// cannot end the caller: the reducer's tests (reduce.h). On Linux the child is a fork of the
// caller and sends its answer back through a pipe; on Windows there is no fork, and the work runs
// in the caller itself (kChildProcesses is false: a crash there ends the caller), while RunSelf
// runs the program itself again.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace walk {

#if defined(_WIN32)
inline constexpr bool kChildProcesses = false;
#else
inline constexpr bool kChildProcesses = true;
#endif

struct ChildEnd {
  enum Kind {
    kAnswered,  // the work returned `answer`
    kCrashed,   // the child ended without answering (a signal, an exit, a sanitizer's report)
    kHung,      // no answer within the time given; the child was killed
  };
  Kind kind;
  std::string answer;
};

// Runs `work` in a child process whose stdout and stderr go nowhere and waits for its answer
// at most `seconds`; with `progress`, a counter the work moves on, only until it has not moved
// for `stall_seconds`. `work` may throw: the answer is then "error: " and what it said.
ChildEnd RunInChild(const std::function<std::string()>& work, double seconds,
                    const std::atomic<std::uint64_t>* progress = nullptr, double stall_seconds = 0);

#if defined(_WIN32)
// Runs this program again with `arguments` (no fork on Windows), its input and output NUL, and
// waits at most `seconds`: kAnswered with its exit status in decimal, kCrashed for an exit
// status above 2 (an exception's, an abort's), kHung when it was ended at the deadline.
ChildEnd RunSelf(const std::vector<std::string>& arguments, double seconds);
#endif

// Zeroed memory of `size` bytes whose writes by a child are seen by the caller (shared with the
// children made after it).
std::shared_ptr<void> SharedBytes(std::size_t size);

}  // namespace walk
