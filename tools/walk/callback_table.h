// The plug-in's callbacks as the walk knows them: the shared table of FINTOP_CALLBACKS
// (framework/callback_table.h), by the names the walk uses.
#pragma once

#include "framework/callback_table.h"

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

}  // namespace walk
