// The plug-in as the walk uses it: its callbacks as the shared table of FINTOP_CALLBACKS
// (framework/callback_table.h) names them, and the module loaded by file name at run time (a
// bare name beside the program first), every callback and GetQELNode resolved by name with
// GetProcAddress, as the framework does.
#pragma once

#include <array>
#include <string>

#include "framework/callback_table.h"
#include "framework/callbacks.h"
#include "framework/qel_com.h"

namespace walk {

using fintop::CallbackInfo;
using fintop::FindCallback;
using fintop::kNoCallback;
using fintop::Shape;
using fintop::ShapeName;

// Every callback, in the order of FINTOP_CALLBACKS.
inline const std::array<CallbackInfo, kCallbackCount>& Callbacks() {
  return fintop::kCallbackTable;
}

using GetQELNodeFn = QELAggNode*(FI_CDECL*)(void* first, void* second);

class Plugin {
 public:
  // Loads `file` and resolves GetQELNode and every callback of the list; throws
  // std::runtime_error, one line naming the file and what is wrong (the first export missing). The
  // module stays loaded until the process ends, as the host's do.
  explicit Plugin(const std::string& file);

  const std::string& file() const { return file_; }
  GetQELNodeFn get_qel_node() const { return get_qel_node_; }

  // The callback at position `id` of Callbacks(), for fintop::CallByShape.
  void* entry(int id) const { return entries_[id]; }

 private:
  std::string file_;
  GetQELNodeFn get_qel_node_ = nullptr;
  std::array<void*, kCallbackCount> entries_{};
};

}  // namespace walk
