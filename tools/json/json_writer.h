// JSON as the kit writes it: held-back output, and a writer that lays a document out exactly as
// nlohmann's dump does (an indent of 2, or one compact line) from scalars and texts, so that the
// tools' translation units need no JSON library. Texts are escaped as that dump escapes them,
// each invalid UTF-8 sequence replaced by U+FFFD.
#pragma once

#include <charconv>
#include <concepts>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scalar.h"

namespace kit {

// `text` in double quotes with JSON escapes: \" \\ \b \f \n \r \t, other control bytes as
// \u00xx, every other byte as it is; each invalid UTF-8 sequence becomes U+FFFD (its longest
// valid start replaced once, the byte that broke it read again).
void AppendJsonText(std::string_view text, std::string& out);

// The length of the valid UTF-8 sequence at `text[i]` (a byte >= 0x80), or the negative count of
// bytes to replace: the invalid start, without the byte that broke it.
int Utf8Length(std::string_view text, std::size_t i);
// Whether all of `text` is valid UTF-8 (no stray continuation byte, overlong form, surrogate or
// code point past U+10FFFF).
bool IsUtf8(std::string_view text);
std::string JsonText(std::string_view text);

// `text` as part of a line of the kit's text output: printable ASCII and valid UTF-8 as they
// are, invalid UTF-8 as U+FFFD as above, control bytes as the JSON escapes above, so that one
// line stays one line.
void AppendTextLine(std::string_view text, std::string& out);
// The same as a string: names and texts of a document in a message or a difference line.
std::string OneLine(std::string_view text);

// `text` with its bytes shown exactly, for names read from binaries and settings files, where
// the bytes are the finding: printable ASCII and valid UTF-8 (C1 controls aside) as they are,
// every other byte as \xNN (lower-case hex), and so are the ASCII bytes listed in `also`.
void AppendBytesShown(std::string_view text, std::string& out, std::string_view also);
std::string BytesShown(std::string_view text);  // none listed

// A finite real as JSON writes it: digits that read back the same (the shortest but in rare
// cases), "38.0" for a whole number, exponent form ("1e-07", "1e+16") below 1e-4 and from
// 1e16; "null" otherwise.
void AppendJsonReal(double value, std::string& out);

// Text written to a file as it is made. What is written is held in memory until it passes
// kHoldBytes, so that a tool that stops on an error early has written nothing; from then on it
// is written in pieces as it grows, so a large output never sits whole in memory. Without a
// file everything is held (text()).
class Output {
 public:
  static constexpr std::size_t kHoldBytes = std::size_t{1} << 20;

  explicit Output(std::FILE* file = nullptr) : file_(file) {}
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  Output& operator<<(std::string_view text) {
    held_.append(text);
    if (file_ != nullptr && held_.size() >= (started_ ? kPieceBytes : kHoldBytes)) Flush();
    return *this;
  }
  Output& operator<<(char c) { return *this << std::string_view(&c, 1); }

  // How many bytes were given to it so far, written or held.
  std::uint64_t size() const { return written_ + held_.size(); }
  // What is held (all of it, without a file).
  const std::string& text() const { return held_; }
  // Room for `bytes` held, made at once: what is held is not copied as it grows (pages of the
  // room never written are never touched).
  void Reserve(std::size_t bytes) { held_.reserve(bytes); }
  // What is held, taken (all of it, without a file).
  std::string Release() { return std::exchange(held_, {}); }
  // Writes what is held and flushes the file; false when some writing failed.
  bool Finish();
  // The errno of the first write that failed (0: none).
  int failure() const { return failure_; }

 private:
  static constexpr std::size_t kPieceBytes = std::size_t{64} << 10;
  void Flush();

  std::FILE* file_;
  std::string held_;
  std::uint64_t written_ = 0;
  bool started_ = false;
  bool failed_ = false;
  int failure_ = 0;
};

// What a JsonWriter writes, told as a reader of its text would tell it (json_reader.h), so that
// a document is read as it is written instead of being read back: each container with the
// offset of its opening bracket in the output, each key and scalar as the reader gives it (a
// text's invalid UTF-8 replaced as written; numbers as written).
class JsonEvents {
 public:
  virtual void Start(std::uint64_t at, bool object) = 0;  // an object's or an array's
  virtual void End() = 0;
  virtual void Key(std::string_view key) = 0;
  virtual void Value(char type, std::string_view text) = 0;  // type: a Scalar::Type

 protected:
  ~JsonEvents() = default;
};

// JSON written as it goes. Call order: a value at the top, or Begin...End around values, with
// Key before each value inside an object. Nothing is checked: a caller that breaks the order
// writes broken JSON.
class JsonWriter {
 public:
  enum Layout { kIndented, kLine };  // dump(2), dump(-1)

  explicit JsonWriter(Output& out, Layout layout = kIndented) : out_(out), layout_(layout) {}
  // Tells `events` (null: nothing) of everything written from now on.
  void Tell(JsonEvents* events) { events_ = events; }

  void BeginObject() { Begin('{', true); }
  void BeginArray() { Begin('[', false); }
  void End();
  // The key of the next value, inside an object.
  void Key(std::string_view key);

  void Null() { Put("null", Scalar::kNull); }
  void Bool(bool value) { Put(value ? std::string_view("true") : "false", Scalar::kBool); }
  template <std::integral T>
  requires(!std::same_as<T, bool>) void Integer(T value) {
    char buffer[24];
    const char* end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    Put(std::string_view(buffer, static_cast<std::size_t>(end - buffer)), Scalar::kInteger);
  }
  void Real(double value);  // AppendJsonReal's form
  void Text(std::string_view text);
  void Texts(const std::vector<std::string>& texts);  // an array of texts
  // A value as it is written: a text, or a real that is not finite, as a text; no value as null.
  void Write(const Scalar& value);

  // A key and its text, its value (as Write writes it), or its integer.
  void Member(std::string_view key, std::string_view text) {
    Key(key);
    Text(text);
  }
  void Member(std::string_view key, const Scalar& value) {
    Key(key);
    Write(value);
  }
  template <std::integral T>
  requires(!std::same_as<T, bool>) void Member(std::string_view key, T value) {
    Key(key);
    Integer(value);
  }

 private:
  struct Level {
    bool object;
    bool empty;
  };
  void Begin(char bracket, bool object);
  void Before();  // the separator and indent before a value, unless it follows its key
  void Put(std::string_view scalar, char type);
  void TellText(std::string_view text, bool key, bool replaced);

  Output& out_;
  JsonEvents* events_ = nullptr;
  Layout layout_;
  std::vector<Level> levels_;
  bool after_key_ = false;
  std::string scratch_;  // reused for every text and number
};

}  // namespace kit
