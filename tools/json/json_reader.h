// JSON read as a stream: a cursor over a document's bytes (a seekable file read in blocks, or
// memory) and a reader that tells a handler of each value as it passes, as nlohmann's SAX parser
// would. Nothing of the document is held but what the handler keeps. Knows nothing of ours.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "scalar.h"

namespace kit {

// Moves `file` to byte `offset`; false when it cannot.
inline bool SeekTo(std::FILE* file, std::uint64_t offset) {
#if defined(_WIN32)
  return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

// JSON's escapes of one letter, written once for the writer and the reader: the byte
// kEscapedBytes[i] is escaped as a backslash and kEscapeLetters[i] (the reader also takes "\/").
// Quote and backslash come first: a text line leaves those two as they are.
inline constexpr std::string_view kEscapedBytes = "\"\\\b\f\n\r\t";
inline constexpr std::string_view kEscapeLetters = "\"\\bfnrt";

inline bool IsBlank(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

// The document's bytes from a seekable file, read in blocks, or from memory, with the offset of
// the next byte.
class Cursor {
 public:
  Cursor(std::FILE* file, std::size_t block) : file_(file), buffer_(block) {}
  explicit Cursor(std::string_view memory) : memory_(memory) {}

  bool AtEnd() { return at_ == size_ && !Refill(); }
  char Current() const { return data_[at_]; }
  std::uint64_t offset() const { return base_ + at_; }
  bool failed() const { return failed_; }
  bool Seek(std::uint64_t offset) {
    base_ = offset;
    at_ = size_ = 0;
    return file_ == nullptr ? offset <= memory_.size() : SeekTo(file_, offset);
  }
  void SkipBlanks() {
    do {
      // An indented document is mostly runs of spaces: eight at a time.
      for (std::uint64_t word; size_ - at_ >= 8; at_ += 8) {
        std::memcpy(&word, data_ + at_, 8);
        if (word != 0x2020202020202020ull) break;
      }
      while (at_ < size_ && IsBlank(data_[at_])) ++at_;
    } while (at_ == size_ && Refill());
  }
  void Step() { ++at_; }  // on by one byte, as it is
  // The bytes from here of the block read that `in` takes (a byte as unsigned char).
  template <class In>
  std::string_view Run(In in) {
    std::size_t from = at_;
    while (at_ < size_ && in(static_cast<unsigned char>(data_[at_]))) ++at_;
    return {data_ + from, at_ - from};
  }

 private:
  bool Refill() {
    base_ += size_;
    at_ = 0;
    if (file_ == nullptr) {  // the rest of the memory is one block
      size_ = base_ < memory_.size() ? memory_.size() - base_ : 0;
      data_ = memory_.data() + (size_ != 0 ? base_ : 0);
      return size_ != 0;
    }
    size_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    data_ = buffer_.data();
    if (size_ == 0 && std::ferror(file_)) failed_ = true;
    return size_ != 0;
  }

  std::FILE* file_ = nullptr;
  std::string_view memory_;
  std::vector<char> buffer_;
  const char* data_ = nullptr;
  std::size_t at_ = 0, size_ = 0;
  std::uint64_t base_ = 0;
  bool failed_ = false;
};

// The reader's refusals when the input ends early: its handlers tell a document or case cut
// short by them.
inline constexpr char kEndOfInput[] = "unexpected end of input";
inline constexpr char kEndOfInputInText[] = "unexpected end of input in a text";

// Reads one JSON value from where the cursor stands and tells `handler` of it as nlohmann's SAX
// parser would (start_object, key, end_object, ..., scalar(type, text) for each scalar, its text as
// Scalar holds it, in the reader's buffer, which the handler may take), at a few instructions a
// byte: the documents are large and read whole. Leaves the cursor after the value. False on a
// syntax error (told through handler.syntax_error) or when the handler stops. Only the containers
// are held, as one byte each.
template <typename Handler>
class JsonReader {
 public:
  JsonReader(Cursor& cursor, Handler& handler) : c_(cursor), h_(handler) {}

  bool Value() {
    enum { kValue, kValueOrEnd, kKeyOrEnd, kKey, kColon, kNext } state = kValue;
    std::vector<char> open;  // '{' or '[' for each container not yet closed
    for (;;) {
      c_.SkipBlanks();
      if (c_.AtEnd()) return Error(kEndOfInput);
      char ch = c_.Current();
      switch (state) {
        case kColon:
          if (ch != ':') return Error("expected ':' after a key");
          c_.Step();
          state = kValue;
          continue;
        case kNext:
          if (ch == ',') {
            c_.Step();
            state = open.back() == '{' ? kKey : kValue;
            continue;
          }
          if (ch != (open.back() == '{' ? '}' : ']'))
            return Error(open.back() == '{' ? "expected ',' or '}'" : "expected ',' or ']'");
          if (!Close(open)) return false;
          break;
        case kKeyOrEnd:
          if (ch == '}') {
            if (!Close(open)) return false;
            break;
          }
          [[fallthrough]];
        case kKey:
          if (ch != '"') return Error("expected a key in double quotes");
          if (!Text() || !h_.key(text_)) return false;
          state = kColon;
          continue;
        case kValueOrEnd:
          if (ch == ']') {
            if (!Close(open)) return false;
            break;
          }
          [[fallthrough]];
        case kValue:
          if (ch == '{' || ch == '[') {
            c_.Step();
            if (!(ch == '{' ? h_.start_object(0) : h_.start_array(0))) return false;
            open.push_back(ch);
            state = ch == '{' ? kKeyOrEnd : kValueOrEnd;
            continue;
          }
          if (!Scalar_()) return false;
          break;
      }
      if (open.empty()) return true;  // the value is complete
      state = kNext;
    }
  }

 private:
  // Steps over the closing bracket.
  bool Close(std::vector<char>& open) {
    c_.Step();
    char bracket = open.back();
    open.pop_back();
    return bracket == '{' ? h_.end_object() : h_.end_array();
  }

  bool Error(const char* what) {
    h_.syntax_error(what);
    return false;
  }

  bool Scalar_() {
    char ch = c_.Current();
    if (ch == '"') return Text() && h_.scalar(Scalar::kText, text_);
    if (ch == 't') return Literal("true", Scalar::kBool);
    if (ch == 'f') return Literal("false", Scalar::kBool);
    if (ch == 'n') return Literal("null", Scalar::kNull);
    if (ch != '-' && (ch < '0' || ch > '9')) return Error("invalid literal");
    text_.clear();
    while (!c_.AtEnd()) {
      // What a number may hold: digits, sign, point, exponent.
      std::string_view run = c_.Run([](unsigned char c) {
        return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
      });
      if (run.empty()) break;
      text_ += run;
    }
    bool integer = true;
    if (!Number(integer)) return Error("invalid number");
    return h_.scalar(integer ? Scalar::kInteger : Scalar::kReal, text_);
  }

  // Whether text_ is a JSON number: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
  bool Number(bool& integer) const {
    std::size_t i = 0, n = text_.size();
    auto digits = [&] {
      std::size_t from = i;
      while (i < n && text_[i] >= '0' && text_[i] <= '9') ++i;
      return i > from;
    };
    if (i < n && text_[i] == '-') ++i;
    if (i < n && text_[i] == '0') {
      ++i;
    } else if (!digits()) {
      return false;
    }
    if (i < n && text_[i] == '.') {
      ++i;
      integer = false;
      if (!digits()) return false;
    }
    if (i < n && (text_[i] == 'e' || text_[i] == 'E')) {
      ++i;
      integer = false;
      if (i < n && (text_[i] == '+' || text_[i] == '-')) ++i;
      if (!digits()) return false;
    }
    return i == n;
  }

  bool Literal(const char* word, Scalar::Type type) {
    for (const char* w = word; *w != 0; ++w) {
      if (!Next(*w)) return Error("invalid literal");
    }
    text_.assign(word);
    return h_.scalar(type, text_);
  }

  // Steps over `ch` when it comes next; false when anything else does.
  bool Next(char ch) {
    if (c_.AtEnd() || c_.Current() != ch) return false;
    c_.Step();
    return true;
  }

  // A text in double quotes into text_, its escapes undone (UTF-8 for \u).
  bool Text() {
    text_.clear();
    c_.Step();  // the opening quote
    for (;;) {
      if (c_.AtEnd()) return Error(kEndOfInputInText);
      // Up to the first quote, backslash or control byte.
      text_ += c_.Run([](unsigned char c) { return c != '"' && c != '\\' && c >= 0x20; });
      if (c_.AtEnd()) continue;
      char ch = c_.Current();
      c_.Step();
      if (ch == '"') return true;
      if (static_cast<unsigned char>(ch) < 0x20) return Error("a control character in a text");
      if (ch != '\\') {
        text_ += ch;
        continue;
      }
      if (c_.AtEnd()) return Error(kEndOfInputInText);
      ch = c_.Current();
      c_.Step();
      if (const std::size_t e = kEscapeLetters.find(ch); e != std::string_view::npos) {
        text_ += kEscapedBytes[e];
        continue;
      }
      if (ch == '/') {
        text_ += ch;
        continue;
      }
      if (ch != 'u') return Error("an unknown escape in a text");
      unsigned code = 0;
      if (!Hex(code)) return false;
      if (code >= 0xd800 && code <= 0xdbff) {
        // A high surrogate must be followed by the \u escape of a low one.
        unsigned low = 0;
        if (!Next('\\') || !Next('u')) return Error("a \\u escape of a lone surrogate");
        if (!Hex(low)) return false;
        if (low < 0xdc00 || low > 0xdfff) return Error("a \\u escape of a lone surrogate");
        code = 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00);
      } else if (code >= 0xdc00 && code <= 0xdfff) {
        return Error("a \\u escape of a lone surrogate");
      }
      Utf8(code);
    }
  }

  bool Hex(unsigned& code) {
    for (int k = 0; k < 4; ++k) {
      if (c_.AtEnd()) return Error(kEndOfInputInText);
      char ch = c_.Current();
      c_.Step();
      unsigned digit = ch >= '0' && ch <= '9'   ? unsigned(ch - '0')
                       : ch >= 'a' && ch <= 'f' ? unsigned(ch - 'a' + 10)
                       : ch >= 'A' && ch <= 'F' ? unsigned(ch - 'A' + 10)
                                                : 16u;
      if (digit == 16) return Error("a \\u escape without four hex digits");
      code = code * 16 + digit;
    }
    return true;
  }

  void Utf8(unsigned code) {
    if (code < 0x80) {
      text_ += static_cast<char>(code);
      return;
    }
    // The lead byte's marks by how many bytes follow it, each of those holding 6 bits.
    constexpr unsigned kLead[] = {0, 0xc0, 0xe0, 0xf0};
    const int tail = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    text_ += static_cast<char>(kLead[tail] | (code >> (6 * tail)));
    for (int k = tail - 1; k >= 0; --k)
      text_ += static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3f));
  }

  Cursor& c_;
  Handler& h_;
  std::string text_;
};

}  // namespace kit
