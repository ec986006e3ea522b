// The stand-in host's case: an immutable tree of named nodes with properties.
//
// Nodes live in one contiguous array in breadth-first order, so the children of a node are
// consecutive and Element, First, Next, Last and Up are constant time. Wide nodes get a hash
// index from child name to its first child of that name, so Down by name does not scan them.
// A tree is built once with TreeBuilder and never changes; any number of threads may read it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

inline constexpr std::uint32_t kNoNode = 0xffffffffu;

// A property value as the host stores it.
struct PropValue {
  enum Kind : std::uint8_t { kText, kInteger, kReal };
  Kind kind = kText;
  std::int32_t integer = 0;
  double real = 0.0;
  std::string text;

  static PropValue Text(std::string value);
  static PropValue Integer(std::int32_t value);
  static PropValue Real(double value);
};

class HostTree {
 public:
  struct Node {
    std::uint32_t name_offset;
    std::uint32_t name_length;
    std::uint32_t parent;       // kNoNode for the top
    std::uint32_t first_child;  // the children are first_child .. first_child + child_count - 1
    std::uint32_t child_count;
    std::uint32_t position;    // among the parent's children
    std::uint32_t prop_begin;  // into props_
    std::uint32_t prop_count;
  };
  struct Prop {
    std::uint32_t key_offset;
    std::uint32_t key_length;
    PropValue value;
  };

  std::uint32_t size() const { return static_cast<std::uint32_t>(nodes_.size()); }
  static constexpr std::uint32_t root() { return 0; }
  const Node& node(std::uint32_t id) const { return nodes_[id]; }
  std::string_view name(std::uint32_t id) const {
    const Node& n = nodes_[id];
    return {strings_.data() + n.name_offset, n.name_length};
  }
  std::uint32_t parent(std::uint32_t id) const { return nodes_[id].parent; }
  std::uint32_t child_count(std::uint32_t id) const { return nodes_[id].child_count; }
  // The child at that position, or kNoNode.
  std::uint32_t child(std::uint32_t id, std::int64_t position) const;
  // The next sibling, or kNoNode at the last.
  std::uint32_t next_sibling(std::uint32_t id) const;
  // The first child of that name, or kNoNode.
  std::uint32_t find_child(std::uint32_t id, std::string_view name) const;
  // The property of that key, or null.
  const PropValue* property(std::uint32_t id, std::string_view key) const;
  // Every property of the node, in the order written.
  std::vector<std::pair<std::string_view, const PropValue*>> properties(std::uint32_t id) const;
  // Names from the top down to the node, joined by '/'.
  std::string path(std::uint32_t id) const;
  // Depth of the deepest node (the top is 0).
  std::uint32_t depth() const { return depth_; }

 private:
  friend class TreeBuilder;
  std::string_view key(const Prop& p) const {
    return {strings_.data() + p.key_offset, p.key_length};
  }
  void BuildIndex();

  std::vector<Node> nodes_;
  std::vector<Prop> props_;
  std::string strings_;
  std::vector<std::uint32_t> index_;  // open addressing over (parent, name) -> first child
  std::uint32_t depth_ = 0;
};

// Builds a HostTree node by node, depth first: Open a node, give it properties, open and
// close its children, Close it. The first node opened is the top.
class TreeBuilder {
 public:
  TreeBuilder();
  ~TreeBuilder();
  void Open(std::string_view name);
  // Renames the node open now (a loader may learn the name after the node began).
  void Rename(std::string_view name);
  void Property(std::string_view key, PropValue value);
  void Close();
  // Opens and closes a leaf in one call.
  void Leaf(std::string_view name) {
    Open(name);
    Close();
  }
  // Depth of the node open now (the top is 1); 0 when nothing is open.
  std::size_t open_depth() const { return stack_.size(); }
  // The finished tree; every opened node must have been closed. The builder is spent.
  std::shared_ptr<const HostTree> Finish();

 private:
  struct Pending {
    std::uint32_t name_offset, name_length;
    std::uint32_t parent;
    std::uint32_t first_child = kNoNode, last_child = kNoNode, next_sibling = kNoNode;
    std::uint32_t child_count = 0;
  };
  struct PendingProp {
    std::uint32_t owner;
    std::uint32_t key_offset, key_length;
    PropValue value;
  };
  std::uint32_t Intern(std::string_view text);

  std::vector<Pending> pending_;
  std::vector<PendingProp> props_;
  std::vector<std::uint32_t> stack_;
  std::string strings_;
  std::uint32_t max_depth_ = 0;
  bool finished_ = false;
};

}  // namespace hostsim
