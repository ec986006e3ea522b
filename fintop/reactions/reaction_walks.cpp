#include "reactions/reaction_walks.h"

#include <algorithm>
#include <cstring>

#include "framework/walks.h"

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

void SelectComponent(FIIterator& it, int index, const char* element_attribute,
                     const char* component_attribute) {
  RecordElementName(it, element_attribute, index);
  FIAttribute component;
  {
    // The clone is gone before the caller's iterator records, so that the host need not copy
    // the attributes the two share.
    ClonedIterator clone(it);
    if (!clone || !clone->Down(kVesselMoleFrac) || !clone->Element(index)) return;
    clone->GetValue(FIAttribute("id"), component);  // read in place, not copied
  }
  it.SetAttribute(component_attribute, component);
}

}  // namespace fintop::reactions
