// What a user's file is, told from its first bytes, for refusals that say what the input is and
// what to do: a file given where another kind belongs (a log as the snapshot, a case to --diff)
// is named as what it is. Only a refusal asks: a file read whole never pays for this.
#pragma once

#include <stdexcept>
#include <string>

namespace kit {

// What a reader expected of a file.
enum class InputRole { kCase, kSnapshot, kDocument, kLog };

// One line that says what the file at `path` is and what to do, when a reader refused it with
// `refusal`: the file named as what it is when it is of another kind than `role` takes (or
// empty, or binary); the refusal and what `role` wants when the file's kind cannot be told
// (text of no kind the kit knows, a pipe) or it is a saved document; "" when it is of the kind
// `role` takes otherwise, and the refusal stands.
std::string Misgiven(const std::string& path, InputRole role, const std::string& refusal);

// `read()`; when it refuses the file at `path` (throws std::runtime_error), one line that says
// what the file is and what to do, where the refusal alone does not.
template <class Read>
auto Reading(const std::string& path, InputRole role, Read read) -> decltype(read()) {
  try {
    return read();
  } catch (const std::runtime_error& refused) {
    std::string misgiven = Misgiven(path, role, refused.what());
    if (misgiven.empty()) throw;
    throw std::runtime_error(misgiven);
  }
}

}  // namespace kit
