// What a document may hold: the members of its top, of a model node and of a trace entry, and
// what each value must be.
#include "document_reader.h"

#include <cerrno>
#include <cstring>

#include "document_names.h"

namespace walk {

namespace names = document_names;

bool DocumentReader::TopKey(Frame& f) {
  static constexpr std::string_view kKeys[] = {names::kCase,  names::kModel,
                                               names::kTrace, names::kExplanations,
                                               names::kNames, names::kSummary};
  for (std::string_view k : kKeys) {
    if (Is(f.key, k)) {
      if (Is(f.key, names::kModel)) doc_.has_model_ = true;
      if (Is(f.key, names::kTrace)) doc_.has_trace_ = true;
      if (Is(f.key, names::kSummary)) doc_.has_summary_ = true;
      return true;
    }
  }
  return Fail("unknown member \"" + f.key + "\" in the document");
}

bool DocumentReader::NodeKey(Frame& f) {
  if (!f.started) {
    static constexpr std::pair<std::string_view, Record::Kind> kKinds[] = {
        {names::kObject, Record::kObject},
        {names::kValue, Record::kValue},
        {names::kCollection, Record::kCollection},
        {names::kItem, Record::kItem},
        {names::kElement, Record::kElement}};
    for (const auto& [name, kind] : kKinds) {
      if (Is(f.key, name)) {
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
  static constexpr std::string_view kKeys[] = {
      names::kName,     names::kHost,     names::kData, names::kCallback, names::kCount,
      names::kResult,   names::kClass,    names::kAt,   names::kFound,    names::kAttributes,
      names::kBindings, names::kContents, names::kItems};
  for (std::string_view k : kKeys) {
    if (Is(f.key, k)) return true;
  }
  return Fail("unknown member \"" + f.key + "\" in a model node");
}

bool DocumentReader::CallKey(Frame& f) {
  if (!f.started) {
    if (!Is(f.key, names::kCallback) && !Is(f.key, names::kFramework))
      return Fail("a trace entry starts with \"callback\" or \"framework\", not \"" + f.key + "\"");
    f.started = true;
    if (Is(f.key, names::kFramework)) doc_.trace_[f.record].kind = Record::kFramework;
    return true;
  }
  static constexpr std::string_view kKeys[] = {
      names::kNode,       names::kIndex,    names::kMove,  names::kResult,     names::kOut,
      names::kAttributes, names::kBindings, names::kAt,    names::kOperations, names::kThread,
      names::kAttribute,  names::kValue,    names::kBefore};
  for (std::string_view k : kKeys) {
    if (Is(f.key, k)) return true;
  }
  return Fail("unknown member \"" + f.key + "\" in a trace entry");
}

bool DocumentReader::OnValue(Scalar value) {
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
    case kHeader:
      if (Is(f.key, names::kLog) && value.text != names::kLogName)
        return Fail("not a fintop-trace log (\"log\": " + value.Shown() + ")");
      if (Is(f.key, names::kVersion)) {
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
      if (!doc_.hashed_) return true;
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

bool DocumentReader::NodeValue(Frame& f, const Scalar& value) {
  if (Is(f.key, names::kAttributes) || Is(f.key, names::kBindings) || Is(f.key, names::kContents) ||
      Is(f.key, names::kItems))
    return Fail("\"" + f.key + "\" must be " +
                (f.key[0] == 'a' || f.key[0] == 'b' ? "an object" : "an array"));
  if (doc_.hashed_) f.content.Add(f.key, value);
  bool names_it = f.node != Record::kObject && Is(f.key, RecordKindName(f.node));
  if (names_it || (f.node == Record::kObject && Is(f.key, names::kHost))) {
    if (f.node == Record::kItem ? value.type != Scalar::kInteger : value.type != Scalar::kText)
      return Fail("\"" + f.key + "\" must be " +
                  (f.node == Record::kItem ? "an integer" : "a text"));
    if (doc_.hashed_) f.key_hash.Add(static_cast<char>('0' + f.node), value.text);
    f.keyed = true;
  }
  return true;
}

bool DocumentReader::CallValue(Frame& f, const Scalar& value) {
  const std::string& k = f.key;
  if (Is(k, names::kAttributes) || Is(k, names::kBindings) || Is(k, names::kBefore))
    return Fail("\"" + k + "\" must be an object");
  if (Is(k, names::kThread)) return true;
  if (Is(k, names::kCallback) || Is(k, names::kNode) || Is(k, names::kIndex) ||
      Is(k, names::kMove) || Is(k, names::kFramework) || Is(k, names::kAttribute)) {
    if (doc_.hashed_) f.key_hash.Add(k, value);
    if (Is(k, names::kNode) || Is(k, names::kAttribute)) f.keyed = true;
  } else if (doc_.hashed_) {
    f.content.Add(k, value);
  }
  return true;
}

}  // namespace walk
