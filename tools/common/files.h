// Where the kit's files are: the plug-in's file name, the folder of the running program; paths
// as UTF-8 text, and that text shown to the user.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace kit {

// The plug-in's file name as the host knows it.
#if defined(_WIN32)
inline constexpr char kPluginFile[] = "fintop.dll";
#else
inline constexpr char kPluginFile[] = "libfintop.so";
#endif

// The running program's own file, and its folder ("" when it cannot be told).
std::filesystem::path ProgramPath();
inline std::filesystem::path ProgramFolder() {
  return ProgramPath().parent_path();
}

// The tools hold paths as UTF-8 text. A path from that text and back: on Windows the file
// system's names are UTF-16 and the ANSI calls would lose any name outside the code page, so
// every path given to the system goes through these (PathOf(text).c_str() is wide there).
// Invalid UTF-8 becomes U+FFFD.
std::filesystem::path PathOf(std::string_view utf8);
std::string Utf8(const std::filesystem::path& path);

#if defined(_WIN32)
// The system's message for the error code `error` (GetLastError's) on one line, with its
// number: "%1" filled with `file` (the module it is about), any other insert dropped.
std::string SystemMessage(unsigned long error, std::string_view file = {});
#endif

// One argument of a command line, quoted so that the C runtime's parser reads it back whole:
// backslashes before a quote (and at the end) doubled. For a child started with CreateProcessW.
std::string CommandLineArgument(std::string_view argument);

// std::fopen of a path given as UTF-8 text (_wfopen on Windows); null, errno set, when not.
std::FILE* OpenFile(std::string_view utf8, const char* mode);

// Writes UTF-8 text to `stream` (stdout or stderr) so that it shows: on a Windows console as
// UTF-16 (WriteConsoleW), anywhere else as the bytes they are. Flushes the stream.
void Show(std::FILE* stream, std::string_view utf8);

}  // namespace kit
