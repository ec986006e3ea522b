#include "snapshot_digest.h"

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "call_record.h"

namespace walk {

namespace {

// The properties a snapshot holds, in the order fintop-trace reads them.
constexpr const char* kSnapshotKeys[] = {"type", "value", "id"};

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
  record::Digest digest;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> open;  // node, next child
  auto enter = [&](std::uint32_t node) {
    digest.Add("\x01");
    digest.Add(tree.name(node));
    for (const char* key : kSnapshotKeys) {
      if (const hostsim::PropValue* p = tree.property(node, key)) {
        digest.Add(std::string_view(key, std::char_traits<char>::length(key) + 1));
        digest.Add(FromProp(*p).Shown());
      }
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
      digest.Add("\x02");
      open.pop_back();
    }
  }
  return digest.Hex();
}

}  // namespace walk
