// The named-stream hop: from a unit node to the stream that one of its variables names.
//
// A condenser, reboiler, side column or pumparound does not hold its streams as children: a
// variable of the unit holds the stream's name as its "value", and the stream is a sibling of
// the unit. The hop goes down to the variable, reads the name, goes up two levels (to the
// unit's parent) and down by that name. Callers differ only in how they decide that the value
// names no stream.
#pragma once

#include <string>

#include "framework/fi_iterator.h"
#include "framework/walks.h"

namespace fintop {

// When the value read from the variable names no stream, so that the hop stops on the variable.
enum class StreamNameTest {
  // The value has no text (condenser and reboiler products).
  kNullText,
  // The value is empty (side columns, pumparounds). A value that is not empty but has no text
  // passes this test and then fails the last Down, which leaves the iterator on the unit's parent.
  kEmptyValue,
};

// The hop on `it` itself, which stands on the unit. True when `it` now stands on the stream.
// A failure undoes nothing: `it` stays on the unit when the variable is missing, on the variable
// when its value names no stream, on the node a failing Up left it on, or on the unit's parent
// when the stream is not found there. The name is passed to Down as one level (DownByName).
// Inline: the product-stream and pumparound callbacks are little else.
[[nodiscard]] FINTOP_INLINE bool HopToNamedStream(FIIterator& it, const std::string& variable,
                                                  StreamNameTest test) {
  if (!it.Down(variable)) return false;
  FIAttribute name;
  it.GetValue(FIAttribute("value"), name);
  if (test == StreamNameTest::kNullText ? name.c_str() == nullptr : name.empty()) return false;
  // From the variable to the unit, then to the unit's parent. A unit without a parent has no
  // siblings: stop rather than look among the unit's own children.
  if (!it.Up() || !it.Up()) return false;
  return DownByName(it, name.c_str());
}

// The hop as an element callback: with move non-zero on the caller's iterator (left as
// HopToNamedStream leaves it), with move 0 on a clone, so that the caller's never moves.
[[nodiscard]] FINTOP_INLINE bool NamedStream(FIIterator& caller, int move,
                                             const std::string& variable, StreamNameTest test) {
  WorkingIterator work(caller, move);
  return work && HopToNamedStream(*work, variable, test);
}

}  // namespace fintop
