// The component selection that the component arrays and the K-value arrays share: one
// attribute, "CmpCnt", selected with fintop::SelectInteger and entered with
// fintop::EnterElement. Internal to the plug-in.
#pragma once

namespace fintop::composition {

// The selected component's zero-based index, an integer attribute. Recorded by the component
// array and by the K-value arrays, read by all their element callbacks: whichever was
// recorded last is the one entered.
inline constexpr char kCmpCnt[] = "CmpCnt";

}  // namespace fintop::composition
