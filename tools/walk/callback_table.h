// The plug-in's callbacks as the walk knows them: every name of FINTOP_CALLBACKS with its
// shape, in the order of that list.
#pragma once

#include <array>
#include <string_view>

#include "framework/callbacks.h"

namespace walk {

enum class Shape { kKind, kClassifier, kCollection, kElement };

struct CallbackInfo {
  const char* name;
  Shape shape;
};

inline constexpr int kNoCallback = -1;

// All 92, in the order of FINTOP_CALLBACKS.
const std::array<CallbackInfo, kCallbackCount>& Callbacks();

// The position of `name` in Callbacks(), or kNoCallback.
int FindCallback(std::string_view name);

// "kind test", "classifier", "collection callback", "element callback".
const char* ShapeName(Shape shape);

}  // namespace walk
