// What the recorder asks of the operating system: its own file, files made and modules loaded
// by path, the temporary folder, file versions and the time. Paths are UTF-8 text throughout
// the recorder; on Windows every one goes through the wide calls, so a folder named "Jürgen" or
// "日本" works whatever the host's code page. Nothing here throws but std::bad_alloc.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace trace {

#if defined(_WIN32)
inline constexpr char kSeparators[] = "\\/";
#else
inline constexpr char kSeparators[] = "/";
#endif

bool HasFolder(const std::string& path);
bool IsAbsolute(const std::string& path);
// The folder of `path` with its last separator; "" for a bare name.
std::string FolderOf(const std::string& path);

// This module's file; "" when it cannot be told.
std::string OwnFile();

// The environment variable `name` as UTF-8; nullopt when it is not set.
std::optional<std::string> Environment(const char* name);

// A file made at `path` for writing, where no file was; null (errno set: EEXIST when one was).
std::FILE* CreateNewFile(const std::string& path);
// Whether a device or a pipe is at `path` (written to as it is, never beside).
bool IsSpecialFile(const std::string& path);
// The user's temporary folder with a separator at its end; "" when there is none.
std::string TempFolder();
// What the last failed call of the C library or the system said, as one line.
std::string LastError();

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
