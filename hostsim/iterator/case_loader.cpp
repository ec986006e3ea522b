#include "iterator/case_loader.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

namespace hostsim {

namespace {

// Where the parser is in the text: line and column of the next character to be read.
struct Position {
  std::size_t line = 1;
  std::size_t column = 1;
};

// A character iterator that keeps Position up to date as the parser reads.
class PositionedIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  PositionedIterator(const char* at, Position* position) : at_(at), position_(position) {}
  reference operator*() const { return *at_; }
  PositionedIterator& operator++() {
    if (*at_ == '\n') {
      ++position_->line;
      position_->column = 1;
    } else {
      ++position_->column;
    }
    ++at_;
    return *this;
  }
  bool operator==(const PositionedIterator& other) const { return at_ == other.at_; }
  bool operator!=(const PositionedIterator& other) const { return at_ != other.at_; }

 private:
  const char* at_;
  Position* position_;
};

using json = nlohmann::json;

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

// Builds the tree straight from the parser's events, with an explicit stack: no recursion,
// so the depth of a case is bounded only by kMaxCaseDepth.
class CaseReader final : public nlohmann::json_sax<json> {
 public:
  explicit CaseReader(const Position* position) : position_(position) {}

  bool null() override { return Scalar(nullptr); }
  bool boolean(bool) override { return Fail("expected a text, integer or real, found a boolean"); }
  bool number_integer(number_integer_t value) override { return Integer(value); }
  bool number_unsigned(number_unsigned_t value) override {
    if (value > static_cast<number_unsigned_t>(std::numeric_limits<std::int64_t>::max())) {
      return Scalar(PropValue::Real(static_cast<double>(value)));
    }
    return Integer(static_cast<std::int64_t>(value));
  }
  bool number_float(number_float_t value, const string_t&) override {
    return Scalar(PropValue::Real(value));
  }
  bool string(string_t& value) override {
    if (value.find('\0') != string_t::npos) return Fail("a text holds a NUL character");
    return Scalar(PropValue::Text(std::move(value)));
  }
  bool binary(binary_t&) override { return Fail("unexpected binary value"); }

  bool start_object(std::size_t) override {
    if (frames_.empty()) {
      if (have_top_) return Fail("a case has one top node");
      have_top_ = true;
      return OpenNode(false, {});
    }
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

  bool key(string_t& key) override {
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

  bool end_object() override {
    Frame f = std::move(frames_.back());
    frames_.pop_back();
    if (f.kind == Kind::kNode) {
      if (!f.element && !(f.seen & 1u)) return Fail("a node needs a \"name\"");
      builder_.Close();
    }
    return true;
  }

  bool start_array(std::size_t) override {
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

  bool end_array() override {
    frames_.pop_back();
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override {
    std::string what = e.what();
    // "[json.exception.parse_error.101] parse error at line 1, column 2: syntax error ..."
    std::size_t colon = what.find(": ");
    return Fail(colon == std::string::npos ? what : "not valid JSON: " + what.substr(colon + 2));
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

  bool OpenNode(bool element, std::string_view name) {
    if (builder_.open_depth() > kMaxCaseDepth) {
      return Fail("nodes nest deeper than " + std::to_string(kMaxCaseDepth) + " levels");
    }
    builder_.Open(name);
    frames_.emplace_back(Kind::kNode).element = element;
    return true;
  }

  bool Integer(std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
      return Scalar(PropValue::Real(static_cast<double>(value)));
    }
    return Scalar(PropValue::Integer(static_cast<std::int32_t>(value)));
  }

  bool AddProperty(Frame& node, const std::string& key, PropValue value) {
    for (const std::string& k : node.props) {
      if (k == key) return Fail("duplicate property " + Quoted(key));
    }
    node.props.push_back(key);
    builder_.Property(key, std::move(value));
    return true;
  }

  bool Scalar(std::nullptr_t) {
    if (!frames_.empty() && frames_.back().kind == Kind::kElements) {
      builder_.Leaf("Elem" + std::to_string(frames_.back().element_count++));
      return true;
    }
    return Fail(frames_.empty() ? "expected a node object at the top, found null"
                                : "expected a text, integer or real, found null");
  }

  bool Scalar(PropValue value) {
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

  bool Fail(const std::string& what) {
    if (error_.empty()) {
      error_ =
          std::to_string(position_->line) + ":" + std::to_string(position_->column) + ": " + what;
    }
    return false;
  }

  const Position* position_;
  TreeBuilder builder_;
  std::vector<Frame> frames_;
  bool have_top_ = false;
  std::string error_;
};

}  // namespace

std::shared_ptr<const HostTree> LoadCaseText(std::string_view text, std::string_view origin) {
  // The parser takes a NUL byte for the end of the input: refuse it here, where it is.
  if (std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
    std::string_view before = text.substr(0, nul);
    std::size_t line = 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
    std::size_t line_start = before.rfind('\n');
    std::size_t column = nul - (line_start == std::string_view::npos ? 0 : line_start + 1) + 1;
    throw CaseError(std::string(origin) + ":" + std::to_string(line) + ":" +
                    std::to_string(column) + ": not valid JSON: a NUL byte (not a text file?)");
  }
  Position position;
  CaseReader reader(&position);
  PositionedIterator first(text.data(), &position);
  PositionedIterator last(text.data() + text.size(), &position);
  bool ok = false;
  try {
    ok = json::sax_parse(first, last, &reader);
  } catch (const std::exception& e) {
    throw CaseError(std::string(origin) + ": " + e.what());
  }
  if (!ok || !reader.error().empty()) {
    std::string what = reader.error().empty() ? "not a case" : reader.error();
    throw CaseError(std::string(origin) + ":" + what);
  }
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
