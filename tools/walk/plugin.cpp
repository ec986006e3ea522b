#include "plugin.h"

#include "files.h"
#include "framework/module_loader.h"

#if defined(_WIN32)
#include <filesystem>
#else
#include <dlfcn.h>
#endif

namespace walk {

namespace {

// The plug-in's module, or null with the loader's reason in `why`: on Windows by its wide path
// (UTF-8 text here), elsewhere with dlopen.
HMODULE Load(const std::string& file, std::string& why) {
#if defined(_WIN32)
  const std::filesystem::path path(std::u8string(file.begin(), file.end()));
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, 0);
  if (module == nullptr) {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u8string message =
        n > 0 ? std::filesystem::path(std::wstring(text, n)).u8string() : std::u8string();
    LocalFree(text);
    why.assign(message.begin(), message.end());
    while (!why.empty() &&
           (why.back() == '\n' || why.back() == '\r' || why.back() == '.' || why.back() == ' '))
      why.pop_back();
    why += " (error " + std::to_string(code) + ")";
  }
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
    throw PluginError("cannot load the plug-in " + file + " (" + why +
                      "): give --plugin the fintop library built for this system");
  auto resolve = [&](const char* name) {
    void* entry = reinterpret_cast<void*>(GetProcAddress(module, name));
    if (entry == nullptr) {
      throw PluginError("the plug-in " + file + " does not export " + name +
                        ": it is not fintop's; give --plugin the fintop library");
    }
    return entry;
  };
  get_qel_node_ = reinterpret_cast<GetQELNodeFn>(resolve("GetQELNode"));
  for (int i = 0; i < kCallbackCount; ++i) entries_[i] = resolve(Callbacks()[i].name);
}

}  // namespace walk
