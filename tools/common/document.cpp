#include "document.h"

#include "document_names.h"
#include "files.h"
#include "json_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>

namespace walk {

namespace names = document_names;

namespace {

// Model nodes nest two JSON levels a step list (the node and its contents); the walk's deepest
// model stays far below this.
constexpr std::size_t kMaxDepth = 200000;

bool SeekTo(std::FILE* file, std::uint64_t offset) {
#if defined(_WIN32)
  return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool IsBlank(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

}  // namespace

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
    while (!AtEnd() && IsBlank(Current())) ++at_;
  }
  void Step() { ++at_; }  // on by one byte, as it is
  // The bytes from here up to the first quote, backslash or control byte of the block read.
  std::string_view TextRun() {
    std::size_t from = at_;
    while (at_ < size_) {
      unsigned char c = static_cast<unsigned char>(data_[at_]);
      if (c == '"' || c == '\\' || c < 0x20) break;
      ++at_;
    }
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

namespace {

// Reads one JSON value from where the cursor stands and tells `handler` of it as nlohmann's SAX
// parser would (start_object, key, end_object, ..., a Scalar for each scalar, numbers as
// written), at a few instructions a byte: the documents are large and read whole. Leaves the
// cursor after the value. False on a syntax error (told through handler.syntax_error) or when
// the handler stops. Only the containers are held, as one byte each.
template <typename Handler>
class JsonReader {
 public:
  JsonReader(Cursor& cursor, Handler& handler) : c_(cursor), h_(handler) {}

  bool Value() {
    enum { kValue, kValueOrEnd, kKeyOrEnd, kKey, kColon, kNext } state = kValue;
    std::vector<char> open;  // '{' or '[' for each container not yet closed
    for (;;) {
      c_.SkipBlanks();
      if (c_.AtEnd()) return Error("unexpected end of input");
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
          c_.Step();
          if (!Close(open)) return false;
          break;
        case kKeyOrEnd:
          if (ch == '}') {
            c_.Step();
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
            c_.Step();
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
  bool Close(std::vector<char>& open) {
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
    if (ch == '"') return Text() && h_.scalar(Scalar{Scalar::kText, text_});
    if (ch == 't') return Literal("true") && h_.scalar(Scalar{Scalar::kBool, "true"});
    if (ch == 'f') return Literal("false") && h_.scalar(Scalar{Scalar::kBool, "false"});
    if (ch == 'n') return Literal("null") && h_.scalar(Scalar{Scalar::kNull, "null"});
    if (ch != '-' && (ch < '0' || ch > '9')) return Error("invalid literal");
    text_.clear();
    while (!c_.AtEnd()) {
      ch = c_.Current();
      if (!((ch >= '0' && ch <= '9') || ch == '-' || ch == '+' || ch == '.' || ch == 'e' ||
            ch == 'E'))
        break;
      text_ += ch;
      c_.Step();
    }
    bool integer = true;
    if (!Number(integer)) return Error("invalid number");
    return h_.scalar(Scalar{integer ? Scalar::kInteger : Scalar::kReal, text_});
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

  bool Literal(const char* word) {
    for (const char* w = word; *w != 0; ++w) {
      if (c_.AtEnd() || c_.Current() != *w) return Error("invalid literal");
      c_.Step();
    }
    return true;
  }

  // A text in double quotes into text_, its escapes undone (UTF-8 for \u).
  bool Text() {
    text_.clear();
    c_.Step();  // the opening quote
    for (;;) {
      if (c_.AtEnd()) return Error("unexpected end of input in a text");
      text_ += c_.TextRun();
      if (c_.AtEnd()) continue;
      char ch = c_.Current();
      c_.Step();
      if (ch == '"') return true;
      if (static_cast<unsigned char>(ch) < 0x20) return Error("a control character in a text");
      if (ch != '\\') {
        text_ += ch;
        continue;
      }
      if (c_.AtEnd()) return Error("unexpected end of input in a text");
      ch = c_.Current();
      c_.Step();
      switch (ch) {
        case '"':
        case '\\':
        case '/':
          text_ += ch;
          break;
        case 'b':
          text_ += '\b';
          break;
        case 'f':
          text_ += '\f';
          break;
        case 'n':
          text_ += '\n';
          break;
        case 'r':
          text_ += '\r';
          break;
        case 't':
          text_ += '\t';
          break;
        case 'u': {
          unsigned code = 0;
          if (!Hex(code)) return false;
          if (code >= 0xd800 && code <= 0xdbff) {
            // A high surrogate must be followed by the \u escape of a low one.
            bool escape = !c_.AtEnd() && c_.Current() == '\\';
            if (escape) {
              c_.Step();
              escape = !c_.AtEnd() && c_.Current() == 'u';
              if (escape) c_.Step();
            }
            unsigned low = 0;
            if (!escape) return Error("a \\u escape of a lone surrogate");
            if (!Hex(low)) return false;
            if (low < 0xdc00 || low > 0xdfff) return Error("a \\u escape of a lone surrogate");
            code = 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00);
          } else if (code >= 0xdc00 && code <= 0xdfff) {
            return Error("a \\u escape of a lone surrogate");
          }
          Utf8(code);
          break;
        }
        default:
          return Error("an unknown escape in a text");
      }
    }
  }

  bool Hex(unsigned& code) {
    for (int k = 0; k < 4; ++k) {
      if (c_.AtEnd()) return Error("unexpected end of input in a text");
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
    } else if (code < 0x800) {
      text_ += static_cast<char>(0xc0 | (code >> 6));
      text_ += static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
      text_ += static_cast<char>(0xe0 | (code >> 12));
      text_ += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
      text_ += static_cast<char>(0x80 | (code & 0x3f));
    } else {
      text_ += static_cast<char>(0xf0 | (code >> 18));
      text_ += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
      text_ += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
      text_ += static_cast<char>(0x80 | (code & 0x3f));
    }
  }

  Cursor& c_;
  Handler& h_;
  std::string text_;
};

// 64-bit FNV-1a over tagged pieces (the same on every platform and width).
class Hasher {
 public:
  void Add(char tag, std::string_view text) {
    Byte(static_cast<unsigned char>(tag));
    for (char c : text) Byte(static_cast<unsigned char>(c));
    Byte(0xff);  // a piece ends: "ab"+"c" differs from "a"+"bc"
  }
  void Add(std::string_view key, const Scalar& value) {
    Add('k', key);
    Add(value.type, value.text);
  }
  std::uint64_t value() const { return hash_; }

 private:
  void Byte(unsigned char b) {
    hash_ ^= b;
    hash_ *= 0x100000001b3ull;
  }
  std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

}  // namespace

const char* RecordKindName(Record::Kind kind) {
  // A model node's kind is the name of its first member.
  static const char* const kNames[] = {names::kObject, names::kValue,   names::kCollection,
                                       names::kItem,   names::kElement, "attribute",
                                       "binding",      "call",          "framework record"};
  return kNames[kind];
}

std::uint64_t NameKey(std::string_view name) {
  Hasher h;
  h.Add('n', name);
  return h.value();
}

// ---- Scalar, Details -------------------------------------------------------------------------

std::string OneLine(std::string_view text) {
  std::string out;
  kit::AppendTextLine(text, out);
  return out;
}

std::string SessionsText(const Document& log) {
  const std::vector<std::uint64_t>& lines = log.session_lines();
  std::string at;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0)
      at += i + 1 == lines.size() && lines.size() == static_cast<std::size_t>(log.sessions())
                ? " and "
                : ", ";
    at += std::to_string(lines[i]);
  }
  if (lines.size() < static_cast<std::size_t>(log.sessions())) at += ", ...";
  return "holds " + std::to_string(log.sessions()) +
         " sessions (one {\"log\": ...} line each, at lines " + at + ")";
}

std::string Scalar::Shown() const {
  switch (type) {
    case kNone:
      return "(none)";
    case kText:
      return kit::JsonText(text);
    default:
      return text;
  }
}

const Scalar& Details::Get(const std::string& key) const {
  static const Scalar none;
  for (const auto& [name, value] : members) {
    if (name == key) return value;
  }
  return none;
}

// ---- DocumentReader --------------------------------------------------------------------------

// Turns the parser's events into the document's records, with an explicit stack of what is
// open: no recursion, whatever the nesting.
class DocumentReader {
 public:
  DocumentReader(Document& doc, Cursor& cursor) : doc_(doc), cursor_(cursor) {}

  // Reads the whole document. A log whose last line is cut (its writer stopped in the middle
  // of it) is read up to the line before, and says so in its warnings.
  void Read() {
    cursor_.SkipBlanks();
    bool first = true;
    do {
      const std::uint64_t start = cursor_.offset();
      const std::size_t records = doc_.trace_.size();
      bool ok = JsonReader<DocumentReader>(cursor_, *this).Value();
      if (!error_.empty()) {
        if (syntax_error_ && !cursor_.failed() && doc_.source_ == Document::kLog &&
            IsLastLine(start)) {
          doc_.trace_.resize(records);  // what the cut line had made
          std::uint64_t line = Position(start).first;
          doc_.warnings_.push_back(doc_.name_ + ":" + std::to_string(line) +
                                   ": the log's last line is cut off (its writer stopped in the "
                                   "middle of it): compared up to line " +
                                   std::to_string(line - 1));
          return;
        }
        Throw();
      }
      if (!ok || cursor_.failed())
        Throw("cannot read the document: " + std::string(std::strerror(errno)), cursor_.offset());
      if (first && !doc_.has_model_ && doc_.source_ == Document::kWalk)
        Throw("not a document of fintop-walk --json: it has no \"model\"", 0);
      first = false;
      cursor_.SkipBlanks();
      if (doc_.source_ == Document::kWalk && !cursor_.AtEnd())
        Throw("unexpected text after the document", cursor_.offset());
    } while (!cursor_.AtEnd());
    SessionLines();
  }

  // JsonReader's events.
  bool scalar(Scalar value) { return OnValue(std::move(value)); }
  void syntax_error(const std::string& what) {
    if (error_.empty()) syntax_error_ = true;
    Fail("not valid JSON: " + what);
  }

  bool start_object(std::size_t) {
    std::uint64_t at = cursor_.offset() - 1;  // the '{' was the last byte read
    if (frames_.empty()) {
      Push(kLine, kNoRecord, false);
      frames_.back().at = at;
      return true;
    }
    Frame& f = frames_.back();
    switch (f.kind) {
      case kSkip:
        ++f.skip;
        return true;
      case kNodes:
        return Push(kNode, NewRecord(f.in_trace, Record::kObject, f.record, at), f.in_trace);
      case kTrace:
        return Push(kCall, NewRecord(true, Record::kCall, kNoRecord, at), true);
      case kNode:
      case kCall:
        if (f.kind == kCall && f.key == names::kBefore) return Skip();  // read, not compared
        if (f.key == names::kAttributes || f.key == names::kBindings) {
          Record::Kind fields = f.key == names::kAttributes ? Record::kAttribute : Record::kBinding;
          if (!Push(kFields, f.record, f.in_trace)) return false;
          frames_.back().fields = fields;
          return true;
        }
        return Fail("\"" + f.key + "\" must be a text, number or boolean, found an object");
      case kTop:
        if (f.key == names::kSummary) return Push(kSummary, kNoRecord, false);
        if (f.key == names::kNames || f.key == names::kExplanations) return Skip();
        return Fail("\"" + f.key + "\" must not be an object");
      case kSummary:
      case kHeader:
        return Skip();
      default:
        return Fail("unexpected object");
    }
  }

  bool key(std::string& key) {
    Frame& f = frames_.back();
    f.key = key;
    switch (f.kind) {
      case kLine:
        if (key == names::kCase || key == names::kModel) {
          if (doc_.source_ == Document::kLog || lines_ > 0)
            return Fail("a fintop-trace log line holds a document");
          f.kind = kTop;
          return TopKey(f);
        }
        doc_.source_ = Document::kLog;
        doc_.has_trace_ = true;
        ++lines_;
        if (key == names::kLog) {
          ++doc_.sessions_;
          // Where the first sessions start (made line numbers once the reading is done).
          if (doc_.session_lines_.size() < Document::kSessionLinesKept)
            doc_.session_lines_.push_back(f.at);
          if (doc_.sessions_ == 1) doc_.head_line_ = f.at;
          f.kind = kHeader;
          return true;
        }
        if (key == names::kError || key == names::kBegin || key == names::kSnapshot) {
          if (key == names::kBegin)
            doc_.begins_.push_back({f.at, static_cast<std::uint32_t>(doc_.trace_.size())});
          if (key == names::kSnapshot && doc_.snapshot_line_ == Document::kNoOffset)
            doc_.snapshot_line_ = f.at;
          f.kind = kSkip;
          f.skip = 1;
          return true;
        }
        if (key == names::kCallback) {
          f.kind = kCall;
          f.in_trace = true;
          f.record = NewRecord(true, Record::kCall, kNoRecord, f.at);
          return CallKey(f);
        }
        return Fail(
            "not a document of fintop-walk --json or a fintop-trace log (it starts with \"" + key +
            "\")");
      case kTop:
        return TopKey(f);
      case kNode:
        return NodeKey(f);
      case kCall:
        return CallKey(f);
      case kFields: {
        std::uint32_t index =
            NewRecord(f.in_trace, f.fields, f.record, Records(f.in_trace)[f.record].offset);
        Records(f.in_trace)[index].key = NameKey(key);
        f.field = index;
        return true;
      }
      default:
        return true;
    }
  }

  bool end_object() {
    Frame f = std::move(frames_.back());
    frames_.pop_back();
    switch (f.kind) {
      case kSkip:
        if (--f.skip > 0) frames_.push_back(std::move(f));
        return true;
      case kNode:
        if (!f.started) return Fail("a model node must not be empty");
        if (!f.keyed)
          return Fail(std::string("a model node of kind \"") + RecordKindName(f.node) +
                      "\" without its " + (f.node == Record::kObject ? "\"host\"" : "name"));
        return Finish(f);
      case kCall:
        if (!f.keyed) return Fail("a call record without \"callback\" and \"node\"");
        return Finish(f);
      case kFields: {
        std::uint64_t fields = f.children.value();
        frames_.back().children.Add('f',
                                    std::string_view(reinterpret_cast<const char*>(&fields), 8));
        return true;
      }
      default:
        return true;
    }
  }

  bool start_array(std::size_t) {
    if (frames_.empty()) return Fail("not a document of fintop-walk --json or a fintop-trace log");
    Frame& f = frames_.back();
    switch (f.kind) {
      case kSkip:
        ++f.skip;
        return true;
      case kTop:
        if (f.key == names::kModel) return Push(kNodes, kNoRecord, false);
        if (f.key == names::kTrace) return Push(kTrace, kNoRecord, true);
        if (f.key == names::kNames || f.key == names::kExplanations) return Skip();
        return Fail("\"" + f.key + "\" must not be an array");
      case kNode:
        if (f.key == names::kContents || f.key == names::kItems) {
          f.own_done = true;
          return Push(kNodes, f.record, false);
        }
        return Fail("\"" + f.key + "\" must not be an array");
      case kCall:
        if (f.key == names::kOperations) return Skip();
        return Fail("\"" + f.key + "\" must not be an array");
      case kSummary:
        if (f.key == names::kNotReached || f.key == names::kNothingFoundBy) {
          std::vector<std::string>* list =
              f.key == names::kNotReached ? &doc_.not_reached_ : &doc_.nothing_found_by_;
          Push(kNames, kNoRecord, false);
          frames_.back().names = list;
          return true;
        }
        return Skip();
      case kHeader:
        return Skip();
      default:
        return Fail("unexpected array");
    }
  }

  bool end_array() {
    Frame& f = frames_.back();
    if (f.kind == kSkip && --f.skip > 0) return true;
    std::uint64_t below = f.children.value();
    bool list = f.kind == kNodes;
    frames_.pop_back();
    if (list && !frames_.empty() && frames_.back().kind == kNode)
      frames_.back().children.Add('l', std::string_view(reinterpret_cast<const char*>(&below), 8));
    return true;
  }

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
    bool own_done = false;
    Record::Kind node = Record::kObject;
    Record::Kind fields = Record::kAttribute;
    std::uint32_t field = kNoRecord;
    std::uint64_t at = 0;  // a log line's offset
    int skip = 0;
    std::vector<std::string>* names = nullptr;
    std::string key;
    Hasher key_hash, content;
    Hasher children;  // the subtrees below, in order
  };

  std::vector<Record>& Records(bool in_trace) { return in_trace ? doc_.trace_ : doc_.model_; }

  std::uint32_t NewRecord(bool in_trace, Record::Kind kind, std::uint32_t parent,
                          std::uint64_t offset) {
    std::vector<Record>& records = Records(in_trace);
    Record r;
    r.kind = kind;
    r.parent = parent;
    r.offset = offset;
    r.end = static_cast<std::uint32_t>(records.size() + 1);
    records.push_back(r);
    return static_cast<std::uint32_t>(records.size() - 1);
  }

  bool Push(FrameKind kind, std::uint32_t record, bool in_trace) {
    if (frames_.size() >= kMaxDepth)
      return Fail("nests deeper than " + std::to_string(kMaxDepth) + " levels");
    Frame& f = frames_.emplace_back();
    f.kind = kind;
    f.record = record;
    f.in_trace = in_trace;
    return true;
  }

  bool Skip() {
    Push(kSkip, kNoRecord, false);
    frames_.back().skip = 1;
    return true;
  }

  bool TopKey(Frame& f) {
    static const char* const kKeys[] = {names::kCase,         names::kModel, names::kTrace,
                                        names::kExplanations, names::kNames, names::kSummary};
    for (const char* k : kKeys) {
      if (f.key == k) {
        if (f.key == names::kModel) doc_.has_model_ = true;
        if (f.key == names::kTrace) doc_.has_trace_ = true;
        if (f.key == names::kSummary) doc_.has_summary_ = true;
        return true;
      }
    }
    return Fail("unknown member \"" + f.key + "\" in the document");
  }

  bool NodeKey(Frame& f) {
    if (!f.started) {
      static const std::pair<const char*, Record::Kind> kKinds[] = {
          {names::kObject, Record::kObject},
          {names::kValue, Record::kValue},
          {names::kCollection, Record::kCollection},
          {names::kItem, Record::kItem},
          {names::kElement, Record::kElement}};
      for (const auto& [name, kind] : kKinds) {
        if (f.key == name) {
          f.started = true;
          f.node = kind;
          doc_.model_[f.record].kind = kind;
          return true;
        }
      }
      return Fail(
          "a model node starts with \"object\", \"value\", \"collection\", \"item\" or "
          "\"element\", not \"" +
          f.key + "\"");
    }
    static const char* const kKeys[] = {
        names::kName,     names::kHost,     names::kData, names::kCallback, names::kCount,
        names::kResult,   names::kClass,    names::kAt,   names::kFound,    names::kAttributes,
        names::kBindings, names::kContents, names::kItems};
    for (const char* k : kKeys) {
      if (f.key == k) return true;
    }
    return Fail("unknown member \"" + f.key + "\" in a model node");
  }

  bool CallKey(Frame& f) {
    if (!f.started) {
      if (f.key != names::kCallback && f.key != names::kFramework)
        return Fail("a trace entry starts with \"callback\" or \"framework\", not \"" + f.key +
                    "\"");
      f.started = true;
      if (f.key == names::kFramework) doc_.trace_[f.record].kind = Record::kFramework;
      return true;
    }
    static const char* const kKeys[] = {
        names::kNode,       names::kIndex,    names::kMove,  names::kResult,     names::kOut,
        names::kAttributes, names::kBindings, names::kAt,    names::kOperations, names::kThread,
        names::kAttribute,  names::kValue,    names::kBefore};
    for (const char* k : kKeys) {
      if (f.key == k) return true;
    }
    return Fail("unknown member \"" + f.key + "\" in a trace entry");
  }

  bool OnValue(Scalar value) {
    if (frames_.empty()) return Fail("not a document of fintop-walk --json or a fintop-trace log");
    Frame& f = frames_.back();
    switch (f.kind) {
      case kSkip:
      case kSummary:
        return true;
      case kTop:
        if (f.key == names::kCase) return true;
        return Fail("\"" + f.key + "\" must be " +
                    (f.key == names::kSummary ? "an object" : "an array"));
      case kHeader:
        if (f.key == names::kLog && value.text != names::kLogName)
          return Fail("not a fintop-trace log (\"log\": " + value.Shown() + ")");
        if (f.key == names::kVersion) {
          // Earlier versions are still read: version 1 for --diff (the replay refuses it),
          // version 2 without bindings.
          int version = 0;
          for (int known = 1; known <= names::kLogVersion; ++known) {
            if (value.type == Scalar::kInteger && value.text == std::to_string(known))
              version = known;
          }
          if (version == 0)
            return Fail("a fintop-trace log of version " + value.text + ", not " +
                        std::to_string(names::kLogVersion));
          doc_.log_version_ = version;
        }
        return true;
      case kNames:
        if (value.type != Scalar::kText) return Fail("a callback name must be a text");
        f.names->push_back(std::move(value.text));
        return true;
      case kNodes:
        return Fail("expected a model node, found " + value.Shown());
      case kTrace:
        if (value.type == Scalar::kText)
          return Fail(
              "the trace holds lines of text, not call records (an older fintop-walk "
              "wrote it)");
        return Fail("expected a trace entry, found " + value.Shown());
      case kFields: {
        Hasher h;
        h.Add(value.type, value.text);
        Record& r = Records(f.in_trace)[f.field];
        r.content = r.subtree = h.value();
        f.children.Add('a', std::string_view(reinterpret_cast<const char*>(&r.subtree), 8));
        f.children.Add('k', std::string_view(reinterpret_cast<const char*>(&r.key), 8));
        return true;
      }
      case kNode:
        return NodeValue(f, value);
      case kCall:
        return CallValue(f, value);
      default:
        return Fail("unexpected value " + value.Shown());
    }
  }

  bool NodeValue(Frame& f, const Scalar& value) {
    if (f.key == names::kAttributes || f.key == names::kBindings || f.key == names::kContents ||
        f.key == names::kItems)
      return Fail("\"" + f.key + "\" must be " +
                  (f.key[0] == 'a' || f.key[0] == 'b' ? "an object" : "an array"));
    f.content.Add(f.key, value);
    bool names_it = f.key == RecordKindName(f.node) && f.node != Record::kObject;
    if (names_it || (f.node == Record::kObject && f.key == names::kHost)) {
      if (f.node == Record::kItem ? value.type != Scalar::kInteger : value.type != Scalar::kText)
        return Fail("\"" + f.key + "\" must be " +
                    (f.node == Record::kItem ? "an integer" : "a text"));
      f.key_hash.Add(static_cast<char>('0' + f.node), value.text);
      f.keyed = true;
    }
    return true;
  }

  bool CallValue(Frame& f, const Scalar& value) {
    const std::string& k = f.key;
    if (k == names::kAttributes || k == names::kBindings || k == names::kBefore)
      return Fail("\"" + k + "\" must be an object");
    if (k == names::kThread) return true;
    if (k == names::kCallback || k == names::kNode || k == names::kIndex || k == names::kMove ||
        k == names::kFramework || k == names::kAttribute) {
      f.key_hash.Add(k, value);
      if (k == names::kNode || k == names::kAttribute) f.keyed = true;
    } else {
      f.content.Add(k, value);
    }
    return true;
  }

  bool Finish(Frame& f) {
    std::vector<Record>& records = Records(f.in_trace);
    Record& r = records[f.record];
    r.key = f.key_hash.value();
    r.content = f.content.value();
    Hasher subtree = f.children;
    subtree.Add('c', std::string_view(reinterpret_cast<const char*>(&r.content), 8));
    r.subtree = subtree.value();
    r.end = static_cast<std::uint32_t>(records.size());
    // The frame below is the list that holds it, or (attributes) the node itself.
    if (!frames_.empty()) {
      frames_.back().children.Add('s',
                                  std::string_view(reinterpret_cast<const char*>(&r.subtree), 8));
    }
    if (records.size() >= kNoRecord) return Fail("more records than this program can hold");
    return true;
  }

  bool Fail(const std::string& what) {
    if (error_.empty()) {
      error_ = what;
      error_at_ = cursor_.offset() == 0 ? 0 : cursor_.offset() - 1;
    }
    return false;
  }

  // Throws the error found at the last byte the parser read (or `what` at byte `at`), with its
  // line and column.
  [[noreturn]] void Throw() { Throw(error_, error_at_); }
  [[noreturn]] void Throw(const std::string& what, std::uint64_t at) {
    auto [line, column] = Position(at);
    throw DocumentError(doc_.name_ + ":" + std::to_string(line) + ":" + std::to_string(column) +
                        ": " + OneLine(what));
  }

  // The line and column of byte `at`, counted from the start of the document.
  std::pair<std::uint64_t, std::uint64_t> Position(std::uint64_t at) const {
    std::uint64_t line = 1, column = 1;
    Cursor scan = doc_.Scan(1 << 16);
    if (scan.Seek(0)) {
      for (std::uint64_t i = 0; i < at && !scan.AtEnd(); ++i, scan.Step()) {
        if (scan.Current() == '\n') {
          ++line;
          column = 1;
        } else {
          ++column;
        }
      }
    }
    return {line, column};
  }

  // The offsets of the sessions' first lines made their line numbers, in one reading, where
  // there are several (a log of one session is never refused for it).
  void SessionLines() {
    if (doc_.sessions_ > 1) doc_.session_lines_ = doc_.LinesOf(doc_.session_lines_);
  }

  // Whether the line from byte `start` is the document's last and has no newline.
  bool IsLastLine(std::uint64_t start) const {
    Cursor scan = doc_.Scan(1 << 16);
    if (!scan.Seek(start)) return false;
    for (; !scan.AtEnd(); scan.Step()) {
      if (scan.Current() == '\n') return false;
    }
    return !scan.failed();
  }

  Document& doc_;
  Cursor& cursor_;
  std::vector<Frame> frames_;
  long lines_ = 0;  // log lines read
  std::string error_;
  std::uint64_t error_at_ = 0;
  bool syntax_error_ = false;  // error_ is the parser's
};

// ---- DetailsReader ---------------------------------------------------------------------------

namespace {

// Reads one node's or call's own members and stops before its contents.
class DetailsReader {
 public:
  Details details;
  bool done = false;
  std::string error;

  bool scalar(Scalar value) { return OnValue(std::move(value)); }
  void syntax_error(const std::string& what) { error = "not valid JSON: " + what; }
  bool start_object(std::size_t) {
    ++depth_;
    if (depth_ == 2 && key_ == names::kBefore) details.has_before = true;
    if (depth_ == 2)
      fields_ = key_ == names::kAttributes ? &details.attributes
                : key_ == names::kBefore   ? &details.before
                                           : &details.bindings;
    return true;
  }
  bool end_object() {
    if (--depth_ == 0) {
      done = true;
      return false;  // the object is read: stop here
    }
    return true;
  }
  bool start_array(std::size_t) {
    if (++depth_ == 2) fields_ = nullptr;
    return true;
  }
  bool end_array() {
    --depth_;
    return true;
  }
  bool key(std::string& key) {
    if (depth_ == 1 && (key == names::kContents || key == names::kItems)) {
      done = true;
      return false;
    }
    key_ = std::move(key);
    return true;
  }

 private:
  bool OnValue(Scalar value) {
    if (depth_ == 1) details.members.emplace_back(key_, std::move(value));
    if (depth_ == 2 && fields_ != nullptr) fields_->emplace_back(key_, std::move(value));
    return true;
  }
  int depth_ = 0;
  std::string key_;
  std::vector<std::pair<std::string, Scalar>>* fields_ = nullptr;
};

}  // namespace

// ---- Document --------------------------------------------------------------------------------

Document::Document(std::FILE* file, std::string name, bool owned)
    : file_(file), owned_(owned), name_(std::move(name)) {
  Read();
}

Document::Document(std::string bytes, std::string name)
    : file_(nullptr), owned_(false), memory_(std::move(bytes)), name_(std::move(name)) {
  Read();
}

void Document::Read() {
  Cursor cursor = Scan(std::size_t{1} << 20);
  DocumentReader reader(*this, cursor);
  try {
    reader.Read();
  } catch (...) {
    if (owned_) std::fclose(file_);
    owned_ = false;
    throw;
  }
  model_.shrink_to_fit();
  trace_.shrink_to_fit();
}

Document::~Document() {
  if (owned_) std::fclose(file_);
}

Cursor Document::Scan(std::size_t block) const {
  return file_ != nullptr ? Cursor(file_, block) : Cursor(memory_);
}

std::vector<std::uint64_t> Document::LinesOf(const std::vector<std::uint64_t>& offsets) const {
  std::vector<std::uint64_t> lines;
  lines.reserve(offsets.size());
  Cursor scan = Scan(std::size_t{1} << 16);
  std::uint64_t line = 1, at = 0;
  const bool readable = scan.Seek(0);
  for (std::uint64_t offset : offsets) {
    for (; readable && at < offset && !scan.AtEnd(); ++at, scan.Step())
      line += scan.Current() == '\n';
    lines.push_back(line);
  }
  return lines;
}

Details Document::ReadDetails(std::uint64_t offset) const {
  // From a file, a window of it is kept: a reader that goes through the records in order (the
  // replay) reads the file once, in blocks growing to 256 KiB, instead of a block per record;
  // one that jumps about (--diff) reads 16 KiB a time.
  if (file_ != nullptr) {
    constexpr std::size_t kSmall = std::size_t{1} << 14, kLarge = std::size_t{1} << 18;
    if (offset < window_at_ || offset - window_at_ + kSmall / 4 > window_.size()) {
      const bool onward = offset >= window_at_ && offset - window_at_ <= window_.size() + kSmall;
      window_size_ = onward ? std::min(window_size_ * 2, kLarge) : kSmall;
      window_.resize(window_size_);
      window_at_ = offset;
      std::size_t n =
          SeekTo(file_, offset) ? std::fread(window_.data(), 1, window_size_, file_) : 0;
      window_.resize(n);
    }
    if (offset >= window_at_ && offset - window_at_ < window_.size()) {
      Cursor cursor{std::string_view(window_).substr(offset - window_at_)};
      DetailsReader reader;
      JsonReader<DetailsReader>(cursor, reader).Value();
      if (reader.done) return std::move(reader.details);
    }
  }
  Cursor cursor = Scan(4096);  // an object longer than the window's rest, or from memory
  DetailsReader reader;
  if (cursor.Seek(offset)) JsonReader<DetailsReader>(cursor, reader).Value();
  if (!reader.done)
    throw DocumentError(name_ + ": cannot read the document again" +
                        (reader.error.empty() ? std::string() : ": " + OneLine(reader.error)));
  return std::move(reader.details);
}

std::unique_ptr<Document> OpenDocument(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    throw DocumentError(path + ": cannot read the document: it is a directory");
  std::FILE* file = kit::OpenFile(path, "rb");
  if (file == nullptr)
    throw DocumentError(path + ": cannot read the document: " + std::strerror(errno));
  if (std::filesystem::is_regular_file(path, error))
    return std::make_unique<Document>(file, path, true);
  // A pipe or device cannot be read again where two records differ: read it whole first.
  std::string bytes;
  char buffer[1 << 16];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    bytes.append(buffer, n);
  bool failed = std::ferror(file) != 0;
  int reason = errno;
  std::fclose(file);
  if (failed) throw DocumentError(path + ": cannot read the document: " + std::strerror(reason));
  return std::make_unique<Document>(std::move(bytes), path);
}

}  // namespace walk
