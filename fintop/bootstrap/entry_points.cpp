// The host entry lookup over the module loader.
#include "bootstrap/entry_points.h"

#include "framework/module_loader.h"

namespace fintop {

namespace {

// Host modules, searched in this order.
constexpr char kHostProgram[] = "norvane.exe";
constexpr char kEngineModule[] = "norvaneeng.dll";
constexpr char kAdapterModule[] = "finadapt.dll";

template <class Address>
HostEntry AsEntry(Address address) {
  return reinterpret_cast<HostEntry>(address);
}

}  // namespace

HostEntry FindHostEntry(const char* name) {
  // The host program is only asked, never loaded; its handle goes on unchecked (a null
  // handle finds nothing).
  if (HostEntry entry = AsEntry(GetProcAddress(GetModuleHandleA(kHostProgram), name))) {
    return entry;
  }
  if (HMODULE engine = LoadLibraryA(kEngineModule)) {
    if (HostEntry entry = AsEntry(GetProcAddress(engine, name))) return entry;
  }
  if (HMODULE adapter = LoadLibraryA(kAdapterModule)) {
    return AsEntry(GetProcAddress(adapter, name));
  }
  return nullptr;
}

}  // namespace fintop
