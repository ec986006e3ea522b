// The generic model that a walk builds, and its two printed forms: an indented tree and JSON.
// Both are deterministic: the same case and mapping give the same bytes on every platform.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "framework/fi_attribute.h"

namespace walk {

// A value as the model keeps it (a copy of an FIAttribute).
struct Value {
  enum Kind { kEmpty, kInteger, kReal, kText };
  Kind kind = kEmpty;
  long long integer = 0;
  double real = 0.0;
  std::string text;

  static Value From(const FIAttribute& attribute);
  bool operator==(const Value& other) const;
};

// Integers in decimal, reals in the shortest form that reads back the same ("nan", "inf"),
// texts in double quotes with JSON escapes, an empty value as "empty".
std::string Format(const Value& value);

struct Field {
  std::string name;
  Value value;
};

struct Binding {
  std::string generic_name;
  std::string host_name;
};

struct ModelNode {
  enum Kind { kObject, kCollection, kItem, kElement, kValue };
  Kind kind = kObject;
  std::string cls;       // object; item whose selection named a class
  std::string name;      // object: host node name; collection, element, value: mapping name
  std::string host;      // object: host path
  std::string callback;  // collection, element
  std::string at;        // item, element: where the callback left the iterator, if it moved
  int index = 0;         // item
  int result = 0;        // item: the selection's result
  int count = 0;         // collection
  bool found = false;    // element
  bool has_value = false;
  Value value;                      // value; element with read=
  std::vector<Field> attributes;    // recorded by the callback
  std::vector<Binding> bindings;    // made by the callback
  std::vector<ModelNode> children;  // in the order of the mapping
};

// The indented tree, two blanks per level, one line per model node.
void PrintTree(const std::vector<ModelNode>& roots, std::ostream& out);
// The model as JSON.
nlohmann::ordered_json ToJson(const std::vector<ModelNode>& roots);

}  // namespace walk
