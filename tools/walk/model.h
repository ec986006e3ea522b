// The generic model as a walk makes it, node by node, and how its values are printed. Both
// printed forms (output.h) are deterministic: the same case and mapping give the same bytes on
// every platform.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "attribute_value.h"
#include "framework/fi_attribute.h"

namespace walk {

// A value as the model keeps it: the record's (call_record.h), null for an empty attribute.
using record::Value;

// Integers in decimal, reals as the JSON document writes them (unquoted "nan", "inf"), texts in
// double quotes with JSON escapes, an empty value as "empty".
std::string Format(const Value& value);
void AppendFormat(const Value& value, std::string& out);
// `text` as Format writes a text value.
std::string Quoted(const std::string& text);

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
  std::string cls;  // object; item whose selection named a class
  // Names are views of the host tree, the mapping and the callback table, which outlive the
  // walk's sinks.
  std::string_view name;      // object: host node name; collection, element, value: mapping name
  std::string host;           // object: host path (when the walk is asked for host paths)
  std::string_view callback;  // collection, element
  std::string at;             // item, element: where the callback left the iterator, if it moved
  int index = 0;              // item
  int result = 0;             // item: the selection's result
  int count = 0;              // collection
  bool found = false;         // element
  bool has_value = false;
  Value value;                    // value; element with read=
  std::vector<Field> attributes;  // recorded by the callback
  std::vector<Binding> bindings;  // made by the callback
};

// Receives the model as the walk makes it, depth first in the order of the mapping: Open when
// a node's own data is known, before its contents; Close when its contents are done. Nothing
// of the model is kept, so a sink that prints as it goes keeps the walk's memory flat.
class ModelSink {
 public:
  virtual ~ModelSink() = default;
  virtual void Open(const ModelNode& node) = 0;
  virtual void Close(const ModelNode& node) = 0;
  // The trace, in the order of the calls: one entry per call and per attribute the framework
  // records (call_record.h).
  virtual void Trace(record::Entry entry) = 0;
};

}  // namespace walk
