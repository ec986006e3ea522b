// Host names that files of more than one callback family, or several files of one, ask for:
// defined once, so that each family's files can be compiled as one unit.
#pragma once

#include <string>

namespace fintop::names {

inline constexpr char kDraw[] = "Draw";
inline constexpr char kElement[] = "Element";
inline constexpr char kFlashPhaseCmpCnt[] = "FlashPhaseCmpCnt";
inline constexpr char kKineticBasis[] = "KineticBasis";
inline constexpr char kPointNo[] = "PointNo";
inline constexpr char kProfileElemNum[] = "ProfileElemNum";
inline const std::string kActiveReactionList = "ActiveReactionList";
inline const std::string kCompMoleFrac = "Comp Mole Frac";
inline const std::string kReaction = "Reaction";

}  // namespace fintop::names
