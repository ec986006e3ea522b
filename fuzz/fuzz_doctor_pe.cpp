// fintop-doctor's PE reading (tools/doctor/pe_read.cpp, with the lookups from the section
// table, as the Windows build's dbghelp answers them) on any bytes: it must answer with an
// image or BadFile, never crash, overrun or hang.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const doctor::Image image = doctor::ReadPe(std::span<const unsigned char>(data, size), "fuzz");
    // Names are copied with their bound and end at their NUL; the width is one of the two.
    auto check = [](const std::string& name) {
      if (name.size() > doctor::kMaxPeName || name.find('\0') != std::string::npos)
        __builtin_trap();
    };
    for (const std::string& name : image.exports) check(name);
    for (const doctor::ImportedModule& module : image.imports) {
      check(module.module);
      for (const std::string& name : module.names) check(name);
      if (module.names_unreadable && !module.names.empty()) __builtin_trap();
    }
    if (image.width != 32 && image.width != 64) __builtin_trap();
  } catch (const doctor::BadFile&) {
  }
  return 0;
}
