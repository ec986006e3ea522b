// The platform side of the doctor: a module file read as an image (never run), where the
// system's loader would find a module, and the real load of the plug-in. image_pe.cpp (Windows:
// dbghelp's image functions, version.dll, LoadLibraryEx) and image_elf.cpp (Linux: libelf,
// dlopen) implement it.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace doctor {

// A file that is not a module, is truncated or malformed: what() names the file and the fault.
class BadFile : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ImportedModule {
  std::string module;              // as the importer names it
  std::vector<std::string> names;  // what it takes from it ("#N" for an ordinal)
};

struct Image {
  std::string path;
  bool library = false;  // a DLL (Windows) or a shared object (ELF)
  std::string kind;      // "DLL", "executable", "shared object", ...
  std::string machine;   // "x86-64", "x86", ...
  int width = 0;         // 32 or 64
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

// The real load of the plug-in with `folder` searched first, every name in `names` resolved,
// then unloaded. `message` is the system's own on failure.
struct LoadResult {
  bool loaded = false;
  std::string message;
  std::vector<std::string> unresolved;
  // Windows: imports ("module name") the loader bound to stubs instead of failing the load.
  std::vector<std::string> stubbed;
};
LoadResult LoadPlugin(const std::string& path, const std::string& folder,
                      const std::vector<std::string>& names);

// The folder of the doctor's own executable.
std::string OwnFolder();

// The doctor's own width, and the plug-in's and the host modules' file names here.
int OwnWidth();
const char* PluginFileName();
bool SameModuleName(const std::string& a, const std::string& b);

}  // namespace doctor
