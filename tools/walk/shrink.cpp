#include "shrink.h"

#include <algorithm>
#include <utility>

namespace walk {

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
  nodes_ = static_cast<std::uint32_t>(current_.PresentNodes().size());
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
        nodes_ = static_cast<std::uint32_t>(current_.PresentNodes().size());
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
