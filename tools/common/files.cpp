#include "files.h"

#include <string>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace kit {

std::filesystem::path ProgramFolder() {
#if defined(_WIN32)
  char buffer[4096];
  DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return {};
  return std::filesystem::path(std::string(buffer, n)).parent_path();
#else
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self.parent_path();
#endif
}

}  // namespace kit
