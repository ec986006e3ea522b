#include "case_writer.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "call_record.h"
#include "members.h"

namespace walk {

namespace {

// Calls `open` and then `close` with each node of `tree`, depth first; deep trees without
// recursion.
template <typename Open, typename Close>
void DepthFirst(const hostsim::HostTree& tree, Open&& open, Close&& close) {
  if (tree.size() == 0) return;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> stack;  // node, next child
  open(hostsim::HostTree::root());
  stack.emplace_back(hostsim::HostTree::root(), 0);
  while (!stack.empty()) {
    auto [node, next] = stack.back();
    if (next == tree.child_count(node)) {
      close(node);
      stack.pop_back();
      continue;
    }
    ++stack.back().second;
    std::uint32_t child = tree.node(node).first_child + next;
    open(child);
    stack.emplace_back(child, 0);
  }
}

// A property as the record holds it (a case holds finite reals only).
record::Value FromProp(const hostsim::PropValue& p) {
  switch (p.kind) {
    case hostsim::PropValue::kInteger:
      return record::Value::Integer(p.integer);
    case hostsim::PropValue::kReal:
      return record::Value::Real(p.real);
    case hostsim::PropValue::kText:
      break;
  }
  return record::Value::Text(p.text);
}

// The properties the case format names as members of the node (a snapshot's); the others go into
// "props".
bool OwnMember(std::string_view key) {
  return record::FindMember(record::kSnapshotProperties, key) != nullptr;
}

void OpenNode(kit::JsonWriter& json, const hostsim::HostTree& tree, std::uint32_t node) {
  json.BeginObject();
  json.Member(document_names::kName, tree.name(node));
  auto properties = tree.properties(node);
  auto write = [&](bool own) {  // the node's own members, or the others
    for (const auto& [key, value] : properties) {
      if (OwnMember(key) != own) continue;
      json.Key(key);
      json.Write(FromProp(*value));
    }
  };
  write(true);
  if (std::any_of(properties.begin(), properties.end(),
                  [](const auto& p) { return !OwnMember(p.first); })) {
    json.Key(document_names::kProps);
    json.BeginObject();
    write(false);
    json.End();
  }
  if (tree.child_count(node) == 0) return;
  json.Key(document_names::kChildren);
  json.BeginArray();
}

}  // namespace

void WriteCase(const hostsim::HostTree& tree, kit::Output& out) {
  kit::JsonWriter json(out);
  if (tree.size() == 0) return;
  DepthFirst(
      tree, [&](std::uint32_t node) { OpenNode(json, tree, node); },
      [&](std::uint32_t node) {
        if (tree.child_count(node) > 0) json.End();  // the children
        json.End();
      });
  out << '\n';
}

std::string TreeDigest(const hostsim::HostTree& tree) {
  record::SnapshotDigest digest;
  DepthFirst(
      tree,
      [&](std::uint32_t node) {
        digest.Open(tree.name(node));
        for (const record::Member& m : record::kSnapshotProperties) {
          if (const hostsim::PropValue* p = tree.property(node, m.name))
            digest.Property(m.name, FromProp(*p));
        }
      },
      [&](std::uint32_t) { digest.Close(); });
  return digest.Hex();
}

}  // namespace walk
