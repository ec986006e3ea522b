// What the doctor checks fintop against: the names the plug-in must export (the callbacks of
// FINTOP_CALLBACKS, the rest of fintop/exports.txt, which the build embeds), and how a name
// looks when a compiler has decorated or mangled it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "json_writer.h"

namespace doctor {

struct ExpectedExports {
  std::vector<std::string> callbacks;  // the CT callbacks, in list order
  std::vector<std::string> bootstrap;  // the plain C names of exports.txt beyond the callbacks
  std::vector<std::string> members;    // the C++ names (FIMessageFilter, FISolver, FIPath)
  std::vector<std::string> all;        // the three above, in that order
};

// The names fintop exports, from the callback list and exports.txt.
const ExpectedExports& Expected();

// Whether `exported` is `name` as a compiler decorates it: a leading underscore (`_CTStreams`),
// a stdcall suffix (`CTStreams@4`, `_CTStreams@4`), or `name` inside a C++-mangled name
// (GCC's `_Z...9CTStreams...`, the Microsoft compiler's `?CTStreams@@...`).
bool IsDecorated(std::string_view exported, std::string_view name);

// The C++ spelling most of a module's exports use, and its description.
enum class Spelling { kNone, kGcc, kMicrosoft };
Spelling SpellingOf(const std::vector<std::string>& exports);
const char* Describe(Spelling spelling);

// `text` with every control byte and every byte of invalid UTF-8 shown as \xNN (printable
// ASCII and valid UTF-8 kept: a folder named in any language shows as it is), so that whatever
// a file holds prints as one line of text (and makes valid JSON).
inline std::string Sanitize(std::string_view text) {
  return kit::BytesShown(text);
}

}  // namespace doctor
