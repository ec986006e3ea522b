#include "framework/walks.h"

#include <cstring>

namespace fintop {

int CountChildren(FIIterator& it) {
  if (!it.First()) return 0;
  int count = 1;
  while (it.Next()) ++count;
  return count;
}

int CountElements(FIIterator& it, const std::string& name) {
  ClonedIterator clone(it);
  if (!clone || !clone->Down(name)) return 0;
  return CountChildren(*clone);
}

int CountElements(FIIterator& it, const std::string& first, const std::string& second) {
  ClonedIterator clone(it);
  if (!clone || !clone->Down(first) || !clone->Down(second)) return 0;
  return CountChildren(*clone);
}

FIAttribute ElementName(int index) {
  FIAttribute name("Elem");
  name.Append(index);
  return name;
}

void RecordElementName(FIIterator& it, const char* name, int index) {
  it.SetAttribute(name, ElementName(index));
}

void RecordInteger(FIIterator& it, const char* name, int value) {
  it.SetAttribute(name, FIAttribute(value));
}

FIAttribute ReadProperty(FIIterator& it, const char* key) {
  FIAttribute out;
  it.GetValue(FIAttribute(key), out);
  return out;
}

FIAttribute ReadVariable(FIIterator& it, const std::string& path) {
  ClonedIterator clone(it);
  if (!clone || !clone->Down(path)) return FIAttribute();
  return ReadValue(*clone);
}

bool IsOfType(FIIterator& it, const char* type_name) {
  FIAttribute type = ReadProperty(it, "type");
  type.ChangeType(FT_TEXT);
  return std::strcmp(type.c_str(), type_name) == 0;
}

bool SameText(const char* text, const char* name) {
  return text != nullptr && std::strcmp(text, name) == 0;
}

std::string AsOneLevel(std::string_view name) {
  if (name.find('.') == std::string_view::npos || name.find('"') != std::string_view::npos) {
    return std::string(name);
  }
  std::string quoted;
  quoted.reserve(name.size() + 2);
  quoted += '"';
  quoted += name;
  quoted += '"';
  return quoted;
}

bool DownByName(FIIterator& it, const char* name) {
  return name != nullptr && it.Down(AsOneLevel(name));
}

bool EnterElement(FIIterator& caller, int move, const std::string& variable,
                  const char* index_name) {
  WorkingIterator work(caller, move);
  if (!work || !work->Down(variable)) return false;
  FIAttribute index;
  if (work->GetAttribute(index_name, index) && work->Element(index.ival())) return true;
  work.Undo(1);
  return false;
}

}  // namespace fintop
