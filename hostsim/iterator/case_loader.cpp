#include "iterator/case_loader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <vector>

#include "json_reader.h"
#include "json_writer.h"

namespace hostsim {

namespace {

// A key of the case in double quotes for a message of one line: quotes, backslashes and
// control characters escaped as JSON writes them, a long key cut.
std::string Quoted(const std::string& key) {
  constexpr std::size_t kShown = 100;
  std::string out = "\"";
  for (std::size_t i = 0; i < key.size() && i < kShown; ++i) {
    const unsigned char c = static_cast<unsigned char>(key[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
  if (key.size() > kShown) out += " (cut)";
  return out;
}

// Whether a number from_chars finds out of range is past the largest double (strtod would
// make it an infinity) rather than below the smallest (a zero): by the decimal exponent of its
// first significant digit.
bool TooLarge(std::string_view number) {
  const std::size_t e = number.find_first_of("eE");
  const std::string_view digits = number.substr(0, e);
  const std::size_t point = std::min(digits.find('.'), digits.size());
  const std::size_t first = digits.find_first_of("123456789");
  long long scale = first < point ? static_cast<long long>(point - first)
                                  : -static_cast<long long>(first - point - 1);
  if (e == std::string_view::npos) return scale > 0;
  std::string_view exponent = number.substr(e + 1);
  if (exponent.front() == '+') exponent.remove_prefix(1);
  long long value = 0;
  if (std::from_chars(exponent.data(), exponent.data() + exponent.size(), value).ec != std::errc())
    return exponent.front() != '-';                      // beyond any scale of the digits
  constexpr long long kFar = 1'000'000'000'000'000'000;  // no text holds so many digits
  return std::clamp(scale, -kFar, kFar) + value > 0;
}

// A number as the case writes it: an integer that fits in 32 bits, else a real (the nearest
// double, as for a number with a fraction or an exponent; zero below the smallest). False for
// a number past the largest real.
bool Number(const kit::Scalar& number, PropValue& out) {
  const char* first = number.text.data();
  const char* last = first + number.text.size();
  if (number.type == kit::Scalar::kInteger) {
    std::int64_t value = 0;
    auto r = std::from_chars(first, last, value);
    if (r.ec == std::errc() && r.ptr == last && value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max()) {
      out = PropValue::Integer(static_cast<std::int32_t>(value));
      return true;
    }
  }
  double value = 0;
  if (std::from_chars(first, last, value).ec == std::errc::result_out_of_range) {
    if (TooLarge(number.text)) return false;
    value = number.text.front() == '-' ? -0.0 : 0.0;
  }
  out = PropValue::Real(value);
  return true;
}

// Builds the tree straight from the reader's events, with an explicit stack: no recursion, so
// the depth of a case is bounded only by kMaxCaseDepth.
class CaseReader {
 public:
  CaseReader(std::string_view text, kit::Cursor& cursor) : text_(text), cursor_(cursor) {}

  // Reads the one node object of the text; error() tells what stopped it.
  void Read() {
    if (!kit::JsonReader<CaseReader>(cursor_, *this).Value()) {
      if (error_.empty()) Fail("not a case");
      return;
    }
    cursor_.SkipBlanks();
    if (cursor_.AtEnd()) return;
    const unsigned char c = static_cast<unsigned char>(cursor_.Current());
    char found[16];
    if (c > 0x20 && c < 0x7f) {
      std::snprintf(found, sizeof found, "'%c'", c);
    } else {
      std::snprintf(found, sizeof found, "byte 0x%02x", c);
    }
    lookahead_ = 1;
    Fail("not valid JSON: syntax error while parsing value - unexpected " + std::string(found) +
         "; expected end of input");
  }

  // The reader's events.
  bool scalar(kit::Scalar::Type type, std::string& text) {
    kit::Scalar value{type, std::move(text)};
    switch (value.type) {
      case kit::Scalar::kNull:
        return Null();
      case kit::Scalar::kBool:
        return Fail("expected a text, integer or real, found a boolean");
      case kit::Scalar::kText:
        if (!kit::IsUtf8(value.text)) return NotUtf8();
        if (value.text.find('\0') != std::string::npos) return Fail("a text holds a NUL character");
        return Scalar(PropValue::Text(std::move(value.text)));
      default: {
        // The byte after a number was read to end it: an error is placed after that byte.
        lookahead_ = cursor_.AtEnd() ? 0 : 1;
        PropValue number;
        const bool ok = Number(value, number)
                            ? Scalar(std::move(number))
                            : Fail("the number " + value.text.substr(0, 100) +
                                   (value.text.size() > 100 ? " (cut)" : "") +
                                   " is too large: a real is at most about 1.8e308");
        lookahead_ = 0;
        return ok;
      }
    }
  }

  bool start_object(std::size_t) {
    last_key_ = false;
    if (frames_.empty()) return OpenNode(false, {});
    Frame& f = frames_.back();
    switch (f.kind) {
      case Kind::kChildren:
        return OpenNode(false, {});
      case Kind::kElements:
        return OpenNode(true, "Elem" + std::to_string(f.element_count++));
      case Kind::kNode:
        if (f.key == "props") {
          frames_.emplace_back(Kind::kProps);
          return true;
        }
        return Fail(Quoted(f.key) + " must be " + Expected(f.key) + ", found an object");
      case Kind::kProps:
        return Fail("property " + Quoted(f.key) +
                    " must be a text, integer or real, found an object");
    }
    return false;
  }

  bool key(std::string& key) {
    if (!kit::IsUtf8(key)) return NotUtf8();
    last_key_ = true;
    Frame& f = frames_.back();
    if (f.kind == Kind::kProps) {
      f.key = std::move(key);
      return true;
    }
    static const char* const kKeys[] = {"name",  "type",     "value",   "id",
                                        "props", "children", "elements"};
    unsigned bit = 0;
    for (const char* known : kKeys) {
      if (key == known) break;
      ++bit;
    }
    if (bit == std::size(kKeys)) return Fail("unknown key " + Quoted(key) + " in a node");
    if (bit == 0 && f.element)
      return Fail("an element takes no \"name\" (it is named by its position)");
    if (f.seen & (1u << bit)) return Fail("duplicate key " + Quoted(key));
    f.seen |= 1u << bit;
    f.key = std::move(key);
    return true;
  }

  bool end_object() {
    last_key_ = false;
    Frame f = std::move(frames_.back());
    frames_.pop_back();
    if (f.kind == Kind::kNode) {
      if (!f.element && !(f.seen & 1u)) return Fail("a node needs a \"name\"");
      builder_.Close();
    }
    return true;
  }

  bool start_array(std::size_t) {
    last_key_ = false;
    if (frames_.empty()) return Fail("expected a node object at the top, found an array");
    Frame& f = frames_.back();
    if (f.kind == Kind::kNode && f.key == "children") {
      frames_.emplace_back(Kind::kChildren);
      return true;
    }
    if (f.kind == Kind::kNode && f.key == "elements") {
      frames_.emplace_back(Kind::kElements);
      return true;
    }
    if (f.kind == Kind::kNode)
      return Fail(Quoted(f.key) + " must be " + Expected(f.key) + ", found an array");
    if (f.kind == Kind::kProps) {
      return Fail("property " + Quoted(f.key) + " must be a text, integer or real, found an array");
    }
    return Fail("expected a node object, found an array");
  }

  bool end_array() {
    last_key_ = false;
    frames_.pop_back();
    return true;
  }

  void syntax_error(const std::string& what) {
    if (what == kit::kEndOfInput) {
      Fail("not valid JSON: syntax error while parsing " + CutShort());
    } else if (what == kit::kEndOfInputInText) {
      Fail("not valid JSON: missing closing quote: the case ends inside a text (cut short?)");
    } else {
      // A text's error is found on its last byte read; any other on the byte it cannot take.
      const bool in_text = what.find("in a text") != std::string::npos ||
                           what.find("\\u escape") != std::string::npos;
      lookahead_ = in_text || cursor_.AtEnd() ? 0 : 1;
      Fail("not valid JSON: " + what);
    }
  }

  const std::string& error() const { return error_; }
  std::shared_ptr<const HostTree> Finish() { return builder_.Finish(); }

 private:
  enum class Kind { kNode, kChildren, kElements, kProps };
  struct Frame {
    explicit Frame(Kind k) : kind(k) {}
    Kind kind;
    bool element = false;
    unsigned seen = 0;
    int element_count = 0;
    std::string key;
    std::vector<std::string> props;  // property keys given so far (nodes only)
  };

  static std::string Expected(const std::string& key) {
    if (key == "name") return "a text";
    if (key == "props") return "an object";
    if (key == "children") return "an array of nodes";
    if (key == "elements") return "an array of elements";
    return "a text, integer or real";
  }

  // What the text needed where it ends too soon, from its last byte and the open container.
  std::string CutShort() const {
    const std::size_t last = text_.find_last_not_of(" \t\r\n");
    const char c = last == std::string_view::npos ? '[' : text_[last];
    const bool in_array = !frames_.empty() && (frames_.back().kind == Kind::kChildren ||
                                               frames_.back().kind == Kind::kElements);
    if (c == '[' || c == ':' || (c == ',' && in_array))
      return "value - unexpected end of input; expected '[', '{', or a literal";
    if (c == '{' || c == ',')
      return "object key - unexpected end of input; expected string literal";
    if (last_key_) return "object separator - unexpected end of input; expected ':'";
    return in_array ? "array - unexpected end of input; expected ']'"
                    : "object - unexpected end of input; expected '}'";
  }

  bool NotUtf8() {
    return Fail("not valid JSON: a text that is not UTF-8 (save the case as UTF-8)");
  }

  bool OpenNode(bool element, std::string_view name) {
    if (builder_.open_depth() > kMaxCaseDepth) {
      return Fail("nodes nest deeper than " + std::to_string(kMaxCaseDepth) + " levels");
    }
    builder_.Open(name);
    frames_.emplace_back(Kind::kNode).element = element;
    return true;
  }

  bool AddProperty(Frame& node, const std::string& key, PropValue value) {
    for (const std::string& k : node.props) {
      if (k == key) return Fail("duplicate property " + Quoted(key));
    }
    node.props.push_back(key);
    builder_.Property(key, std::move(value));
    return true;
  }

  bool Null() {
    if (!frames_.empty() && frames_.back().kind == Kind::kElements) {
      builder_.Leaf("Elem" + std::to_string(frames_.back().element_count++));
      return true;
    }
    return Fail(frames_.empty() ? "expected a node object at the top, found null"
                                : "expected a text, integer or real, found null");
  }

  bool Scalar(PropValue value) {
    last_key_ = false;
    if (frames_.empty()) return Fail("expected a node object at the top");
    Frame& f = frames_.back();
    switch (f.kind) {
      case Kind::kElements:
        builder_.Open("Elem" + std::to_string(f.element_count++));
        builder_.Property("value", std::move(value));
        builder_.Close();
        return true;
      case Kind::kChildren:
        return Fail("expected a node object in \"children\"");
      case Kind::kProps: {
        Frame& node = frames_[frames_.size() - 2];
        return AddProperty(node, f.key, std::move(value));
      }
      case Kind::kNode:
        if (f.key == "name") {
          if (value.kind != PropValue::kText) return Fail("\"name\" must be a text");
          builder_.Rename(value.text);
          return true;
        }
        if (f.key == "props" || f.key == "children" || f.key == "elements") {
          return Fail(Quoted(f.key) + " must be " + Expected(f.key));
        }
        return AddProperty(f, f.key, std::move(value));
    }
    return false;
  }

  // Keeps the first error, placed after the last byte read ("line:column: what").
  bool Fail(const std::string& what) {
    if (!error_.empty()) return false;
    const std::size_t at = std::min<std::size_t>(cursor_.offset() + lookahead_, text_.size());
    const std::string_view before = text_.substr(0, at);
    const std::size_t line =
        1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
    const std::size_t line_start = before.rfind('\n');
    const std::size_t column = at - (line_start == std::string_view::npos ? 0 : line_start + 1) + 1;
    error_ = std::to_string(line) + ":" + std::to_string(column) + ": " + what;
    return false;
  }

  std::string_view text_;
  kit::Cursor& cursor_;
  std::uint64_t lookahead_ = 0;  // bytes read past the cursor when an error is found
  bool last_key_ = false;        // the last event was a key
  TreeBuilder builder_;
  std::vector<Frame> frames_;
  std::string error_;
};

}  // namespace

std::shared_ptr<const HostTree> LoadCaseText(std::string_view text, std::string_view origin) {
  // A NUL byte is no text: refuse it here, where it is.
  if (std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
    std::string_view before = text.substr(0, nul);
    std::size_t line = 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
    std::size_t line_start = before.rfind('\n');
    std::size_t column = nul - (line_start == std::string_view::npos ? 0 : line_start + 1) + 1;
    throw CaseError(std::string(origin) + ":" + std::to_string(line) + ":" +
                    std::to_string(column) + ": not valid JSON: a NUL byte (not a text file?)");
  }
  kit::Cursor cursor(text);
  CaseReader reader(text, cursor);
  try {
    reader.Read();
  } catch (const std::exception& e) {
    throw CaseError(std::string(origin) + ": " + e.what());
  }
  if (!reader.error().empty()) throw CaseError(std::string(origin) + ":" + reader.error());
  return reader.Finish();
}

std::shared_ptr<const HostTree> LoadCaseFile(const std::string& path) {
  // The path is UTF-8 text: on Windows the stream opens it by its wide name.
  const std::filesystem::path file(std::u8string(path.begin(), path.end()));
  std::error_code error;
  if (std::filesystem::is_directory(file, error)) {
    throw CaseError(path + ": cannot read the case: it is a directory");
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) throw CaseError(path + ": cannot read the case: " + std::strerror(errno));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw CaseError(path + ": cannot read the case");
  return LoadCaseText(text.str(), path);
}

}  // namespace hostsim
