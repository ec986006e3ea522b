#include "reactions/reaction_walks.h"

#include <cstring>

#include "framework/walks.h"

namespace fintop::reactions {

const std::string kVesselMoleFrac = "Vessel Mole Frac";

bool IsNamed(FIIterator& it, std::string_view name) {
  // Room for the name, its terminator and one more byte: a node name longer than `name`
  // keeps at least one extra character and so compares unequal.
  std::string buffer(name.size() + 2, '\0');
  it.GetName(buffer.data(), static_cast<int>(buffer.size()));
  return std::strlen(buffer.c_str()) == name.size() &&
         std::memcmp(buffer.data(), name.data(), name.size()) == 0;
}

int CountNamed(FIIterator& it, std::string_view name) {
  int count = 1;
  while (it.Next()) {
    if (IsNamed(it, name)) ++count;
  }
  return count;
}

void WalkToEntry(FIIterator& it, std::string_view name, std::int64_t entry) {
  std::int64_t passed = 0;
  while (passed < entry && it.Next()) {
    if (IsNamed(it, name)) ++passed;
  }
}

void SelectComponent(FIIterator& it, int index, const char* element_attribute,
                     const char* component_attribute) {
  RecordElementName(it, element_attribute, index);
  ClonedIterator clone(it);
  if (!clone || !clone->Down(kVesselMoleFrac) || !clone->Element(index)) return;
  it.SetAttribute(component_attribute, ReadProperty(*clone, "id"));
}

}  // namespace fintop::reactions
