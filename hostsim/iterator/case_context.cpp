#include "iterator/case_context.h"

#include <cstring>
#include <mutex>

namespace hostsim {

namespace {
std::atomic<long> g_live_contexts{0};

struct HandedOver {
  std::mutex lock;
  std::string path;
  std::shared_ptr<const HostTree> tree;
};
HandedOver& Handed() {
  static HandedOver* const handed = new HandedOver;  // never destroyed: used until the end
  return *handed;
}
}  // namespace

void HandOverCase(const std::string& path, std::shared_ptr<const HostTree> tree) {
  HandedOver& h = Handed();
  std::lock_guard<std::mutex> hold(h.lock);
  h.path = tree ? path : std::string();
  h.tree = std::move(tree);
}

std::shared_ptr<const HostTree> HandedOverCase(const std::string& path) {
  HandedOver& h = Handed();
  std::lock_guard<std::mutex> hold(h.lock);
  return h.tree && h.path == path ? h.tree : nullptr;
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
