// The stand-in aggregate-node module: one top node per key, made from an iterator on the top
// entry. Guarded by one lock, as the framework may map cases from several threads.
#include "aggnode/agg_node.h"

#include <map>
#include <memory>
#include <mutex>

struct QELAggNode {
  explicit QELAggNode(FIIterator* it) : iterator(it) {}
  ~QELAggNode() { DeleteFIIterator(iterator); }
  QELAggNode(const QELAggNode&) = delete;
  QELAggNode& operator=(const QELAggNode&) = delete;

  FIIterator* iterator;  // owned
};

namespace {

std::mutex g_lock;

std::map<void*, std::unique_ptr<QELAggNode>>& Nodes() {
  static auto* nodes = new std::map<void*, std::unique_ptr<QELAggNode>>();
  return *nodes;
}

}  // namespace

extern "C" {

QELAggNode* FI_CDECL FindTopNode(void* key) {
  std::lock_guard<std::mutex> hold(g_lock);
  auto found = Nodes().find(key);
  return found == Nodes().end() ? nullptr : found->second.get();
}

// A key that already has a node keeps it; the iterator handed in is then deleted, since the
// node takes it over in either case.
QELAggNode* FI_CDECL GetTopAggNode(FIIterator* iterator, void* key) {
  if (iterator == nullptr) return nullptr;
  try {
    std::lock_guard<std::mutex> hold(g_lock);
    std::unique_ptr<QELAggNode>& slot = Nodes()[key];
    if (slot) {
      DeleteFIIterator(iterator);
    } else {
      slot = std::make_unique<QELAggNode>(iterator);
    }
    return slot.get();
  } catch (...) {
    DeleteFIIterator(iterator);
    return nullptr;
  }
}

FIIterator* FI_CDECL QELAggNodeIterator(QELAggNode* node) {
  return node == nullptr ? nullptr : node->iterator;
}

void FI_CDECL QELForgetAggNodes() {
  std::map<void*, std::unique_ptr<QELAggNode>> forgotten;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    forgotten.swap(Nodes());
  }
}

}  // extern "C"
