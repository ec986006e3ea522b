// A stand-in host module. Built twice, as "norvaneeng.dll" and "finadapt.dll"
// (HOSTSIM_MODULE_NAME), each exporting the host's entry points:
// - "GetTopNorvaneCtx"(case path, libraries file, mapping file, units file, host name): opens
//   the case file and returns its context with one reference for the caller, or null when
//   the case cannot be read. The mapping file names are recorded, not read.
// - "GetTopFIEntryV"(case path): a new top entry on the case (the caller keeps it, or hands it
//   to CreateBaseFIIterator with mode 1), or null.
// - "TestIteratorX"(iterator, buffer, size): 1 for an iterator, whose node name is written to
//   buffer when one is given; 0 for none.
// - "HostsimModuleName"(), "HostsimMappingFiles"(): for tests, this module's file name and the
//   names the last "GetTopNorvaneCtx" was handed ("a, b, c, d"; "" before the first).
// - "HostsimUseShape"(entry name, shape name), "HostsimReceived"(): for tests of the plug-in's
//   forwarders, "GetTopFIEntryV" or "TestIteratorX" becomes an entry point of another shape
//   (entry_shapes.h; a null shape name restores the one above); what it last received.
//   "GetTopFIEntryV" and "TestIteratorX" are jumps through a pointer that this sets, so that
//   one exported name can take any shape.
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "entry_shapes.h"
#include "framework/fi_context.h"
#include "framework/fi_iterator.h"
#include "framework/platform.h"
#include "iterator/case_context.h"
#include "iterator/case_loader.h"

// The module's exports, described above.
extern "C" {
FI_DLL_EXPORT FI::Context* FI_CDECL GetTopNorvaneCtx(void* case_path, const char* libraries,
                                                     const char* mapping, const char* units,
                                                     const char* host);
FI_DLL_EXPORT const char* FI_CDECL HostsimModuleName();
FI_DLL_EXPORT const char* FI_CDECL HostsimMappingFiles();
FI_DLL_EXPORT int FI_CDECL HostsimUseShape(const char* entry_name, const char* shape_name);
FI_DLL_EXPORT const char* FI_CDECL HostsimReceived();
}

namespace {

std::mutex g_lock;
std::string g_mapping_files;
// The host keeps every case it opened for the life of the process: the reference a context
// comes with from "GetTopNorvaneCtx" is the host's own, which the plug-in never releases.
// Never destroyed, so the cases stay reachable until the very end of the process.
std::vector<hostsim::CaseContext*>* const g_open_cases = new std::vector<hostsim::CaseContext*>;

std::string Text(const char* text) {
  return text == nullptr ? "(null)" : text;
}

hostsim::CaseContext* OpenCase(const char* path) {
  if (path == nullptr) return nullptr;
  try {
    // A case the framework's process has read already is not read again.
    if (auto tree = hostsim::HandedOverCase(path)) return hostsim::CaseContext::Create(tree);
    return hostsim::CaseContext::Create(hostsim::LoadCaseFile(path));
  } catch (...) {
    return nullptr;
  }
}

// "GetTopFIEntryV" as the host has it.
std::intptr_t FI_CDECL TopEntryOfCase(const char* case_path) {
  hostsim::CaseContext* context = OpenCase(case_path);
  if (context == nullptr) return 0;
  FITopEntry* entry = FITopEntry::Create(FI::ObjectPtr<FI::Context>(context), nullptr);
  context->Release();  // the entry holds its own
  return reinterpret_cast<std::intptr_t>(entry);
}

// "TestIteratorX" as the host has it.
std::intptr_t FI_CDECL NameOfIterator(FIIterator* it, char* buffer, int size) {
  if (it == nullptr) return 0;
  if (buffer != nullptr && size > 0) it->GetName(buffer, size);
  return 1;
}

template <class Function>
void* Address(Function* function) {
  return reinterpret_cast<void*>(function);
}

}  // namespace

// Where the exported "GetTopFIEntryV" and "TestIteratorX" continue; set by HostsimUseShape
// only, before the calls. Read by the jumps below; not exported on ELF.
extern "C" {
#if !defined(_WIN32)
__attribute__((visibility("hidden")))
#endif
void* hostsim_top_entry_target = Address(&TopEntryOfCase);
#if !defined(_WIN32)
__attribute__((visibility("hidden")))
#endif
void* hostsim_test_iterator_target = Address(&NameOfIterator);
}

// An exported entry point `name` that jumps through the pointer `target`, leaving the
// caller's registers and stack to the entry point it reaches. It ends in the code section, as
// the compiler expects after it (ELF: in the section it found).
// clang-format off
#if defined(_WIN32) && defined(__x86_64__)
#define HOSTSIM_JUMP_ENTRY(name, target)                      \
  ".text\n"                                                   \
  ".globl " name "\n"                                         \
  ".def " name "; .scl 2; .type 32; .endef\n"                 \
  name ":\n"                                                  \
  "  jmp *" target "(%rip)\n"                                 \
  ".section .drectve\n"                                       \
  ".ascii \" -export:\\\"" name "\\\"\"\n"                     \
  ".text\n"
#elif defined(_WIN32) && defined(__i386__)
#define HOSTSIM_JUMP_ENTRY(name, target)                      \
  ".text\n"                                                   \
  ".globl _" name "\n"                                        \
  ".def _" name "; .scl 2; .type 32; .endef\n"                \
  "_" name ":\n"                                              \
  "  jmp *_" target "\n"                                      \
  ".section .drectve\n"                                       \
  ".ascii \" -export:\\\"" name "\\\"\"\n"                     \
  ".text\n"
#elif defined(__x86_64__)
#if defined(__CET__)
#define HOSTSIM_BRANCH_TARGET "  endbr64\n"
#else
#define HOSTSIM_BRANCH_TARGET ""
#endif
#define HOSTSIM_JUMP_ENTRY(name, target)                      \
  ".pushsection .text\n"                                      \
  ".globl " name "\n"                                         \
  ".type " name ", @function\n"                               \
  name ":\n"                                                  \
  ".cfi_startproc\n"                                          \
  HOSTSIM_BRANCH_TARGET                                       \
  "  jmp *" target "(%rip)\n"                                 \
  ".cfi_endproc\n"                                            \
  ".size " name ", . - " name "\n"                            \
  ".popsection\n"
#else
#error "no entry jumps for this target"
#endif
// clang-format on
asm(HOSTSIM_JUMP_ENTRY("GetTopFIEntryV", "hostsim_top_entry_target")
        HOSTSIM_JUMP_ENTRY("TestIteratorX", "hostsim_test_iterator_target"));

extern "C" {

FI_DLL_EXPORT FI::Context* FI_CDECL GetTopNorvaneCtx(void* case_path, const char* libraries,
                                                     const char* mapping, const char* units,
                                                     const char* host) {
  {
    std::lock_guard<std::mutex> hold(g_lock);
    g_mapping_files =
        Text(libraries) + ", " + Text(mapping) + ", " + Text(units) + ", " + Text(host);
  }
  hostsim::CaseContext* context = OpenCase(static_cast<const char*>(case_path));
  if (context != nullptr) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_open_cases->push_back(context);
  }
  return context;
}

FI_DLL_EXPORT const char* FI_CDECL HostsimModuleName() {
  return HOSTSIM_MODULE_NAME;
}

FI_DLL_EXPORT const char* FI_CDECL HostsimMappingFiles() {
  static thread_local std::string copy;
  std::lock_guard<std::mutex> hold(g_lock);
  copy = g_mapping_files;
  return copy.c_str();
}

// Returns 1, or 0 (nothing changed) for an unknown entry or shape name. Forgets what was
// received.
FI_DLL_EXPORT int FI_CDECL HostsimUseShape(const char* entry_name, const char* shape_name) {
  void* entry = nullptr;
  if (shape_name != nullptr) {
    entry = hostsim::EntryShape(shape_name);
    if (entry == nullptr) return 0;
  }
  hostsim::ForgetReceived();
  if (entry_name != nullptr && std::strcmp(entry_name, "GetTopFIEntryV") == 0) {
    hostsim_top_entry_target = entry != nullptr ? entry : Address(&TopEntryOfCase);
    return 1;
  }
  if (entry_name != nullptr && std::strcmp(entry_name, "TestIteratorX") == 0) {
    hostsim_test_iterator_target = entry != nullptr ? entry : Address(&NameOfIterator);
    return 1;
  }
  return 0;
}

FI_DLL_EXPORT const char* FI_CDECL HostsimReceived() {
  static thread_local std::string copy;
  copy = hostsim::ReceivedByShape();
  return copy.c_str();
}

}  // extern "C"
