#include "image.h"

#include <gelf.h>
#include <libelf.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string_view>
#include <vector>

namespace doctor {

namespace {

// libelf's handle on the bytes, which libelf wants writable and which the caller keeps for the
// handle's life; released when it goes, also when the constructor throws.
class ElfFile : public ModuleBytes {
 public:
  ElfFile(std::span<unsigned char> file, const std::string& path) : ModuleBytes(path, file.size()) {
    if (elf_version(EV_CURRENT) == EV_NONE) Fail("cannot be read (libelf)");
    elf_.reset(elf_memory(reinterpret_cast<char*>(file.data()), file.size()));
    if (elf_ == nullptr || elf_kind(elf_.get()) != ELF_K_ELF) {
      Fail("is not a module (no ELF header)");
    }
  }

  Elf* get() const { return elf_.get(); }

  // A part libelf could not read, with libelf's word on it.
  [[noreturn]] void Unreadable(const char* part) const {
    Malformed(std::string(part) + ": " + elf_errmsg(-1));
  }

 private:
  std::unique_ptr<Elf, decltype(&elf_end)> elf_{nullptr, &elf_end};
};

std::string ElfMachineName(GElf_Half machine) {
  static constexpr std::pair<GElf_Half, const char*> kNames[] = {
      {EM_X86_64, "x86-64"}, {EM_386, "x86"}, {EM_AARCH64, "ARM64"}, {EM_ARM, "ARM"}};
  for (const auto& [known, name] : kNames) {
    if (known == machine) return name;
  }
  return "machine " + std::to_string(machine);
}

// A table section's data and its count of entries: its size over its entry size, which must be
// the type's.
std::pair<Elf_Data*, size_t> Table(const ElfFile& file, Elf_Scn* section, const GElf_Shdr& header,
                                   Elf_Type type, const char* part) {
  Elf_Data* data = elf_getdata(section, nullptr);
  if (data == nullptr) file.Unreadable(part);
  const size_t entry = gelf_fsize(file.get(), type, 1, EV_CURRENT);
  if (entry == 0 || header.sh_entsize != entry) file.Unreadable(part);
  return {data, header.sh_size / entry};
}

void ReadSymbols(const ElfFile& file, Elf_Scn* section, const GElf_Shdr& header, Image& image) {
  const auto [data, count] = Table(file, section, header, ELF_T_SYM, "dynamic symbols");
  for (size_t i = 1; i < count; ++i) {
    GElf_Sym symbol;
    if (i > INT32_MAX || gelf_getsym(data, static_cast<int>(i), &symbol) == nullptr) {
      file.Unreadable("dynamic symbols");
    }
    const char* name = elf_strptr(file.get(), header.sh_link, symbol.st_name);
    if (name == nullptr) file.Unreadable("symbol names");
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

// `folder` with each $ORIGIN and ${ORIGIN} as the folder of `path`, wherever it stands, as the
// loader expands them; a longer name ("$ORIGINAL") is left as it is.
std::string ExpandOrigin(std::string_view folder, const std::string& path) {
  std::string out;
  for (size_t i = 0; i < folder.size();) {
    const std::string_view rest = folder.substr(i);
    size_t token = rest.starts_with("${ORIGIN}") ? 9 : rest.starts_with("$ORIGIN") ? 7 : 0;
    if (token == 7 && rest.size() > 7 &&
        (std::isalnum(static_cast<unsigned char>(rest[7])) != 0 || rest[7] == '_'))
      token = 0;
    if (token == 0) {
      out += folder[i++];
      continue;
    }
    out += FolderOf(path);
    i += token;
  }
  return out;
}

void ReadDynamic(const ElfFile& file, Elf_Scn* section, const GElf_Shdr& header, Image& image) {
  const auto [data, count] = Table(file, section, header, ELF_T_DYN, "dynamic section");
  std::vector<std::string> rpath, runpath;
  for (size_t i = 0; i < count; ++i) {
    GElf_Dyn entry;
    if (i > INT32_MAX || gelf_getdyn(data, static_cast<int>(i), &entry) == nullptr) {
      file.Unreadable("dynamic section");
    }
    if (entry.d_tag == DT_NULL) break;
    if (entry.d_tag == DT_FLAGS_1 && (entry.d_un.d_val & DF_1_PIE) != 0) {
      image.library = false;
      image.kind = "program";
    }
    if (entry.d_tag != DT_NEEDED && entry.d_tag != DT_RUNPATH && entry.d_tag != DT_RPATH &&
        entry.d_tag != DT_SONAME)
      continue;
    const char* text = elf_strptr(file.get(), header.sh_link, entry.d_un.d_val);
    if (text == nullptr) file.Unreadable("dynamic strings");
    if (entry.d_tag == DT_SONAME) {
      image.own_name = text;
    } else if (entry.d_tag == DT_NEEDED) {
      image.imports.push_back({text, {}});
    } else {
      for (const std::string& one : SplitFolders(text, ":"))
        (entry.d_tag == DT_RUNPATH ? runpath : rpath).push_back(ExpandOrigin(one, image.path));
    }
  }
  // RPATH counts only when there is no RUNPATH.
  image.run_path = runpath.empty() ? rpath : runpath;
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::vector<std::string> SplitFolders(std::string_view text, const char* separators) {
  std::vector<std::string> folders;
  for (size_t start = 0; !text.empty();) {
    const size_t end = std::min(text.find_first_of(separators, start), text.size());
    folders.emplace_back(end == start ? std::string_view(".") : text.substr(start, end - start));
    if (end == text.size()) break;
    start = end + 1;
  }
  return folders;
}

Image ReadElf(std::span<unsigned char> bytes, const std::string& path) {
  const ElfFile file(bytes, path);
  elf_errno();  // clears an error left by an earlier file
  Image image;
  image.path = path;
  GElf_Ehdr header;
  if (gelf_getehdr(file.get(), &header) == nullptr) file.Unreadable("ELF header");
  const int elf_class = gelf_getclass(file.get());
  image.width = elf_class == ELFCLASS64 ? 64 : elf_class == ELFCLASS32 ? 32 : 0;
  if (image.width == 0) file.Fail("is malformed (unknown ELF class)");
  image.machine = ElfMachineName(header.e_machine);
  image.library = header.e_type == ET_DYN;
  image.kind = image.library              ? "shared object"
               : header.e_type == ET_EXEC ? "program"
                                          : "object file";
  // Every header and segment must lie in the file: the loader maps them, and touching a
  // mapping beyond the end of a truncated file kills the process.
  size_t sections = 0, segments = 0;
  if (elf_getshdrnum(file.get(), &sections) != 0) file.Unreadable("section headers");
  if (elf_getphdrnum(file.get(), &segments) != 0) file.Unreadable("program headers");
  // Counts and entry sizes are 16 bits at most (or 32 for an extended count): no overflow.
  if (sections > UINT32_MAX || segments > UINT32_MAX ||
      !file.Holds(header.e_shoff, GElf_Off{sections} * header.e_shentsize) ||
      !file.Holds(header.e_phoff, GElf_Off{segments} * header.e_phentsize)) {
    file.Malformed("headers beyond the end of the file");
  }
  for (size_t i = 0; i < segments; ++i) {
    GElf_Phdr segment;
    if (gelf_getphdr(file.get(), static_cast<int>(i), &segment) == nullptr)
      file.Unreadable("program headers");
    if (!file.Holds(segment.p_offset, segment.p_filesz)) {
      file.Malformed("a segment beyond the end of the file");
    }
  }
  for (Elf_Scn* section = elf_nextscn(file.get(), nullptr); section != nullptr;
       section = elf_nextscn(file.get(), section)) {
    GElf_Shdr section_header;
    if (gelf_getshdr(section, &section_header) == nullptr) file.Unreadable("section headers");
    if (section_header.sh_type == SHT_DYNSYM) ReadSymbols(file, section, section_header, image);
    if (section_header.sh_type == SHT_DYNAMIC) ReadDynamic(file, section, section_header, image);
  }
  if (elf_errno() != 0) file.Unreadable("sections");
  return image;
}

}  // namespace doctor
