#include "recording_file.h"

#include <cerrno>

#include "files.h"
#include "system.h"

namespace trace {
namespace {

// Names tried beside a file already there before giving up on a folder.
constexpr int kMaxCounter = 9999;

// `path` with "-N" before its extension (the last dot of its file name).
std::string Numbered(const std::string& path, int n) {
  const std::size_t name = FolderOf(path).size();
  std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot <= name) dot = path.size();
  return path.substr(0, dot) + "-" + std::to_string(n) + path.substr(dot);
}

// A new file at `path` or, when one is there, at the first numbered name free; null when
// none can be made (errno from the last try).
std::FILE* CreateBeside(const std::string& path, std::string& made) {
  for (int n = 1; n <= kMaxCounter; ++n) {
    made = n == 1 ? path : Numbered(path, n);
    if (std::FILE* file = CreateNewFile(made)) return file;
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

}  // namespace

RecordingFile CreateRecording(const std::string& asked) {
  RecordingFile recording;
  if (IsSpecialFile(asked)) {
    if (std::FILE* device = kit::OpenFile(asked, "ab")) return {device, asked, {}};
  }
  recording.file = CreateBeside(asked, recording.path);
  if (recording.file != nullptr) {
    if (recording.path != asked)
      recording.moved = asked + " holds an earlier session: this one is " + recording.path;
    return recording;
  }
  const std::string why = LastError();
  const std::string name = asked.substr(FolderOf(asked).size());
  const std::string temp = TempFolder();
  if (!temp.empty() && !name.empty()) recording.file = CreateBeside(temp + name, recording.path);
  if (recording.file == nullptr) {
    recording.path = asked;
    recording.moved = "cannot write " + asked + " (" + why + ")";
    return recording;
  }
  recording.moved = "cannot write " + asked + " (" + why + "): written to the temporary folder, " +
                    recording.path;
  return recording;
}

}  // namespace trace
