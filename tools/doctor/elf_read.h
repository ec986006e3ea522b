// An ELF module read with libelf from its file's bytes, never mapped or run: its kind, machine
// and width, its dynamic symbols, needed libraries and RUNPATH/RPATH. Every header and segment
// must lie in the file. The fuzzer reads its inputs with it.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image.h"

namespace doctor {

// Reads `file` (the bytes of `path`, whose folder $ORIGIN stands for), which libelf may write
// to: a buffer the caller read the file into, not copied again (the doctor reads every module
// the plug-in needs, some of megabytes). Throws BadFile naming `path` and the fault.
Image ReadElf(std::span<unsigned char> file, const std::string& path);

// The folder part of a path ("." for a bare name, "/" for the root's files).
std::string FolderOf(const std::string& path);

// A list of folders as the loader reads one, parted by any of `separators`: an empty folder
// within it is the working folder ("$ORIGIN:", "a::b"), an empty list names none.
std::vector<std::string> SplitFolders(std::string_view text, const char* separators);

}  // namespace doctor
