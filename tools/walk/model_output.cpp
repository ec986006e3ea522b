#include <charconv>

#include "model.h"

namespace walk {

namespace {

// A text that JSON writes as it is: printable ASCII without quotes or backslashes.
bool IsPlain(const std::string& text) {
  for (char c : text) {
    if (c < 0x20 || c > 0x7e || c == '"' || c == '\\') return false;
  }
  return true;
}

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

void AppendNumber(long long number, std::string& out) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  out.append(buffer, result.ptr);
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
      AppendNumber(node.count, out);
      out += " (";
      out += node.callback;
      out += ')';
      return;
    case ModelNode::kItem:
      out += '[';
      AppendNumber(node.index, out);
      out += ']';
      if (!node.cls.empty()) {
        out += ' ';
        out += node.cls;
      }
      if (node.result != node.index) {
        out += " (selection returned ";
        AppendNumber(node.result, out);
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
  } else if (IsPlain(value.text)) {
    out += '"';
    out += value.text;
    out += '"';
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
