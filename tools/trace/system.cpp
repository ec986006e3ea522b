#include "system.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <filesystem>
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "files.h"

namespace trace {

bool IsAbsolute(const std::string& path) {
#if defined(_WIN32)
  if (path.size() > 1 && path[1] == ':') return true;  // on a drive
#endif
  return path.find_first_of(kSeparators) == 0;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of(kSeparators);
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

#if defined(_WIN32)

std::wstring Wide(std::string_view text) {
  return kit::PathOf(text).wstring();
}
std::string Narrow(const std::wstring& wide) {
  return kit::Utf8(std::filesystem::path(wide));
}

namespace {

std::string VersionText(DWORD high, DWORD low) {
  return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." +
         std::to_string(HIWORD(low)) + "." + std::to_string(LOWORD(low));
}

std::FILE* CreateNewFile(const std::string& path) {
  const int fd =
      _wopen(Wide(path).c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) _close(fd);
  return file;
}

bool IsSpecialFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DEVICE) != 0;
}

std::string TempFolder() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  return n > 0 && n <= MAX_PATH + 1 ? Narrow(std::wstring(buffer, n)) : std::string();
}

std::string LastError() {
  const DWORD code = GetLastError();
  return code != 0 ? kit::SystemMessage(code) : std::strerror(errno);
}

}  // namespace

std::string OwnFile() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&OwnFile), &self))
    return {};
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) return Narrow(path.substr(0, n));
    path.resize(path.size() * 2);
  }
}

std::optional<std::string> Environment(const char* name) {
  if (const wchar_t* value = _wgetenv(Wide(name).c_str())) return Narrow(value);
  return std::nullopt;
}

void* LoadModule(const std::string& path, std::string& why) {
  HMODULE module = LoadLibraryExW(Wide(path).c_str(), nullptr, 0);
  if (module == nullptr) why = kit::SystemMessage(GetLastError());
  return reinterpret_cast<void*>(module);
}

void* FindEntry(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

FileVersion VersionOf(const std::string& path) {
  const std::wstring wide = Wide(path);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(wide.c_str(), 0, size, block.data())) return {};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) ||
      info == nullptr || length < sizeof *info || info->dwSignature != 0xFEEF04BD)
    return {};
  return {VersionText(info->dwFileVersionMS, info->dwFileVersionLS),
          VersionText(info->dwProductVersionMS, info->dwProductVersionLS)};
}

#else

namespace {

// For CreateRecording: a new file (null, errno EEXIST, when one is there), whether a device or
// a pipe is there, the temporary folder with its separator, the last error as one line.
std::FILE* CreateNewFile(const std::string& path) {
  const int fd = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) close(fd);
  return file;
}

bool IsSpecialFile(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

std::string TempFolder() {
  for (const char* name : {"TMPDIR", "TMP", "TEMP"}) {
    const char* folder = std::getenv(name);
    if (folder != nullptr && folder[0] != '\0') {
      std::string path = folder;
      if (path.back() != '/') path += '/';
      return path;
    }
  }
  return "/tmp/";
}

std::string LastError() {
  return std::strerror(errno);
}

}  // namespace

std::string OwnFile() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&OwnFile), &info) == 0 || info.dli_fname == nullptr) return {};
  return info.dli_fname;
}

std::optional<std::string> Environment(const char* name) {
  if (const char* value = std::getenv(name)) return std::string(value);
  return std::nullopt;
}

void* LoadModule(const std::string& path, std::string& why) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* error = dlerror();
    why = error != nullptr ? error : "not loaded";
  }
  return module;
}

void* FindEntry(void* module, const char* name) {
  return dlsym(module, name);
}

FileVersion VersionOf(const std::string&) {
  return {};
}

#endif

std::string NowUtc() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
#if defined(_WIN32)
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

namespace {

// Names tried beside a file already there before giving up on a folder.
constexpr int kMaxCounter = 9999;

// `path` with "-N" before its extension (the last dot of its file name).
std::string Numbered(const std::string& path, int n) {
  const std::size_t name = FolderOf(path).size();
  std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot <= name) dot = path.size();
  return path.substr(0, dot) + "-" + std::to_string(n) + path.substr(dot);
}

// A new file at `path` or, when one is there, at the first numbered name free; null when
// none can be made (errno from the last try).
std::FILE* CreateBeside(const std::string& path, std::string& made) {
  for (int n = 1; n <= kMaxCounter; ++n) {
    made = n == 1 ? path : Numbered(path, n);
    if (std::FILE* file = CreateNewFile(made)) return file;
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

}  // namespace

RecordingFile CreateRecording(const std::string& asked) {
  RecordingFile recording;
  if (IsSpecialFile(asked)) {
    if (std::FILE* device = kit::OpenFile(asked, "ab")) return {device, asked, {}};
  }
  recording.file = CreateBeside(asked, recording.path);
  if (recording.file != nullptr) {
    if (recording.path != asked)
      recording.moved = asked + " holds an earlier session: this one is " + recording.path;
    return recording;
  }
  const std::string why = LastError();
  const std::string name = asked.substr(FolderOf(asked).size());
  const std::string temp = TempFolder();
  if (!temp.empty() && !name.empty()) recording.file = CreateBeside(temp + name, recording.path);
  recording.moved = "cannot write " + asked + " (" + why + ")";
  if (recording.file == nullptr) {
    recording.path = asked;
  } else {
    recording.moved += ": written to the temporary folder, " + recording.path;
  }
  return recording;
}

}  // namespace trace
