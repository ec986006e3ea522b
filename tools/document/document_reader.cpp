#include "document_reader.h"

#include <cerrno>
#include <cstring>
#include <span>

#include "document_names.h"

namespace walk {

namespace names = document_names;

void DocumentReader::Read() {
  cursor_->SkipBlanks();
  do {  // a walk's document once, a log's lines one by one
    const std::uint64_t start = cursor_->offset();
    const std::size_t records = doc_.trace_.size();
    bool ok = JsonReader<DocumentReader>(*cursor_, *this).Value();
    if (!error_.empty()) {
      if (syntax_error_ && !cursor_->failed() && doc_.source_ == Document::kLog &&
          IsLastLine(start)) {
        doc_.trace_.resize(records);  // what the cut line had made
        const std::uint64_t line = doc_.LinesOf({start})[0];
        doc_.warnings_.push_back(doc_.name_ + ":" + std::to_string(line) +
                                 ": the log's last line is cut off (its writer stopped in the "
                                 "middle of it): compared up to line " +
                                 std::to_string(line - 1));
        break;
      }
      Throw();
    }
    if (!ok || cursor_->failed())
      Throw("cannot read the document: " + std::string(std::strerror(errno)), cursor_->offset());
    if (!doc_.has_model_ && doc_.source_ == Document::kWalk)
      Throw("not a document of fintop-walk --json: it has no \"model\"", 0);
    cursor_->SkipBlanks();
    if (doc_.source_ == Document::kWalk && !cursor_->AtEnd())
      Throw("unexpected text after the document", cursor_->offset());
  } while (!cursor_->AtEnd());
  // Where the sessions start, as line numbers, where a log of several is refused.
  if (doc_.sessions_ > 1) doc_.session_lines_ = doc_.LinesOf(doc_.session_lines_);
}

void DocumentReader::Finished() {
  if (!error_.empty()) Throw();
  if (!frames_.empty()) Throw(kit::kEndOfInput, Offset());
  if (!doc_.has_model_ || doc_.source_ != Document::kWalk)
    Throw("not a document of fintop-walk --json: it has no \"model\"", 0);
}

void DocumentReader::syntax_error(const std::string& what) {
  if (error_.empty()) syntax_error_ = true;
  // A log's cut last line is read up to the line before (Read), so only a document ends early.
  const bool cut = !frames_.empty() && what.starts_with(kit::kEndOfInput);
  Fail("not valid JSON: " + what + (cut ? ": the document is cut short" : ""));
}

bool DocumentReader::Open(bool object) {
  const std::uint64_t at = Offset() - 1;  // the bracket was the last byte read
  if (frames_.empty()) {
    if (!object) return Fail("not a document of fintop-walk --json or a fintop-trace log");
    Push(kLine);
    frames_.back().at = at;
    return true;
  }
  Frame& f = frames_.back();
  switch (f.kind) {
    case kSkip:
      ++f.skip;
      return true;
    case kNodes:
      if (!object) break;
      return Push(kNode, NewRecord(f.in_trace, Record::kObject, f.record, at), f.in_trace);
    case kTrace:
      if (!object) break;
      ++entries_;
      return Push(kCall, NewRecord(true, Record::kCall, kNoRecord, at), true);
    case kNode:
    case kCall: {
      const record::Member& m = *f.row;  // the key before it found its row
      if (!object && m.type == record::Type::kNodes) return Push(kNodes, f.record);
      if (!object && m.type == record::Type::kTexts) return Push(kSkip);  // "operations"
      if (!object || (m.type != record::Type::kValues && m.type != record::Type::kNames))
        return Fail("\"" + f.key + "\" must be " + record::TypeText(m.type) +
                    (object ? ", not an object" : ", not an array"));
      if (m.role == record::Role::kIgnored) return Push(kSkip);  // "before": read, not compared
      if (!Push(kFields, f.record, f.in_trace)) return false;
      frames_.back().fields =
          m.type == record::Type::kValues ? Record::kAttribute : Record::kBinding;
      return true;
    }
    case kTop:
      if (Is(f.key, names::kNames) || Is(f.key, names::kExplanations)) return Push(kSkip);
      if (object && Is(f.key, names::kSummary)) return Push(kSummary);
      if (!object && Is(f.key, names::kModel)) return Push(kNodes);
      if (!object && Is(f.key, names::kTrace)) return Push(kTrace, kNoRecord, true);
      return Fail("\"" + f.key + "\" must not be " + (object ? "an object" : "an array"));
    case kSummary:
      if (!object && (Is(f.key, names::kNotReached) || Is(f.key, names::kNothingFoundBy))) {
        std::vector<std::string>* list =
            Is(f.key, names::kNotReached) ? &doc_.not_reached_ : &doc_.nothing_found_by_;
        if (!Push(kNames)) return false;  // (`f` is gone once pushed)
        frames_.back().names = list;
        return true;
      }
      return Push(kSkip);
    case kHeader:
      return Push(kSkip);
    default:
      break;
  }
  return Fail(object ? "unexpected object" : "unexpected array");
}

bool DocumentReader::OnKey() {
  Frame& f = frames_.back();
  const std::string& key = f.key;
  switch (f.kind) {
    case kLine:
      if (Is(key, names::kCase) || Is(key, names::kModel)) {
        if (doc_.source_ == Document::kLog || lines_ > 0)
          return Fail("a fintop-trace log line holds a document");
        f.kind = kTop;
        return TopKey(f);
      }
      doc_.source_ = Document::kLog;
      doc_.has_trace_ = true;
      ++lines_;
      if (Is(key, names::kLog)) {
        ++doc_.sessions_;
        // Where the first sessions start (made line numbers once the reading is done).
        if (doc_.session_lines_.size() < Document::kSessionLinesKept)
          doc_.session_lines_.push_back(f.at);
        if (doc_.sessions_ == 1) doc_.head_line_ = f.at;
        f.kind = kHeader;
        return true;
      }
      if (Is(key, names::kError) || Is(key, names::kBegin) || Is(key, names::kSnapshot)) {
        if (Is(key, names::kBegin)) doc_.begins_.push_back({f.at, entries_});
        if (Is(key, names::kSnapshot) && doc_.snapshot_line_ == Document::kNoOffset)
          doc_.snapshot_line_ = f.at;
        f.kind = kSkip;
        f.skip = 1;
        return true;
      }
      if (Is(key, names::kCallback)) {
        f.kind = kCall;
        f.in_trace = true;
        f.record = NewRecord(true, Record::kCall, kNoRecord, f.at);
        ++entries_;
        return CallKey(f);
      }
      return Fail("not a document of fintop-walk --json or a fintop-trace log (it starts with \"" +
                  key + "\")");
    case kTop:
      return TopKey(f);
    case kNode:
      return NodeKey(f);
    case kCall:
      return CallKey(f);
    case kFields: {
      std::uint32_t index =
          NewRecord(f.in_trace, f.fields, f.record, Records(f.in_trace)[f.record].offset);
      if (doc_.hashed_) Records(f.in_trace)[index].key = NameKey(key);
      f.field = index;
      return true;
    }
    default:
      return true;
  }
}

bool DocumentReader::Close() {
  if (frames_.back().kind == kSkip && --frames_.back().skip > 0) return true;
  Frame f = std::move(frames_.back());
  frames_.pop_back();
  switch (f.kind) {
    case kNode:
      if (!f.started) return Fail("a model node must not be empty");
      if (!f.keyed)
        return Fail(std::string("a model node of kind \"") + RecordKindName(f.node) +
                    "\" without its " + (f.node == Record::kObject ? "\"host\"" : "name"));
      return Finish(f);
    case kCall:
      if (!f.keyed) return Fail("a call record without \"callback\" and \"node\"");
      return Finish(f);
    case kFields:
      frames_.back().children.Add('f', f.children.value());
      return true;
    case kNodes:  // a node's list of nodes: one piece of its subtree
      if (!frames_.empty() && frames_.back().kind == kNode)
        frames_.back().children.Add('l', f.children.value());
      return true;
    default:
      return true;
  }
}

std::uint32_t DocumentReader::NewRecord(bool in_trace, Record::Kind kind, std::uint32_t parent,
                                        std::uint64_t offset) {
  std::vector<Record>& records = Records(in_trace);
  const auto index = static_cast<std::uint32_t>(records.size());
  records.push_back({.offset = offset, .parent = parent, .end = index + 1, .kind = kind});
  return index;
}

bool DocumentReader::Push(FrameKind kind, std::uint32_t record, bool in_trace) {
  if (frames_.size() >= kMaxDepth)
    return Fail("nests deeper than " + std::to_string(kMaxDepth) + " levels");
  Frame& f = frames_.emplace_back();
  f.kind = kind;
  f.record = record;
  f.in_trace = in_trace;
  f.skip = kind == kSkip ? 1 : 0;
  return true;
}

bool DocumentReader::Finish(Frame& f) {
  std::vector<Record>& records = Records(f.in_trace);
  Record& r = records[f.record];
  r.end = static_cast<std::uint32_t>(records.size());
  if (records.size() >= kNoRecord) return Fail("more records than this program can hold");
  if (!doc_.hashed_) return true;
  r.key = f.key_hash.value();
  r.content = f.content.value();
  Hasher subtree = f.children;
  subtree.Add('c', r.content);
  r.subtree = subtree.value();
  // The frame below is the list that holds it, or (attributes) the node itself.
  if (!frames_.empty()) frames_.back().children.Add('s', r.subtree);
  return true;
}

bool DocumentReader::Fail(const std::string& what) {
  if (error_.empty()) {
    error_ = what;
    error_at_ = Offset() == 0 ? 0 : Offset() - 1;
  }
  return false;
}

void DocumentReader::Throw(const std::string& what, std::uint64_t at) {
  std::vector<std::uint64_t> column;
  const std::uint64_t line = doc_.LinesOf({at}, &column)[0];
  throw DocumentError(doc_.name_ + ":" + std::to_string(line) + ":" + std::to_string(column[0]) +
                      ": " + OneLine(what));
}

bool DocumentReader::IsLastLine(std::uint64_t start) const {
  Cursor scan = doc_.Scan(1 << 16);
  if (!scan.Seek(start)) return false;
  for (; !scan.AtEnd(); scan.Step()) {
    if (scan.Current() == '\n') return false;
  }
  return !scan.failed();
}

// ---- What a document may hold -----------------------------------------------------------------
// The members of its top, of a model node and of a trace entry, and what each value must be.

bool DocumentReader::TopKey(Frame& f) {
  doc_.has_model_ = doc_.has_model_ || Is(f.key, names::kModel);
  doc_.has_trace_ = doc_.has_trace_ || Is(f.key, names::kTrace);
  doc_.has_summary_ = doc_.has_summary_ || Is(f.key, names::kSummary);
  for (std::string_view k : {names::kCase, names::kModel, names::kTrace, names::kExplanations,
                             names::kNames, names::kSummary}) {
    if (Is(f.key, k)) return true;
  }
  return Fail("unknown member \"" + f.key + "\" in the document");
}

namespace {

// "\"a\", \"b\" or \"c\"": the names of `rows`, for a message.
std::string Listed(std::span<const record::Member> rows) {
  std::string text;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) text += i + 1 == rows.size() ? " or " : ", ";
    text += '"' + std::string(rows[i].name) + '"';
  }
  return text;
}

}  // namespace

// The kinds' rows come in the order of Record's kinds.
static_assert(record::kModelNode[Record::kElement].name == names::kElement);

bool DocumentReader::NodeKey(Frame& f) {
  if (f.started) {
    f.row = record::FindMember(record::kModelNode, f.key);
    if (f.row == nullptr) return Fail("unknown member \"" + f.key + "\" in a model node");
    return true;
  }
  f.row = record::FindMember(record::kModelNodeKinds, f.key);  // its first member: its kind
  if (f.row == nullptr)
    return Fail("a model node starts with " + Listed(record::kModelNodeKinds) + ", not \"" + f.key +
                "\"");
  f.started = true;
  f.node = static_cast<Record::Kind>(f.row - record::kModelNode);
  doc_.model_[f.record].kind = f.node;
  return true;
}

bool DocumentReader::CallKey(Frame& f) {
  if (!f.started) {
    if (!Is(f.key, names::kCallback) && !Is(f.key, names::kFramework))
      return Fail("a trace entry starts with \"callback\" or \"framework\", not \"" + f.key + "\"");
    f.started = true;
    if (Is(f.key, names::kFramework)) doc_.trace_[f.record].kind = Record::kFramework;
  }
  const bool framework = doc_.trace_[f.record].kind == Record::kFramework;
  f.row = framework ? record::FindMember(record::kFramework, f.key)
                    : record::FindMember(record::kCall, f.key);
  if (f.row == nullptr)
    return Fail("unknown member \"" + f.key + "\" in a " +
                (framework ? "framework record" : "call"));
  return true;
}

bool DocumentReader::OnValue(Scalar& value) {
  if (frames_.empty()) return Fail("not a document of fintop-walk --json or a fintop-trace log");
  Frame& f = frames_.back();
  switch (f.kind) {
    case kSkip:
    case kSummary:
      return true;
    case kTop:
      if (Is(f.key, names::kCase)) return true;
      return Fail("\"" + f.key + "\" must be " +
                  (Is(f.key, names::kSummary) ? "an object" : "an array"));
    case kHeader: {
      if (Is(f.key, names::kLog) && value.text != names::kLogName)
        return Fail("not a fintop-trace log (\"log\": " + value.Shown() + ")");
      // Members a later recorder adds are passed over; the known ones hold what their rows say.
      const record::Member* row = record::FindMember(record::kLogHead, f.key);
      if (row != nullptr && !record::Holds(row->type, value))
        return Fail("\"" + f.key + "\" of the log's first line must be " +
                    record::TypeText(row->type) + ", not " + value.Shown());
      if (Is(f.key, names::kVersion)) {
        // Earlier versions are still read: version 1 for --diff (the replay refuses it),
        // version 2 without bindings.
        const int version = value.text.size() == 1 ? value.text[0] - '0' : 0;  // an integer
        if (version < 1 || version > names::kLogVersion)
          return Fail("a fintop-trace log of version " + value.text + ", not " +
                      std::to_string(names::kLogVersion));
        doc_.log_version_ = version;
      }
      return true;
    }
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
      if (f.fields == Record::kBinding && value.type != Scalar::kText)
        return Fail("a binding's host name must be a text, not " + value.Shown());
      if (!doc_.hashed_) return true;
      Hasher h;
      h.Add(value.type, value.text);
      Record& r = Records(f.in_trace)[f.field];
      r.content = r.subtree = h.value();
      f.children.Add('a', r.subtree);
      f.children.Add('k', r.key);
      return true;
    }
    case kNode:
    case kCall:
      return MemberValue(f, value);
    default:
      return Fail("unexpected value " + value.Shown());
  }
}

bool DocumentReader::MemberValue(Frame& f, const Scalar& value) {
  const record::Member& m = *f.row;
  if (!record::Holds(m.type, value))
    return Fail("\"" + f.key + "\" must be " + record::TypeText(m.type) + ", not " + value.Shown());
  if (f.kind == kNode) {
    // A node's content holds its key too; its key is told by its kind.
    if (doc_.hashed_) f.content.Add(f.key, value);
    if (m.role == record::Role::kKey) {
      if (doc_.hashed_) f.key_hash.Add(static_cast<char>('0' + f.node), value.text);
      f.keyed = true;
    }
    return true;
  }
  if (m.role == record::Role::kKey) {
    if (doc_.hashed_) f.key_hash.Add(f.key, value);
    if (Is(f.key, names::kNode) || Is(f.key, names::kAttribute)) f.keyed = true;
  } else if (m.role == record::Role::kContent && doc_.hashed_) {
    f.content.Add(f.key, value);
  }
  return true;
}

// ---- DocumentBuilder ----------------------------------------------------------------------

DocumentBuilder::DocumentBuilder(std::string name)
    : doc_(new Document(std::move(name))), reader_(std::make_unique<DocumentReader>(*doc_)) {}

DocumentBuilder::~DocumentBuilder() = default;

kit::JsonEvents* DocumentBuilder::events() {
  return reader_.get();
}

std::unique_ptr<Document> DocumentBuilder::Finish(std::string text) {
  doc_->memory_ = std::move(text);  // for the error's line and column, and for ReadDetails
  reader_->Finished();
  doc_->model_.shrink_to_fit();
  doc_->trace_.shrink_to_fit();
  return std::move(doc_);
}

}  // namespace walk
