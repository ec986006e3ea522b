// The platform side on Windows. A module is read from a read-only view of its file with
// dbghelp's image functions (ImageNtHeader, ImageDirectoryEntryToDataEx, ImageRvaToVa), which
// read the image headers of either width; they trust the offsets a file holds, so every
// pointer they give is checked against the view before it is read. The version resource comes
// from version.dll. Only the plug-in is ever loaded, and only by LoadPlugin.
#include <windows.h>
// windows.h first: dbghelp.h needs its types.
#include <dbghelp.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>

#include "image.h"
#include "names.h"

namespace doctor {

namespace {

std::string SystemMessage(DWORD error) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length != 0 && buffer != nullptr ? std::string(buffer, length) : "";
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  if (text.empty()) text = "unknown error";
  return text + " (error " + std::to_string(error) + ")";
}

// A read-only view of a whole file; unmapped and closed when it goes.
class FileView {
 public:
  explicit FileView(const std::string& path) : path_(path) {
    file_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) Fail("cannot be read: " + SystemMessage(GetLastError()));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_, &size)) Fail("cannot be read: " + SystemMessage(GetLastError()));
    if (size.QuadPart == 0) Fail("is empty, not a module");
    size_ = static_cast<size_t>(size.QuadPart);
    mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping_ == nullptr) Fail("cannot be mapped: " + SystemMessage(GetLastError()));
    base_ = static_cast<const unsigned char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
    if (base_ == nullptr) Fail("cannot be mapped: " + SystemMessage(GetLastError()));
  }
  ~FileView() { Close(); }
  FileView(const FileView&) = delete;
  FileView& operator=(const FileView&) = delete;

  void* base() const { return const_cast<unsigned char*>(base_); }

  // Whether [at, at + length) lies in the file.
  bool Holds(const void* at, size_t length) const {
    const auto* p = static_cast<const unsigned char*>(at);
    return p >= base_ && p <= base_ + size_ && length <= static_cast<size_t>(base_ + size_ - p);
  }

  template <class T>
  const T& At(const void* at, const char* what) const {
    if (at == nullptr || !Holds(at, sizeof(T)))
      Fail(std::string("is truncated or malformed (") + what + ")");
    return *static_cast<const T*>(at);
  }

  // The NUL-terminated text at `at`, which must end inside the file.
  std::string Text(const void* at, const char* what) const {
    if (at == nullptr || !Holds(at, 1))
      Fail(std::string("is truncated or malformed (") + what + ")");
    const auto* p = static_cast<const char*>(at);
    const size_t room = static_cast<size_t>(reinterpret_cast<const char*>(base_) + size_ - p);
    const void* end = std::memchr(p, 0, room);
    if (end == nullptr) Fail(std::string("is truncated or malformed (") + what + ")");
    return std::string(p, static_cast<const char*>(end));
  }

  [[noreturn]] void Fail(const std::string& what) const {
    const_cast<FileView*>(this)->Close();
    throw BadFile(Sanitize(path_) + ": " + what);
  }

 private:
  void Close() {
    if (base_ != nullptr) UnmapViewOfFile(base_);
    if (mapping_ != nullptr) CloseHandle(mapping_);
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    base_ = nullptr;
    mapping_ = nullptr;
    file_ = INVALID_HANDLE_VALUE;
  }

  std::string path_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  HANDLE mapping_ = nullptr;
  const unsigned char* base_ = nullptr;
  size_t size_ = 0;
};

std::string MachineName(WORD machine) {
  switch (machine) {
    case IMAGE_FILE_MACHINE_AMD64:
      return "x86-64";
    case IMAGE_FILE_MACHINE_I386:
      return "x86";
    case 0xAA64:
      return "ARM64";
    case IMAGE_FILE_MACHINE_ARMNT:
      return "ARM";
    default:
      break;
  }
  char text[16];
  std::snprintf(text, sizeof text, "0x%04x", machine);
  return text;
}

std::string VersionText(DWORD most, DWORD least) {
  return std::to_string(HIWORD(most)) + "." + std::to_string(LOWORD(most)) + "." +
         std::to_string(HIWORD(least)) + "." + std::to_string(LOWORD(least));
}

void ReadVersion(Image& image) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(image.path.c_str(), &ignored);
  if (size == 0) return;
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(image.path.c_str(), 0, size, data.data())) return;
  void* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\", &fixed, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
    return;
  }
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  if (info->dwSignature != 0xFEEF04BD) return;
  image.file_version = VersionText(info->dwFileVersionMS, info->dwFileVersionLS);
  image.product_version = VersionText(info->dwProductVersionMS, info->dwProductVersionLS);
}

// The data of directory `entry` of the image, or null when it has none.
template <class T>
const T* Directory(const FileView& view, USHORT entry, ULONG& size) {
  size = 0;
  return static_cast<const T*>(
      ImageDirectoryEntryToDataEx(view.base(), FALSE, entry, &size, nullptr));
}

const void* AtRva(const FileView& view, PIMAGE_NT_HEADERS nt, DWORD rva) {
  return rva == 0 ? nullptr : ImageRvaToVa(nt, view.base(), rva, nullptr);
}

void ReadExports(const FileView& view, PIMAGE_NT_HEADERS nt, Image& image) {
  ULONG size = 0;
  const auto* directory =
      Directory<IMAGE_EXPORT_DIRECTORY>(view, IMAGE_DIRECTORY_ENTRY_EXPORT, size);
  if (directory == nullptr) return;
  const auto& exports = view.At<IMAGE_EXPORT_DIRECTORY>(directory, "export directory");
  if (exports.NumberOfNames == 0) return;
  const void* names = AtRva(view, nt, exports.AddressOfNames);
  if (names == nullptr || !view.Holds(names, size_t{exports.NumberOfNames} * sizeof(DWORD))) {
    view.Fail("is truncated or malformed (export names)");
  }
  for (DWORD i = 0; i < exports.NumberOfNames; ++i) {
    DWORD rva = 0;
    std::memcpy(&rva, static_cast<const char*>(names) + i * sizeof(DWORD), sizeof rva);
    image.exports.push_back(view.Text(AtRva(view, nt, rva), "export name"));
  }
}

// One module's thunks: names, or "#N" for an import by ordinal.
template <class Thunk>
std::vector<std::string> ReadThunks(const FileView& view, PIMAGE_NT_HEADERS nt, DWORD rva,
                                    Thunk ordinal_flag) {
  std::vector<std::string> names;
  const auto* thunk = static_cast<const char*>(AtRva(view, nt, rva));
  if (thunk == nullptr) view.Fail("is truncated or malformed (import thunks)");
  for (;; thunk += sizeof(Thunk)) {
    if (!view.Holds(thunk, sizeof(Thunk))) view.Fail("is truncated or malformed (import thunks)");
    Thunk entry = 0;
    std::memcpy(&entry, thunk, sizeof entry);
    if (entry == 0) break;
    if ((entry & ordinal_flag) != 0) {
      names.push_back("#" + std::to_string(static_cast<unsigned>(entry & 0xffff)));
      continue;
    }
    const auto* by_name =
        static_cast<const char*>(AtRva(view, nt, static_cast<DWORD>(entry & 0x7fffffff)));
    if (by_name == nullptr) view.Fail("is truncated or malformed (import name)");
    names.push_back(view.Text(by_name + offsetof(IMAGE_IMPORT_BY_NAME, Name), "import name"));
  }
  return names;
}

void ReadImports(const FileView& view, PIMAGE_NT_HEADERS nt, Image& image) {
  ULONG size = 0;
  const auto* descriptor =
      Directory<IMAGE_IMPORT_DESCRIPTOR>(view, IMAGE_DIRECTORY_ENTRY_IMPORT, size);
  if (descriptor == nullptr) return;
  for (;; ++descriptor) {
    const auto& entry = view.At<IMAGE_IMPORT_DESCRIPTOR>(descriptor, "import directory");
    if (entry.Name == 0 && entry.FirstThunk == 0) break;
    ImportedModule module;
    module.module = view.Text(AtRva(view, nt, entry.Name), "imported module name");
    const DWORD thunks =
        entry.OriginalFirstThunk != 0 ? entry.OriginalFirstThunk : entry.FirstThunk;
    module.names = image.width == 64 ? ReadThunks<ULONGLONG>(view, nt, thunks, IMAGE_ORDINAL_FLAG64)
                                     : ReadThunks<DWORD>(view, nt, thunks, IMAGE_ORDINAL_FLAG32);
    image.imports.push_back(std::move(module));
  }
}

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string WindowsFolder() {
  char buffer[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(buffer, length) : "C:\\Windows";
}

// The system folder that holds modules of `width` as this process sees the file system.
std::string SystemFolder(int width) {
  char buffer[MAX_PATH];
  UINT length = 0;
  if (width == OwnWidth()) {
    length = GetSystemDirectoryA(buffer, MAX_PATH);
  } else if (OwnWidth() == 64) {
    length = GetSystemWow64DirectoryA(buffer, MAX_PATH);
  } else {
    return WindowsFolder() + "\\Sysnative";  // the 64-bit system folder, seen from 32 bits
  }
  return length > 0 && length < MAX_PATH ? std::string(buffer, length)
                                         : WindowsFolder() + "\\System32";
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  return last == '\\' || last == '/' ? folder + name : folder + "\\" + name;
}

// The imports of the loaded `module` that its modules do not export: a loader that binds
// them to stubs instead of refusing the load (Wine's does) loads it all the same. The image
// is the loader's own, checked by it: its pointers are read as they are.
std::vector<std::string> StubbedImports(HMODULE module) {
  std::vector<std::string> stubbed;
  ULONG size = 0;
  auto* descriptor = static_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
      ImageDirectoryEntryToDataEx(module, TRUE, IMAGE_DIRECTORY_ENTRY_IMPORT, &size, nullptr));
  const auto* base = reinterpret_cast<const char*>(module);
  for (; descriptor != nullptr && descriptor->Name != 0; ++descriptor) {
    const char* name = base + descriptor->Name;
    HMODULE imported = GetModuleHandleA(name);
    const DWORD thunks = descriptor->OriginalFirstThunk != 0 ? descriptor->OriginalFirstThunk
                                                             : descriptor->FirstThunk;
    for (auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + thunks);
         thunk->u1.AddressOfData != 0; ++thunk) {
      if (IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal)) {
        const auto ordinal = static_cast<WORD>(IMAGE_ORDINAL(thunk->u1.Ordinal));
        if (imported == nullptr || GetProcAddress(imported, MAKEINTRESOURCEA(ordinal)) == nullptr) {
          stubbed.push_back(std::string(name) + " #" + std::to_string(ordinal));
        }
        continue;
      }
      const auto* by_name =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + thunk->u1.AddressOfData);
      const char* function = reinterpret_cast<const char*>(by_name->Name);
      if (imported == nullptr || GetProcAddress(imported, function) == nullptr) {
        stubbed.push_back(std::string(name) + " " + function);
      }
    }
  }
  return stubbed;
}

}  // namespace

Image ReadImage(const std::string& path) {
  FileView view(path);
  Image image;
  image.path = path;
  // The headers ImageNtHeader reads must lie in the file before it reads them.
  if (!view.Holds(view.base(), 2) || std::memcmp(view.base(), "MZ", 2) != 0) {
    view.Fail("is not a module (no MS-DOS header)");
  }
  const auto& dos = view.At<IMAGE_DOS_HEADER>(view.base(), "MS-DOS header");
  const auto* at_nt = static_cast<const char*>(view.base()) + dos.e_lfanew;
  if (dos.e_lfanew < 0 ||
      !view.Holds(at_nt, offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + sizeof(WORD))) {
    view.Fail("is truncated or malformed (image headers)");
  }
  PIMAGE_NT_HEADERS nt = ImageNtHeader(view.base());
  if (nt == nullptr) view.Fail("is not a module (no PE signature)");
  const IMAGE_FILE_HEADER& header = nt->FileHeader;
  const WORD magic = view.At<WORD>(&nt->OptionalHeader, "optional header");
  const auto* sections =
      reinterpret_cast<const char*>(&nt->OptionalHeader) + header.SizeOfOptionalHeader;
  if (!view.Holds(&nt->OptionalHeader, header.SizeOfOptionalHeader) ||
      !view.Holds(sections, size_t{header.NumberOfSections} * sizeof(IMAGE_SECTION_HEADER))) {
    view.Fail("is truncated or malformed (image headers)");
  }
  // Every section's data must lie in the file.
  for (WORD i = 0; i < header.NumberOfSections; ++i) {
    IMAGE_SECTION_HEADER section;
    std::memcpy(&section, sections + i * sizeof section, sizeof section);
    if (section.SizeOfRawData != 0 &&
        !view.Holds(static_cast<const char*>(view.base()) + section.PointerToRawData,
                    section.SizeOfRawData)) {
      view.Fail("is truncated or malformed (a section beyond the end of the file)");
    }
  }
  if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
    image.width = 32;
  } else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
    image.width = 64;
  } else {
    view.Fail("is malformed (unknown optional header)");
  }
  image.machine = MachineName(header.Machine);
  image.library = (header.Characteristics & IMAGE_FILE_DLL) != 0;
  image.kind = image.library                                                 ? "DLL"
               : (header.Characteristics & IMAGE_FILE_EXECUTABLE_IMAGE) != 0 ? "program"
                                                                             : "object file";
  ReadExports(view, nt, image);
  ReadImports(view, nt, image);
  ReadVersion(image);
  return image;
}

std::optional<Found> FindModule(const std::string& module, const Image& importer,
                                const std::string& folder) {
  std::string lower = module;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower.starts_with("api-ms-") || lower.starts_with("ext-ms-")) {
    return Found{module, "Windows (an API set)", true};
  }
  // The loader's order for a plug-in loaded from `folder`: that folder, the system folder,
  // the Windows folder, then PATH.
  if (IsFile(Join(folder, module))) return Found{Join(folder, module), "the folder", false};
  for (const std::string& system : {SystemFolder(importer.width), WindowsFolder()}) {
    if (IsFile(Join(system, module))) return Found{Join(system, module), system, true};
  }
  char path[32768];
  const DWORD length = GetEnvironmentVariableA("PATH", path, sizeof path);
  std::string_view rest(path, length < sizeof path ? length : 0);
  while (!rest.empty()) {
    const size_t end = std::min(rest.find(';'), rest.size());
    const std::string entry(rest.substr(0, end));
    rest.remove_prefix(std::min(end + 1, rest.size()));
    if (!entry.empty() && IsFile(Join(entry, module)))
      return Found{Join(entry, module), entry, false};
  }
  return std::nullopt;
}

LoadResult LoadPlugin(const std::string& path, const std::string& folder,
                      const std::vector<std::string>& names) {
  LoadResult result;
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  const std::string file = length > 0 && length < MAX_PATH ? std::string(full, length) : path;
  // No dialog box for a module that is missing or of the wrong width: the error comes back.
  const UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  SetDllDirectoryA(folder.c_str());
  HMODULE plugin = LoadLibraryExA(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD error = GetLastError();
  SetDllDirectoryA(nullptr);
  SetErrorMode(mode);
  if (plugin == nullptr) {
    result.message = SystemMessage(error);
    return result;
  }
  result.loaded = true;
  for (const std::string& name : names) {
    if (GetProcAddress(plugin, name.c_str()) == nullptr) result.unresolved.push_back(name);
  }
  result.stubbed = StubbedImports(plugin);
  FreeLibrary(plugin);
  return result;
}

std::string OwnFolder() {
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  std::string path = length > 0 && length < MAX_PATH ? std::string(buffer, length) : ".";
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

int OwnWidth() {
  return static_cast<int>(sizeof(void*) * 8);
}

const char* PluginFileName() {
  return "fintop.dll";
}

bool SameModuleName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace doctor
