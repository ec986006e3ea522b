// What a document may hold: the members of its top, of a model node and of a trace entry, and
// what each value must be.
#include "document_reader.h"

#include <span>

#include "document_names.h"
#include "members.h"

namespace walk {

namespace names = document_names;

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

}  // namespace walk
