// A PE image (either width) read from its file's bytes, never mapped or run: the headers, the
// export names and the import table, every offset and size checked against the file before it
// is read. Pure over the bytes, so it builds on every platform (the fuzzer and the tests run it
// natively); on Windows the two lookups that dbghelp answers there come from outside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "image.h"

namespace doctor {

// The two lookups the walk needs beyond the headers. ReadPe asks them only after it has checked
// the headers (the section table lies in the file, and `entry` lies in the optional header's
// checked size and below its NumberOfRvaAndSizes); it checks every answer against the file.
class PeLookups {
 public:
  virtual ~PeLookups() = default;
  // Where the file holds the data of `rva`; nothing when no section's data holds it.
  virtual std::optional<uint64_t> RvaToOffset(uint32_t rva) const = 0;
  // Where the file holds data directory `entry`; nothing when the image has none. The walk
  // reads a directory by its own counts and end marks, never by its size.
  virtual std::optional<uint64_t> Directory(unsigned entry) const = 0;
};

// Longest name (export, import, module) the walk copies, and most names of one image.
inline constexpr size_t kMaxPeName = 8192;
inline constexpr size_t kMaxPeNames = 200000;

// Reads `file` (the bytes of `path`) as an image. `lookups` null: answered from the section
// table. Throws BadFile naming `path` and the fault. The version resource is not read here.
Image ReadPe(std::span<const unsigned char> file, const std::string& path,
             const PeLookups* lookups = nullptr);

}  // namespace doctor
