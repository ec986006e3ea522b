// The platform side of the doctor: a module file read as an image (never run), where the
// system's loader would find a module, and the real load of the plug-in in a child process.
// image_pe.cpp (Windows: pe_read.cpp with dbghelp's lookups, version.dll, CreateProcess and
// LoadLibraryEx in the child) and image_elf.cpp (Linux: elf_read.cpp, posix_spawn and dlopen in
// the child) implement it. Texts read from files are kept as they are; the writers escape them.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "load_report.h"

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
// every expected export resolved, unloaded. The child's report is read by ReadLoadReport
// (load_report.h); nothing of the plug-in runs in the doctor's own process.

LoadResult LoadInChild(const std::string& path, const std::string& folder, int seconds);
// The child's side: loads, reports on stdout and returns its exit status.
int LoadOnly(const std::string& path, const std::string& folder);

// The doctor's own width.
inline constexpr int kOwnWidth = sizeof(void*) * 8;

// A module's file name as the system's loader compares them (Windows: in any case), and whether
// two name the same module here.
std::string ModuleKey(std::string name);
inline bool SameModuleName(const std::string& a, const std::string& b) {
  return ModuleKey(a) == ModuleKey(b);
}

}  // namespace doctor
