// The generic model as a walk makes it, node by node, and the walk's output as it goes: stdout
// held back until it is large, the indented tree and the JSON document written node by node as
// the walk makes the model. Both printed forms are deterministic: the same case and mapping give
// the same bytes on every platform. And the addresses of the call record (call_record.h) on the
// stand-in host's tree: the walk's trace writes them, the replay finds the node a record names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "attribute_value.h"
#include "framework/fi_attribute.h"
#include "iterator/host_tree.h"
#include "json_writer.h"

namespace walk {

// A value as the model keeps it: the record's (call_record.h), null for an empty attribute.
using record::Value;

// Integers in decimal, reals as the JSON document writes them (unquoted "nan", "inf"), texts in
// double quotes with JSON escapes, an empty value as "empty".
std::string Format(const Value& value);
void AppendFormat(const Value& value, std::string& out);
// `text` as Format writes a text value.
std::string Quoted(const std::string& text);

// The address of `node`: its place among same-named siblings counted on the tree.
std::string AddressOf(const hostsim::HostTree& tree, std::uint32_t node);
// The node `address` names, or hostsim::kNoNode when the tree has none (or it is malformed).
std::uint32_t FindAddress(const hostsim::HostTree& tree, std::string_view address);

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

// The kit's held-back output and JSON writer (json_writer.h).
using kit::JsonWriter;
using kit::Output;

// The text output: the indented tree (two blanks per level, one line per model node) when
// `tree` is asked for, and the trace lines as they come.
class TextSink final : public ModelSink {
 public:
  TextSink(Output& out, bool tree) : out_(out), tree_(tree) {}
  void Open(const ModelNode& node) override;
  void Close(const ModelNode& node) override;
  // The text trace's lines of the entry: the call with its arguments and its answer, then the
  // operations under it, indented.
  void Trace(record::Entry entry) override;

 private:
  // Writes raw_ as one line of the output, after `indent` blanks.
  void Put(std::size_t indent);

  Output& out_;
  bool tree_;
  std::size_t depth_ = 0;
  std::string raw_, line_;  // reused for every line
};

// The model as the JSON array "model" of the document: objects, collections with their
// "items", items and elements with their "contents". The trace is kept for later, as it
// follows the model in the document.
class JsonSink final : public ModelSink {
 public:
  explicit JsonSink(JsonWriter& json) : json_(json) {}
  void Open(const ModelNode& node) override;
  void Close(const ModelNode& node) override;
  void Trace(record::Entry entry) override { trace_.push_back(std::move(entry)); }

  const std::vector<record::Entry>& trace() const { return trace_; }

 private:
  struct Open_ {
    bool collection;
    bool contents;  // the array of its contents has been begun
  };
  JsonWriter& json_;
  std::vector<Open_> open_;
  std::vector<record::Entry> trace_;
};

}  // namespace walk
