#include "files.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace kit {

std::filesystem::path ProgramPath() {
#if defined(_WIN32)
  char buffer[4096];
  DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return {};
  return std::filesystem::path(std::string(buffer, n));
#else
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self;
#endif
}

std::filesystem::path ProgramFolder() {
  return ProgramPath().parent_path();
}

TempFile::TempFile(std::string_view stem) {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error)
    throw std::runtime_error("cannot find the temporary folder (" + error.message() +
                             "): set TMPDIR (TMP on Windows) to a writable folder");
  std::random_device device;
  std::mt19937_64 random(
      (static_cast<std::uint64_t>(device()) << 32) ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  int reason = 0;
  for (int attempt = 0; attempt < 16; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "-%016llx.tmp", static_cast<unsigned long long>(random()));
    std::filesystem::path path = folder / (std::string(stem) + name);
    // Made here and nowhere else: the open fails when the name is taken.
#if defined(_WIN32)
    int fd = _wopen(path.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    std::FILE* file = fd < 0 ? nullptr : _fdopen(fd, "w+b");
    if (fd >= 0 && file == nullptr) _close(fd);
#else
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    std::FILE* file = fd < 0 ? nullptr : fdopen(fd, "w+b");
    if (fd >= 0 && file == nullptr) close(fd);
#endif
    reason = errno;
    if (file != nullptr) {
      file_ = file;
      path_ = std::move(path);
      return;
    }
    if (fd >= 0 || reason != EEXIST) {
      std::filesystem::remove(path, error);
      break;
    }
  }
  throw std::runtime_error("cannot make a temporary file in " + folder.string() + ": " +
                           std::strerror(reason) +
                           " (set TMPDIR, TMP on Windows, to a writable folder)");
}

TempFile::~TempFile() {
  std::fclose(file_);
  std::error_code error;
  std::filesystem::remove(path_, error);
}

}  // namespace kit
