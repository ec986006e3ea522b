// fintop-doctor's ELF reading (tools/doctor/elf_read.cpp) on any bytes: it must answer with an
// image or BadFile, never crash, overrun or hang.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    std::vector<unsigned char> bytes(data, data + size);  // libelf may write to them
    const doctor::Image image = doctor::ReadElf(bytes, "fuzz");
    // Every name read is whole text; the width is one of the two.
    auto check = [](const std::string& name) {
      if (name.empty() || name.find('\0') != std::string::npos) __builtin_trap();
    };
    for (const std::string& name : image.exports) check(name);
    for (const std::string& name : image.unbound) check(name);
    for (const doctor::ImportedModule& module : image.imports) {
      if (module.module.find('\0') != std::string::npos) __builtin_trap();
    }
    if (image.width != 32 && image.width != 64) __builtin_trap();
  } catch (const doctor::BadFile&) {
  }
  return 0;
}
