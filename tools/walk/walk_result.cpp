// What a walk found: the callbacks it reached, those that found nothing, and its summary line.
#include <algorithm>

#include "walker.h"

namespace walk {

int WalkResult::Reached() const {
  return static_cast<int>(std::count_if(callbacks.begin(), callbacks.end(),
                                        [](const CallbackUse& u) { return u.calls > 0; }));
}

int WalkResult::FoundNothing() const {
  return static_cast<int>(NothingFound().size());
}

std::vector<std::string> WalkResult::Unreached() const {
  std::vector<std::string> out;
  for (int i = 0; i < kCallbackCount; ++i) {
    if (callbacks[i].calls == 0) out.push_back(Callbacks()[i].name);
  }
  return out;
}

std::vector<std::string> WalkResult::NothingFound() const {
  std::vector<std::string> out;
  for (int i = 0; i < kCallbackCount; ++i) {
    if (callbacks[i].calls > 0 && !callbacks[i].found) out.push_back(Callbacks()[i].name);
  }
  return out;
}

std::string WalkResult::Summary() const {
  return std::to_string(host_objects) + " host objects, " + std::to_string(generic_objects) +
         " generic objects, " + std::to_string(Reached()) + " of " +
         std::to_string(kCallbackCount) + " callbacks reached, " + std::to_string(FoundNothing()) +
         " found nothing";
}

}  // namespace walk
