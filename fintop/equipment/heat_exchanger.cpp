// The hot and cold sides of a two-stream heat exchanger. The host describes the exchanger by
// its tube and shell sides; which one is hot is decided afresh on every call from the two
// inlet temperatures, and nothing is stored.
#include <string>

#include "framework/walks.h"
#include "framework/workers.h"

namespace {

// Inlet temperatures of the exchanger node.
const std::string kTubeInletTemperature = "Tube Inlet Temperature";
const std::string kShellInletTemperature = "Shell Inlet Temperature";

// The four generic variables of a side, bound in this order, and their host names per side.
struct SideVariable {
  const char* generic;
  const char* tube;
  const char* shell;
};
constexpr SideVariable kSideVariables[] = {
    {"DeltaT", "Tube Side Delta T", "Shell Side Delta T"},
    {"DeltaP", "Tube Side Pressure Drop", "Shell Side Pressure Drop"},
    {"OutletT", "Tube Outlet Temperature", "Shell Outlet Temperature"},
    {"OutletP", "Tube Outlet Pressure", "Shell Outlet Pressure"},
};

enum class Side { kHot, kCold };

// Reads both inlet temperatures on a clone and binds the four variables of the requested side
// on the caller's iterator. The shell side is hot when Ts >= Tt; otherwise, including when
// either value is not a number, the tube side is hot. Each temperature is read into an empty
// attribute, so a variable without a value reads as not a number rather than as the other
// side's temperature. A missing variable binds nothing.
FINTOP_INLINE void BindSide(FIIterator& it, Side side) {
  fintop::ClonedIterator clone(it);
  if (!clone || !clone->Down(kTubeInletTemperature)) return;
  const FIAttribute key("value");  // one key for both reads
  FIAttribute value;
  clone->GetValue(key, value);
  const double tube = value.rval();
  clone->Up();
  if (!clone->Down(kShellInletTemperature)) return;
  fintop::ReadProperty(*clone, key, value);  // cleared: a missing value reads as not a number
  const double shell = value.rval();
  const bool shell_is_hot = shell >= tube;
  const bool bind_shell = (side == Side::kHot) == shell_is_hot;
  for (const SideVariable& variable : kSideVariables) {
    it.Alias(variable.generic, bind_shell ? variable.shell : variable.tube);
  }
}

// Move 0 answers that the side exists without reading anything; any other move binds it.
FINTOP_INLINE bool ExchangerSide(FIIterator& it, int move, Side side) {
  if (move != 0) BindSide(it, side);
  return true;
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Binds "DeltaT", "DeltaP", "OutletT" and "OutletP" to the hot side's host variables (move
// non-zero). Always true; the iterator does not move; a missing inlet temperature binds
// nothing. Called at the same moment, CTExchangerCold binds the opposite side.
bool CTExchangerHot(FIIterator& it, int move) {
  return ExchangerSide(it, move, Side::kHot);
}

// As CTExchangerHot, for the cold side.
bool CTExchangerCold(FIIterator& it, int move) {
  return ExchangerSide(it, move, Side::kCold);
}

}  // namespace fintop::workers
