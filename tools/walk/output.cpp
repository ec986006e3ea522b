#include "output.h"

namespace walk {

namespace {

constexpr auto kReplace = nlohmann::json::error_handler_t::replace;

}  // namespace

nlohmann::ordered_json JsonValue(const Value& value) {
  switch (value.kind) {
    case Value::kEmpty:
      return nullptr;
    case Value::kInteger:
      return value.integer;
    case Value::kReal:
      return record::RealJson(value.real);
    case Value::kText:
      return value.text;
  }
  return nullptr;
}

// ---- Output ---------------------------------------------------------------------------------

void Output::Flush() {
  if (!held_.empty() && std::fwrite(held_.data(), 1, held_.size(), file_) != held_.size())
    failed_ = true;
  held_.clear();
  started_ = true;
}

bool Output::Finish() {
  Flush();
  return std::fflush(file_) == 0 && !failed_;
}

// ---- JsonWriter -----------------------------------------------------------------------------

void JsonWriter::Before() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level& level = levels_.back();
  out_ << (level.empty ? "\n" : ",\n");
  level.empty = false;
  out_ << std::string(levels_.size() * 2, ' ');
}

void JsonWriter::Begin(char bracket, bool object) {
  Before();
  out_ << bracket;
  levels_.push_back({object, true});
}

void JsonWriter::End() {
  Level level = levels_.back();
  levels_.pop_back();
  if (!level.empty) out_ << '\n' << std::string(levels_.size() * 2, ' ');
  out_ << (level.object ? '}' : ']');
}

void JsonWriter::Key(std::string_view key) {
  Before();
  out_ << nlohmann::ordered_json(key).dump(-1, ' ', false, kReplace) << ": ";
  after_key_ = true;
}

void JsonWriter::Write(const nlohmann::ordered_json& value) {
  if (value.is_object()) {
    BeginObject();
    for (const auto& [key, member] : value.items()) {
      Key(key);
      Write(member);
    }
    End();
  } else if (value.is_array()) {
    BeginArray();
    for (const auto& element : value) Write(element);
    End();
  } else {
    Before();
    out_ << value.dump(-1, ' ', false, kReplace);
  }
}

// ---- TextSink -------------------------------------------------------------------------------

void TextSink::Open(const ModelNode& node) {
  if (!tree_) return;
  line_.assign(depth_ * 2, ' ');
  AppendTreeLine(node, line_);
  line_ += '\n';
  out_ << line_;
  ++depth_;
}

void TextSink::Close(const ModelNode&) {
  if (tree_) --depth_;
}

void TextSink::TraceLine(std::string_view line) {
  out_ << line << '\n';
}

// ---- JsonSink -------------------------------------------------------------------------------

void JsonSink::Open(const ModelNode& node) {
  if (!open_.empty() && !open_.back().contents) {
    json_.Key(open_.back().collection ? "items" : "contents");
    json_.BeginArray();
    open_.back().contents = true;
  }
  json_.BeginObject();
  auto member = [&](std::string_view key, const nlohmann::ordered_json& value) {
    json_.Key(key);
    json_.Write(value);
  };
  switch (node.kind) {
    case ModelNode::kObject:
      member("object", node.cls);
      member("name", node.name);
      member("host", node.host);
      break;
    case ModelNode::kValue:
      member("value", node.name);
      member("data", node.has_value ? JsonValue(node.value) : nullptr);
      break;
    case ModelNode::kCollection:
      member("collection", node.name);
      member("callback", node.callback);
      member("count", node.count);
      break;
    case ModelNode::kItem:
      member("item", node.index);
      if (node.result != node.index) member("result", node.result);
      if (!node.cls.empty()) member("class", node.cls);
      if (!node.at.empty()) member("at", node.at);
      break;
    case ModelNode::kElement:
      member("element", node.name);
      member("callback", node.callback);
      member("found", node.found);
      if (!node.at.empty()) member("at", node.at);
      if (node.has_value) member("data", JsonValue(node.value));
      break;
  }
  // As objects: a name recorded or bound twice shows once, with its last value.
  if (!node.attributes.empty()) {
    nlohmann::ordered_json attributes = nlohmann::ordered_json::object();
    for (const Field& f : node.attributes) attributes[f.name] = JsonValue(f.value);
    member("attributes", attributes);
  }
  if (!node.bindings.empty()) {
    nlohmann::ordered_json bindings = nlohmann::ordered_json::object();
    for (const Binding& b : node.bindings) bindings[b.generic_name] = b.host_name;
    member("bindings", bindings);
  }
  open_.push_back({node.kind == ModelNode::kCollection, false});
}

void JsonSink::Close(const ModelNode&) {
  if (open_.back().contents) json_.End();
  open_.pop_back();
  json_.End();
}

}  // namespace walk
