#include "reactions/reaction_walks.h"

#include <algorithm>
#include <cstring>

namespace fintop::reactions {

const std::string kVesselMoleFrac = "Vessel Mole Frac";

bool IsNamed(FIIterator& it, std::string_view name) {
  // Room for the name, its terminator and one more byte: a node name longer than `name`
  // keeps at least one extra character and so compares unequal. The callers' names are the
  // rate terms' list names ("ActivationEnergy" the longest); a name beyond the buffer never
  // matches.
  char buffer[64];
  const std::size_t size = std::min(name.size() + 2, sizeof buffer);
  buffer[0] = '\0';
  it.GetName(buffer, static_cast<int>(size));
  return std::strlen(buffer) == name.size() && std::memcmp(buffer, name.data(), name.size()) == 0;
}

}  // namespace fintop::reactions
