#include "iterator/host_tree.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace hostsim {

namespace {

// Nodes with at least this many children get a hash index; narrower ones are scanned.
constexpr std::uint32_t kIndexedWidth = 8;

std::uint64_t HashChild(std::uint32_t parent, std::string_view name) {
  std::uint64_t h = std::hash<std::string_view>{}(name);
  h ^= (static_cast<std::uint64_t>(parent) + 0x9e3779b97f4a7c15ull) * 0xbf58476d1ce4e5b9ull;
  h ^= h >> 31;
  return h;
}

}  // namespace

PropValue PropValue::Text(std::string value) {
  PropValue v;
  v.kind = kText;
  v.text = std::move(value);
  return v;
}

PropValue PropValue::Integer(std::int32_t value) {
  PropValue v;
  v.kind = kInteger;
  v.integer = value;
  return v;
}

PropValue PropValue::Real(double value) {
  PropValue v;
  v.kind = kReal;
  v.real = value;
  return v;
}

std::uint32_t HostTree::child(std::uint32_t id, std::int64_t position) const {
  const Node& n = nodes_[id];
  if (position < 0 || position >= n.child_count) return kNoNode;
  return n.first_child + static_cast<std::uint32_t>(position);
}

std::uint32_t HostTree::next_sibling(std::uint32_t id) const {
  const Node& n = nodes_[id];
  if (n.parent == kNoNode) return kNoNode;
  return n.position + 1 < nodes_[n.parent].child_count ? id + 1 : kNoNode;
}

std::uint32_t HostTree::find_child(std::uint32_t id, std::string_view wanted) const {
  const Node& n = nodes_[id];
  if (n.child_count < kIndexedWidth) {
    for (std::uint32_t c = n.first_child, end = n.first_child + n.child_count; c < end; ++c) {
      if (name(c) == wanted) return c;
    }
    return kNoNode;
  }
  const std::size_t mask = index_.size() - 1;
  for (std::size_t slot = HashChild(id, wanted) & mask;; slot = (slot + 1) & mask) {
    std::uint32_t c = index_[slot];
    if (c == kNoNode) return kNoNode;
    if (nodes_[c].parent == id && name(c) == wanted) return c;
  }
}

const PropValue* HostTree::property(std::uint32_t id, std::string_view wanted) const {
  const Node& n = nodes_[id];
  for (std::uint32_t p = n.prop_begin, end = n.prop_begin + n.prop_count; p < end; ++p) {
    if (key(props_[p]) == wanted) return &props_[p].value;
  }
  return nullptr;
}

std::vector<std::pair<std::string_view, const PropValue*>> HostTree::properties(
    std::uint32_t id) const {
  std::vector<std::pair<std::string_view, const PropValue*>> out;
  const Node& n = nodes_[id];
  for (std::uint32_t p = n.prop_begin, end = n.prop_begin + n.prop_count; p < end; ++p) {
    out.emplace_back(key(props_[p]), &props_[p].value);
  }
  return out;
}

std::string HostTree::path(std::uint32_t id) const {
  std::vector<std::uint32_t> chain;
  for (std::uint32_t n = id; n != kNoNode; n = nodes_[n].parent) chain.push_back(n);
  std::string out;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!out.empty() || it != chain.rbegin()) out += '/';
    out += name(*it);
  }
  return out;
}

void HostTree::BuildIndex() {
  std::size_t entries = 0;
  for (const Node& n : nodes_) {
    if (n.child_count >= kIndexedWidth) entries += n.child_count;
  }
  if (entries == 0) return;
  std::size_t capacity = 16;
  while (capacity < entries * 2) capacity *= 2;
  index_.assign(capacity, kNoNode);
  const std::size_t mask = capacity - 1;
  for (std::uint32_t id = 0; id < size(); ++id) {
    const Node& n = nodes_[id];
    if (n.child_count < kIndexedWidth) continue;
    for (std::uint32_t c = n.first_child, end = n.first_child + n.child_count; c < end; ++c) {
      // Only the first child of each name is indexed: Down reaches the first of repeated names.
      for (std::size_t slot = HashChild(id, name(c)) & mask;; slot = (slot + 1) & mask) {
        std::uint32_t there = index_[slot];
        if (there == kNoNode) {
          index_[slot] = c;
          break;
        }
        if (nodes_[there].parent == id && name(there) == name(c)) break;
      }
    }
  }
}

TreeBuilder::TreeBuilder() = default;
TreeBuilder::~TreeBuilder() = default;

std::uint32_t TreeBuilder::Intern(std::string_view text) {
  if (strings_.size() + text.size() > 0xfffffff0u) throw std::length_error("case too large");
  auto offset = static_cast<std::uint32_t>(strings_.size());
  strings_.append(text);
  return offset;
}

void TreeBuilder::Open(std::string_view name) {
  if (finished_) throw std::logic_error("tree builder already finished");
  if (stack_.empty() && !pending_.empty()) throw std::logic_error("a case has one top node");
  if (pending_.size() >= 0xfffffff0u) throw std::length_error("case too large");
  Pending p;
  p.name_offset = Intern(name);
  p.name_length = static_cast<std::uint32_t>(name.size());
  p.parent = stack_.empty() ? kNoNode : stack_.back();
  auto id = static_cast<std::uint32_t>(pending_.size());
  if (p.parent != kNoNode) {
    Pending& parent = pending_[p.parent];
    if (parent.last_child == kNoNode) {
      parent.first_child = id;
    } else {
      pending_[parent.last_child].next_sibling = id;
    }
    parent.last_child = id;
    ++parent.child_count;
  }
  pending_.push_back(p);
  stack_.push_back(id);
  max_depth_ = std::max<std::uint32_t>(max_depth_, static_cast<std::uint32_t>(stack_.size() - 1));
}

void TreeBuilder::Rename(std::string_view name) {
  if (stack_.empty()) throw std::logic_error("rename outside a node");
  Pending& p = pending_[stack_.back()];
  p.name_offset = Intern(name);
  p.name_length = static_cast<std::uint32_t>(name.size());
}

void TreeBuilder::Property(std::string_view key, PropValue value) {
  if (stack_.empty()) throw std::logic_error("property outside a node");
  std::uint32_t offset = Intern(key);
  props_.push_back(
      {stack_.back(), offset, static_cast<std::uint32_t>(key.size()), std::move(value)});
}

void TreeBuilder::Close() {
  if (stack_.empty()) throw std::logic_error("close without open");
  stack_.pop_back();
}

std::shared_ptr<const HostTree> TreeBuilder::Finish() {
  if (finished_ || pending_.empty() || !stack_.empty()) {
    throw std::logic_error("tree builder: unbalanced or empty tree");
  }
  finished_ = true;
  auto tree = std::make_shared<HostTree>();
  const auto count = static_cast<std::uint32_t>(pending_.size());

  // Breadth-first order: the children of every node become consecutive.
  std::vector<std::uint32_t> order;
  order.reserve(count);
  order.push_back(0);
  for (std::size_t i = 0; i < order.size(); ++i) {
    for (std::uint32_t c = pending_[order[i]].first_child; c != kNoNode;
         c = pending_[c].next_sibling) {
      order.push_back(c);
    }
  }
  std::vector<std::uint32_t> new_id(count);
  for (std::uint32_t i = 0; i < count; ++i) new_id[order[i]] = i;

  // Properties grouped by their node's new position, keeping their written order.
  std::vector<std::uint32_t> prop_count(count + 1, 0);
  for (const PendingProp& p : props_) ++prop_count[new_id[p.owner] + 1];
  for (std::uint32_t i = 0; i < count; ++i) prop_count[i + 1] += prop_count[i];
  tree->props_.resize(props_.size());
  {
    std::vector<std::uint32_t> cursor(prop_count.begin(), prop_count.end() - 1);
    for (PendingProp& p : props_) {
      tree->props_[cursor[new_id[p.owner]]++] = {p.key_offset, p.key_length, std::move(p.value)};
    }
  }

  tree->nodes_.resize(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const Pending& p = pending_[order[i]];
    HostTree::Node& n = tree->nodes_[i];
    n.name_offset = p.name_offset;
    n.name_length = p.name_length;
    n.parent = p.parent == kNoNode ? kNoNode : new_id[p.parent];
    n.first_child = p.first_child == kNoNode ? kNoNode : new_id[p.first_child];
    n.child_count = p.child_count;
    n.position = 0;
    n.prop_begin = prop_count[i];
    n.prop_count = prop_count[i + 1] - prop_count[i];
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const HostTree::Node& n = tree->nodes_[i];
    for (std::uint32_t k = 0; k < n.child_count; ++k) tree->nodes_[n.first_child + k].position = k;
  }
  tree->strings_ = std::move(strings_);
  tree->depth_ = max_depth_;
  tree->BuildIndex();
  pending_.clear();
  props_.clear();
  return tree;
}

}  // namespace hostsim
