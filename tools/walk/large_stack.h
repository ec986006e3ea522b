// Runs the walk on a thread of its own with a large stack. The walk recurses as objects nest in
// objects and steps in steps (the model is printed as it goes, with no recursion of its own); a
// case may nest hostsim::kMaxCaseDepth levels, far more than a main thread's stack (1 MiB on
// Windows) holds. The walk's own nesting is bounded by Walker's kMaxWalkDepth, which this stack
// holds with a wide margin in every build.
#pragma once

#include <functional>

namespace walk {

// Calls `body` on a thread with a large stack, waits for it and returns its result. When no
// such thread can be made, calls it on the calling thread. Exceptions must not leave `body`.
int RunOnLargeStack(const std::function<int()>& body);

}  // namespace walk
