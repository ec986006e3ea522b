// The POSIX stand-in for the Windows module loader (GetModuleHandleA, LoadLibraryA,
// GetProcAddress over dlopen/dlsym; declared in framework/module_loader.h), and a seam through
// which tests put a fake loader in its place to see which modules are asked for, in what order.
#pragma once

#include "framework/module_loader.h"

namespace hostsim {

// The three operations of a loader, with the meaning the module_loader.h functions have.
class ModuleLoader {
 public:
  virtual ~ModuleLoader() = default;
  virtual HMODULE GetModuleHandle(const char* file_name) = 0;
  virtual HMODULE LoadLibrary(const char* file_name) = 0;
  virtual void* GetProcAddress(HMODULE module, const char* entry_name) = 0;
};

// Routes the three functions to `loader` until replaced again; null routes them back to the
// dynamic linker. Returns the loader routed to before (null for the dynamic linker). The
// caller keeps ownership of the loader and keeps it alive while it is routed to.
ModuleLoader* ReplaceModuleLoader(ModuleLoader* loader);

}  // namespace hostsim
