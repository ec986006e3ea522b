// Walks shared by the reaction callbacks: lists of repeated children matched by name, and the
// component name of a reactor's per-component selection.
//
// None of them keeps state; each works on the iterator it is handed and leaves it as said.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "framework/fi_iterator.h"
#include "framework/walks.h"

namespace fintop::reactions {

// The reactor's per-component array; the "id" of its element i names component i.
extern const std::string kVesselMoleFrac;

// True when the node `it` stands on is named exactly `name`: whole name, case-sensitive. The
// name is read into a buffer one byte longer than `name` needs, so a longer node name never
// passes for it.
[[nodiscard]] bool IsNamed(FIIterator& it, std::string_view name);

// The same test for a name known when compiling (`Size` counts its terminator), as the walks
// over long lists make it once per sibling: a buffer of `Size` + 1 bytes, and the name with its
// terminator compared whole, which the compiler does in a few instructions.
template <std::size_t Size>
inline bool IsNamed(FIIterator& it, const char (&name)[Size]) {
  char buffer[Size + 1] = {};
  it.GetName(buffer, static_cast<int>(sizeof buffer));
  return std::memcmp(buffer, name, Size) == 0;
}

// From entry 0 of a list of repeated children named `name` (where Down(name) leaves `it`),
// counts that entry and every following sibling named exactly `name`. Moves `it` onto the
// last sibling.
template <class Name>
inline int CountNamed(FIIterator& it, const Name& name) {
  int count = 1;
  while (it.Next()) {
    if (IsNamed(it, name)) ++count;
  }
  return count;
}

// From entry 0 of a list of repeated children named `name`, steps with Next to entry `entry`,
// stepping over siblings of other names. An entry of 0 or less stays on entry 0. When the
// siblings end before the entry is reached, `it` stays on the last sibling; the walk always
// ends.
template <class Name>
inline void WalkToEntry(FIIterator& it, const Name& name, std::int64_t entry) {
  std::int64_t passed = 0;
  while (passed < entry && it.Next()) {
    if (IsNamed(it, name)) ++passed;
  }
}

// The selection of a per-component array of a reactor: records "Elem" + index under
// `element_attribute` on the caller's iterator, then, when "Vessel Mole Frac" has an element
// `index`, that element's "id" under `component_attribute`. The caller's iterator does not
// move; the walk is made on a clone. Inline: the balance and flow-spec callbacks are little
// else, and a call of its own would be a second frame in each of theirs.
FINTOP_INLINE void SelectComponent(FIIterator& it, int index, const char* element_attribute,
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
