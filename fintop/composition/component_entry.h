// The component selection that the component arrays and the K-value arrays share: one
// attribute, "CmpCnt", and one element walk over it. Internal to the plug-in.
#pragma once

#include <string>

#include "framework/fi_iterator.h"

namespace fintop::composition {

// The selected component's zero-based index, an integer attribute. Recorded by the component
// array and by the K-value arrays, read by all their element callbacks: whichever was
// recorded last is the one entered.
inline constexpr char kCmpCnt[] = "CmpCnt";

// Down `variable`, then Element with "CmpCnt". Move 0 works on a clone and never moves the
// caller's iterator; otherwise the caller's iterator ends on the component's entry, or, on
// failure, back where it stood (one Up when "CmpCnt" is absent or names no element, none
// when `variable` is missing).
bool ComponentEntry(FIIterator& it, const std::string& variable, int move);

}  // namespace fintop::composition
