// The model's values and nodes as the indented tree prints them.
#include "model.h"

namespace walk {

namespace {

void AppendSuffix(const ModelNode& node, std::string& out) {
  for (const Field& f : node.attributes) {
    out += "  ";
    out += f.name;
    out += '=';
    AppendFormat(f.value, out);
  }
  for (const Binding& b : node.bindings) {
    out += "  ";
    out += b.generic_name;
    out += "->";
    out += b.host_name;
  }
}

}  // namespace

void AppendTreeLine(const ModelNode& node, std::string& out) {
  switch (node.kind) {
    case ModelNode::kObject:
      out += node.cls;
      out += ' ';
      AppendFormat(Value::Text(std::string(node.name)), out);
      return;
    case ModelNode::kValue:
      out += node.name;
      out += " = ";
      if (node.has_value) {
        AppendFormat(node.value, out);
      } else {
        out += "(missing)";
      }
      return;
    case ModelNode::kCollection:
      out += node.name;
      out += ": ";
      out += std::to_string(node.count);
      out += " (";
      out += node.callback;
      out += ')';
      return;
    case ModelNode::kItem:
      out += '[';
      out += std::to_string(node.index);
      out += ']';
      if (!node.cls.empty()) {
        out += ' ';
        out += node.cls;
      }
      if (node.result != node.index) {
        out += " (selection returned ";
        out += std::to_string(node.result);
        out += ')';
      }
      if (!node.at.empty()) {
        out += " -> ";
        out += node.at;
      }
      AppendSuffix(node, out);
      return;
    case ModelNode::kElement:
      out += node.name;
      out += " (";
      out += node.callback;
      out += ')';
      if (!node.found) {
        out += ": not found";
      } else {
        if (!node.at.empty()) {
          out += " -> ";
          out += node.at;
        }
        if (node.has_value) {
          out += " = ";
          AppendFormat(node.value, out);
        }
      }
      AppendSuffix(node, out);
      return;
  }
}

void AppendFormat(const Value& value, std::string& out) {
  if (value.is_null()) {
    out += "empty";
  } else if (value.type != Value::kText) {
    out += value.text;  // a real that is not finite unquoted
  } else {
    kit::AppendJsonText(value.text, out);
  }
}

std::string Format(const Value& value) {
  std::string out;
  AppendFormat(value, out);
  return out;
}

std::string Quoted(const std::string& text) {
  return Format(Value::Text(text));
}

}  // namespace walk
