// The callbacks as one table for the plug-in's callers (the walk, the tests, the fuzzer, the
// benchmarks): every FINTOP_CALLBACKS entry's name, shape and facts, in the list's order, and
// one way to call a callback of any shape through its address. The plug-in itself does not
// include this.
#pragma once

#include <array>
#include <string_view>

#include "framework/callbacks.h"

namespace fintop {

enum class Shape { kKind, kClassifier, kCollection, kElement };

struct CallbackInfo {
  const char* name;
  Shape shape;
  // A selection (any index but -1) or an element call with a non-zero move flag may move the
  // caller's iterator (MOVES).
  bool moves;
  bool counts;            // keeps a process-wide count from a counting call to its selections
  bool fails_with_index;  // a failed selection returns its index unchanged (INDEX)
};

namespace table_detail {
constexpr Shape kKIND = Shape::kKind;
constexpr Shape kCLASSIFIER = Shape::kClassifier;
constexpr Shape kCOLLECTION = Shape::kCollection;
constexpr Shape kELEMENT = Shape::kElement;
}  // namespace table_detail

#define FINTOP_TABLE_ROW(shape, name, moves, state, fails)                              \
  CallbackInfo{#name, table_detail::k##shape, FINTOP_FACT_##moves, FINTOP_FACT_##state, \
               FINTOP_FACT_##fails},
// All 92, in the order of FINTOP_CALLBACKS; a callback's position here is its id.
inline constexpr std::array<CallbackInfo, kCallbackCount> kCallbackTable = {
    FINTOP_CALLBACKS(FINTOP_TABLE_ROW)};
#undef FINTOP_TABLE_ROW

inline constexpr int kNoCallback = -1;

// The id of `name`, or kNoCallback.
constexpr int FindCallback(std::string_view name) {
  for (int i = 0; i < kCallbackCount; ++i) {
    if (name == kCallbackTable[i].name) return i;
  }
  return kNoCallback;
}

// "kind test", "classifier", "collection callback", "element callback".
constexpr const char* ShapeName(Shape shape) {
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

// What a failed call returns (a null iterator, a host call that throws): false, a count of 0,
// a selection's index unchanged or 0, as the entry says. `argument` as for CallByShape.
constexpr int FailureResult(const CallbackInfo& info, int argument) {
  return info.shape == Shape::kCollection ? FailedCollection(info.fails_with_index, argument) : 0;
}

// Whether this call may move the caller's iterator: a selection or a non-zero move flag of a
// callback whose entry says MOVES.
constexpr bool MayMove(const CallbackInfo& info, int argument) {
  if (!info.moves) return false;
  return info.shape == Shape::kCollection ? argument != -1 : argument != 0;
}

// One call of the callback at `address` through the pointer of its shape. `argument` is a
// collection callback's index and an element callback's move flag, and is ignored by the
// other shapes; `out` is handed to the classifier and to collection callbacks. The result as
// a number: 0 or 1 for the boolean shapes.
inline int CallByShape(Shape shape, void* address, FIIterator* it, FIAttribute* out, int argument) {
  switch (shape) {
    case Shape::kKind:
      return reinterpret_cast<FIKindTest>(address)(it);
    case Shape::kClassifier:
      return reinterpret_cast<FIClassifier>(address)(it, out);
    case Shape::kCollection:
      return reinterpret_cast<FICollection>(address)(it, out, argument);
    case Shape::kElement:
      return reinterpret_cast<FIElement>(address)(it, argument);
  }
  return -1;
}

// The addresses of the linked plug-in's callbacks, by id: for callers that link the plug-in
// (a caller that loads it by name resolves each kCallbackTable name instead).
inline const std::array<void*, kCallbackCount>& LinkedCallbacks() {
#define FINTOP_TABLE_ADDRESS(shape, name, ...) reinterpret_cast<void*>(&name),
  static const std::array<void*, kCallbackCount> addresses = {
      FINTOP_CALLBACKS(FINTOP_TABLE_ADDRESS)};
#undef FINTOP_TABLE_ADDRESS
  return addresses;
}

}  // namespace fintop
