// The plug-in as the walk uses it: loaded by file name at run time (a bare name beside the
// program first), every callback and GetQELNode resolved by name with GetProcAddress, as the
// framework does.
#pragma once

#include <array>
#include <stdexcept>
#include <string>

#include "callback_table.h"
#include "framework/callbacks.h"
#include "framework/qel_com.h"

namespace walk {

// A plug-in that cannot be used: what() is one line naming the file and what is wrong.
class PluginError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using GetQELNodeFn = QELAggNode*(FI_CDECL*)(void* first, void* second);

class Plugin {
 public:
  // Loads `file` and resolves GetQELNode and every callback of the list; throws PluginError naming
  // the first export missing. The module stays loaded until the process ends, as the host's do.
  explicit Plugin(const std::string& file);

  const std::string& file() const { return file_; }
  GetQELNodeFn get_qel_node() const { return get_qel_node_; }

  // The callback at position `id` of Callbacks(), called through the pointer of its shape.
  FIKindTest kind(int id) const { return reinterpret_cast<FIKindTest>(entries_[id]); }
  FIClassifier classifier(int id) const { return reinterpret_cast<FIClassifier>(entries_[id]); }
  FICollection collection(int id) const { return reinterpret_cast<FICollection>(entries_[id]); }
  FIElement element(int id) const { return reinterpret_cast<FIElement>(entries_[id]); }
  void* entry(int id) const { return entries_[id]; }

 private:
  std::string file_;
  GetQELNodeFn get_qel_node_ = nullptr;
  std::array<void*, kCallbackCount> entries_{};
};

}  // namespace walk
