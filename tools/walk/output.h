// The walk's output as it goes: stdout held back until it is large, the indented tree and the
// JSON document written node by node as the walk makes the model.
#pragma once

#include <string>
#include <vector>

#include "json_writer.h"
#include "model.h"

namespace walk {

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
