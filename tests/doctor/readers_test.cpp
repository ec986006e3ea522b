// The doctor's PE reading on small images built here, each changed in one way, its ELF reading
// of the folders a module names for the loader, and its reading of the load check child's
// report: tables of inputs and what the doctor must make of them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "image.h"

#if !defined(_WIN32)
#include <elf.h>

#include <bit>
#include <fstream>
#include <iterator>

#endif

namespace {

// A DLL of one section (".data": file offset 0x200, RVA 0x1000) holding an export directory
// with its module's name and two names and an import descriptor for QELUtils.dll taking one name
// and one ordinal.
struct PeImage {
  int width = 64;
  uint16_t optional_size = 0;  // 0: the whole optional header with 16 directories
  uint32_t raw_size = 0x400;
  std::vector<unsigned char> bytes;

  uint64_t optional() const { return 64 + 24; }
  uint64_t directories() const { return optional() + (width == 64 ? 112 : 96); }
  uint64_t sections() const { return optional() + optional_size; }
  static uint64_t Raw(uint32_t rva) { return rva - 0x1000 + 0x200; }

  template <class T>
  void Put(uint64_t at, T value) {
    if (bytes.size() < at + sizeof value) bytes.resize(at + sizeof value);
    std::memcpy(bytes.data() + at, &value, sizeof value);
  }
  void Text(uint64_t at, const std::string& text) {
    for (size_t i = 0; i <= text.size(); ++i) Put<char>(at + i, i < text.size() ? text[i] : 0);
  }
  // Directory `entry`, written only where the optional header holds it.
  void Directory(unsigned entry, uint32_t rva, uint32_t size) {
    const uint64_t at = directories() + entry * 8;
    if (at + 8 > optional() + optional_size) return;
    Put<uint32_t>(at, rva);
    Put<uint32_t>(at + 4, size);
  }
  template <class Thunk>
  void Thunks(uint32_t rva) {
    Put<Thunk>(Raw(rva), 0x11a0);
    Put<Thunk>(Raw(rva) + sizeof(Thunk), Thunk{1} << (sizeof(Thunk) * 8 - 1) | 5);
    Put<Thunk>(Raw(rva) + 2 * sizeof(Thunk), 0);
  }
  void WriteThunks(uint32_t rva) { width == 64 ? Thunks<uint64_t>(rva) : Thunks<uint32_t>(rva); }

  void Build() {
    if (optional_size == 0) optional_size = static_cast<uint16_t>(width == 64 ? 240 : 224);
    bytes.assign(0x200 + raw_size, 0);
    Put<uint16_t>(0, 0x5a4d);
    Put<uint32_t>(0x3c, 64);
    Put<uint32_t>(64, 0x4550);
    Put<uint16_t>(68, width == 64 ? 0x8664 : 0x014c);
    Put<uint16_t>(70, 1);
    Put<uint16_t>(84, optional_size);
    Put<uint16_t>(86, 0x2022);
    Put<uint16_t>(optional(), width == 64 ? 0x20b : 0x10b);
    if (directories() <= optional() + optional_size) Put<uint32_t>(directories() - 4, 16);
    Directory(0, 0x1000, 40);
    Directory(1, 0x1100, 40);
    Text(sections(), ".data");
    Put<uint32_t>(sections() + 8, 0x1000);
    Put<uint32_t>(sections() + 12, 0x1000);
    Put<uint32_t>(sections() + 16, raw_size);
    Put<uint32_t>(sections() + 20, 0x200);
    Put<uint32_t>(Raw(0x1000) + 24, 2);
    Put<uint32_t>(Raw(0x1000) + 32, 0x1040);
    Put<uint32_t>(Raw(0x1040), 0x1060);
    Put<uint32_t>(Raw(0x1044), 0x1070);
    Text(Raw(0x1060), "CTStreams");
    Text(Raw(0x1070), "GetQELNode");
    Put<uint32_t>(Raw(0x1000) + 12, 0x1048);  // the name it was linked under
    Text(Raw(0x1048), "fintop-trace.dll");
    Put<uint32_t>(Raw(0x1100), 0x1140);
    Put<uint32_t>(Raw(0x1100) + 12, 0x1180);
    Put<uint32_t>(Raw(0x1100) + 16, 0x1160);
    WriteThunks(0x1140);
    WriteThunks(0x1160);
    Text(Raw(0x1180), "QELUtils.dll");
    Text(Raw(0x11a0) + 2, "_ZN11FIAttribute5ClearEv");
  }
};

struct PeRow {
  const char* name;
  int width;
  std::function<void(PeImage&)> before;  // changes the layout before Build
  std::function<void(PeImage&)> after;   // changes bytes after it
  const char* fault;                     // what BadFile says, or null: read
  std::vector<std::string> exports;
  std::vector<std::string> imported;  // of QELUtils.dll; empty with `unreadable`
  bool unreadable;
  const char* machine;
};

const std::vector<std::string> kExports = {"CTStreams", "GetQELNode"};
const std::vector<std::string> kImported = {"_ZN11FIAttribute5ClearEv", "#5"};
void Nothing(PeImage&) {}

// A bound image's FirstThunk: the addresses the binder wrote.
void Bind(PeImage& pe) {
  const uint64_t thunks = PeImage::Raw(0x1160);
  if (pe.width == 64) {
    pe.Put<uint64_t>(thunks, 0x00007ff712345678);
    pe.Put<uint64_t>(thunks + 8, 0x00007ff712345690);
  } else {
    pe.Put<uint32_t>(thunks, 0x77123478);
    pe.Put<uint32_t>(thunks + 4, 0x77123490);
  }
}

const PeRow kPeRows[] = {
    {"whole_64", 64, Nothing, Nothing, nullptr, kExports, kImported, false, "x86-64"},
    {"whole_32", 32, Nothing, Nothing, nullptr, kExports, kImported, false, "x86"},
    {"arm64", 64, Nothing, [](PeImage& pe) { pe.Put<uint16_t>(68, 0xaa64); }, nullptr, kExports,
     kImported, false, "ARM64"},
    {"arm", 32, Nothing, [](PeImage& pe) { pe.Put<uint16_t>(68, 0x01c4); }, nullptr, kExports,
     kImported, false, "ARM"},
    // An ordinal is the thunk's low 16 bits.
    {"ordinal_above_32767",
     64,
     Nothing,
     [](PeImage& pe) { pe.Put<uint64_t>(PeImage::Raw(0x1148), uint64_t{1} << 63 | 0x8005); },
     nullptr,
     kExports,
     {"_ZN11FIAttribute5ClearEv", "#32773"},
     false,
     "x86-64"},
    // An export directory naming nothing (exports by ordinal alone).
    {"no_export_names",
     64,
     Nothing,
     [](PeImage& pe) {
       for (uint64_t field : {12, 24, 32}) pe.Put<uint32_t>(PeImage::Raw(0x1000) + field, 0);
     },
     nullptr,
     {},
     kImported,
     false,
     "x86-64"},
    {"unknown_machine", 64, Nothing, [](PeImage& pe) { pe.Put<uint16_t>(68, 0x1234); }, nullptr,
     kExports, kImported, false, "0x1234"},
    // OriginalFirstThunk 0: an unbound image's FirstThunk holds the names...
    {"unbound_first_thunk", 64, Nothing,
     [](PeImage& pe) { pe.Put<uint32_t>(PeImage::Raw(0x1100), 0); }, nullptr, kExports, kImported,
     false, "x86-64"},
    // ... a bound one's (stamp -1, or a date) addresses: never read as names.
    {"bound_first_thunk_64",
     64,
     Nothing,
     [](PeImage& pe) {
       pe.Put<uint32_t>(PeImage::Raw(0x1100), 0);
       pe.Put<uint32_t>(PeImage::Raw(0x1100) + 4, 0xffffffff);
       Bind(pe);
     },
     nullptr,
     kExports,
     {},
     true,
     "x86-64"},
    {"bound_first_thunk_32",
     32,
     Nothing,
     [](PeImage& pe) {
       pe.Put<uint32_t>(PeImage::Raw(0x1100), 0);
       pe.Put<uint32_t>(PeImage::Raw(0x1100) + 4, 0x5f000000);
       Bind(pe);
     },
     nullptr,
     kExports,
     {},
     true,
     "x86"},
    {"bound_import_directory",
     64,
     Nothing,
     [](PeImage& pe) {
       pe.Put<uint32_t>(PeImage::Raw(0x1100), 0);
       pe.Directory(11, 0x1300, 16);
       Bind(pe);
     },
     nullptr,
     kExports,
     {},
     true,
     "x86-64"},
    // The data directories: only those within the optional header's size and its count.
    {"one_directory_counted",
     64,
     Nothing,
     [](PeImage& pe) { pe.Put<uint32_t>(pe.directories() - 4, 1); },
     nullptr,
     kExports,
     {},
     false,
     "x86-64"},
    {"one_directory_in_the_header",
     64,
     [](PeImage& pe) { pe.optional_size = 112 + 8; },
     Nothing,
     nullptr,
     kExports,
     {},
     false,
     "x86-64"},
    {"one_directory_in_the_header_32",
     32,
     [](PeImage& pe) { pe.optional_size = 96 + 8; },
     Nothing,
     nullptr,
     kExports,
     {},
     false,
     "x86"},
    {"count_without_room",
     64,
     [](PeImage& pe) { pe.optional_size = 110; },
     Nothing,
     nullptr,
     {},
     {},
     false,
     "x86-64"},
    {"count_beyond_everything", 32, Nothing,
     [](PeImage& pe) { pe.Put<uint32_t>(pe.directories() - 4, 0xffffffff); }, nullptr, kExports,
     kImported, false, "x86"},
    // The module's own name outside the file.
    {"own_name_outside",
     64,
     Nothing,
     [](PeImage& pe) { pe.Put<uint32_t>(PeImage::Raw(0x1000) + 12, 0x9000); },
     "(export directory's module name)",
     {},
     {},
     false,
     nullptr},
    // Sizes whose sums overflow 32 bits.
    {"export_count_overflows",
     32,
     Nothing,
     [](PeImage& pe) { pe.Put<uint32_t>(PeImage::Raw(0x1000) + 24, 0x40000001); },
     "(export names)",
     {},
     {},
     false,
     nullptr},
    {"section_beyond_4_gib",
     32,
     Nothing,
     [](PeImage& pe) { pe.Put<uint32_t>(pe.sections() + 20, 0xffffff00); },
     "a section beyond the end of the file",
     {},
     {},
     false,
     nullptr},
    {"second_section_beyond_the_file",
     64,
     Nothing,
     [](PeImage& pe) {
       pe.Put<uint16_t>(70, 2);
       pe.Put<uint32_t>(pe.sections() + 40 + 16, 0x100);
       pe.Put<uint32_t>(pe.sections() + 40 + 20, 0x10000);
     },
     "a section beyond the end of the file",
     {},
     {},
     false,
     nullptr},
    {"headers_at_4_gib",
     32,
     Nothing,
     [](PeImage& pe) { pe.Put<uint32_t>(0x3c, 0xfffffff0); },
     "(image headers)",
     {},
     {},
     false,
     nullptr},
    {"sections_beyond_the_file",
     64,
     Nothing,
     [](PeImage& pe) { pe.Put<uint16_t>(70, 0xffff); },
     "(image headers)",
     {},
     {},
     false,
     nullptr},
    // Names copied with a bound: the file's end, and kMaxPeName.
    {"name_without_its_end",
     64,
     Nothing,
     [](PeImage& pe) {
       std::memset(pe.bytes.data() + PeImage::Raw(0x1070), 'A',
                   pe.bytes.size() - PeImage::Raw(0x1070));
     },
     "(export name)",
     {},
     {},
     false,
     nullptr},
    {"name_too_long",
     64,
     [](PeImage& pe) { pe.raw_size = 0x4000; },
     [](PeImage& pe) {
       pe.Text(PeImage::Raw(0x1300), std::string(doctor::kMaxPeName + 1, 'A'));
       pe.Put<uint32_t>(PeImage::Raw(0x1044), 0x1300);
     },
     "(export name)",
     {},
     {},
     false,
     nullptr},
    {"name_as_long_as_allowed",
     64,
     [](PeImage& pe) { pe.raw_size = 0x4000; },
     [](PeImage& pe) {
       pe.Text(PeImage::Raw(0x1300), std::string(doctor::kMaxPeName, 'A'));
       pe.Put<uint32_t>(PeImage::Raw(0x1044), 0x1300);
     },
     nullptr,
     {"CTStreams", std::string(doctor::kMaxPeName, 'A')},
     kImported,
     false,
     "x86-64"},
    {"names_outside_every_section",
     64,
     Nothing,
     [](PeImage& pe) { pe.Put<uint32_t>(PeImage::Raw(0x1000) + 32, 0x9000); },
     "(export names)",
     {},
     {},
     false,
     nullptr},
    // An address just past a section's data is in no section, though the file goes on there.
    {"own_name_just_past_the_section",
     64,
     Nothing,
     [](PeImage& pe) {
       pe.Put<uint32_t>(PeImage::Raw(0x1000) + 12, 0x1400);
       pe.Text(PeImage::Raw(0x1400), "past.dll");
     },
     "(export directory's module name)",
     {},
     {},
     false,
     nullptr},
    {"thunks_without_end",
     64,
     Nothing,
     [](PeImage& pe) {
       for (uint64_t at = PeImage::Raw(0x1140); at + 8 <= pe.bytes.size(); at += 8) {
         std::memcpy(pe.bytes.data() + at, "\x01\0\0\0\0\0\0\x80", 8);
       }
     },
     "(import thunks)",
     {},
     {},
     false,
     nullptr},
    // The null descriptor ends the list, whatever follows it.
    {"data_after_the_null_descriptor", 64, Nothing,
     [](PeImage& pe) { pe.Put<uint8_t>(PeImage::Raw(0x1100) + 40, 1); }, nullptr, kExports,
     kImported, false, "x86-64"},
    {"descriptors_without_end",
     64,
     Nothing,
     [](PeImage& pe) {
       for (uint64_t at = PeImage::Raw(0x1100) + 20; at + 20 <= pe.bytes.size(); at += 20) {
         pe.Put<uint32_t>(at + 12, 0x1180);
         pe.Put<uint32_t>(at + 16, 0x1160);
       }
     },
     "malformed",
     {},
     {},
     false,
     nullptr},
    {"export_directory_cut_by_the_end",
     64,
     Nothing,
     [](PeImage& pe) { pe.Directory(0, 0x1000 + pe.raw_size - 10, 40); },
     "(export directory)",
     {},
     {},
     false,
     nullptr},
    {"descriptor_cut_by_the_end",
     64,
     Nothing,
     [](PeImage& pe) { pe.Directory(1, 0x1000 + pe.raw_size - 10, 40); },
     "(import directory)",
     {},
     {},
     false,
     nullptr},
    {"ms_dos_signature_alone",
     64,
     Nothing,
     [](PeImage& pe) { pe.bytes.resize(2); },
     "is truncated or malformed (MS-DOS header)",
     {},
     {},
     false,
     nullptr},
    {"no_ms_dos_header",
     64,
     Nothing,
     [](PeImage& pe) { pe.bytes[0] = 'X'; },
     "is not a module",
     {},
     {},
     false,
     nullptr},
    {"no_pe_signature",
     64,
     Nothing,
     [](PeImage& pe) { pe.bytes[65] = 'X'; },
     "is not a module (no PE signature)",
     {},
     {},
     false,
     nullptr},
    {"unknown_optional_header",
     64,
     Nothing,
     [](PeImage& pe) { pe.Put<uint16_t>(88, 0x107); },
     "unknown optional header",
     {},
     {},
     false,
     nullptr},
    {"optional_header_beyond_the_file",
     64,
     Nothing,
     [](PeImage& pe) { pe.bytes.resize(100); },
     "(optional header)",
     {},
     {},
     false,
     nullptr},
    {"headers_cut",
     64,
     Nothing,
     [](PeImage& pe) { pe.bytes.resize(70); },
     "(image headers)",
     {},
     {},
     false,
     nullptr},
    {"empty",
     64,
     Nothing,
     [](PeImage& pe) { pe.bytes.clear(); },
     "is empty",
     {},
     {},
     false,
     nullptr},
};

class PeReading : public testing::TestWithParam<PeRow> {};

TEST_P(PeReading, AnswersAsTheFileSays) {
  const PeRow& row = GetParam();
  PeImage pe;
  pe.width = row.width;
  row.before(pe);
  pe.Build();
  row.after(pe);
  if (row.fault != nullptr) {
    try {
      doctor::ReadPe(pe.bytes, "x.dll");
      FAIL() << "read, not refused";
    } catch (const doctor::BadFile& bad) {
      EXPECT_NE(std::string(bad.what()).find(row.fault), std::string::npos) << bad.what();
      EXPECT_TRUE(std::string(bad.what()).starts_with("x.dll: ")) << bad.what();
    }
    return;
  }
  const doctor::Image image = doctor::ReadPe(pe.bytes, "x.dll");
  EXPECT_EQ(image.width, row.width);
  EXPECT_EQ(image.machine, row.machine);
  EXPECT_TRUE(image.library);
  EXPECT_EQ(image.kind, "DLL");
  EXPECT_EQ(image.exports, row.exports);
  EXPECT_EQ(image.own_name, row.exports.empty() ? "" : "fintop-trace.dll");
  if (row.imported.empty() && !row.unreadable) {
    EXPECT_TRUE(image.imports.empty());
    return;
  }
  ASSERT_EQ(image.imports.size(), 1u);
  EXPECT_EQ(image.imports[0].module, "QELUtils.dll");
  EXPECT_EQ(image.imports[0].names, row.imported);
  EXPECT_EQ(image.imports[0].names_unreadable, row.unreadable);
}

INSTANTIATE_TEST_SUITE_P(Images, PeReading, testing::ValuesIn(kPeRows),
                         [](const auto& info) { return std::string(info.param.name); });

#if !defined(_WIN32)
// A shared object of this machine's byte order holding a dynamic section alone: its entries
// (tag and text) and DT_NULL, their texts in the section it links.
using Dynamic = std::vector<std::pair<Elf64_Sxword, std::string>>;
std::vector<unsigned char> ElfWith(const Dynamic& entries) {
  std::string texts(1, '\0');
  std::vector<Elf64_Dyn> dynamic;
  for (const auto& [tag, text] : entries) {
    dynamic.push_back({tag, {texts.size()}});
    texts += text + '\0';
  }
  dynamic.push_back({DT_NULL, {0}});
  const size_t texts_at = sizeof(Elf64_Ehdr);
  const size_t dynamic_at = (texts_at + texts.size() + 7) / 8 * 8;
  const size_t dynamic_size = dynamic.size() * sizeof(Elf64_Dyn);
  Elf64_Ehdr header{};
  std::memcpy(header.e_ident, ELFMAG, SELFMAG);
  header.e_ident[EI_CLASS] = ELFCLASS64;
  header.e_ident[EI_DATA] = std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;
  header.e_ident[EI_VERSION] = EV_CURRENT;
  header.e_type = ET_DYN;
  header.e_machine = EM_X86_64;
  header.e_version = EV_CURRENT;
  header.e_shoff = dynamic_at + dynamic_size;
  header.e_ehsize = sizeof header;
  header.e_shentsize = sizeof(Elf64_Shdr);
  header.e_shnum = 3;
  Elf64_Shdr sections[3] = {};
  sections[1].sh_type = SHT_STRTAB;
  sections[1].sh_offset = texts_at;
  sections[1].sh_size = texts.size();
  sections[1].sh_addralign = 1;
  sections[2].sh_type = SHT_DYNAMIC;
  sections[2].sh_offset = dynamic_at;
  sections[2].sh_size = dynamic_size;
  sections[2].sh_entsize = sizeof(Elf64_Dyn);
  sections[2].sh_link = 1;
  sections[2].sh_addralign = 8;
  std::vector<unsigned char> bytes(header.e_shoff + sizeof sections);
  std::memcpy(bytes.data(), &header, sizeof header);
  std::memcpy(bytes.data() + texts_at, texts.data(), texts.size());
  std::memcpy(bytes.data() + dynamic_at, dynamic.data(), dynamic_size);
  std::memcpy(bytes.data() + header.e_shoff, sections, sizeof sections);
  return bytes;
}

struct SearchRow {
  const char* name;
  const char* path;  // of the module, whose folder $ORIGIN stands for
  Dynamic entries;
  std::vector<std::string> folders;  // the loader's, in its order
};

// The folders the loader searches for a module's needed libraries: RUNPATH's, or RPATH's only
// when there is no RUNPATH, in the order written, $ORIGIN as the module's folder.
const SearchRow kSearchRows[] = {
    {"runpath", "/opt/plant/libx.so", {{DT_RUNPATH, "/a:/b"}}, {"/a", "/b"}},
    {"rpath", "/opt/plant/libx.so", {{DT_RPATH, "/r:/s"}}, {"/r", "/s"}},
    {"rpath_then_runpath", "/opt/plant/libx.so", {{DT_RPATH, "/r"}, {DT_RUNPATH, "/u"}}, {"/u"}},
    {"runpath_then_rpath", "/opt/plant/libx.so", {{DT_RUNPATH, "/u"}, {DT_RPATH, "/r"}}, {"/u"}},
    {"origin",
     "/opt/plant/libx.so",
     {{DT_RUNPATH, "$ORIGIN:$ORIGIN/framework:${ORIGIN}/../lib:/lib/$ORIGIN"}},
     {"/opt/plant", "/opt/plant/framework", "/opt/plant/../lib", "/lib//opt/plant"}},
    {"origin_in_rpath", "/opt/plant/libx.so", {{DT_RPATH, "${ORIGIN}/fw"}}, {"/opt/plant/fw"}},
    {"origin_of_a_bare_name", "libx.so", {{DT_RUNPATH, "$ORIGIN/fw"}}, {"./fw"}},
    {"origin_at_the_root", "/libx.so", {{DT_RUNPATH, "$ORIGIN"}}, {"/"}},
    // A longer name is not $ORIGIN.
    {"origin_longer_name",
     "/opt/plant/libx.so",
     {{DT_RUNPATH, "$ORIGINAL/a:${ORIGIN}x:$ORIGINZ:$ORIGINa:$ORIGINz:$ORIGIN0:$ORIGIN9"}},
     {"$ORIGINAL/a", "/opt/plantx", "$ORIGINZ", "$ORIGINa", "$ORIGINz", "$ORIGIN0", "$ORIGIN9"}},
    {"empty_folders_are_the_working_one",
     "/opt/plant/libx.so",
     {{DT_RUNPATH, "$ORIGIN::/b:"}},
     {"/opt/plant", ".", "/b", "."}},
    {"empty_text", "/opt/plant/libx.so", {{DT_RUNPATH, ""}}, {}},
    {"origin_then_underscore",
     "/opt/plant/libx.so",
     {{DT_RUNPATH, "$ORIGIN_1/a"}},
     {"$ORIGIN_1/a"}},
};

class ElfSearch : public testing::TestWithParam<SearchRow> {};

TEST_P(ElfSearch, FoldersInTheLoadersOrder) {
  Dynamic entries = GetParam().entries;
  entries.insert(entries.begin(), {DT_NEEDED, "libdep.so"});
  std::vector<unsigned char> bytes = ElfWith(entries);
  const doctor::Image image = doctor::ReadElf(bytes, GetParam().path);
  EXPECT_EQ(image.run_path, GetParam().folders);
  ASSERT_EQ(image.imports.size(), 1u);
  EXPECT_EQ(image.imports[0].module, "libdep.so");
  EXPECT_EQ(image.kind, "shared object");
}

INSTANTIATE_TEST_SUITE_P(Dynamic, ElfSearch, testing::ValuesIn(kSearchRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A needed library named beyond the end of the texts: a damaged file, refused as such.
TEST(ElfDamaged, NeededNameBeyondTheTexts) {
  std::vector<unsigned char> bytes = ElfWith({{DT_NEEDED, "libdep.so"}});
  Elf64_Ehdr header;
  std::memcpy(&header, bytes.data(), sizeof header);
  const Elf64_Dyn needed{DT_NEEDED, {1000}};  // the first of the two entries before the sections
  std::memcpy(bytes.data() + header.e_shoff - 2 * sizeof needed, &needed, sizeof needed);
  try {
    doctor::ReadElf(bytes, "/opt/plant/libx.so");
    ADD_FAILURE() << "read";
  } catch (const doctor::BadFile& e) {
    EXPECT_TRUE(e.fault().starts_with("is truncated or malformed (dynamic strings: ")) << e.fault();
  }
}

// The modules a user installs, as this build made them: their needed libraries are searched
// for in their own folder, never in the working folder of the process that loads them.
TEST(BuiltModules, SearchTheirOwnFolderOnly) {
  for (const std::string path : {FINTOP_TEST_INSTALLED}) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), {});
    ASSERT_FALSE(bytes.empty()) << path;
    const std::vector<std::string> folders = doctor::ReadElf(bytes, path).run_path;
    ASSERT_FALSE(folders.empty()) << path;
    for (const std::string& folder : folders) EXPECT_NE(folder, ".") << path;
    EXPECT_EQ(folders.front(), doctor::FolderOf(path)) << path;
  }
}
#endif

using doctor::ChildEnd;
using Outcome = doctor::LoadResult::Outcome;

struct ReportRow {
  const char* name;
  std::string output;
  ChildEnd end;
  Outcome outcome;
  const char* step;
  const char* message;  // contained in the result's message
  std::vector<std::string> unresolved;
  std::vector<std::string> stubbed;
  const char* said;  // the last line outside the report
};

std::string Lines(std::initializer_list<const char*> lines, const char* end = "\n") {
  std::string text;
  for (const char* line : lines) {
    text += line[0] == '!' ? std::string(line + 1) : std::string(doctor::kReportPrefix) + line;
    text += end;
  }
  return text;
}

const ChildEnd kExited{ChildEnd::How::kExited, 0, ""};

const ReportRow kReportRows[] = {
    {"loaded",
     Lines({"step loading", "loaded", "step resolving the exports of", "step unloading", "done"}),
     kExited,
     Outcome::kLoaded,
     "unloading",
     "",
     {},
     {},
     ""},
    {"unresolved_and_stubbed",
     Lines({"step loading", "loaded", "unresolved CTStreams", "unresolved Find1",
            "stubbed QELUtils.dll _ZN11FIAttribute5ClearEv", "done"}),
     kExited,
     Outcome::kLoaded,
     "loading",
     "",
     {"CTStreams", "Find1"},
     {"QELUtils.dll _ZN11FIAttribute5ClearEv"},
     ""},
    {"refused",
     Lines({"step loading", "refused libQELUtils.so: cannot open shared object file", "done"}),
     kExited,
     Outcome::kRefused,
     "loading",
     "libQELUtils.so: cannot open",
     {},
     {},
     ""},
    {"crlf_lines",
     Lines({"step loading", "loaded", "done"}, "\r\n"),
     kExited,
     Outcome::kLoaded,
     "loading",
     "",
     {},
     {},
     ""},
    {"crashed_while_resolving",
     Lines({"step loading", "loaded", "step resolving the exports of", "unresolved CTStreams"}),
     {ChildEnd::How::kCrashed, 0, "SIGSEGV"},
     Outcome::kCrashed,
     "resolving the exports of",
     "SIGSEGV",
     {},
     {},
     ""},
    {"loader_assertion",
     Lines(
         {"step loading", "!Inconsistency detected by ld.so: dl-lookup.c: 111: Assertion failed!"}),
     {ChildEnd::How::kAborted, 127, "exit status 127"},
     Outcome::kAborted,
     "loading",
     "exit status 127",
     {},
     {},
     "Inconsistency detected by ld.so: dl-lookup.c: 111: Assertion failed!"},
    {"hang",
     Lines({"step loading"}),
     {ChildEnd::How::kTimedOut, 0, ""},
     Outcome::kTimedOut,
     "loading",
     "",
     {},
     {},
     ""},
    {"whole_report_then_killed",
     Lines({"step loading", "loaded", "done"}),
     {ChildEnd::How::kTimedOut, 0, ""},
     Outcome::kTimedOut,
     "loading",
     "",
     {},
     {},
     ""},
    {"refused_then_hung",
     Lines({"step loading", "refused libQELUtils.so: cannot open shared object file"}),
     {ChildEnd::How::kTimedOut, 0, ""},
     Outcome::kTimedOut,
     "loading",
     "",
     {},
     {},
     ""},
    {"exit_0_without_done",
     Lines({"step loading", "loaded"}),
     kExited,
     Outcome::kNoReport,
     "loading",
     "exit status 0",
     {},
     {},
     ""},
    {"done_without_an_answer",
     Lines({"step loading", "done"}),
     kExited,
     Outcome::kNoReport,
     "loading",
     "without finishing its report",
     {},
     {},
     ""},
    {"whole_report_but_exit_3",
     Lines({"step loading", "loaded", "done"}),
     {ChildEnd::How::kExited, 3, ""},
     Outcome::kNoReport,
     "loading",
     "exit status 3",
     {},
     {},
     ""},
    {"nothing_after_done",
     Lines({"loaded", "done", "unresolved CTStreams", "step unloading"}),
     kExited,
     Outcome::kLoaded,
     "loading",
     "",
     {},
     {},
     ""},
    {"first_answer_counts",
     Lines({"refused no", "loaded", "done"}),
     kExited,
     Outcome::kRefused,
     "loading",
     "no",
     {},
     {},
     ""},
    {"words_it_does_not_know",
     Lines({"loadedx", "unresolved", "stubbed", "step", "loaded", "done now", "done"}),
     kExited,
     Outcome::kLoaded,
     "loading",
     "",
     {},
     {},
     ""},
    {"the_plug_in_prints",
     "hello\n" + Lines({"loaded"}) + std::string("\xff\x01 junk\n") + Lines({"done"}),
     kExited,
     Outcome::kLoaded,
     "loading",
     "",
     {},
     {},
     "\xff\x01 junk"},
    {"not_started",
     "",
     {ChildEnd::How::kNotStarted, 0, "No such file"},
     Outcome::kNoReport,
     "loading",
     "could not be started: No such file",
     {},
     {},
     ""},
    {"no_newline_at_all",
     std::string(5000, 'x'),
     {ChildEnd::How::kCrashed, 0, "SIGILL"},
     Outcome::kCrashed,
     "loading",
     "SIGILL",
     {},
     {},
     nullptr},
};

class LoadReport : public testing::TestWithParam<ReportRow> {};

TEST_P(LoadReport, IsReadAsTheChildEnded) {
  const ReportRow& row = GetParam();
  const doctor::LoadResult result = doctor::ReadLoadReport(row.output, row.end);
  EXPECT_EQ(result.outcome, row.outcome);
  EXPECT_EQ(result.step, row.step);
  EXPECT_NE(result.message.find(row.message), std::string::npos) << result.message;
  if (row.message[0] == '\0' && row.outcome != Outcome::kNoReport) {
    EXPECT_EQ(result.message, "");
  }
  EXPECT_EQ(result.unresolved, row.unresolved);
  EXPECT_EQ(result.stubbed, row.stubbed);
  if (row.said != nullptr) {
    EXPECT_EQ(result.output, row.said);
  } else {
    EXPECT_LE(result.output.size(), 1000u);  // a line kept is cut to its bound
    EXPECT_FALSE(result.output.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Reports, LoadReport, testing::ValuesIn(kReportRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct SecondsRow {
  const char* value;  // null: unset
  int seconds;
};

TEST(LoadSeconds, FromTheEnvironmentWhenAWholeNumberInRange) {
  const SecondsRow rows[] = {{nullptr, 30}, {"5", 5},    {"1", 1},   {"3600", 3600},
                             {"3601", 30},  {"0", 30},   {"-4", 30}, {"7x", 30},
                             {"", 30},      {"abc", 30}, {" 5", 30}, {"99999999999", 30}};
  for (const SecondsRow& row : rows) {
#if defined(_WIN32)
    _putenv_s("FINTOP_DOCTOR_LOAD_SECONDS", row.value != nullptr ? row.value : "");
#else
    if (row.value != nullptr) {
      setenv("FINTOP_DOCTOR_LOAD_SECONDS", row.value, 1);
    } else {
      unsetenv("FINTOP_DOCTOR_LOAD_SECONDS");
    }
#endif
    EXPECT_EQ(doctor::LoadSeconds(), row.seconds) << (row.value != nullptr ? row.value : "unset");
  }
#if defined(_WIN32)
  _putenv_s("FINTOP_DOCTOR_LOAD_SECONDS", "");
#else
  unsetenv("FINTOP_DOCTOR_LOAD_SECONDS");
#endif
}

}  // namespace
