// Where a recording (the log, the snapshot) is written, so that none vanishes or mixes with
// another: a session never appends to an earlier one's file, and a file that cannot be made
// where asked is made in the user's temporary folder instead.
#pragma once

#include <cstdio>
#include <string>

namespace trace {

struct RecordingFile {
  std::FILE* file = nullptr;  // null: it could be made nowhere
  std::string path;           // where it is
  // Why it is not at the path asked for, on one line (empty when it is): a later session's
  // new name, or the temporary folder and what stopped the file where asked.
  std::string moved;
};

// A new file for writing at `asked`; when a regular file is there already, beside it with a
// counter before its extension ("session-2.jsonl", "-3", ...); when the file cannot be made in
// that folder, under the same name in the temporary folder. A device or pipe named (/dev/full)
// is opened as it is.
RecordingFile CreateRecording(const std::string& asked);

}  // namespace trace
