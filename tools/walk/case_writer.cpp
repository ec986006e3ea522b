#include "case_writer.h"

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "members.h"

namespace walk {

namespace {

// The properties the case format names as members of the node (a snapshot's); the others go into
// "props".
bool OwnMember(std::string_view key) {
  return record::FindMember(record::kSnapshotProperties, key) != nullptr;
}

void WriteValue(kit::JsonWriter& json, const hostsim::PropValue& value) {
  switch (value.kind) {
    case hostsim::PropValue::kInteger:
      json.Integer(value.integer);
      return;
    case hostsim::PropValue::kReal:
      json.Real(value.real);
      return;
    case hostsim::PropValue::kText:
      json.Text(value.text);
      return;
  }
}

void OpenNode(kit::JsonWriter& json, const hostsim::HostTree& tree, std::uint32_t node) {
  json.BeginObject();
  json.Member(document_names::kName, tree.name(node));
  auto properties = tree.properties(node);
  bool others = false;
  for (const auto& [key, value] : properties) {
    if (!OwnMember(key)) {
      others = true;
      continue;
    }
    json.Key(key);
    WriteValue(json, *value);
  }
  if (!others) return;
  json.Key(document_names::kProps);
  json.BeginObject();
  for (const auto& [key, value] : properties) {
    if (OwnMember(key)) continue;
    json.Key(key);
    WriteValue(json, *value);
  }
  json.End();
}

}  // namespace

void WriteCase(const hostsim::HostTree& tree, kit::Output& out) {
  kit::JsonWriter json(out);
  if (tree.size() == 0) return;
  // Open nodes and the next child of each to write.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> open;
  OpenNode(json, tree, hostsim::HostTree::root());
  open.emplace_back(hostsim::HostTree::root(), 0);
  while (!open.empty()) {
    auto& [node, next] = open.back();
    std::uint32_t count = tree.child_count(node);
    if (next < count) {
      if (next == 0) {
        json.Key(document_names::kChildren);
        json.BeginArray();
      }
      std::uint32_t child = tree.node(node).first_child + next++;
      OpenNode(json, tree, child);
      open.emplace_back(child, 0);
      continue;
    }
    if (count > 0) json.End();  // the children
    json.End();
    open.pop_back();
  }
  out << '\n';
}

}  // namespace walk
