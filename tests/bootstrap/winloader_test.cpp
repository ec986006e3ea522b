// The stand-in loader over the dynamic linker.
#include <dlfcn.h>

#include "bootstrap_test.h"

namespace fintop_test {
namespace {

TEST(WinLoader, LoadsByBareNameFromTheProgramFolderAndFindsOnlyLoadedModules) {
  EXPECT_EQ(GetModuleHandleA("finadapt.dll"), nullptr);  // nothing has loaded it yet
  HMODULE adapter = LoadLibraryA("finadapt.dll");
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(GetModuleHandleA("finadapt.dll"), adapter);
  EXPECT_EQ(LoadLibraryA("finadapt.dll"), adapter);

  auto name = reinterpret_cast<const char* (*)()>(GetProcAddress(adapter, "HostsimModuleName"));
  ASSERT_NE(name, nullptr);
  EXPECT_STREQ(name(), "finadapt.dll");
  EXPECT_EQ(GetProcAddress(adapter, "NoSuchEntry"), nullptr);
  // The plug-in is in the process, yet a null handle finds nothing in it.
  ASSERT_NE(dlsym(RTLD_DEFAULT, "GetQELNode"), nullptr);
  EXPECT_EQ(GetProcAddress(nullptr, "GetQELNode"), nullptr);
}

TEST(WinLoader, MissingModulesAndNamesGiveNull) {
  EXPECT_EQ(LoadLibraryA("no_such_module.dll"), nullptr);
  EXPECT_EQ(GetModuleHandleA("no_such_module.dll"), nullptr);
  EXPECT_EQ(GetModuleHandleA("norvane.exe"), nullptr);
  EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
  EXPECT_EQ(GetModuleHandleA(nullptr), nullptr);
}

}  // namespace
}  // namespace fintop_test
