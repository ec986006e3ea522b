#include "cut_tree.h"

#include <algorithm>
#include <utility>

namespace walk {

CutTree::CutTree(std::shared_ptr<const hostsim::HostTree> original)
    : original_(std::move(original)), state_(original_->size(), kKept) {
  std::uint32_t properties = 0;
  for (std::uint32_t n = 0; n < original_->size(); ++n) {
    const hostsim::HostTree::Node& node = original_->node(n);
    if (node.prop_count > 0) properties = std::max(properties, node.prop_begin + node.prop_count);
  }
  dropped_.assign(properties, 0);
}

template <typename Visit>
void CutTree::Walk(Visit&& visit) const {
  const hostsim::HostTree& tree = *original_;
  if (tree.size() == 0) return;
  struct Open {
    std::uint32_t node, next, depth;
    bool opened;
  };
  std::vector<Open> open;
  visit(hostsim::HostTree::root(), 0, true);
  open.push_back({hostsim::HostTree::root(), 0, 0, true});
  while (!open.empty()) {
    Open& top = open.back();
    if (top.next == tree.child_count(top.node)) {
      if (top.opened) visit(top.node, top.depth, false);  // closed
      open.pop_back();
      continue;
    }
    std::uint32_t child = tree.node(top.node).first_child + top.next++;
    std::uint32_t depth = top.opened ? top.depth + 1 : top.depth;
    if (state_[child] == kCut) continue;
    bool opened = state_[child] == kKept;
    if (opened) visit(child, depth, true);
    open.push_back({child, 0, depth, opened});
  }
}

std::vector<CutTree::Present> CutTree::PresentNodes() const {
  std::vector<Present> nodes;
  Walk([&](std::uint32_t node, std::uint32_t depth, bool opening) {
    if (opening) nodes.push_back({node, depth});
  });
  return nodes;
}

std::vector<std::uint32_t> CutTree::PresentProperties() const {
  std::vector<std::uint32_t> properties;
  for (const Present& p : PresentNodes()) {
    const hostsim::HostTree::Node& node = original_->node(p.node);
    for (std::uint32_t i = 0; i < node.prop_count; ++i) {
      if (dropped_[node.prop_begin + i] == 0) properties.push_back(node.prop_begin + i);
    }
  }
  return properties;
}

CutTree::Built CutTree::Build() const {
  const hostsim::HostTree& tree = *original_;
  hostsim::TreeBuilder builder;
  std::vector<std::uint32_t> preorder;  // the original nodes in the order opened
  Walk([&](std::uint32_t node, std::uint32_t, bool opening) {
    if (!opening) {
      builder.Close();
      return;
    }
    preorder.push_back(node);
    builder.Open(tree.name(node));
    const hostsim::HostTree::Node& n = tree.node(node);
    auto properties = tree.properties(node);
    for (std::uint32_t i = 0; i < n.prop_count; ++i) {
      if (dropped_[n.prop_begin + i] == 0)
        builder.Property(properties[i].first, *properties[i].second);
    }
  });
  Built built;
  built.tree = builder.Finish();
  // The built tree numbers its nodes breadth first; its depth-first order is the order opened.
  const hostsim::HostTree& made = *built.tree;
  built.original.assign(made.size(), hostsim::kNoNode);
  std::vector<std::uint32_t> stack{hostsim::HostTree::root()};
  std::size_t next = 0;
  while (!stack.empty()) {
    std::uint32_t node = stack.back();
    stack.pop_back();
    built.original[node] = preorder[next++];
    const hostsim::HostTree::Node& n = made.node(node);
    for (std::uint32_t c = n.child_count; c-- > 0;) stack.push_back(n.first_child + c);
  }
  return built;
}

std::uint32_t CutTree::Built::Find(std::uint32_t original_node) const {
  for (std::uint32_t n = 0; n < original.size(); ++n) {
    if (original[n] == original_node) return n;
  }
  return hostsim::kNoNode;
}

}  // namespace walk
