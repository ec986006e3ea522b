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
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "framework/fi_context.h"
#include "framework/fi_iterator.h"
#include "framework/platform.h"
#include "iterator/case_context.h"
#include "iterator/case_loader.h"

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
    return hostsim::CaseContext::Create(hostsim::LoadCaseFile(path));
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

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

FI_DLL_EXPORT std::intptr_t FI_CDECL GetTopFIEntryV(const char* case_path) {
  hostsim::CaseContext* context = OpenCase(case_path);
  if (context == nullptr) return 0;
  FITopEntry* entry = FITopEntry::Create(FI::ObjectPtr<FI::Context>(context), nullptr);
  context->Release();  // the entry holds its own
  return reinterpret_cast<std::intptr_t>(entry);
}

FI_DLL_EXPORT std::intptr_t FI_CDECL TestIteratorX(FIIterator* it, char* buffer, int size) {
  if (it == nullptr) return 0;
  if (buffer != nullptr && size > 0) it->GetName(buffer, size);
  return 1;
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

}  // extern "C"
