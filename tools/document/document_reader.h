// The reader of a document's records (document.h), for its own files only: DocumentReader turns
// the JSON reader's events into records (document_reader.cpp) after checking each member against
// the document's schema (members.h).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "document.h"
#include "json_reader.h"
#include "members.h"

namespace walk {

using kit::Cursor;
using kit::JsonReader;

// Model nodes nest two JSON levels a step list (the node and its contents); the walk's deepest
// model stays far below this.
inline constexpr std::size_t kMaxDepth = 200000;

// Whether a key read is `name`: lengths first, no strlen (the readers ask it for every member).
inline bool Is(const std::string& key, std::string_view name) {
  return std::string_view(key) == name;
}

// A 64-bit hash over tagged pieces, eight bytes at a step (the same on every platform the kit is
// built for: all are little-endian). A piece's tag and length come first, so "ab"+"c" differs
// from "a"+"bc".
class Hasher {
 public:
  void Add(char tag, std::string_view text) {
    Mix(static_cast<unsigned char>(tag) | std::uint64_t{text.size()} << 8);
    std::size_t i = 0;
    for (std::uint64_t word; i + 8 <= text.size(); i += 8) {
      std::memcpy(&word, text.data() + i, 8);
      Mix(word);
    }
    if (i < text.size()) {
      std::uint64_t word = 0;
      std::memcpy(&word, text.data() + i, text.size() - i);
      Mix(word);
    }
  }
  void Add(char tag, std::uint64_t word) {
    Add(tag, std::string_view(reinterpret_cast<const char*>(&word), sizeof word));
  }
  void Add(std::string_view key, const Scalar& value) {
    Add('k', key);
    Add(value.type, value.text);
  }
  std::uint64_t value() const { return hash_; }

 private:
  void Mix(std::uint64_t word) {
    hash_ = (hash_ ^ word) * 0x9e3779b97f4a7c15ull;
    hash_ ^= hash_ >> 29;
  }
  std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

// Turns the parser's events, or a writer's, into the document's records, with an explicit stack
// of what is open: no recursion, whatever the nesting.
class DocumentReader final : public kit::JsonEvents {
 public:
  DocumentReader(Document& doc, Cursor& cursor) : doc_(doc), cursor_(&cursor) {}
  // A document told as it is written (DocumentBuilder): the writer's events, then Finished().
  // Once something is refused, nothing more is read.
  explicit DocumentReader(Document& doc) : doc_(doc), cursor_(nullptr) {}
  void Start(std::uint64_t at, bool object) override {
    told_at_ = at + 1;
    if (error_.empty()) Open(object);
  }
  void End() override {
    if (error_.empty()) Close();
  }
  void Key(std::string_view key) override {
    if (!error_.empty()) return;
    frames_.back().key.assign(key);
    OnKey();
  }
  void Value(char type, std::string_view text) override {
    if (!error_.empty()) return;
    value_.type = static_cast<Scalar::Type>(type);
    value_.text.assign(text);
    OnValue(value_);
  }
  // Throws what was found wrong, or that the document has no model.
  void Finished();

  // Reads the whole document. A log whose last line is cut (its writer stopped in the middle
  // of it) is read up to the line before, and says so in its warnings.
  void Read();

  // JsonReader's events; false once something is refused. The value's text is swapped with the
  // reader's buffer, which keeps both buffers' room.
  bool scalar(Scalar::Type type, std::string& text) {
    value_.type = type;
    value_.text.swap(text);
    return OnValue(value_);
  }
  void syntax_error(const std::string& what);
  bool start_object(std::size_t) { return Open(true); }
  bool start_array(std::size_t) { return Open(false); }
  bool key(std::string& read) {
    frames_.back().key.swap(read);  // the parser's buffer is cleared before its next text
    return OnKey();
  }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }

 private:
  enum FrameKind {
    kLine,
    kTop,
    kHeader,
    kSummary,
    kNames,
    kNodes,
    kNode,
    kTrace,
    kCall,
    kFields,
    kSkip
  };
  struct Frame {
    FrameKind kind;
    std::uint32_t record = kNoRecord;
    bool in_trace = false;
    bool started = false;  // a node's or call's first key was read
    bool keyed = false;    // its key is complete
    Record::Kind node = Record::kObject;
    Record::Kind fields = Record::kAttribute;
    std::uint32_t field = kNoRecord;
    std::uint64_t at = 0;  // a log line's offset
    int skip = 0;
    std::vector<std::string>* names = nullptr;
    std::string key;
    const record::Member* row = nullptr;  // of `key`, in a node or call (members.h)
    Hasher key_hash, content;
    Hasher children;  // the subtrees below, in order
  };

  std::vector<Record>& Records(bool in_trace) { return in_trace ? doc_.trace_ : doc_.model_; }

  std::uint32_t NewRecord(bool in_trace, Record::Kind kind, std::uint32_t parent,
                          std::uint64_t offset);
  // A frame opened on the stack; false, refused, past kMaxDepth. A kSkip frame passes over what
  // it opens, counting its containers.
  bool Push(FrameKind kind, std::uint32_t record = kNoRecord, bool in_trace = false);
  bool Open(bool object);  // an object or an array begins
  bool Close();            // the one last opened ends
  bool OnKey();            // the key just put in the open frame
  bool TopKey(Frame& f);
  bool NodeKey(Frame& f);
  bool CallKey(Frame& f);
  bool OnValue(Scalar& value);
  // A scalar member of a node or call, checked against its row and hashed by its role.
  bool MemberValue(Frame& f, const Scalar& value);
  bool Finish(Frame& f);
  bool Fail(const std::string& what);  // records the first refusal; false

  // Throws the error found at the last byte the parser read (or `what` at byte `at`), with its
  // line and column.
  [[noreturn]] void Throw() { Throw(error_, error_at_); }
  [[noreturn]] void Throw(const std::string& what, std::uint64_t at);

  // Whether the line from byte `start` is the document's last and has no newline.
  bool IsLastLine(std::uint64_t start) const;

  // The offset after the last byte read.
  std::uint64_t Offset() const { return cursor_ != nullptr ? cursor_->offset() : told_at_; }

  Document& doc_;
  Scalar value_;    // the value read last
  Cursor* cursor_;  // null: told
  std::uint64_t told_at_ = 0;
  std::vector<Frame> frames_;
  long lines_ = 0;             // log lines read
  std::uint32_t entries_ = 0;  // calls and framework records read, their attributes left out
  std::string error_;
  std::uint64_t error_at_ = 0;
  bool syntax_error_ = false;  // error_ is the parser's
};

}  // namespace walk
