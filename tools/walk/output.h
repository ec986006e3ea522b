// The walk's output as it goes: stdout held back until it is large, the indented tree and the
// JSON document written node by node as the walk makes the model.
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "model.h"

namespace walk {

// A model value as the JSON document writes it (call_record.h's form); null when empty.
nlohmann::ordered_json JsonValue(const Value& value);

// stdout as the walk writes it. What is written is held in memory until it passes kHoldBytes,
// so that a walk that stops on an error early has written nothing; from then on it is written
// in pieces as it grows, so a large walk's output never sits whole in memory.
class Output {
 public:
  static constexpr std::size_t kHoldBytes = std::size_t{1} << 20;

  explicit Output(std::FILE* file) : file_(file) {}
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  Output& operator<<(std::string_view text) {
    held_.append(text);
    if (held_.size() >= (started_ ? kPieceBytes : kHoldBytes)) Flush();
    return *this;
  }
  Output& operator<<(char c) { return *this << std::string_view(&c, 1); }

  // Whether some of the output has been written already.
  bool started() const { return started_; }
  // Writes what is held and flushes the file; false when some writing failed.
  bool Finish();

 private:
  static constexpr std::size_t kPieceBytes = std::size_t{64} << 10;
  void Flush();

  std::FILE* file_;
  std::string held_;
  bool started_ = false;
  bool failed_ = false;
};

// JSON written as it goes, laid out exactly as nlohmann's dump with an indent of 2.
class JsonWriter {
 public:
  explicit JsonWriter(Output& out) : out_(out) {}

  void BeginObject() { Begin('{', true); }
  void BeginArray() { Begin('[', false); }
  void End();
  // The key of the next value, inside an object.
  void Key(std::string_view key);
  // A whole value: a scalar, or an array or object laid out as the rest.
  void Write(const nlohmann::ordered_json& value);

 private:
  struct Level {
    bool object;
    bool empty;
  };
  void Begin(char bracket, bool object);
  void Before();  // the separator and indent before a value, unless it follows its key

  Output& out_;
  std::vector<Level> levels_;
  bool after_key_ = false;
};

// The text output: the indented tree (two blanks per level, one line per model node) when
// `tree` is asked for, and the trace lines as they come.
class TextSink final : public ModelSink {
 public:
  TextSink(Output& out, bool tree) : out_(out), tree_(tree) {}
  void Open(const ModelNode& node) override;
  void Close(const ModelNode& node) override;
  void TraceLine(std::string_view line) override;

 private:
  Output& out_;
  bool tree_;
  std::size_t depth_ = 0;
  std::string line_;  // reused for every line
};

// The model as the JSON array "model" of the document: objects, collections with their
// "items", items and elements with their "contents". The trace is kept for later, as it
// follows the model in the document.
class JsonSink final : public ModelSink {
 public:
  explicit JsonSink(JsonWriter& json) : json_(json) {}
  void Open(const ModelNode& node) override;
  void Close(const ModelNode& node) override;
  bool TakesRecords() const override { return true; }
  void TraceLine(std::string_view) override {}
  void TraceRecord(record::Json entry) override { trace_.push_back(std::move(entry)); }

  const std::vector<record::Json>& trace() const { return trace_; }

 private:
  struct Open_ {
    bool collection;
    bool contents;  // the array of its contents has been begun
  };
  JsonWriter& json_;
  std::vector<Open_> open_;
  std::vector<record::Json> trace_;
};

}  // namespace walk
