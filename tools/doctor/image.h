// The doctor's reading of module files and its real load of the plug-in. A module file is read
// as an image, never mapped to run: ReadPe (pe_read.cpp, pure over the bytes, so it builds on
// every platform: the fuzzer and the tests run it natively) and ReadElf (elf_read.cpp, with
// libelf). The platform side: image_pe.cpp (Windows: ReadPe with dbghelp's lookups, version.dll,
// CreateProcess and LoadLibraryEx in the child) and image_elf.cpp (Linux: ReadElf, posix_spawn
// and dlopen in the child) read a module by path, find where the system's loader would find a
// module, and load the plug-in in a child process, whose report load_report.cpp reads. Texts
// read from files are kept as they are; the writers escape them.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace doctor {

// A file that is not a module, is truncated or malformed: what() is "PATH: FAULT", and fault()
// what is wrong with it ("is empty, not a module").
class BadFile : public std::runtime_error {
 public:
  BadFile(const std::string& path, const std::string& fault)
      : std::runtime_error(path + ": " + fault), fault_(fault) {}
  const std::string& fault() const { return fault_; }

 private:
  std::string fault_;
};

struct ImportedModule {
  std::string module;              // as the importer names it
  std::vector<std::string> names;  // what it takes from it ("#N" for an ordinal)
  // A bound import without its name table: the file holds addresses where the names were.
  bool names_unreadable = false;
};

struct Image {
  std::string path;
  bool library = false;  // a DLL (Windows) or a shared object (ELF)
  std::string kind;      // "DLL", "executable", "shared object", ...
  std::string machine;   // "x86-64", "x86", ...
  // The name the module was linked under: a PE export directory's name, an ELF DT_SONAME
  // ("fintop-trace.dll" for the recorder whatever its file is called now).
  std::string own_name;
  int width = 0;                                             // 32 or 64
  std::optional<std::string> file_version, product_version;  // the version resource (Windows)
  std::vector<std::string> exports;
  // Windows: each imported module with its names. ELF: the needed libraries (no names: which
  // library gives a symbol is decided at load time), and `unbound` the undefined symbols that
  // one of them must define.
  std::vector<ImportedModule> imports;
  std::vector<std::string> unbound;
  std::vector<std::string> run_path;  // ELF: the RUNPATH/RPATH folders, $ORIGIN expanded
};

// A module file's bytes as its reader checks them (pe_read.cpp, elf_read.cpp): an empty file is
// no module, and each fault names the file.
class ModuleBytes {
 public:
  ModuleBytes(const std::string& path, uint64_t size) : path_(path), size_(size) {
    if (size == 0) Fail("is empty, not a module");
  }

  uint64_t size() const { return size_; }
  bool Holds(uint64_t offset, uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }

  [[noreturn]] void Fail(const std::string& fault) const { throw BadFile(path_, fault); }
  [[noreturn]] void Malformed(const std::string& part) const {
    Fail("is truncated or malformed (" + part + ")");
  }

 private:
  std::string path_;
  uint64_t size_;
};

// The two lookups the walk needs beyond the headers. ReadPe asks them only after it has checked
// the headers (the section table lies in the file, and `entry` lies in the optional header's
// checked size and below its NumberOfRvaAndSizes); it checks every answer against the file.
class PeLookups {
 public:
  virtual ~PeLookups() = default;
  // Where the file holds the data of `rva`; nothing when no section's data holds it.
  virtual std::optional<uint64_t> RvaToOffset(uint32_t rva) const = 0;
  // Where the file holds data directory `entry`; nothing when the image has none. The walk
  // reads a directory by its own counts and end marks, never by its size.
  virtual std::optional<uint64_t> Directory(unsigned entry) const = 0;
};

// Longest name (export, import, module) the walk copies, and most names of one image.
inline constexpr size_t kMaxPeName = 8192;
inline constexpr size_t kMaxPeNames = 200000;

// Reads `file` (the bytes of `path`) as a PE image (either width): the headers, the export names
// and the import table, every offset and size checked against the file before it is read.
// `lookups` null: answered from the section table. The version resource is not read here.
Image ReadPe(std::span<const unsigned char> file, const std::string& path,
             const PeLookups* lookups = nullptr);

// Reads `file` (the bytes of `path`, whose folder $ORIGIN stands for) with libelf as an ELF
// module: its kind, machine and width, its dynamic symbols, needed libraries and RUNPATH/RPATH;
// every header and segment must lie in the file. libelf may write to `file`: a buffer the
// caller read the file into, not copied again (the doctor reads every module the plug-in
// needs, some of megabytes).
Image ReadElf(std::span<unsigned char> file, const std::string& path);

// The folder part of a path ("." for a bare name, "/" for the root's files).
std::string FolderOf(const std::string& path);

// A list of folders as the loader reads one, parted by any of `separators`: an empty folder
// within it is the working folder ("$ORIGIN:", "a::b"), an empty list names none.
std::vector<std::string> SplitFolders(std::string_view text, const char* separators);

// The load check's child and the doctor speak a small line protocol on the child's stdout:
// each line of the report starts with kReportPrefix; anything else there (the loader's own
// messages, what a damaged module prints) is kept only as the last such line. The doctor
// trusts none of it to be well formed: a report that does not end with "done" is the child's
// end, told by how the process ended.
//   step WHAT                                         what the child starts next ("loading",
//                                                     "resolving the exports of", "unloading")
//   loaded | refused MESSAGE                          the loader's answer
//   unresolved NAME                                   an expected export not resolved
//   stubbed MODULE NAME                               an import bound to a stub (Wine)
//   done                                              the child ends normally after it
inline constexpr std::string_view kReportPrefix = "fintop-doctor-load ";
// The child's time limit: FINTOP_DOCTOR_LOAD_SECONDS when it is a whole number of 1 to 3600.
inline constexpr int kLoadSeconds = 30;
int LoadSeconds();

// How the child process ended, as the platform tells it.
struct ChildEnd {
  enum class How { kExited, kCrashed, kAborted, kTimedOut, kNotStarted };
  How how = How::kExited;
  long status = 0;   // the exit status (kExited, and an abort that is one)
  std::string what;  // kCrashed, kAborted: the signal or exception ("SIGSEGV"); kNotStarted: why
};

struct LoadResult {
  enum class Outcome { kLoaded, kRefused, kCrashed, kAborted, kTimedOut, kNoReport };
  Outcome outcome = Outcome::kNoReport;
  std::string message;  // kRefused: the system's; kCrashed, kAborted: what ended it; kNoReport: why
  std::string step = "loading";  // what the child was doing when it ended
  std::string output;            // the last line the child printed outside the report
  std::vector<std::string> unresolved;
  std::vector<std::string> stubbed;  // "MODULE NAME"
};

// The doctor's reading of the child's output and end.
LoadResult ReadLoadReport(std::string_view output, const ChildEnd& end);

// The child's side: one report line, written and flushed at once (a crash right after it
// still leaves it with the doctor).
void Report(std::string_view line);

// Reads `path` as an image; throws BadFile.
Image ReadImage(const std::string& path);

// Where the loader finds `module` imported by `importer` when the plug-in is loaded from
// `folder`, searched in the loader's order; nothing when it is found nowhere. `system` is set
// when the place is the system's own (its modules are not followed further).
struct Found {
  std::string path;
  std::string where;  // "the folder", or the folder's path
  bool system = false;
};
std::optional<Found> FindModule(const std::string& module, const Image& importer,
                                const std::string& folder);

// The real load of the plug-in, in a child process (LoadInChild starts the doctor again with
// --load-only; that process runs LoadOnly): the plug-in loaded with `folder` searched first,
// every expected export resolved, unloaded. The child's report is read by ReadLoadReport;
// nothing of the plug-in runs in the doctor's own process.
LoadResult LoadInChild(const std::string& path, const std::string& folder, int seconds);
// The child's side: loads, reports on stdout and returns its exit status.
int LoadOnly(const std::string& path, const std::string& folder);

// The doctor's own width.
inline constexpr int kOwnWidth = sizeof(void*) * 8;

// A module's file name as the system's loader compares them (Windows: in any case), and whether
// two name the same module here.
inline std::string ModuleKey(std::string name) {
#if defined(_WIN32)
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
#endif
  return name;
}
inline bool SameModuleName(const std::string& a, const std::string& b) {
  return ModuleKey(a) == ModuleKey(b);
}

}  // namespace doctor
