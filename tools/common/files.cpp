#include "files.h"

#include <cctype>
#include <string>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace kit {

#if defined(_WIN32)
namespace {

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

}  // namespace
#endif

std::filesystem::path PathOf(std::string_view utf8) {
#if defined(_WIN32)
  return std::filesystem::path(Wide(utf8));
#else
  return std::filesystem::path(std::string(utf8));
#endif
}

std::string Utf8(const std::filesystem::path& path) {
#if defined(_WIN32)
  return Narrow(path.native());
#else
  return path.native();
#endif
}

void Show(std::FILE* stream, std::string_view utf8) {
#if defined(_WIN32)
  const HANDLE console = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (console != INVALID_HANDLE_VALUE && console != nullptr && GetConsoleMode(console, &mode)) {
    std::fflush(stream);  // what the stream holds goes first
    const std::wstring wide = Wide(utf8);
    DWORD written = 0;
    WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
#endif
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
  std::fflush(stream);
}

std::filesystem::path ProgramPath() {
#if defined(_WIN32)
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::filesystem::path(buffer.substr(0, n));
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
#else
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self;
#endif
}

std::FILE* OpenFile(std::string_view utf8, const char* mode) {
#if defined(_WIN32)
  return _wfopen(PathOf(utf8).c_str(), PathOf(mode).c_str());
#else
  return std::fopen(std::string(utf8).c_str(), mode);
#endif
}

std::string CommandLineArgument(std::string_view argument) {
  std::string out = "\"";
  std::size_t slashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, '\\');
  return out + "\"";
}

#if defined(_WIN32)
std::string SystemMessage(unsigned long error, std::string_view file) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const std::string raw =
      length != 0 && buffer != nullptr ? Narrow(std::wstring_view(buffer, length)) : "";
  if (buffer != nullptr) LocalFree(buffer);
  std::string text;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '%' || i + 1 == raw.size()) {
      text += raw[i];
    } else if (std::isdigit(static_cast<unsigned char>(raw[i + 1]))) {
      size_t end = i + 1;
      while (end < raw.size() && std::isdigit(static_cast<unsigned char>(raw[end]))) ++end;
      if (raw.compare(i, end - i, "%1") == 0)
        text += file.empty() ? std::string_view("the module") : file;
      i = end - 1;
    } else {
      text += raw[i + 1] == 'n' ? ' ' : raw[i + 1];  // %n, %%, %. and the like
      ++i;
    }
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  if (text.empty()) text = "unknown error";
  return text + " (error " + std::to_string(error) + ")";
}
#endif

}  // namespace kit
