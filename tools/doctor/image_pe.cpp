// The platform side on Windows. A module is read from a read-only view of its file by
// pe_read.cpp, with dbghelp's ImageDirectoryEntryToDataEx and ImageRvaToVa answering its two
// lookups (either width); the version resource comes from version.dll (tools/trace/system.h). The
// real load runs in a child process: the doctor itself again (CreateProcess), which loads the
// plug-in and reports on a pipe; nothing of a module read here runs in the doctor's own process.
// Paths are UTF-8 text (files.h), given to the system through the wide calls only.
#include <windows.h>
// windows.h first: dbghelp.h needs its types.
#include <dbghelp.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "checks.h"
#include "files.h"
#include "image.h"
#include "system.h"

namespace doctor {

namespace {

using trace::Narrow;
using trace::Wide;

// A handle closed when it goes.
struct Handle {
  HANDLE handle = nullptr;
  ~Handle() {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

// A read-only view of a whole file; unmapped and closed when it goes, also when the
// constructor throws.
class FileView {
 public:
  explicit FileView(const std::string& path) : path_(path) {
    file_.handle = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_.handle == INVALID_HANDLE_VALUE)
      Fail("cannot be read: " + kit::SystemMessage(GetLastError()));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.handle, &size))
      Fail("cannot be read: " + kit::SystemMessage(GetLastError()));
    if (size.QuadPart == 0) Fail("is empty, not a module");
    if (static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX) Fail("is too large to read");
    size_ = static_cast<size_t>(size.QuadPart);
    mapping_.handle = CreateFileMappingW(file_.handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping_.handle == nullptr) Fail("cannot be mapped: " + kit::SystemMessage(GetLastError()));
    base_.reset(
        static_cast<const unsigned char*>(MapViewOfFile(mapping_.handle, FILE_MAP_READ, 0, 0, 0)));
    if (base_ == nullptr) Fail("cannot be mapped: " + kit::SystemMessage(GetLastError()));
  }

  std::span<const unsigned char> bytes() const { return {base_.get(), size_}; }

 private:
  [[noreturn]] void Fail(const std::string& what) const { throw BadFile(path_, what); }
  struct Unmap {
    void operator()(const unsigned char* base) const { UnmapViewOfFile(base); }
  };

  std::string path_;
  Handle file_, mapping_;  // closed after the view is unmapped
  std::unique_ptr<const unsigned char, Unmap> base_;
  size_t size_ = 0;
};

// dbghelp's answers to the walk's two lookups, as offsets into the view. ReadPe asks only once
// the headers these functions read are checked to lie in the file; an answer outside the
// view is no answer.
class DbghelpLookups : public PeLookups {
 public:
  explicit DbghelpLookups(std::span<const unsigned char> file) : file_(file) {}

  std::optional<uint64_t> RvaToOffset(uint32_t rva) const override {
    PIMAGE_NT_HEADERS nt = ImageNtHeader(base());
    if (nt == nullptr) return std::nullopt;
    return OffsetOf(ImageRvaToVa(nt, base(), rva, nullptr));
  }

  std::optional<uint64_t> Directory(unsigned entry) const override {
    ULONG size = 0;
    return OffsetOf(
        ImageDirectoryEntryToDataEx(base(), FALSE, static_cast<USHORT>(entry), &size, nullptr));
  }

 private:
  void* base() const { return const_cast<unsigned char*>(file_.data()); }
  std::optional<uint64_t> OffsetOf(const void* at) const {
    const auto* p = static_cast<const unsigned char*>(at);
    if (p == nullptr || p < file_.data() || p >= file_.data() + file_.size()) return std::nullopt;
    return static_cast<uint64_t>(p - file_.data());
  }

  std::span<const unsigned char> file_;
};

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A folder the system writes into a buffer (GetWindowsDirectoryW's form), else `otherwise`.
std::string SystemPath(UINT(WINAPI* get)(LPWSTR, UINT), const std::string& otherwise) {
  wchar_t buffer[MAX_PATH];
  const UINT length = get(buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? Narrow(std::wstring(buffer, length)) : otherwise;
}

std::string WindowsFolder() {
  return SystemPath(GetWindowsDirectoryW, "C:\\Windows");
}

// The system folder that holds modules of `width` as this process sees the file system.
std::string SystemFolder(int width) {
  if (width != kOwnWidth && kOwnWidth == 32) {
    return WindowsFolder() + "\\Sysnative";  // the 64-bit system folder, seen from 32 bits
  }
  return SystemPath(width == kOwnWidth ? GetSystemDirectoryW : GetSystemWow64DirectoryW,
                    WindowsFolder() + "\\System32");
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  return last == '\\' || last == '/' ? folder + name : folder + "\\" + name;
}

std::string OwnPath() {
  const std::string path = kit::Utf8(kit::ProgramPath());
  return path.empty() ? "fintop-doctor.exe" : path;
}

// The names of the exception codes a crashing loader ends a process with.
std::string ExceptionName(DWORD code) {
  static constexpr std::pair<DWORD, const char*> kNames[] = {
      {0xC0000005, "access violation"},
      {0xC0000006, "in-page error"},
      {0xC000001D, "illegal instruction"},
      {0xC0000094, "integer division by zero"},
      {0xC0000096, "privileged instruction"},
      {0xC00000FD, "stack overflow"},
      {0xC0000374, "heap corruption"},
      {0xC0000409, "stack buffer overrun"},
      {0x80000003, "breakpoint"},
      {0xC0000142, "a module's initialisation failed"}};
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
  std::string text = std::string("exception ") + hex;
  for (const auto& [known, name] : kNames) {
    if (known == code) text += std::string(", ") + name;
  }
  return text;
}

// The child's last word on an exception nothing handled: its code as the exit status, at once
// (no debugger, no dialog box, no module's detach code).
LONG WINAPI EndOnException(EXCEPTION_POINTERS* exception) {
  const DWORD code = exception != nullptr && exception->ExceptionRecord != nullptr
                         ? exception->ExceptionRecord->ExceptionCode
                         : 0xC0000005;
  TerminateProcess(GetCurrentProcess(), code);
  return EXCEPTION_EXECUTE_HANDLER;
}

// The known DLLs (the registry's list): the loader takes these from the system folder,
// whatever the plug-in's folder holds.
bool IsKnownDll(const std::string& module) {
  static const std::vector<std::string> known = [] {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                      L"System\\CurrentControlSet\\Control\\Session Manager\\KnownDLLs", 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
      return names;
    }
    for (DWORD i = 0; i < 4096; ++i) {
      wchar_t name[256];
      wchar_t data[256];
      DWORD name_size = 256, data_size = sizeof data, type = 0;
      const LONG status = RegEnumValueW(key, i, name, &name_size, nullptr, &type,
                                        reinterpret_cast<BYTE*>(data), &data_size);
      if (status == ERROR_NO_MORE_ITEMS) break;
      if (status != ERROR_SUCCESS || type != REG_SZ) continue;
      const size_t chars = std::min<size_t>(data_size / sizeof(wchar_t), 256);
      names.push_back(Narrow(std::wstring(data, wcsnlen(data, chars))));
    }
    RegCloseKey(key);
    return names;
  }();
  return std::any_of(known.begin(), known.end(),
                     [&](const std::string& name) { return SameModuleName(name, module); });
}

}  // namespace

Image ReadImage(const std::string& path) {
  FileView view(path);
  const DbghelpLookups lookups(view.bytes());
  Image image = ReadPe(view.bytes(), path, &lookups);
  // The version resource as the recorder reads it (tools/trace/system.h).
  const trace::FileVersion version = trace::VersionOf(path);
  if (!version.file.empty()) {
    image.file_version = version.file;
    image.product_version = version.product;
  }
  return image;
}

std::optional<Found> FindModule(const std::string& module, const Image& importer,
                                const std::string& folder) {
  const std::string lower = ModuleKey(module);
  if (lower.starts_with("api-ms-") || lower.starts_with("ext-ms-")) {
    return Found{module, "Windows (an API set)", true};
  }
  // The loader's order for a plug-in loaded from `folder`: a known DLL from the system folder;
  // that folder, the system folder, the Windows folder, then PATH.
  if (IsKnownDll(module) && IsFile(Join(SystemFolder(importer.width), module))) {
    return Found{Join(SystemFolder(importer.width), module), SystemFolder(importer.width), true};
  }
  if (IsFile(Join(folder, module))) return Found{Join(folder, module), "the folder", false};
  for (const std::string& system : {SystemFolder(importer.width), WindowsFolder()}) {
    if (IsFile(Join(system, module))) return Found{Join(system, module), system, true};
  }
  const std::string path = trace::Environment("PATH").value_or("");
  std::string_view rest(path);
  while (!rest.empty()) {
    const size_t end = std::min(rest.find(';'), rest.size());
    const std::string entry(rest.substr(0, end));
    rest.remove_prefix(std::min(end + 1, rest.size()));
    if (!entry.empty() && IsFile(Join(entry, module)))
      return Found{Join(entry, module), entry, false};
  }
  return std::nullopt;
}

LoadResult LoadInChild(const std::string& path, const std::string& folder, int seconds) {
  auto not_started = [](const std::string& why) {
    return ReadLoadReport("", {ChildEnd::How::kNotStarted, 0, why});
  };
  // The child's stdout and stderr are the pipe's inheritable end, its stdin NUL.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  Handle read_end, write_end, nothing;
  if (!CreatePipe(&read_end.handle, &write_end.handle, &inherit, 0) ||
      !SetHandleInformation(read_end.handle, HANDLE_FLAG_INHERIT, 0)) {
    return not_started(kit::SystemMessage(GetLastError()));
  }
  nothing.handle = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nothing.handle;
  startup.hStdOutput = write_end.handle;
  startup.hStdError = write_end.handle;
  const std::string self = OwnPath();
  std::wstring command =
      Wide(kit::CommandLineArgument(self) + " --load-only " + kit::CommandLineArgument(path) + " " +
           kit::CommandLineArgument(folder));
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(Wide(self).c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &process)) {
    return not_started(kit::SystemMessage(GetLastError()));
  }
  Handle child{process.hProcess}, thread{process.hThread};
  CloseHandle(write_end.handle);  // the child's copy is its only writer now
  write_end.handle = nullptr;
  // Read until the child has ended and the pipe is drained, or until the time is up.
  const ULONGLONG deadline = GetTickCount64() + 1000ull * static_cast<unsigned>(seconds);
  std::string output;
  bool ended = false, open = true;
  while (GetTickCount64() < deadline) {
    DWORD waiting = 0;
    if (open && !PeekNamedPipe(read_end.handle, nullptr, 0, nullptr, &waiting, nullptr)) {
      open = false;  // every writer has closed it
    }
    if (open && waiting > 0) {
      char buffer[4096];
      DWORD got = 0;
      if (!ReadFile(read_end.handle, buffer, std::min<DWORD>(waiting, sizeof buffer), &got,
                    nullptr)) {
        open = false;
      } else if (output.size() < (1u << 20)) {
        output.append(buffer, got);
      }
      continue;
    }
    if (ended) break;  // ended, and nothing more is waiting
    ended = WaitForSingleObject(child.handle, 20) == WAIT_OBJECT_0;
  }
  ChildEnd end;
  if (!ended) {
    TerminateProcess(child.handle, 1);
    WaitForSingleObject(child.handle, 5000);
    end.how = ChildEnd::How::kTimedOut;
    return ReadLoadReport(output, end);
  }
  DWORD code = 0;
  GetExitCodeProcess(child.handle, &code);
  end.status = static_cast<long>(code);
  if ((code & 0xF0000000) == 0xC0000000 || code == 0x80000003) {
    end.how = ChildEnd::How::kCrashed;
    end.what = ExceptionName(code);
  } else if (code == 3) {
    end.how = ChildEnd::How::kAborted;  // the C runtime's abort()
    end.what = "abort, exit status 3";
  }
  return ReadLoadReport(output, end);
}

int LoadOnly(const std::string& path, const std::string& folder) {
  // No dialog box for a module that is missing or of the wrong width, none for a crash.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(EndOnException);
  // The plug-in's imports, from its file: after the load each is asked of its module.
  std::vector<ImportedModule> imports;
  try {
    imports = ReadImage(path).imports;
  } catch (const BadFile&) {
    // The doctor read it before starting this process; the loader has the last word now.
  }
  std::vector<wchar_t> full(32768);
  const DWORD length =
      GetFullPathNameW(Wide(path).c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  const std::wstring file =
      length > 0 && length < full.size() ? std::wstring(full.data(), length) : Wide(path);
  Report("step loading");
  SetDllDirectoryW(Wide(folder).c_str());
  HMODULE plugin = LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD error = GetLastError();
  SetDllDirectoryW(nullptr);
  if (plugin == nullptr) {
    Report("refused " + kit::SystemMessage(error, BaseName(path)));
    Report("done");
    return 0;
  }
  Report("loaded");
  Report("step resolving the exports of");
  for (const std::string& name : Expected().all) {
    if (GetProcAddress(plugin, name.c_str()) == nullptr) Report("unresolved " + name);
  }
  // A loader that binds a missing import to a stub instead of refusing the load (Wine's does)
  // loaded it all the same: every import is asked of the module it comes from.
  for (const ImportedModule& module : imports) {
    HMODULE from = GetModuleHandleA(module.module.c_str());
    for (const std::string& name : module.names) {
      const char* wanted = name.c_str();
      if (name.starts_with("#")) {
        wanted = MAKEINTRESOURCEA(static_cast<WORD>(std::strtoul(name.c_str() + 1, nullptr, 10)));
      }
      if (from == nullptr || GetProcAddress(from, wanted) == nullptr) {
        Report("stubbed " + kit::BytesShown(module.module) + " " + kit::BytesShown(name));
      }
    }
  }
  Report("step unloading");
  FreeLibrary(plugin);
  Report("done");
  return 0;
}

}  // namespace doctor
