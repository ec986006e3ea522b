// The model printed as it is made: the indented tree and its values, and the JSON document; and
// the addresses of the trace's records.
#include "output.h"

#include <vector>

#include "call_record.h"
#include "document_names.h"
#include "plugin.h"

namespace walk {

namespace names = document_names;

namespace {

// For an object of named entries: the last entry named as entry `i` when `i` is the first of
// that name, else null (a name recorded twice shows once, in its first place, last value).
template <class Entry>
const Entry* LastOfName(const std::vector<Entry>& entries, std::size_t i,
                        std::string Entry::*name) {
  const std::string& wanted = entries[i].*name;
  for (std::size_t j = 0; j < i; ++j) {
    if (entries[j].*name == wanted) return nullptr;
  }
  const Entry* last = &entries[i];
  for (std::size_t j = i + 1; j < entries.size(); ++j) {
    if (entries[j].*name == wanted) last = &entries[j];
  }
  return last;
}

// The line of `node` in the indented tree, without indent or newline.
void AppendTreeLine(const ModelNode& node, std::string& out) {
  switch (node.kind) {
    case ModelNode::kObject:
      out.append(node.cls).append(1, ' ');
      AppendFormat(Value::Text(std::string(node.name)), out);
      return;
    case ModelNode::kValue:
      out.append(node.name).append(" = ");
      if (node.has_value) {
        AppendFormat(node.value, out);
      } else {
        out += "(missing)";
      }
      return;
    case ModelNode::kCollection:
      out.append(node.name).append(": ").append(std::to_string(node.count)).append(" (");
      out.append(node.callback).append(")");
      return;
    case ModelNode::kItem:
      out.append(1, '[').append(std::to_string(node.index)).append(1, ']');
      if (!node.cls.empty()) out.append(1, ' ').append(node.cls);
      if (node.result != node.index)
        out.append(" (selection returned ").append(std::to_string(node.result)).append(1, ')');
      if (!node.at.empty()) out.append(" -> ").append(node.at);
      break;
    case ModelNode::kElement:
      out.append(node.name).append(" (").append(node.callback).append(")");
      if (!node.found) {
        out += ": not found";
      } else {
        if (!node.at.empty()) out.append(" -> ").append(node.at);
        if (node.has_value) {
          out += " = ";
          AppendFormat(node.value, out);
        }
      }
      break;
  }
  // An item's or element's attributes recorded and bindings made (appended in place: a line
  // per node of a large tree).
  for (const Field& f : node.attributes) {
    out.append("  ").append(f.name).append(1, '=');
    AppendFormat(f.value, out);
  }
  for (const Binding& b : node.bindings)
    out.append("  ").append(b.generic_name).append("->").append(b.host_name);
}

}  // namespace

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

std::string AddressOf(const hostsim::HostTree& tree, std::uint32_t node) {
  std::vector<std::uint32_t> chain;
  for (std::uint32_t at = node; at != hostsim::kNoNode; at = tree.parent(at)) chain.push_back(at);
  std::string address;
  for (std::size_t i = chain.size(); i-- > 0;) {
    std::uint32_t at = chain[i];
    std::string_view name = tree.name(at);
    std::size_t place = 1;
    if (std::uint32_t parent = tree.parent(at); parent != hostsim::kNoNode) {
      // Siblings are consecutive on the tree: those before `at` are first_child .. at - 1.
      for (std::uint32_t s = tree.node(parent).first_child; s < at; ++s) {
        if (tree.name(s) == name) ++place;
      }
    }
    record::AppendLevel(address, name, place, i + 1 == chain.size());
  }
  return address;
}

std::uint32_t FindAddress(const hostsim::HostTree& tree, std::string_view address) {
  std::vector<record::Level> levels;
  if (tree.size() == 0 || !record::SplitAddress(address, levels)) return hostsim::kNoNode;
  std::uint32_t at = hostsim::HostTree::root();
  if (levels[0].place != 1 || tree.name(at) != levels[0].name) return hostsim::kNoNode;
  for (std::size_t i = 1; i < levels.size(); ++i) {
    // The first of the name by the tree's index; a later one counted from there.
    std::uint32_t found = tree.find_child(at, levels[i].name);
    if (found == hostsim::kNoNode) return hostsim::kNoNode;
    const hostsim::HostTree::Node& n = tree.node(at);
    std::size_t seen = 0;
    for (std::uint32_t c = found; levels[i].place > 1; ++c) {
      if (c == n.first_child + n.child_count) return hostsim::kNoNode;
      if (tree.name(c) != levels[i].name) continue;
      if (++seen == levels[i].place) {
        found = c;
        break;
      }
    }
    at = found;
  }
  return at;
}

// ---- TextSink -------------------------------------------------------------------------------

void TextSink::Open(const ModelNode& node) {
  if (!tree_) return;
  raw_.clear();
  AppendTreeLine(node, raw_);
  Put(depth_ * 2);
  ++depth_;
}

void TextSink::Put(std::size_t indent) {
  line_.assign(indent, ' ');
  kit::AppendTextLine(raw_, line_);  // names from the case may hold any byte
  line_ += '\n';
  out_ << line_;
}

void TextSink::Close(const ModelNode&) {
  if (tree_) --depth_;
}

void TextSink::Trace(record::Entry entry) {
  if (const auto* framework = std::get_if<record::Framework>(&entry)) {
    raw_ = "framework " + framework->path + ": SetAttribute " + framework->attribute + " = ";
    AppendFormat(framework->value, raw_);
    Put(0);
    return;
  }
  const record::Call& call = std::get<record::Call>(entry);
  // The node's host path: the address's names, unescaped.
  std::vector<record::Level> levels;
  raw_ = call.callback + "(";
  if (record::SplitAddress(call.node, levels)) {
    for (std::size_t i = 0; i < levels.size(); ++i) {
      if (i > 0) raw_ += '/';
      raw_ += levels[i].name;
    }
  } else {
    raw_ += call.node;
  }
  if (call.argument == record::Call::kIndex) raw_ += ", " + std::to_string(call.value);
  if (call.argument == record::Call::kMove) raw_ += ", move " + std::to_string(call.value);
  raw_ += ") = ";
  raw_ += call.result.text;
  // A classifier that answers true shows its out attribute, empty or not; a collection's shows
  // when it holds a value.
  const int id = FindCallback(call.callback);
  if (call.result.type == record::Value::kBool
          ? call.result == record::Value::Bool(true) && id != kNoCallback &&
                Callbacks()[id].shape == Shape::kClassifier
          : !call.out.is_null()) {
    raw_ += ", out ";
    AppendFormat(call.out, raw_);
  }
  Put(0);
  if (!call.operations) return;
  for (const std::string& operation : *call.operations) {
    raw_ = operation;
    Put(2);
  }
}

// ---- JsonSink -------------------------------------------------------------------------------

void JsonSink::Open(const ModelNode& node) {
  if (!open_.empty() && !open_.back().contents) {
    json_.Key(open_.back().collection ? names::kItems : names::kContents);
    json_.BeginArray();
    open_.back().contents = true;
  }
  json_.BeginObject();
  auto value = [&](std::string_view key, const Value& v) {
    json_.Key(key);
    json_.Write(v);
  };
  switch (node.kind) {
    case ModelNode::kObject:
      json_.Member(names::kObject, node.cls);
      json_.Member(names::kName, node.name);
      json_.Member(names::kHost, node.host);
      break;
    case ModelNode::kValue:
      json_.Member(names::kValue, node.name);
      value(names::kData, node.has_value ? node.value : Value{});
      break;
    case ModelNode::kCollection:
      json_.Member(names::kCollection, node.name);
      json_.Member(names::kCallback, node.callback);
      json_.Member(names::kCount, node.count);
      break;
    case ModelNode::kItem:
      json_.Member(names::kItem, node.index);
      if (node.result != node.index) json_.Member(names::kResult, node.result);
      if (!node.cls.empty()) json_.Member(names::kClass, node.cls);
      if (!node.at.empty()) json_.Member(names::kAt, node.at);
      break;
    case ModelNode::kElement:
      json_.Member(names::kElement, node.name);
      json_.Member(names::kCallback, node.callback);
      json_.Key(names::kFound);
      json_.Bool(node.found);
      if (!node.at.empty()) json_.Member(names::kAt, node.at);
      if (node.has_value) value(names::kData, node.value);
      break;
  }
  // As objects: a name recorded or bound twice shows once, where first recorded, with its last
  // value.
  auto object = [&](std::string_view key, const auto& entries, auto name, auto write) {
    if (entries.empty()) return;
    json_.Key(key);
    json_.BeginObject();
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (const auto* last = LastOfName(entries, i, name)) write(*last);
    }
    json_.End();
  };
  object(names::kAttributes, node.attributes, &Field::name,
         [&](const Field& f) { value(f.name, f.value); });
  object(names::kBindings, node.bindings, &Binding::generic_name,
         [&](const Binding& b) { json_.Member(b.generic_name, b.host_name); });
  open_.push_back({node.kind == ModelNode::kCollection, false});
}

void JsonSink::Close(const ModelNode&) {
  if (open_.back().contents) json_.End();
  open_.pop_back();
  json_.End();
}

}  // namespace walk
