// A host tree cut down, for the reducer (reduce.h): the nodes of an original tree, each kept,
// cut (removed with everything below it) or lifted (removed alone, its children put in its
// place among its parent's children), and the properties of each node kept or dropped. Any
// such choice is a valid tree: the top is never removed. Copies are cheap (a byte per node and
// per property), so each try of the reducer works on a copy.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "iterator/host_tree.h"

namespace walk {

class CutTree {
 public:
  explicit CutTree(std::shared_ptr<const hostsim::HostTree> original);

  const hostsim::HostTree& original() const { return *original_; }

  void Cut(std::uint32_t node) { state_[node] = kCut; }
  void Lift(std::uint32_t node) { state_[node] = kLifted; }
  void Drop(std::uint32_t property) { dropped_[property] = 1; }

  // A node of the original that stands in the tree, and its depth there (the top's is 0).
  struct Present {
    std::uint32_t node;
    std::uint32_t depth;
  };
  // The nodes that stand in the tree, top down in the tree's order (depth first).
  std::vector<Present> PresentNodes() const;
  // The properties of the nodes that stand, by their number in the original (a node's first
  // property is node(id).prop_begin there), in the same order.
  std::vector<std::uint32_t> PresentProperties() const;

  // The tree as it stands, and for each of its nodes the original node it is.
  struct Built {
    std::shared_ptr<const hostsim::HostTree> tree;
    std::vector<std::uint32_t> original;  // by node of `tree`
    // The node of `tree` that is `original` node, or hostsim::kNoNode.
    std::uint32_t Find(std::uint32_t original_node) const;
  };
  Built Build() const;

 private:
  enum State : std::uint8_t { kKept, kCut, kLifted };
  // Calls `visit(node, depth, opened)` for each node not under a cut one, depth first; `opened`
  // false for a lifted node (its children keep its depth).
  template <typename Visit>
  void Walk(Visit&& visit) const;

  std::shared_ptr<const hostsim::HostTree> original_;
  std::vector<State> state_;
  std::vector<std::uint8_t> dropped_;
};

}  // namespace walk
