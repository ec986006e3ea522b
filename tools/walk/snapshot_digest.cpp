#include "snapshot_digest.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "call_record.h"
#include "members.h"

namespace walk {

namespace {

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

}  // namespace

std::string TreeDigest(const hostsim::HostTree& tree) {
  record::SnapshotDigest digest;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> open;  // node, next child
  auto enter = [&](std::uint32_t node) {
    digest.Open(tree.name(node));
    for (const record::Member& m : record::kSnapshotProperties) {
      if (const hostsim::PropValue* p = tree.property(node, m.name))
        digest.Property(m.name, FromProp(*p));
    }
    open.emplace_back(node, 0);
  };
  if (tree.size() == 0) return digest.Hex();
  enter(hostsim::HostTree::root());
  while (!open.empty()) {
    auto& [node, next] = open.back();
    if (next < tree.child_count(node)) {
      std::uint32_t child = tree.node(node).first_child + next++;
      enter(child);
    } else {
      digest.Close();
      open.pop_back();
    }
  }
  return digest.Hex();
}

}  // namespace walk
