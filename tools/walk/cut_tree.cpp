#include "reduce.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "call_record.h"
#include "document_names.h"
#include "members.h"
#include "replay.h"

namespace walk {

namespace {

// Calls `open` and then `close` with each node of `tree`, depth first, skipping the nodes for
// which `open` returns false with all below them; deep trees without recursion.
template <typename Open, typename Close>
void DepthFirst(const hostsim::HostTree& tree, Open&& open, Close&& close) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> stack;  // node, next child
  auto enter = [&](std::uint32_t node) {
    if (open(node)) stack.emplace_back(node, 0);
  };
  if (tree.size() > 0) enter(hostsim::HostTree::root());
  while (!stack.empty()) {
    auto [node, next] = stack.back();
    if (next == tree.child_count(node)) {
      close(node);
      stack.pop_back();
      continue;
    }
    ++stack.back().second;
    enter(tree.node(node).first_child + next);
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
  // The top stands whatever its state.
  auto state = [&](std::uint32_t node) {
    return node == hostsim::HostTree::root() ? kKept : state_[node];
  };
  std::uint32_t depth = 0;  // of the kept nodes open
  DepthFirst(
      *original_,
      [&](std::uint32_t node) {
        if (state(node) == kKept) visit(node, depth++, true);
        return state(node) != kCut;
      },
      [&](std::uint32_t node) {
        if (state(node) == kKept) visit(node, --depth, false);
      });
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
  built.original.assign(built.tree->size(), hostsim::kNoNode);
  std::size_t next = 0;
  DepthFirst(
      *built.tree,
      [&](std::uint32_t node) {
        built.original[node] = preorder[next++];
        return true;
      },
      [](std::uint32_t) {});
  return built;
}

void WriteCase(const hostsim::HostTree& tree, kit::Output& out) {
  kit::JsonWriter json(out);
  if (tree.size() == 0) return;
  DepthFirst(
      tree,
      [&](std::uint32_t node) {
        OpenNode(json, tree, node);
        return true;
      },
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
        return true;
      },
      [&](std::uint32_t) { digest.Close(); });
  return digest.Hex();
}

std::uint32_t CutTree::Built::Find(std::uint32_t original_node) const {
  for (std::uint32_t n = 0; n < original.size(); ++n) {
    if (original[n] == original_node) return n;
  }
  return hostsim::kNoNode;
}

Shrinker::Shrinker(CutTree start, std::vector<std::uint32_t> targets, Test test,
                   ShrinkLimits limits, Progress progress)
    : current_(std::move(start)),
      test_(std::move(test)),
      limits_(limits),
      progress_(std::move(progress)) {
  const hostsim::HostTree& tree = current_.original();
  target_.assign(tree.size(), 0);
  protected_.assign(tree.size(), 0);
  for (std::uint32_t node : targets) {
    if (node >= tree.size()) continue;
    target_[node] = 1;
    for (std::uint32_t at = node; at != hostsim::kNoNode; at = tree.parent(at)) protected_[at] = 1;
  }
}

void Shrinker::Run() {
  for (bool removed = true; removed && stopped_.empty();) {
    removed = Subtrees();
    removed = Nodes() || removed;
    removed = Properties() || removed;
  }
}

bool Shrinker::Subtrees() {
  pass_ = "subtrees";
  bool removed = false;
  for (std::uint32_t depth = 1; stopped_.empty(); ++depth) {
    std::vector<std::uint32_t> items;
    bool deeper = false;
    for (const CutTree::Present& p : current_.PresentNodes()) {
      deeper = deeper || p.depth >= depth;
      if (p.depth == depth && protected_[p.node] == 0) items.push_back(p.node);
    }
    if (!deeper) break;
    removed = Delta(std::move(items), &CutTree::Cut) || removed;
  }
  return removed;
}

bool Shrinker::Nodes() {
  pass_ = "nodes";
  std::vector<std::uint32_t> items;
  for (const CutTree::Present& p : current_.PresentNodes()) {
    if (p.depth > 0 && target_[p.node] == 0) items.push_back(p.node);
  }
  return Delta(std::move(items), &CutTree::Lift);
}

bool Shrinker::Properties() {
  pass_ = "properties";
  return Delta(current_.PresentProperties(), &CutTree::Drop);
}

bool Shrinker::Delta(std::vector<std::uint32_t> items, Apply apply) {
  bool removed = false;
  for (std::size_t chunk = items.size(); !items.empty() && stopped_.empty();
       chunk = (chunk + 1) / 2) {
    std::vector<std::uint32_t> left;  // the items whose removal was not kept
    for (std::size_t from = 0; from < items.size(); from += chunk) {
      std::size_t to = std::min(items.size(), from + chunk);
      CutTree candidate = current_;
      for (std::size_t i = from; i < to; ++i) (candidate.*apply)(items[i]);
      if (stopped_.empty() && Try(candidate)) {
        current_ = std::move(candidate);
        removed = true;
        ++kept_;
      } else {
        left.insert(left.end(), items.begin() + from, items.begin() + to);
      }
    }
    items = std::move(left);
    if (chunk == 1) break;
  }
  return removed;
}

bool Shrinker::Try(const CutTree& candidate) {
  double spent =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - limits_.start).count();
  if (limits_.made + tests_ >= limits_.tests) {
    stopped_ = "at the bound of " + std::to_string(limits_.tests) + " replays (--max-replays)";
    return false;
  }
  if (spent >= limits_.seconds) {
    stopped_ =
        "at the bound of " + std::to_string(static_cast<long>(limits_.seconds)) + " s (--max-time)";
    return false;
  }
  ++tests_;
  bool interesting = test_(candidate);
  if (progress_) progress_(*this);
  return interesting;
}

}  // namespace walk
