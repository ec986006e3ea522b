#include "json_writer.h"

#include "json_reader.h"

#include <cerrno>
#include <cmath>
// The number formatting of the JSON library alone, not the library.
#include <nlohmann/detail/conversions/to_chars.hpp>
#include <nlohmann/detail/macro_unscope.hpp>

namespace kit {

int Utf8Length(std::string_view text, std::size_t i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char lead = byte(i);
  int length = 0;
  unsigned char low = 0x80, high = 0xbf;  // the range of the second byte
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0) low = 0xa0;   // overlong
    if (lead == 0xed) high = 0x9f;  // surrogates
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0) low = 0x90;   // overlong
    if (lead == 0xf4) high = 0x8f;  // beyond U+10FFFF
  } else {
    return -1;
  }
  for (int k = 1; k < length; ++k) {
    if (i + k >= text.size()) return -k;
    unsigned char c = byte(i + k);
    if (k == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xbf)) return -k;
  }
  return length;
}

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) < 0x80) continue;
    const int length = Utf8Length(text, i);
    if (length <= 0) return false;
    i += static_cast<std::size_t>(length) - 1;
  }
  return true;
}

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
constexpr char kHex[] = "0123456789abcdef";

enum class Escapes { kJson, kLine, kNone };

// `text` with invalid UTF-8 replaced; control bytes escaped (kLine, kJson), and so are quotes
// and backslashes (kJson). Whether some invalid UTF-8 was replaced.
bool AppendEscaped(std::string_view text, std::string& out, Escapes escapes) {
  bool replaced = false;
  std::size_t i = 0;
  while (i < text.size()) {
    // A run of bytes written as they are, appended at once (most texts are one run).
    std::size_t plain = i;
    while (plain < text.size()) {
      const unsigned char b = static_cast<unsigned char>(text[plain]);
      if (b < 0x20 || b >= 0x80 || b == '"' || b == '\\') break;
      ++plain;
    }
    if (plain > i) {
      out.append(text.data() + i, plain - i);
      i = plain;
      if (i == text.size()) break;
    }
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      int length = Utf8Length(text, i);
      if (length > 0) {
        out.append(text.data() + i, static_cast<std::size_t>(length));
        i += static_cast<std::size_t>(length);
      } else {
        out += kReplacement;
        replaced = true;
        i += static_cast<std::size_t>(-length);
      }
      continue;
    }
    ++i;
    const std::size_t e = kEscapedBytes.find(static_cast<char>(c));
    if (escapes == Escapes::kNone || (e < 2 && escapes == Escapes::kLine)) {
      out += static_cast<char>(c);  // a text line keeps '"' and '\\'
    } else if (e != std::string_view::npos) {
      out += '\\';
      out += kEscapeLetters[e];
    } else {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 0xf];
    }
  }
  return replaced;
}

}  // namespace

void AppendJsonText(std::string_view text, std::string& out) {
  out += '"';
  AppendEscaped(text, out, Escapes::kJson);
  out += '"';
}

void AppendTextLine(std::string_view text, std::string& out) {
  for (char c : text) {
    if (c < 0x20 || c > 0x7e) {  // (a char may be signed: every byte >= 0x80 lands here)
      AppendEscaped(text, out, Escapes::kLine);
      return;
    }
  }
  out += text;
}

std::string OneLine(std::string_view text) {
  std::string out;
  AppendTextLine(text, out);
  return out;
}

void AppendBytesShown(std::string_view text, std::string& out, std::string_view also) {
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte < 0x7f && also.find(text[i]) == std::string_view::npos) {
      out += text[i++];
      continue;
    }
    // A valid sequence, but not a C1 control (U+0080 to U+009F: 0xc2 0x80 to 0xc2 0x9f).
    const int length = byte >= 0x80 ? Utf8Length(text, i) : 0;
    if (length > 0 && !(byte == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0)) {
      out.append(text.data() + i, static_cast<std::size_t>(length));
      i += static_cast<std::size_t>(length);
      continue;
    }
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xf];
    ++i;
  }
}

std::string BytesShown(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendBytesShown(text, out, {});
  return out;
}

std::string JsonText(std::string_view text) {
  std::string out;
  AppendJsonText(text, out);
  return out;
}

void AppendJsonReal(double value, std::string& out) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  // nlohmann's own digits (Grisu2, occasionally a digit longer than the shortest), so that a
  // real reads exactly as documents saved by earlier builds and by the tests wrote it: --diff
  // compares reals as written.
  char buffer[64];
  char* end = nlohmann::detail::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, end);
}

// ---- Scalar ---------------------------------------------------------------------------------

Scalar Scalar::Integer(long long value) {
  char buffer[24];
  auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
  return {kInteger, std::string(buffer, written.ptr)};
}

Scalar Scalar::Real(double value) {
  if (std::isnan(value)) return {kReal, "nan"};
  if (std::isinf(value)) return {kReal, value > 0 ? "inf" : "-inf"};
  Scalar real{kReal, {}};
  AppendJsonReal(value, real.text);
  return real;
}

bool Scalar::NonFinite() const {
  return type == kReal && !text.empty() && (text[0] == 'n' || text[0] == 'i' || text[1] == 'i');
}

bool Scalar::operator==(const Scalar& other) const {
  if (type == other.type) return text == other.text;
  // A real that is not finite is written, and read back, as its text.
  return text == other.text && (NonFinite() || other.NonFinite()) &&
         (type == kText || other.type == kText);
}

std::string Scalar::Shown() const {
  if (type == kNone) return "(none)";
  if (type == kText || NonFinite()) return JsonText(text);
  return text;
}

// ---- Output -----------------------------------------------------------------------------------

void Output::Flush() {  // only with a file
  if (!held_.empty() && std::fwrite(held_.data(), 1, held_.size(), file_) != held_.size()) {
    if (!failed_) failure_ = errno;
    failed_ = true;
  }
  written_ += held_.size();
  held_.clear();
  started_ = true;
}

bool Output::Finish() {
  if (file_ == nullptr) return true;
  Flush();
  if (std::fflush(file_) != 0 && !failed_) {
    failure_ = errno;
    failed_ = true;
  }
  return !failed_;
}

// ---- JsonWriter -------------------------------------------------------------------------------

void JsonWriter::Before() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level& level = levels_.back();
  if (layout_ == kLine) {
    if (!level.empty) out_ << ',';
  } else {
    out_ << (level.empty ? "\n" : ",\n");
    scratch_.assign(levels_.size() * 2, ' ');
    out_ << scratch_;
  }
  level.empty = false;
}

void JsonWriter::Begin(char bracket, bool object) {
  Before();
  out_ << bracket;
  levels_.push_back({object, true});
  if (events_ != nullptr) events_->Start(out_.size() - 1, object);
}

void JsonWriter::End() {
  Level level = levels_.back();
  levels_.pop_back();
  if (!level.empty && layout_ == kIndented) {
    scratch_.assign(1, '\n');
    scratch_.append(levels_.size() * 2, ' ');
    out_ << scratch_;
  }
  out_ << (level.object ? '}' : ']');
  if (events_ != nullptr) events_->End();
}

// `text`, just written, told as its reader would read it: as it is unless some of its UTF-8 was
// `replaced`, then with the same replacements.
void JsonWriter::TellText(std::string_view text, bool key, bool replaced) {
  std::string read;
  if (replaced) {
    AppendEscaped(text, read, Escapes::kNone);
    text = read;
  }
  if (key) {
    events_->Key(text);
  } else {
    events_->Value(Scalar::kText, text);
  }
}

void JsonWriter::Key(std::string_view key) {
  Before();
  scratch_.assign(1, '"');
  const bool replaced = AppendEscaped(key, scratch_, Escapes::kJson);
  scratch_ += layout_ == kLine ? "\":" : "\": ";
  out_ << scratch_;
  after_key_ = true;
  if (events_ != nullptr) TellText(key, true, replaced);
}

void JsonWriter::Put(std::string_view scalar, char type) {
  Before();
  out_ << scalar;
  if (events_ != nullptr) events_->Value(type, scalar);
}

void JsonWriter::Real(double value) {
  Before();
  scratch_.clear();
  AppendJsonReal(value, scratch_);
  out_ << scratch_;
  if (events_ == nullptr) return;
  // "null" for a real that is not finite; otherwise never an integer's form ("38.0").
  events_->Value(std::isfinite(value) ? Scalar::kReal : Scalar::kNull, scratch_);
}

void JsonWriter::Write(const Scalar& value) {
  if (value.type == Scalar::kText || value.NonFinite()) {
    Text(value.text);
  } else if (value.is_null()) {
    Null();
  } else {
    Put(value.text, value.type);
  }
}

void JsonWriter::Text(std::string_view text) {
  Before();
  scratch_.assign(1, '"');
  const bool replaced = AppendEscaped(text, scratch_, Escapes::kJson);
  scratch_ += '"';
  out_ << scratch_;
  if (events_ != nullptr) TellText(text, false, replaced);
}

void JsonWriter::Texts(const std::vector<std::string>& texts) {
  BeginArray();
  for (const std::string& text : texts) Text(text);
  End();
}

}  // namespace kit
