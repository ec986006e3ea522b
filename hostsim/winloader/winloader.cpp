// The stand-in module loader over the dynamic linker.
//
// Handles are dlopen handles. A module is opened with RTLD_NOW | RTLD_LOCAL, so that its
// entry points are found only through its own handle. Nothing is ever unloaded.
#include "winloader/winloader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>

namespace {

std::atomic<hostsim::ModuleLoader*> g_loader{nullptr};

// The folder of the running program ("" when it cannot be told).
std::string ProgramFolder() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  std::string program(path, static_cast<std::size_t>(length));
  std::size_t slash = program.rfind('/');
  return slash == std::string::npos ? std::string() : program.substr(0, slash);
}

// A bare file name is tried in the program's folder first, then as dlopen searches for it;
// a name with a folder in it is taken as it is.
void* Open(const char* file_name, int flags) {
  if (std::strchr(file_name, '/') == nullptr) {
    std::string folder = ProgramFolder();
    if (!folder.empty()) {
      std::string local = folder + "/" + file_name;
      if (void* module = dlopen(local.c_str(), flags)) return module;
    }
  }
  return dlopen(file_name, flags);
}

}  // namespace

namespace hostsim {

ModuleLoader* ReplaceModuleLoader(ModuleLoader* loader) {
  return g_loader.exchange(loader);
}

}  // namespace hostsim

extern "C" {

HMODULE GetModuleHandleA(const char* file_name) {
  if (hostsim::ModuleLoader* fake = g_loader.load()) return fake->GetModuleHandle(file_name);
  if (file_name == nullptr) return nullptr;
  void* module = Open(file_name, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
  // RTLD_NOLOAD counts one more use; give it back, as the handle stays valid while the module
  // is loaded, and this loader never unloads anything.
  if (module != nullptr) dlclose(module);
  return module;
}

HMODULE LoadLibraryA(const char* file_name) {
  if (hostsim::ModuleLoader* fake = g_loader.load()) return fake->LoadLibrary(file_name);
  if (file_name == nullptr) return nullptr;
  return Open(file_name, RTLD_NOW | RTLD_LOCAL);
}

void* GetProcAddress(HMODULE module, const char* entry_name) {
  if (hostsim::ModuleLoader* fake = g_loader.load())
    return fake->GetProcAddress(module, entry_name);
  // dlsym(null) would search the whole process; a null handle finds nothing instead.
  if (module == nullptr || entry_name == nullptr) return nullptr;
  return dlsym(module, entry_name);
}

}  // extern "C"
