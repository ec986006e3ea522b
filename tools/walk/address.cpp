#include "address.h"

#include <vector>

#include "call_record.h"

namespace walk {

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

}  // namespace walk
