// --names: the host names the plug-in asked for, counted as the walk goes.
#include <algorithm>

#include "walker.h"

namespace walk {

std::string_view Walker::KindOf(std::uint32_t node) const {
  for (std::uint32_t at = node; at != hostsim::kNoNode; at = tree_->parent(at)) {
    const hostsim::PropValue* type = tree_->property(at, "type");
    if (type != nullptr && type->kind == hostsim::PropValue::kText && !type->text.empty())
      return type->text;
  }
  return "(no type)";
}

void Walker::CountName(bool level, std::string_view name, std::uint32_t at, bool found) {
  NameUse& use = names_[{level, std::string(name)}];
  ++use.asked;
  if (found) ++use.found;
  std::string_view kind = KindOf(at);
  if (std::find(use.kinds.begin(), use.kinds.end(), kind) == use.kinds.end())
    use.kinds.emplace_back(kind);
}

void Walker::CountDown(const hostsim::IteratorEvent& e) {
  std::vector<std::string> levels;
  if (!hostsim::SplitPath(e.text, levels)) {
    CountName(true, e.text, e.from, false);  // a path that names nothing
  } else if (levels.size() == 1) {
    CountName(true, levels.front(), e.from, e.result);
  } else {
    // Each level is asked of the node the one before reached; a missing one ends the path.
    std::uint32_t at = e.from;
    for (const std::string& level : levels) {
      std::uint32_t child = tree_->find_child(at, level);
      CountName(true, level, at, child != hostsim::kNoNode);
      if (child == hostsim::kNoNode) break;
      at = child;
    }
  }
}

std::vector<NameUse> Walker::Names() const {
  std::vector<NameUse> out;
  for (const auto& [key, use] : names_) {
    out.push_back(use);
    out.back().name = key.second;
    out.back().level = key.first;
    std::sort(out.back().kinds.begin(), out.back().kinds.end());
  }
  // The most often missing first, then the most often asked; levels before property keys.
  std::stable_sort(out.begin(), out.end(), [](const NameUse& a, const NameUse& b) {
    if (a.missing() != b.missing()) return a.missing() > b.missing();
    if (a.asked != b.asked) return a.asked > b.asked;
    return a.level && !b.level;
  });
  return out;
}

}  // namespace walk
