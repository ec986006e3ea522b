#include "iterator/case_context.h"

#include <cstring>

namespace hostsim {

namespace {
std::atomic<long> g_live_contexts{0};
}

CaseContext* CaseContext::Create(std::shared_ptr<const HostTree> tree) {
  return new CaseContext(std::move(tree));
}

CaseContext::CaseContext(std::shared_ptr<const HostTree> tree) : tree_(std::move(tree)) {
  g_live_contexts.fetch_add(1);
}

CaseContext::~CaseContext() {
  g_live_contexts.fetch_sub(1);
}

void* CaseContext::Query(const char* what) {
  if (what != nullptr && std::strcmp(what, kTreeQuery) == 0) return &tree_;
  return nullptr;
}

void CaseContext::AddRef() {
  references_.fetch_add(1);
}

void CaseContext::Release() {
  if (references_.fetch_sub(1) == 1) delete this;
}

long CaseContext::Live() {
  return g_live_contexts.load();
}

}  // namespace hostsim
