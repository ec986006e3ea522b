// The three module-loading functions through which the plug-in finds the host's entry points.
//
// On Windows they are the system's own. Elsewhere the stand-in loader provides them over the
// dynamic linker with the same meaning:
// - GetModuleHandleA: the handle of a module that is already loaded, found by file name; null
//   when it is not loaded. Nothing is loaded.
// - LoadLibraryA: loads a module by file name (null on failure); a bare file name is looked for
//   in the folder of the running program first, then along the usual search path.
// - GetProcAddress: an exported entry point of a module by name; null when absent. A null
//   module handle finds nothing (there is no search of the whole process).
// Modules loaded here stay loaded until the process ends.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#else
#include "framework/platform.h"

extern "C" {
typedef void* HMODULE;
FI_DLL_IMPORT HMODULE GetModuleHandleA(const char* file_name);
FI_DLL_IMPORT HMODULE LoadLibraryA(const char* file_name);
FI_DLL_IMPORT void* GetProcAddress(HMODULE module, const char* entry_name);
}
#endif
