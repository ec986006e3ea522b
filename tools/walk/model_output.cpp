#include <charconv>
#include <cmath>

#include "model.h"

namespace walk {

Value Value::From(const FIAttribute& attribute) {
  Value v;
  switch (attribute.type()) {
    case FT_EMPTY:
      break;
    case FT_INTEGER:
      v.kind = kInteger;
      v.integer = attribute.ival();
      break;
    case FT_REAL:
      v.kind = kReal;
      v.real = attribute.rval();
      break;
    case FT_TEXT:
      v.kind = kText;
      v.text = attribute.c_str() != nullptr ? attribute.c_str() : "";
      break;
  }
  return v;
}

bool Value::operator==(const Value& other) const {
  if (kind != other.kind) return false;
  switch (kind) {
    case kEmpty:
      return true;
    case kInteger:
      return integer == other.integer;
    case kReal:
      return real == other.real || (std::isnan(real) && std::isnan(other.real));
    case kText:
      return text == other.text;
  }
  return false;
}

namespace {

std::string FormatReal(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, result.ptr);
  // A real reads as a real: 40 is printed 40.0.
  if (text.find_first_of(".en") == std::string::npos) text += ".0";
  return text;
}

nlohmann::ordered_json JsonValue(const Value& value) {
  switch (value.kind) {
    case Value::kEmpty:
      return nullptr;
    case Value::kInteger:
      return value.integer;
    case Value::kReal:
      if (!std::isfinite(value.real)) return FormatReal(value.real);
      return value.real;
    case Value::kText:
      return value.text;
  }
  return nullptr;
}

std::string Suffix(const ModelNode& node) {
  std::string out;
  for (const Field& f : node.attributes) out += "  " + f.name + "=" + Format(f.value);
  for (const Binding& b : node.bindings) out += "  " + b.generic_name + "->" + b.host_name;
  return out;
}

std::string Line(const ModelNode& node) {
  switch (node.kind) {
    case ModelNode::kObject:
      return node.cls + " " + Format(Value{Value::kText, 0, 0.0, node.name});
    case ModelNode::kValue:
      return node.name + " = " + (node.has_value ? Format(node.value) : "(missing)");
    case ModelNode::kCollection:
      return node.name + ": " + std::to_string(node.count) + " (" + node.callback + ")";
    case ModelNode::kItem: {
      std::string line = "[" + std::to_string(node.index) + "]";
      if (!node.cls.empty()) line += " " + node.cls;
      if (node.result != node.index)
        line += " (selection returned " + std::to_string(node.result) + ")";
      if (!node.at.empty()) line += " -> " + node.at;
      return line + Suffix(node);
    }
    case ModelNode::kElement: {
      std::string line = node.name + " (" + node.callback + ")";
      if (!node.found) return line + ": not found" + Suffix(node);
      if (!node.at.empty()) line += " -> " + node.at;
      if (node.has_value) line += " = " + Format(node.value);
      return line + Suffix(node);
    }
  }
  return {};
}

void Print(const ModelNode& node, int depth, std::ostream& out) {
  out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << Line(node) << '\n';
  for (const ModelNode& child : node.children) Print(child, depth + 1, out);
}

nlohmann::ordered_json Json(const ModelNode& node) {
  nlohmann::ordered_json j = nlohmann::ordered_json::object();
  switch (node.kind) {
    case ModelNode::kObject:
      j["object"] = node.cls;
      j["name"] = node.name;
      j["host"] = node.host;
      break;
    case ModelNode::kValue:
      j["value"] = node.name;
      j["data"] = node.has_value ? JsonValue(node.value) : nullptr;
      break;
    case ModelNode::kCollection:
      j["collection"] = node.name;
      j["callback"] = node.callback;
      j["count"] = node.count;
      break;
    case ModelNode::kItem:
      j["item"] = node.index;
      if (node.result != node.index) j["result"] = node.result;
      if (!node.cls.empty()) j["class"] = node.cls;
      if (!node.at.empty()) j["at"] = node.at;
      break;
    case ModelNode::kElement:
      j["element"] = node.name;
      j["callback"] = node.callback;
      j["found"] = node.found;
      if (!node.at.empty()) j["at"] = node.at;
      if (node.has_value) j["data"] = JsonValue(node.value);
      break;
  }
  if (!node.attributes.empty()) {
    auto& attributes = j["attributes"] = nlohmann::ordered_json::object();
    for (const Field& f : node.attributes) attributes[f.name] = JsonValue(f.value);
  }
  if (!node.bindings.empty()) {
    auto& bindings = j["bindings"] = nlohmann::ordered_json::object();
    for (const Binding& b : node.bindings) bindings[b.generic_name] = b.host_name;
  }
  if (!node.children.empty()) {
    const char* key = node.kind == ModelNode::kCollection ? "items" : "contents";
    auto& children = j[key] = nlohmann::ordered_json::array();
    for (const ModelNode& child : node.children) children.push_back(Json(child));
  }
  return j;
}

}  // namespace

std::string Format(const Value& value) {
  switch (value.kind) {
    case Value::kEmpty:
      return "empty";
    case Value::kInteger:
      return std::to_string(value.integer);
    case Value::kReal:
      return FormatReal(value.real);
    case Value::kText:
      return nlohmann::ordered_json(value.text)
          .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  }
  return {};
}

void PrintTree(const std::vector<ModelNode>& roots, std::ostream& out) {
  for (const ModelNode& root : roots) Print(root, 0, out);
}

nlohmann::ordered_json ToJson(const std::vector<ModelNode>& roots) {
  nlohmann::ordered_json j = nlohmann::ordered_json::array();
  for (const ModelNode& root : roots) j.push_back(Json(root));
  return j;
}

}  // namespace walk
