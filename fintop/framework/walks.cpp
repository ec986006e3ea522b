#include "framework/walks.h"

#include <cstring>

namespace fintop {

int CountChildren(FIIterator& it) {
  if (!it.First()) return 0;
  int count = 1;
  while (it.Next()) ++count;
  return count;
}

bool StepNext(FIIterator& it, long long times) {
  for (long long i = 0; i < times; ++i) {
    if (!it.Next()) return false;
  }
  return true;
}

FIAttribute ReadVariable(FIIterator& it, const std::string& path) {
  ClonedIterator clone(it);
  if (!clone || !clone->Down(path)) return FIAttribute();
  return ReadValue(*clone);
}

bool SameText(const char* text, const char* name) {
  return text != nullptr && std::strcmp(text, name) == 0;
}

std::string AsOneLevel(std::string_view name) {
  if (name.find('.') == std::string_view::npos || name.find('"') != std::string_view::npos) {
    return std::string(name);
  }
  std::string quoted;
  quoted.reserve(name.size() + 2);
  quoted += '"';
  quoted += name;
  quoted += '"';
  return quoted;
}

}  // namespace fintop
