#include "call_record.h"

#include <cstdio>

#include "document_names.h"

namespace record {

namespace names = document_names;

void Call::Record(const std::string& name, Value value) {
  for (auto& [known, held] : attributes) {
    if (known == name) {
      held = std::move(value);
      return;
    }
  }
  attributes.emplace_back(name, std::move(value));
}

void AppendLevel(std::string& address, std::string_view name, std::size_t place, bool first) {
  if (!first) address += '/';
  for (char c : name) {
    if (c == '\\' || c == '/') address += '\\';
    address += c;
  }
  if (place > 1) address += "\\#" + std::to_string(place);
}

bool SplitAddress(std::string_view address, std::vector<Level>& levels) {
  levels.clear();
  levels.emplace_back();
  for (std::size_t i = 0; i < address.size(); ++i) {
    char c = address[i];
    Level& level = levels.back();
    if (level.place > 1 && c != '/') return false;  // "\#N" ends its level
    if (c == '/') {
      levels.emplace_back();
    } else if (c != '\\') {
      level.name += c;
    } else if (++i == address.size()) {
      return false;
    } else if (address[i] == '\\' || address[i] == '/') {
      level.name += address[i];
    } else if (address[i] == '#') {
      std::size_t place = 0, digits = 0;
      if (i + 1 < address.size() && address[i + 1] == '0') return false;  // one spelling per place
      for (; i + 1 < address.size() && address[i + 1] >= '0' && address[i + 1] <= '9'; ++i) {
        if (++digits > 9) return false;
        place = place * 10 + static_cast<std::size_t>(address[i + 1] - '0');
      }
      if (place < 2) return false;
      level.place = place;
    } else {
      return false;
    }
  }
  return true;
}

void SnapshotDigest::Property(std::string_view key, const Value& value) {
  Add(key);
  Add(std::string_view("", 1));
  Add(value.Shown());
}

std::string SnapshotDigest::Hex() const {
  char text[24];
  std::snprintf(text, sizeof text, "%016llx", value_);
  return text;
}

namespace {

// The members `values` (values or texts by their names) as an object under `key`.
template <class Values>
void WriteValues(kit::JsonWriter& json, const char* key, const Values& values) {
  json.Key(key);
  json.BeginObject();
  for (const auto& [name, value] : values) json.Member(name, value);
  json.End();
}

// What a call's record and its begin line both hold, after the callback under `key`: the
// node, the argument and the attributes held before the call.
void WriteCallHead(kit::JsonWriter& json, std::string_view key, const Call& call) {
  json.Member(key, call.callback);
  json.Member(names::kNode, call.node);
  if (call.argument != Call::kNone) {
    json.Member(call.argument == Call::kIndex ? names::kIndex : names::kMove, call.value);
  }
  if (call.before) WriteValues(json, names::kBefore, *call.before);
}

// One log line: the object that `members` writes.
template <class Members>
std::string LineOf(Members members) {
  kit::Output out;
  kit::JsonWriter json(out, kit::JsonWriter::kLine);
  json.BeginObject();
  members(json);
  json.End();
  return out.text();
}

}  // namespace

void Write(kit::JsonWriter& json, const Call& call) {
  json.BeginObject();
  WriteCallHead(json, names::kCallback, call);
  json.Member(names::kResult, call.result);
  if (!call.out.is_null()) json.Member(names::kOut, call.out);
  WriteValues(json, names::kAttributes, call.attributes);
  if (call.bindings) WriteValues(json, names::kBindings, *call.bindings);
  json.Member(names::kAt, call.at);
  if (call.operations) {
    json.Key(names::kOperations);
    json.Texts(*call.operations);
  }
  if (call.thread) json.Member(names::kThread, *call.thread);
  json.End();
}

void Write(kit::JsonWriter& json, const Framework& framework) {
  json.BeginObject();
  json.Member(names::kFramework, framework.path);
  json.Member(names::kAttribute, framework.attribute);
  json.Member(names::kValue, framework.value);
  json.End();
}

void Write(kit::JsonWriter& json, const Entry& entry) {
  std::visit([&](const auto& e) { Write(json, e); }, entry);
}

std::string Line(const Call& call) {
  kit::Output out;
  kit::JsonWriter json(out, kit::JsonWriter::kLine);
  Write(json, call);
  return out.text();
}

std::string HeaderLine(const LogHead& head) {
  return LineOf([&](kit::JsonWriter& json) {
    json.Member(names::kLog, names::kLogName);
    json.Member(names::kVersion, head.version);
    json.Member(names::kPlugin, head.plugin);
    auto text = [&](const char* key, const std::string& value) {
      if (!value.empty()) json.Member(key, value);
    };
    text(names::kPluginVersion, head.plugin_version);
    text(names::kPluginProduct, head.plugin_product);
    if (head.width != 0) json.Member(names::kWidth, head.width);
    text(names::kRecorder, head.recorder);
    text(names::kStarted, head.started);
    text(names::kHost, head.host);
    text(names::kHostVersion, head.host_version);
  });
}

std::string BeginLine(const Call& call) {
  return LineOf([&](kit::JsonWriter& json) {
    WriteCallHead(json, names::kBegin, call);
    if (call.thread) json.Member(names::kThread, *call.thread);
  });
}

std::string SnapshotLine(std::string_view file, unsigned long long nodes, std::string_view digest,
                         std::string_view cut) {
  return LineOf([&](kit::JsonWriter& json) {
    json.Member(names::kSnapshot, file);
    json.Member(names::kNodes, nodes);
    json.Member(names::kDigest, digest);
    if (!cut.empty()) json.Member(names::kCut, cut);
  });
}

std::string ErrorLine(std::string_view why) {
  return LineOf([&](kit::JsonWriter& json) { json.Member(names::kError, why); });
}

}  // namespace record
