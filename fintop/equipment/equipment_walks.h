// Inline forms of the shared walks for the equipment callbacks, which are little else: the
// element name made in one buffer, the counting walk and the stored-count read. Each gives
// exactly what its framework counterpart in framework/walks.h gives.
#pragma once
#include <charconv>
#include <cstring>
#include <string>

#include "framework/fi_attribute.h"
#include "framework/fi_iterator.h"
#include "framework/walks.h"

namespace fintop::equipment {

// The element name "Elem" followed by the index's decimal digits, as text: the same value as
// FIAttribute("Elem") with the index appended, made with one text copy.
template <class Integer>
FIAttribute ElementText(Integer index) {
  char text[32];
  std::memcpy(text, "Elem", 4);
  *std::to_chars(text + 4, text + sizeof text - 1, index).ptr = '\0';
  return FIAttribute(text);
}

// Records the element name under `name` on the caller's iterator, which does not move.
template <class Integer>
void RecordElement(FIIterator& it, const char* name, Integer index) {
  const FIAttribute value = ElementText(index);
  it.SetAttribute(name, value);
}

// The counting walk on a clone: Down each name, then First and one more per Next. A failing
// clone, Down or First counts 0; the caller's iterator neither moves nor gains attributes.
inline int CountBelow(FIIterator& it, const std::string& name) {
  ClonedIterator clone(it);
  if (!clone || !clone->Down(name) || !clone->First()) return 0;
  int count = 1;
  while (clone->Next()) ++count;
  return count;
}

inline int CountBelow(FIIterator& it, const std::string& first, const std::string& second) {
  ClonedIterator clone(it);
  if (!clone || !clone->Down(first) || !clone->Down(second) || !clone->First()) return 0;
  int count = 1;
  while (clone->Next()) ++count;
  return count;
}

// The "value" of the variable `path` below the node, as an integer, read on a clone: 0 when
// the variable is missing.
inline int StoredInteger(FIIterator& it, const std::string& path) {
  ClonedIterator clone(it);
  if (!clone || !clone->Down(path)) return 0;
  FIAttribute value;
  clone->GetValue(FIAttribute("value"), value);
  return value.ival();
}

}  // namespace fintop::equipment
