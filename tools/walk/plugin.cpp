#include "plugin.h"

#include "framework/module_loader.h"

namespace walk {

Plugin::Plugin(const std::string& file) : file_(file) {
  HMODULE module = LoadLibraryA(file.c_str());
  if (module == nullptr) throw PluginError("cannot load the plug-in " + file);
  auto resolve = [&](const char* name) {
    void* entry = reinterpret_cast<void*>(GetProcAddress(module, name));
    if (entry == nullptr) {
      throw PluginError("the plug-in " + file + " does not export " + name);
    }
    return entry;
  };
  get_qel_node_ = reinterpret_cast<GetQELNodeFn>(resolve("GetQELNode"));
  for (int i = 0; i < kCallbackCount; ++i) entries_[i] = resolve(Callbacks()[i].name);
}

}  // namespace walk
