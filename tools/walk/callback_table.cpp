#include "callback_table.h"

namespace walk {

namespace {

constexpr Shape kShapeKIND = Shape::kKind;
constexpr Shape kShapeCLASSIFIER = Shape::kClassifier;
constexpr Shape kShapeCOLLECTION = Shape::kCollection;
constexpr Shape kShapeELEMENT = Shape::kElement;

#define WALK_CALLBACK_INFO(shape, name, ...) CallbackInfo{#name, kShape##shape},
constexpr std::array<CallbackInfo, kCallbackCount> kCallbacks = {
    FINTOP_CALLBACKS(WALK_CALLBACK_INFO)};
#undef WALK_CALLBACK_INFO

}  // namespace

const std::array<CallbackInfo, kCallbackCount>& Callbacks() {
  return kCallbacks;
}

int FindCallback(std::string_view name) {
  for (int i = 0; i < kCallbackCount; ++i) {
    if (name == kCallbacks[i].name) return i;
  }
  return kNoCallback;
}

const char* ShapeName(Shape shape) {
  switch (shape) {
    case Shape::kKind:
      return "kind test";
    case Shape::kClassifier:
      return "classifier";
    case Shape::kCollection:
      return "collection callback";
    case Shape::kElement:
      return "element callback";
  }
  return "callback";
}

}  // namespace walk
