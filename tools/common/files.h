// Where the kit's files are: the plug-in's file name, the folder of the running program.
#pragma once

#include <filesystem>

namespace kit {

// The plug-in's file name as the host knows it.
#if defined(_WIN32)
inline constexpr char kPluginFile[] = "fintop.dll";
#else
inline constexpr char kPluginFile[] = "libfintop.so";
#endif

// The folder of the running program ("" when it cannot be told).
std::filesystem::path ProgramFolder();

}  // namespace kit
