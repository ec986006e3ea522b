#include "plugin.h"

#include <stdexcept>

#include "bootstrap/entry_points.h"
#include "files.h"
#include "framework/module_loader.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

namespace walk {

namespace {

// The plug-in's module, or null with the loader's reason in `why`: on Windows by its wide path
// (UTF-8 text here), elsewhere with dlopen.
HMODULE Load(const std::string& file, std::string& why) {
#if defined(_WIN32)
  HMODULE module = LoadLibraryExW(kit::PathOf(file).c_str(), nullptr, 0);
  if (module == nullptr) why = kit::SystemMessage(GetLastError(), file);
#else
  // A bare name is looked for beside the program first, as the host's loader does.
  HMODULE module = nullptr;
  if (file.find('/') == std::string::npos && !kit::ProgramFolder().empty())
    module = dlopen(kit::Utf8(kit::ProgramFolder() / file).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* error = dlerror();
    why = error != nullptr ? error : "not loaded";
  }
#endif
  return module;
}

}  // namespace

Plugin::Plugin(const std::string& file) : file_(file) {
  std::string why;
  HMODULE module = Load(file, why);
  if (module == nullptr)
    throw std::runtime_error("cannot load the plug-in " + file + " (" + why +
                             "): give --plugin the fintop library built for this system");
  auto resolve = [&](const char* name) {
    void* entry = reinterpret_cast<void*>(GetProcAddress(module, name));
    if (entry == nullptr) {
      throw std::runtime_error("the plug-in " + file + " does not export " + name +
                               ": it is not fintop's; give --plugin the fintop library");
    }
    return entry;
  };
  get_qel_node_ = reinterpret_cast<GetQELNodeFn>(resolve(fintop::kGetQELNode));
  for (int i = 0; i < kCallbackCount; ++i) entries_[i] = resolve(Callbacks()[i].name);
}

}  // namespace walk
