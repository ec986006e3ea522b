#include "image.h"

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace doctor {

namespace {

// Offsets of the fields read, from the format's own tables.
constexpr uint64_t kDosLfanew = 0x3c;
constexpr uint64_t kFileHeaderSize = 20, kSectionSize = 40;
constexpr uint64_t kExportDirectorySize = 40, kImportDescriptorSize = 20;
constexpr uint16_t kMagic32 = 0x10b, kMagic64 = 0x20b;
constexpr unsigned kExportEntry = 0, kImportEntry = 1, kBoundImportEntry = 11;
constexpr uint16_t kFileDll = 0x2000, kFileExecutable = 0x0002;

// The file's bytes with every read checked; a read outside throws BadFile.
class Reader : public ModuleBytes {
 public:
  Reader(std::span<const unsigned char> file, const std::string& path)
      : ModuleBytes(path, file.size()), file_(file) {}

  template <class T>
  T Get(uint64_t offset, const char* what) const {
    if (!Holds(offset, sizeof(T))) Malformed(what);
    T value{};
    std::memcpy(&value, file_.data() + offset, sizeof value);  // little-endian, as the format
    return value;
  }

  // The NUL-terminated text at `offset`: it must end within kMaxPeName bytes and in the file.
  std::string Text(uint64_t offset, const char* what) const {
    if (!Holds(offset, 1)) Malformed(what);
    const uint64_t room = std::min<uint64_t>(size() - offset, kMaxPeName + 1);
    const auto* start = reinterpret_cast<const char*>(file_.data() + offset);
    const void* end = std::memchr(start, 0, static_cast<size_t>(room));
    if (end == nullptr) Malformed(what);
    return std::string(start, static_cast<const char*>(end));
  }

 private:
  std::span<const unsigned char> file_;
};

struct Headers {
  uint16_t machine = 0, characteristics = 0, sections = 0;
  int width = 0;
  uint64_t section_table = 0;
  uint64_t directories = 0;      // offset of the data directories
  uint32_t directory_count = 0;  // those that lie in the optional header and its count
};

Headers ReadHeaders(const Reader& file) {
  if (!file.Holds(0, 2) || file.Get<uint16_t>(0, "MS-DOS header") != 0x5a4d) {
    file.Fail("is not a module (no MS-DOS header)");
  }
  const uint64_t nt = file.Get<uint32_t>(kDosLfanew, "MS-DOS header");
  if (!file.Holds(nt, 4 + kFileHeaderSize)) file.Malformed("image headers");
  if (file.Get<uint32_t>(nt, "image headers") != 0x4550) {
    file.Fail("is not a module (no PE signature)");
  }
  const uint64_t header = nt + 4;
  Headers h;
  h.machine = file.Get<uint16_t>(header, "file header");
  h.sections = file.Get<uint16_t>(header + 2, "file header");
  const uint16_t optional_size = file.Get<uint16_t>(header + 16, "file header");
  h.characteristics = file.Get<uint16_t>(header + 18, "file header");
  const uint64_t optional = header + kFileHeaderSize;
  if (optional_size < 2 || !file.Holds(optional, optional_size)) file.Malformed("optional header");
  const uint16_t magic = file.Get<uint16_t>(optional, "optional header");
  if (magic != kMagic32 && magic != kMagic64) file.Fail("is malformed (unknown optional header)");
  h.width = magic == kMagic64 ? 64 : 32;
  const uint64_t count_at = h.width == 64 ? 108 : 92;  // NumberOfRvaAndSizes
  // The data directories: only those within both the optional header's size and its count.
  if (optional_size >= count_at + 4) {
    const uint32_t declared = file.Get<uint32_t>(optional + count_at, "optional header");
    const uint64_t room = (optional_size - count_at - 4) / 8;
    h.directory_count = static_cast<uint32_t>(std::min<uint64_t>(declared, room));
    h.directories = optional + count_at + 4;
  }
  h.section_table = optional + optional_size;
  if (!file.Holds(h.section_table, uint64_t{h.sections} * kSectionSize)) {
    file.Malformed("image headers");
  }
  for (uint64_t i = 0; i < h.sections; ++i) {
    const uint64_t at = h.section_table + i * kSectionSize;
    const uint32_t raw_size = file.Get<uint32_t>(at + 16, "section table");
    const uint32_t raw_at = file.Get<uint32_t>(at + 20, "section table");
    if (raw_size != 0 && !file.Holds(raw_at, raw_size)) {
      file.Malformed("a section beyond the end of the file");
    }
  }
  return h;
}

// The walk of the exports and imports. Its two lookups are `lookups`' or, without them, the
// section table's, as the system's image functions answer them.
class Walk {
 public:
  Walk(const Reader& file, const Headers& headers, const PeLookups* lookups, Image& image)
      : file_(file), headers_(headers), lookups_(lookups), image_(image) {}

  std::optional<uint64_t> RvaToOffset(uint32_t rva) const {
    if (lookups_ != nullptr) return lookups_->RvaToOffset(rva);
    for (uint64_t i = 0; i < headers_.sections; ++i) {
      const uint64_t at = headers_.section_table + i * kSectionSize;
      const uint64_t address = file_.Get<uint32_t>(at + 12, "section table");
      const uint64_t raw_size = file_.Get<uint32_t>(at + 16, "section table");
      const uint64_t raw_at = file_.Get<uint32_t>(at + 20, "section table");
      if (rva >= address && rva - address < raw_size) return raw_at + (rva - address);
    }
    return std::nullopt;
  }

  std::optional<uint64_t> Directory(unsigned entry) const {
    if (entry >= headers_.directory_count) return std::nullopt;
    if (lookups_ != nullptr) return lookups_->Directory(entry);
    const uint32_t rva =
        file_.Get<uint32_t>(headers_.directories + uint64_t{entry} * 8, "data directories");
    return rva == 0 ? std::nullopt : RvaToOffset(rva);
  }

  // The offset of `rva`, which must be in the file.
  uint64_t At(uint32_t rva, const char* what) const {
    const std::optional<uint64_t> offset = rva == 0 ? std::nullopt : RvaToOffset(rva);
    if (!offset || !file_.Holds(*offset, 1)) file_.Malformed(what);
    return *offset;
  }

  // Counts what the walk keeps: a file whose names point at one long text many times over
  // must not make it keep gigabytes.
  std::string Keep(std::string name) {
    bytes_ += name.size();
    if (++names_ > kMaxPeNames || bytes_ > kMaxPeNames * 64) {
      file_.Malformed("more names than a module holds");
    }
    return name;
  }

  std::string Name(uint32_t rva, const char* what) { return Keep(file_.Text(At(rva, what), what)); }

  void Exports() {
    const std::optional<uint64_t> directory = Directory(kExportEntry);
    if (!directory) return;
    if (!file_.Holds(*directory, kExportDirectorySize)) file_.Malformed("export directory");
    const uint32_t name_rva = file_.Get<uint32_t>(*directory + 12, "export directory");
    if (name_rva != 0) image_.own_name = Name(name_rva, "export directory's module name");
    const uint64_t count = file_.Get<uint32_t>(*directory + 24, "export directory");
    if (count == 0) return;
    const uint32_t names_rva = file_.Get<uint32_t>(*directory + 32, "export directory");
    const uint64_t names = At(names_rva, "export names");
    if (count > kMaxPeNames || !file_.Holds(names, count * 4)) file_.Malformed("export names");
    for (uint64_t i = 0; i < count; ++i) {
      image_.exports.push_back(
          Name(file_.Get<uint32_t>(names + i * 4, "export names"), "export name"));
    }
  }

  // One module's thunks: names, or "#N" for an import by ordinal.
  template <class Thunk>
  std::vector<std::string> Thunks(uint32_t rva) {
    constexpr Thunk kOrdinal = Thunk{1} << (sizeof(Thunk) * 8 - 1);
    std::vector<std::string> names;
    for (uint64_t at = At(rva, "import thunks");; at += sizeof(Thunk)) {
      const Thunk entry = file_.Get<Thunk>(at, "import thunks");
      if (entry == 0) break;
      if ((entry & kOrdinal) != 0) {
        // Appended, not "#" + ...: gcc 12 at -O3 warns wrongly of an overlapping copy there.
        std::string ordinal(1, '#');
        ordinal += std::to_string(static_cast<unsigned>(entry & 0xffff));
        names.push_back(Keep(std::move(ordinal)));
        continue;
      }
      // A hint (two bytes), then the name.
      const uint64_t by_name = At(static_cast<uint32_t>(entry & 0x7fffffff), "import name");
      if (!file_.Holds(by_name, 3)) file_.Malformed("import name");
      names.push_back(Keep(file_.Text(by_name + 2, "import name")));
    }
    return names;
  }

  void Imports() {
    const std::optional<uint64_t> directory = Directory(kImportEntry);
    if (!directory) return;
    // A bound image's FirstThunk holds the addresses the binder wrote, not names.
    const bool bound_directory = Directory(kBoundImportEntry).has_value();
    for (uint64_t at = *directory;; at += kImportDescriptorSize) {
      if (!file_.Holds(at, kImportDescriptorSize)) file_.Malformed("import directory");
      const uint32_t original = file_.Get<uint32_t>(at, "import directory");
      const uint32_t stamp = file_.Get<uint32_t>(at + 4, "import directory");
      const uint32_t name = file_.Get<uint32_t>(at + 12, "import directory");
      const uint32_t first = file_.Get<uint32_t>(at + 16, "import directory");
      if (name == 0 && first == 0) break;
      ImportedModule module;
      module.module = Name(name, "imported module name");
      const uint32_t thunks = original != 0 ? original : first;
      if (original == 0 && (stamp != 0 || bound_directory)) {
        module.names_unreadable = true;
      } else {
        module.names = headers_.width == 64 ? Thunks<uint64_t>(thunks) : Thunks<uint32_t>(thunks);
      }
      image_.imports.push_back(std::move(module));
    }
  }

 private:
  const Reader& file_;
  const Headers& headers_;
  const PeLookups* lookups_;
  Image& image_;
  size_t names_ = 0, bytes_ = 0;
};

std::string PeMachineName(uint16_t machine) {
  static constexpr std::pair<uint16_t, const char*> kNames[] = {
      {0x8664, "x86-64"}, {0x014c, "x86"}, {0xaa64, "ARM64"}, {0x01c4, "ARM"}};
  for (const auto& [known, name] : kNames) {
    if (known == machine) return name;
  }
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%04x", static_cast<unsigned>(machine));
  return hex;
}

}  // namespace

Image ReadPe(std::span<const unsigned char> bytes, const std::string& path,
             const PeLookups* lookups) {
  const Reader file(bytes, path);
  const Headers headers = ReadHeaders(file);
  Image image;
  image.path = path;
  image.width = headers.width;
  image.machine = PeMachineName(headers.machine);
  image.library = (headers.characteristics & kFileDll) != 0;
  image.kind = image.library                                      ? "DLL"
               : (headers.characteristics & kFileExecutable) != 0 ? "program"
                                                                  : "object file";
  Walk walk(file, headers, lookups, image);
  walk.Exports();
  walk.Imports();
  return image;
}

}  // namespace doctor
