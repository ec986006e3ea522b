// The host entry lookup as the forwarders see it: which modules are asked, in what order,
// which one's entry point is called, and that the caller's arguments arrive unchanged.
#include <cstdint>
#include <vector>

#include "bootstrap_test.h"

namespace fintop_test {
namespace {

std::vector<std::intptr_t> g_received;

extern "C" std::intptr_t RecordingEntry(std::intptr_t a0, std::intptr_t a1, std::intptr_t a2,
                                        std::intptr_t a3) {
  g_received = {a0, a1, a2, a3};
  return 42;
}
extern "C" std::intptr_t OtherEntry(std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t) {
  return 7;
}
// An entry point that takes fewer arguments than are forwarded.
extern "C" std::intptr_t OneArgumentEntry(std::intptr_t a0) {
  return a0 * 2;
}

enum Holds { kNone, kRecording, kOther };

struct LookupCase {
  const char* what;
  Holds program;  // "norvane.exe", already loaded when it holds anything
  bool program_loaded;
  Holds engine;  // "norvaneeng.dll"
  bool engine_loadable;
  Holds adapter;  // "finadapt.dll"
  bool adapter_loadable;
  const char* calls;  // "{}" stands for the entry point's name
  std::intptr_t result;
};

void* EntryFor(Holds holds) {
  if (holds == kRecording) return reinterpret_cast<void*>(&RecordingEntry);
  if (holds == kOther) return reinterpret_cast<void*>(&OtherEntry);
  return nullptr;
}

std::string WithName(std::string text, const std::string& name) {
  for (std::size_t at; (at = text.find("{}")) != std::string::npos;) text.replace(at, 2, name);
  return text;
}

struct NamedForwarder {
  const char* entry_name;
  std::intptr_t(FI_CDECL* forward)(std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t);
};
const NamedForwarder kForwarders[] = {{"GetTopFIEntryV", GetTopNorvaneEntry},
                                      {"TestIteratorX", TestIterator}};

class EntryLookup : public FakeLoaderTest, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(EntryLookup, AsksTheModulesInOrderAndForwardsTheArgumentsUnchanged) {
  const LookupCase& row = GetParam();
  for (const NamedForwarder& forwarder : kForwarders) {
    SCOPED_TRACE(forwarder.entry_name);
    FakeLoader loader;
    auto place = [&](const char* module, Holds holds, bool loaded, bool loadable) {
      loader[module].loaded = loaded;
      loader[module].loadable = loadable;
      if (void* entry = EntryFor(holds)) loader[module].entries[forwarder.entry_name] = entry;
    };
    place("norvane.exe", row.program, row.program_loaded, false);
    place("norvaneeng.dll", row.engine, false, row.engine_loadable);
    place("finadapt.dll", row.adapter, false, row.adapter_loadable);
    hostsim::ReplaceModuleLoader(&loader);
    g_received.clear();

    const std::intptr_t a0 = 11, a1 = -2, a2 = INTPTR_MAX,
                        a3 = reinterpret_cast<std::intptr_t>(&loader);
    EXPECT_EQ(forwarder.forward(a0, a1, a2, a3), row.result);
    EXPECT_EQ(loader.calls(), WithName(row.calls, forwarder.entry_name));
    if (row.result == 42) {
      EXPECT_EQ(g_received, (std::vector<std::intptr_t>{a0, a1, a2, a3}));
    } else {
      EXPECT_TRUE(g_received.empty());
    }
    hostsim::ReplaceModuleLoader(nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modules, EntryLookup,
    ::testing::Values(
        LookupCase{"InTheLoadedProgram", kRecording, true, kOther, true, kOther, true,
                   "GetModuleHandleA(norvane.exe); GetProcAddress(norvane.exe, {})", 42},
        LookupCase{"OnlyInTheEngineModule", kNone, false, kRecording, true, kNone, true,
                   "GetModuleHandleA(norvane.exe); GetProcAddress(null, {}); "
                   "LoadLibraryA(norvaneeng.dll); GetProcAddress(norvaneeng.dll, {})",
                   42},
        LookupCase{"EngineBeforeAdapter", kNone, false, kRecording, true, kOther, true,
                   "GetModuleHandleA(norvane.exe); GetProcAddress(null, {}); "
                   "LoadLibraryA(norvaneeng.dll); GetProcAddress(norvaneeng.dll, {})",
                   42},
        LookupCase{"LoadedProgramWithoutIt", kNone, true, kRecording, true, kOther, true,
                   "GetModuleHandleA(norvane.exe); GetProcAddress(norvane.exe, {}); "
                   "LoadLibraryA(norvaneeng.dll); GetProcAddress(norvaneeng.dll, {})",
                   42},
        LookupCase{"OnlyInTheAdapterModule", kNone, false, kNone, true, kRecording, true,
                   "GetModuleHandleA(norvane.exe); GetProcAddress(null, {}); "
                   "LoadLibraryA(norvaneeng.dll); GetProcAddress(norvaneeng.dll, {}); "
                   "LoadLibraryA(finadapt.dll); GetProcAddress(finadapt.dll, {})",
                   42},
        LookupCase{"EngineModuleMissing", kNone, false, kOther, false, kRecording, true,
                   "GetModuleHandleA(norvane.exe); GetProcAddress(null, {}); "
                   "LoadLibraryA(norvaneeng.dll); LoadLibraryA(finadapt.dll); "
                   "GetProcAddress(finadapt.dll, {})",
                   42},
        LookupCase{"InNone", kNone, true, kNone, true, kNone, true,
                   "GetModuleHandleA(norvane.exe); GetProcAddress(norvane.exe, {}); "
                   "LoadLibraryA(norvaneeng.dll); GetProcAddress(norvaneeng.dll, {}); "
                   "LoadLibraryA(finadapt.dll); GetProcAddress(finadapt.dll, {})",
                   0},
        LookupCase{"NoModuleLoads", kNone, false, kRecording, false, kRecording, false,
                   "GetModuleHandleA(norvane.exe); GetProcAddress(null, {}); "
                   "LoadLibraryA(norvaneeng.dll); LoadLibraryA(finadapt.dll)",
                   0}),
    [](const ::testing::TestParamInfo<LookupCase>& info) { return info.param.what; });

class Forwarding : public FakeLoaderTest {};

TEST_F(Forwarding, AnEntryPointTakingFewerArgumentsIsCalledCorrectly) {
  loader_["norvaneeng.dll"].entries["GetTopFIEntryV"] = reinterpret_cast<void*>(&OneArgumentEntry);
  loader_["norvaneeng.dll"].entries["TestIteratorX"] = reinterpret_cast<void*>(&OneArgumentEntry);
  UseFakeLoader();
  EXPECT_EQ(GetTopNorvaneEntry(21, 1, 2, 3), 42);
  EXPECT_EQ(TestIterator(-8, 0, 0, 0), -16);
}

}  // namespace
}  // namespace fintop_test
