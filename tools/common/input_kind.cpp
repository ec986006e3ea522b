#include "input_kind.h"

#include <filesystem>
#include <fstream>
#include <string_view>

#include "files.h"

namespace kit {
namespace {

enum class InputKind {
  kMissing,   // cannot be opened
  kEmpty,     // no bytes, or only blanks
  kBinary,    // not text: a NUL byte or a program's or library's first bytes
  kLog,       // a fintop-trace log
  kDocument,  // a document of fintop-walk --json
  kCase,      // a host tree (a case, a snapshot)
  kOther,     // text of another kind, or JSON that does not say
};

// How much of a file is read to tell what it is.
constexpr std::size_t kSniffBytes = 4096;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kElf = "\177ELF";

constexpr char kBlanks[] = " \t\r\n";

// The first member's name of the JSON object `text` starts with; "" when it does not.
std::string FirstKey(std::string_view text) {
  if (text.empty() || text[0] != '{') return {};
  const std::size_t quote = text.find_first_not_of(kBlanks, 1);
  if (quote == std::string_view::npos || text[quote] != '"') return {};
  const std::size_t end = text.find('"', quote + 1);
  return end == std::string_view::npos ? std::string()
                                       : std::string(text.substr(quote + 1, end - quote - 1));
}

InputKind SniffInput(const std::string& path) {
  // The path is UTF-8 text; on Windows the stream opens it through the wide calls. Only a
  // regular file is read again: a pipe's bytes are gone, a folder has none.
  const std::filesystem::path file_path = PathOf(path);
  std::error_code error;
  if (!std::filesystem::exists(file_path, error)) return InputKind::kMissing;
  if (!std::filesystem::is_regular_file(file_path, error)) return InputKind::kOther;
  std::ifstream file(file_path, std::ios::binary);
  if (!file) return InputKind::kMissing;
  char buffer[kSniffBytes];
  file.read(buffer, sizeof buffer);
  std::string_view text(buffer, static_cast<std::size_t>(file.gcount()));
  if (text.substr(0, 3) == kByteOrderMark) text.remove_prefix(3);
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return InputKind::kEmpty;
  // A program's or library's first bytes, or a NUL in what does not start as JSON (a JSON file
  // with a NUL in it is left to its reader, which says where).
  const bool json = text[first] == '{' || text[first] == '[';
  if (text.substr(0, 4) == kElf || text.substr(0, 2) == "MZ" ||
      (!json && text.find('\0') != std::string_view::npos))
    return InputKind::kBinary;
  const std::string key = FirstKey(text.substr(first));
  for (const char* log : {"log", "callback", "begin", "snapshot", "error"}) {
    if (key == log) return InputKind::kLog;
  }
  if (key == "case" || key == "model") return InputKind::kDocument;
  for (const char* node : {"name", "type", "value", "id", "props", "children", "elements"}) {
    if (key == node) return InputKind::kCase;
  }
  return InputKind::kOther;
}

}  // namespace

std::string Misgiven(const std::string& path, InputRole role, const std::string& refusal) {
  static constexpr const char* kWanted[] = {
      "give a case: a host tree in JSON (a node with \"name\" and \"children\")",
      "give the snapshot recorded with the log: fintop-walk SNAPSHOT --replay LOG",
      "give a document saved by fintop-walk CASE --json (or a fintop-trace log)",
      "give the fintop-trace log after --replay: fintop-walk SNAPSHOT --replay LOG"};
  const std::string wanted = kWanted[static_cast<int>(role)];
  switch (SniffInput(path)) {
    case InputKind::kEmpty:
      return path + ": the file is empty: " + wanted;
    case InputKind::kBinary:
      return path + ": not a text file (a program or library?): " + wanted;
    case InputKind::kLog:
      if (role == InputRole::kSnapshot)
        return path +
               ": a fintop-trace log, not a snapshot: the log and the snapshot are swapped? " +
               wanted;
      if (role == InputRole::kCase)
        return path + ": a fintop-trace log, not a case: replay it on its snapshot with " +
               "fintop-walk SNAPSHOT --replay " + path;
      return {};
    case InputKind::kDocument:
      if (role == InputRole::kCase || role == InputRole::kSnapshot)
        return path + ": a document of fintop-walk --json, not a " +
               (role == InputRole::kCase ? "case" : "snapshot") +
               ": compare a walk with it as fintop-walk CASE --diff " + path;
      if (role == InputRole::kLog)
        return path + ": a document of fintop-walk --json, not a fintop-trace log: " + wanted;
      return refusal + ": save it again with fintop-walk CASE --json";
    case InputKind::kCase:
      if (role == InputRole::kDocument)
        return path + ": a case (a host tree), not a saved document: compare a walk of it as " +
               "fintop-walk " + path + " --diff SAVED, or save one with fintop-walk " + path +
               " --json > SAVED";
      if (role == InputRole::kLog)
        return path + ": a case (a host tree), not a fintop-trace log: the log and the snapshot " +
               "are swapped? " + wanted;
      return {};
    case InputKind::kOther:
      return refusal + ": " + wanted;
    case InputKind::kMissing:
      return {};
  }
  return {};
}

}  // namespace kit
