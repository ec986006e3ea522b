// The platform side on Linux: a module is read with libelf (its dynamic symbols, its needed
// libraries and RUNPATH), libraries are looked for as the dynamic linker does, and the real
// load is dlopen with every name resolved by dlsym.
#include <dlfcn.h>
#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "image.h"
#include "names.h"

namespace doctor {

namespace {

// libelf's handle on an open file; both are released when it goes, also when the
// constructor throws (each is a member of its own).
class ElfFile {
 public:
  explicit ElfFile(const std::string& path) : path_(path) {
    struct stat info {};
    fd_.fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_.fd < 0 || fstat(fd_.fd, &info) != 0) Fail("cannot be read");
    if (!S_ISREG(info.st_mode)) Fail("is not a file");
    if (info.st_size == 0) Fail("is empty, not a module");
    size_ = static_cast<size_t>(info.st_size);
    if (elf_version(EV_CURRENT) == EV_NONE) Fail("cannot be read (libelf)");
    elf_.elf = elf_begin(fd_.fd, ELF_C_READ, nullptr);
    if (elf_.elf == nullptr || elf_kind(elf_.elf) != ELF_K_ELF)
      Fail("is not a module (no ELF header)");
  }

  ElfFile(const ElfFile&) = delete;
  ElfFile& operator=(const ElfFile&) = delete;

  Elf* get() const { return elf_.elf; }
  size_t size() const { return size_; }

  [[noreturn]] void Fail(const std::string& what) const {
    throw BadFile(Sanitize(path_) + ": " + what);
  }
  [[noreturn]] void Malformed(const char* part) const {
    Fail(std::string("is truncated or malformed (") + part + ": " + elf_errmsg(-1) + ")");
  }

 private:
  struct Descriptor {
    int fd = -1;
    ~Descriptor() {
      if (fd >= 0) close(fd);
    }
  };
  struct Handle {
    Elf* elf = nullptr;
    ~Handle() {
      if (elf != nullptr) elf_end(elf);
    }
  };

  std::string path_;
  size_t size_ = 0;
  Descriptor fd_;  // declared before elf_: closed after it
  Handle elf_;
};

std::string MachineName(GElf_Half machine) {
  switch (machine) {
    case EM_X86_64:
      return "x86-64";
    case EM_386:
      return "x86";
    case EM_AARCH64:
      return "ARM64";
    case EM_ARM:
      return "ARM";
    default:
      return "machine " + std::to_string(machine);
  }
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

void ReadSymbols(const ElfFile& file, Elf_Scn* section, const GElf_Shdr& header, Image& image) {
  Elf_Data* data = elf_getdata(section, nullptr);
  if (data == nullptr || header.sh_entsize == 0) file.Malformed("dynamic symbols");
  const size_t count = header.sh_size / header.sh_entsize;
  for (size_t i = 1; i < count; ++i) {
    GElf_Sym symbol;
    if (gelf_getsym(data, static_cast<int>(i), &symbol) == nullptr)
      file.Malformed("dynamic symbols");
    const char* name = elf_strptr(file.get(), header.sh_link, symbol.st_name);
    if (name == nullptr) file.Malformed("symbol names");
    const int binding = GELF_ST_BIND(symbol.st_info);
    const int type = GELF_ST_TYPE(symbol.st_info);
    if (*name == '\0' || type == STT_SECTION || type == STT_FILE) continue;
    if (symbol.st_shndx == SHN_UNDEF) {
      if (binding == STB_GLOBAL) image.unbound.emplace_back(name);
    } else if ((binding == STB_GLOBAL || binding == STB_WEAK || binding == STB_GNU_UNIQUE) &&
               GELF_ST_VISIBILITY(symbol.st_other) == STV_DEFAULT) {
      image.exports.emplace_back(name);
    }
  }
}

void ReadDynamic(const ElfFile& file, Elf_Scn* section, const GElf_Shdr& header, Image& image) {
  Elf_Data* data = elf_getdata(section, nullptr);
  if (data == nullptr || header.sh_entsize == 0) file.Malformed("dynamic section");
  const size_t count = header.sh_size / header.sh_entsize;
  std::vector<std::string> rpath, runpath;
  for (size_t i = 0; i < count; ++i) {
    GElf_Dyn entry;
    if (gelf_getdyn(data, static_cast<int>(i), &entry) == nullptr)
      file.Malformed("dynamic section");
    if (entry.d_tag == DT_NULL) break;
    if (entry.d_tag == DT_FLAGS_1 && (entry.d_un.d_val & DF_1_PIE) != 0) {
      image.library = false;
      image.kind = "program";
    }
    if (entry.d_tag != DT_NEEDED && entry.d_tag != DT_RUNPATH && entry.d_tag != DT_RPATH) continue;
    const char* text = elf_strptr(file.get(), header.sh_link, entry.d_un.d_val);
    if (text == nullptr) file.Malformed("dynamic strings");
    if (entry.d_tag == DT_NEEDED) {
      image.imports.push_back({text, {}});
      continue;
    }
    std::string_view rest = text;
    while (!rest.empty()) {
      const size_t end = std::min(rest.find(':'), rest.size());
      std::string folder(rest.substr(0, end));
      rest.remove_prefix(std::min(end + 1, rest.size()));
      for (const char* origin : {"$ORIGIN", "${ORIGIN}"}) {
        if (folder.starts_with(origin))
          folder = FolderOf(image.path) + folder.substr(std::strlen(origin));
      }
      (entry.d_tag == DT_RUNPATH ? runpath : rpath).push_back(folder);
    }
  }
  // RPATH counts only when there is no RUNPATH.
  image.run_path = runpath.empty() ? rpath : runpath;
}

bool IsFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::vector<std::string> Split(const char* text) {
  std::vector<std::string> parts;
  std::string_view rest = text == nullptr ? "" : text;
  while (!rest.empty()) {
    const size_t end = std::min(rest.find_first_of(":;"), rest.size());
    if (end > 0) parts.emplace_back(rest.substr(0, end));
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  return parts;
}

}  // namespace

Image ReadImage(const std::string& path) {
  ElfFile file(path);
  Image image;
  image.path = path;
  GElf_Ehdr header;
  if (gelf_getehdr(file.get(), &header) == nullptr) file.Malformed("ELF header");
  const int elf_class = gelf_getclass(file.get());
  image.width = elf_class == ELFCLASS64 ? 64 : elf_class == ELFCLASS32 ? 32 : 0;
  if (image.width == 0) file.Fail("is malformed (unknown ELF class)");
  image.machine = MachineName(header.e_machine);
  image.library = header.e_type == ET_DYN;
  image.kind = image.library              ? "shared object"
               : header.e_type == ET_EXEC ? "program"
                                          : "object file";
  // Every header and segment must lie in the file: the loader maps them, and touching a
  // mapping beyond the end of a truncated file kills the process.
  size_t sections = 0, segments = 0;
  if (elf_getshdrnum(file.get(), &sections) != 0) file.Malformed("section headers");
  if (elf_getphdrnum(file.get(), &segments) != 0) file.Malformed("program headers");
  const auto size = static_cast<GElf_Off>(file.size());
  auto within = [size](GElf_Off offset, GElf_Off length) {
    return offset <= size && length <= size - offset;
  };
  if (!within(header.e_shoff, GElf_Off{sections} * header.e_shentsize) ||
      !within(header.e_phoff, GElf_Off{segments} * header.e_phentsize)) {
    file.Fail("is truncated or malformed (headers beyond the end of the file)");
  }
  for (size_t i = 0; i < segments; ++i) {
    GElf_Phdr segment;
    if (gelf_getphdr(file.get(), static_cast<int>(i), &segment) == nullptr)
      file.Malformed("program headers");
    if (!within(segment.p_offset, segment.p_filesz)) {
      file.Fail("is truncated or malformed (a segment beyond the end of the file)");
    }
  }
  for (Elf_Scn* section = elf_nextscn(file.get(), nullptr); section != nullptr;
       section = elf_nextscn(file.get(), section)) {
    GElf_Shdr section_header;
    if (gelf_getshdr(section, &section_header) == nullptr) file.Malformed("section headers");
    if (section_header.sh_type == SHT_DYNSYM) ReadSymbols(file, section, section_header, image);
    if (section_header.sh_type == SHT_DYNAMIC) ReadDynamic(file, section, section_header, image);
  }
  if (elf_errno() != 0) file.Malformed("sections");
  return image;
}

std::optional<Found> FindModule(const std::string& module, const Image& importer,
                                const std::string& folder) {
  if (module.find('/') != std::string::npos) {
    if (IsFile(module)) return Found{module, FolderOf(module), false};
    return std::nullopt;
  }
  // The dynamic linker's order: LD_LIBRARY_PATH, the importer's RUNPATH (for the plug-in
  // loaded from `folder`, its $ORIGIN), then the system's libraries.
  std::vector<std::string> folders = Split(std::getenv("LD_LIBRARY_PATH"));
  folders.insert(folders.end(), importer.run_path.begin(), importer.run_path.end());
  for (const std::string& place : folders) {
    const std::string path = place + "/" + module;
    if (!IsFile(path)) continue;
    if (FolderOf(path) == folder || place == folder) return Found{path, "the folder", false};
    return Found{path, place, false};
  }
  // A system library: the one this process has loaded already, else the default folders.
  if (void* handle = dlopen(module.c_str(), RTLD_LAZY | RTLD_NOLOAD)) {
    link_map* map = nullptr;
    std::string path;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr) {
      path = map->l_name;
    }
    dlclose(handle);
    if (!path.empty() && IsFile(path)) return Found{path, FolderOf(path), true};
  }
  const char* multiarch = importer.width == 64 ? "x86_64-linux-gnu" : "i386-linux-gnu";
  for (const std::string& place :
       {std::string("/lib/") + multiarch, std::string("/usr/lib/") + multiarch, std::string("/lib"),
        std::string("/usr/lib")}) {
    if (IsFile(place + "/" + module)) return Found{place + "/" + module, place, true};
  }
  return std::nullopt;
}

LoadResult LoadPlugin(const std::string& path, const std::string& /*folder*/,
                      const std::vector<std::string>& names) {
  LoadResult result;
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  dlerror();
  void* plugin = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (plugin == nullptr) {
    const char* message = dlerror();
    result.message = message != nullptr ? message : "dlopen failed";
    return result;
  }
  result.loaded = true;
  for (const std::string& name : names) {
    if (dlsym(plugin, name.c_str()) == nullptr) result.unresolved.push_back(name);
  }
  dlclose(plugin);
  return result;
}

std::string OwnFolder() {
  char buffer[4096];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  return length > 0 && static_cast<size_t>(length) < sizeof buffer
             ? FolderOf(std::string(buffer, static_cast<size_t>(length)))
             : ".";
}

int OwnWidth() {
  return static_cast<int>(sizeof(void*) * 8);
}

const char* PluginFileName() {
  return "libfintop.so";
}

bool SameModuleName(const std::string& a, const std::string& b) {
  return a == b;
}

}  // namespace doctor
