// What the bootstrap tests share: a fixture that forgets every top node after each test and,
// on POSIX, a fake module loader that logs every call, to which the fixture can route the
// stand-in loader (the Windows build uses the system's loader, which has no such seam).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "aggnode/agg_node.h"
#include "bootstrap/bootstrap.h"
#include "framework/module_loader.h"
#include "support/fintop_test.h"
#if !defined(_WIN32)
#include "winloader/winloader.h"
#endif

namespace fintop_test {

#if !defined(_WIN32)

// Modules by file name; a handle is the module's address in the table.
class FakeLoader : public hostsim::ModuleLoader {
 public:
  struct Module {
    bool loaded = false;   // already in the process: GetModuleHandle finds it
    bool loadable = true;  // LoadLibrary succeeds
    std::map<std::string, void*> entries;
  };

  Module& operator[](const std::string& file_name) { return modules_[file_name]; }

  HMODULE GetModuleHandle(const char* file_name) override {
    Log("GetModuleHandleA(" + std::string(file_name) + ")");
    auto found = modules_.find(file_name);
    return found != modules_.end() && found->second.loaded ? &found->second : nullptr;
  }
  HMODULE LoadLibrary(const char* file_name) override {
    Log("LoadLibraryA(" + std::string(file_name) + ")");
    auto found = modules_.find(file_name);
    if (found == modules_.end() || !found->second.loadable) return nullptr;
    found->second.loaded = true;
    return &found->second;
  }
  void* GetProcAddress(HMODULE module, const char* entry_name) override {
    Log("GetProcAddress(" + NameOf(module) + ", " + entry_name + ")");
    if (module == nullptr) return nullptr;
    auto& entries = static_cast<Module*>(module)->entries;
    auto found = entries.find(entry_name);
    return found == entries.end() ? nullptr : found->second;
  }

  // Every call so far, joined by "; ".
  std::string calls() const { return calls_; }

 private:
  void Log(const std::string& call) { calls_ += (calls_.empty() ? "" : "; ") + call; }
  std::string NameOf(HMODULE module) const {
    for (const auto& [name, entry] : modules_) {
      if (&entry == module) return name;
    }
    return module == nullptr ? "null" : "?";
  }

  std::map<std::string, Module> modules_;
  std::string calls_;
};

class FakeLoaderTest : public CallbackTest {
 protected:
  void TearDown() override {
    hostsim::ReplaceModuleLoader(nullptr);
    QELForgetAggNodes();
    CallbackTest::TearDown();
  }
  void UseFakeLoader() { hostsim::ReplaceModuleLoader(&loader_); }

  FakeLoader loader_;
};
#endif

class BootstrapTest : public CallbackTest {
 protected:
  void TearDown() override {
    QELForgetAggNodes();
    CallbackTest::TearDown();
  }
};

}  // namespace fintop_test
