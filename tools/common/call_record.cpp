#include "call_record.h"

#include <cmath>
#include <cstring>

#include "document_names.h"

namespace record {

namespace names = document_names;

Value Value::Real(double r) {
  if (std::isnan(r)) return Text("nan");
  if (std::isinf(r)) return Text(r > 0 ? "inf" : "-inf");
  return {kReal, false, 0, r, {}};
}

bool Value::operator==(const Value& other) const {
  if (kind != other.kind) return false;
  switch (kind) {
    case kNull:
      return true;
    case kBool:
      return boolean == other.boolean;
    case kInteger:
      return integer == other.integer;
    case kReal:
      return real == other.real;
    case kText:
      return text == other.text;
  }
  return false;
}

std::string Value::Shown() const {
  kit::Output out;
  kit::JsonWriter json(out, kit::JsonWriter::kLine);
  Write(json, *this);
  return out.text();
}

void Call::Record(const std::string& name, Value value) {
  for (auto& [known, held] : attributes) {
    if (known == name) {
      held = std::move(value);
      return;
    }
  }
  attributes.emplace_back(name, std::move(value));
}

void Write(kit::JsonWriter& json, const Value& value) {
  switch (value.kind) {
    case Value::kNull:
      json.Null();
      return;
    case Value::kBool:
      json.Bool(value.boolean);
      return;
    case Value::kInteger:
      json.Integer(value.integer);
      return;
    case Value::kReal:
      json.Real(value.real);
      return;
    case Value::kText:
      json.Text(value.text);
      return;
  }
}

void Write(kit::JsonWriter& json, const Call& call) {
  json.BeginObject();
  json.Member(names::kCallback, call.callback);
  json.Member(names::kNode, call.node);
  if (call.argument != Call::kNone) {
    json.Key(call.argument == Call::kIndex ? names::kIndex : names::kMove);
    json.Integer(call.value);
  }
  json.Key(names::kResult);
  Write(json, call.result);
  if (!call.out.is_null()) {
    json.Key(names::kOut);
    Write(json, call.out);
  }
  json.Key(names::kAttributes);
  json.BeginObject();
  for (const auto& [name, value] : call.attributes) {
    json.Key(name);
    Write(json, value);
  }
  json.End();
  if (call.bindings) {
    json.Key(names::kBindings);
    json.BeginObject();
    for (const auto& [generic, host] : *call.bindings) json.Member(generic, host);
    json.End();
  }
  json.Member(names::kAt, call.at);
  if (call.operations) {
    json.Key(names::kOperations);
    json.Texts(*call.operations);
  }
  if (call.thread) {
    json.Key(names::kThread);
    json.Integer(*call.thread);
  }
  json.End();
}

void Write(kit::JsonWriter& json, const Framework& framework) {
  json.BeginObject();
  json.Member(names::kFramework, framework.path);
  json.Member(names::kAttribute, framework.attribute);
  json.Key(names::kValue);
  Write(json, framework.value);
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

std::string HeaderLine(std::string_view plugin) {
  kit::Output out;
  kit::JsonWriter json(out, kit::JsonWriter::kLine);
  json.BeginObject();
  json.Member(names::kLog, names::kLogName);
  json.Key(names::kVersion);
  json.Integer(names::kLogVersion);
  json.Member(names::kPlugin, plugin);
  json.End();
  return out.text();
}

std::string ErrorLine(std::string_view why) {
  kit::Output out;
  kit::JsonWriter json(out, kit::JsonWriter::kLine);
  json.BeginObject();
  json.Member(names::kError, why);
  json.End();
  return out.text();
}

Value AttributeValue(const FIAttribute& attribute) {
  switch (attribute.type()) {
    case FT_INTEGER:
      return Value::Integer(attribute.ival());
    case FT_REAL:
      return Value::Real(attribute.rval());
    case FT_TEXT:
      return Value::Text(attribute.c_str() != nullptr ? attribute.c_str() : "");
    default:
      return {};
  }
}

bool SameValue(const FIAttribute& a, const FIAttribute& b) {
  if (a.type() != b.type()) return false;
  switch (a.type()) {
    case FT_INTEGER:
      return a.ival() == b.ival();
    case FT_REAL:
      return a.rval() == b.rval() || (std::isnan(a.rval()) && std::isnan(b.rval()));
    case FT_TEXT:
      return std::strcmp(a.c_str() ? a.c_str() : "", b.c_str() ? b.c_str() : "") == 0;
    default:
      return true;
  }
}

}  // namespace record
