// What the readers' fuzz targets share: a broken promise stops the fuzzer with the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzz {

// Stops the fuzzer (it keeps the input) when `holds` is false.
inline void Check(bool holds, const char* what, std::string_view detail = {}) {
  if (holds) return;
  std::fprintf(stderr, "violation: %s: %.*s\n", what, static_cast<int>(detail.size()),
               detail.data());
  std::abort();
}

// A refusal as a user sees it: one line naming the input first.
inline void CheckOneLine(std::string_view message, std::string_view origin) {
  Check(message.substr(0, origin.size()) == origin, "the message does not name the input first",
        message);
  Check(message.find_first_of("\r\n") == std::string_view::npos, "the message is not one line",
        message);
}

}  // namespace fuzz
