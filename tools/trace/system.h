// What the recorder asks of the operating system: its own file, its recordings' files, modules
// loaded by path, file versions and the time. Paths are UTF-8 text throughout the recorder; on
// Windows every one goes through the wide calls, so a folder named "Jürgen" or "日本" works
// whatever the host's code page. Nothing here throws but std::bad_alloc.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace trace {

#if defined(_WIN32)
inline constexpr char kSeparators[] = "\\/";
// Paths and texts as they cross to the system, UTF-16 (files.h), and back.
std::wstring Wide(std::string_view text);
std::string Narrow(const std::wstring& wide);
#else
inline constexpr char kSeparators[] = "/";
#endif

bool IsAbsolute(const std::string& path);
// The folder of `path` with its last separator; "" for a bare name.
std::string FolderOf(const std::string& path);

// This module's file; "" when it cannot be told.
std::string OwnFile();

// The environment variable `name` as UTF-8; nullopt when it is not set.
std::optional<std::string> Environment(const char* name);

// Where a recording (the log, the snapshot) is written, so that none vanishes or mixes with
// another: a session never appends to an earlier one's file, and a file that cannot be made
// where asked is made in the user's temporary folder instead.
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

// A module loaded by path, and an entry of it by name; null when not (`why` says why).
void* LoadModule(const std::string& path, std::string& why);
void* FindEntry(void* module, const char* name);

// A file's version resource ("1.0.0.0"); "" where the system keeps none (any file off Windows)
// or it is malformed.
struct FileVersion {
  std::string file, product;
};
FileVersion VersionOf(const std::string& path);

// The time now, UTC, as "2026-12-09T20:55:00Z".
std::string NowUtc();

}  // namespace trace
