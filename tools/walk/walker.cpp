#include "walker.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "attribute_value.h"

namespace walk {

namespace {

// A collection that counts more than this is walked only this far (a count read from a
// broken host value could otherwise keep the walk busy for hours).
constexpr int kMaxItems = 100000;

// The attributes recorded on an iterator, as it holds them.
using Attributes = std::vector<std::pair<std::string, FIAttribute>>;

// What a callback left on `it`, into `node`: the attributes that are new or changed since
// `before`, in the order first recorded, and the bindings made.
void Recorded(const hostsim::HostIterator& it, const Attributes& before, ModelNode& node) {
  for (const auto& entry : it.attributes()) {
    const std::string& name = entry.first;
    auto old = std::find_if(before.begin(), before.end(),
                            [&](const auto& held) { return held.first == name; });
    if (old == before.end() || !record::SameValue(old->second, entry.second))
      node.attributes.push_back({name, record::AttributeValue(entry.second)});
  }
  for (const hostsim::AliasBinding& a : it.aliases())
    node.bindings.push_back({a.generic_name, a.host_name});
}

hostsim::IteratorPtr CloneOf(hostsim::HostIterator& it) {
  return hostsim::IteratorPtr(static_cast<hostsim::HostIterator*>(it.Clone()));
}

// Reads property `key` of the node `at` stands on as `node`'s value; whether it has one.
bool ReadProperty(hostsim::HostIterator& at, const std::string& key, ModelNode& node) {
  FIAttribute value;
  at.GetValue(FIAttribute(key.c_str()), value);
  node.has_value = !value.empty();
  node.value = record::AttributeValue(value);
  return node.has_value;
}

}  // namespace

WalkResult Walker::Walk(hostsim::HostIterator& top, ModelSink& sink) {
  result_ = WalkResult();
  names_.clear();
  depth_ = 0;
  tree_ = &top.tree();
  sink_ = &sink;
  started_ = std::chrono::steady_clock::now();
  auto start = CloneOf(top);
  // Only what is shown needs the iterator's operations: without an observer they cost nothing.
  if (options_.trace || options_.explain || options_.names)
    start->set_observer(this);  // clones of it inherit the observer
  VisitNode(*start, true);
  start.reset();
  if (progress_shown_) std::fputs("\r\033[K", stderr);
  result_.names = Names();
  for (int i = 0; i < kCallbackCount; ++i) {
    if (result_.callbacks[i].calls == 0) {
      result_.unreached.push_back(Callbacks()[i].name);
    } else if (!result_.callbacks[i].found) {
      result_.nothing_found.push_back(Callbacks()[i].name);
    }
  }
  sink_ = nullptr;
  return std::move(result_);
}

std::string Walker::Relative(std::uint32_t node, std::uint32_t base) const {
  // The names from below `base` down to `node`; the whole path when `node` is not below it.
  std::uint32_t at = node;
  // Made from the names on the way up: two whole paths cost the walk 3% more.
  std::uint32_t chain[64];
  std::size_t n = 0;
  for (; at != base && at != hostsim::kNoNode && n < std::size(chain); at = tree_->parent(at))
    chain[n++] = at;
  if (at != base && at != hostsim::kNoNode) {  // deeper than the chain holds
    std::string path = Path(node);
    std::string prefix = Path(base) + "/";
    if (path.compare(0, prefix.size(), prefix) == 0) return path.substr(prefix.size());
    return path;
  }
  if (at != base || n == 0) return Path(node);
  std::string out(tree_->name(chain[n - 1]));
  for (std::size_t i = n - 1; i-- > 0;) {
    out += '/';
    out += tree_->name(chain[i]);
  }
  return out;
}

// ---- recognising host nodes -------------------------------------------------------------

void Walker::VisitNode(hostsim::HostIterator& at, bool top) {
  ++result_.host_objects;
  std::string cls = Recognise(at);
  if (cls.empty()) {
    // A top node that is nothing of its own is a plain container: its children are mapped, as
    // <objects> with no path maps them.
    if (top) RunObjects(Step{}, at);
    return;
  }
  ++result_.generic_objects;
  ModelNode object;
  object.kind = ModelNode::kObject;
  object.cls = cls;
  object.name = tree_->name(at.node());
  if (options_.host_paths) object.host = Path(at.node());
  sink_->Open(object);
  if (const std::vector<Step>* steps = mapping_.Find(cls)) {
    auto it = CloneOf(at);
    RunSteps(*steps, *it);
  }
  sink_->Close(object);
}

std::string Walker::Recognise(hostsim::HostIterator& at) {
  for (const Recogniser& r : mapping_.recognisers) {
    switch (r.kind) {
      case Recogniser::kKind: {
        auto it = CloneOf(at);
        if (Call(r.callback, *it) != 0) return r.cls;
        break;
      }
      case Recogniser::kClassifier: {
        auto it = CloneOf(at);
        FIAttribute out;
        if (Call(r.callback, *it, &out) != 0 && out.type() == FT_TEXT && out.c_str()[0] != '\0')
          return out.c_str();
        break;
      }
      case Recogniser::kType: {
        FIAttribute type;
        at.GetValue(FIAttribute("type"), type);
        if (type.type() == FT_TEXT && r.host_type == type.c_str()) return r.cls;
        break;
      }
    }
  }
  return {};
}

// ---- the steps of a class, an item or an element ----------------------------------------

void Walker::RunSteps(const std::vector<Step>& steps, hostsim::HostIterator& it) {
  if (steps.empty()) return;
  if (depth_ >= kMaxWalkDepth) {
    throw MappingError(mapping_.file + ":" + std::to_string(steps.front().line) +
                       ": steps nest deeper than " + std::to_string(kMaxWalkDepth) +
                       " levels in the walk here (the mapping comes back to nodes it has "
                       "mapped, or nests deeply on every level of a very deep case)");
  }
  // What runs each kind of step, in the order of Step::Kind.
  static constexpr void (Walker::*kRun[])(const Step&, hostsim::HostIterator&) = {
      &Walker::Set, &Walker::ReadValue, &Walker::RunElement, &Walker::RunCollection,
      &Walker::RunObjects};
  static_assert(std::size(kRun) == Step::kObjects + 1);
  ++depth_;  // a throw ends the walk: Walk starts again from 0
  for (const Step& step : steps) (this->*kRun[step.kind])(step, it);
  --depth_;
}

void Walker::Set(const Step& step, hostsim::HostIterator& it) {
  FIAttribute value;
  if (step.type == 'i') {
    value = std::stoi(step.text);
  } else if (step.type == 'r') {
    value = std::stod(step.text);
  } else {
    value = step.text.c_str();
  }
  it.SetAttribute(step.name.c_str(), value);
  if (options_.trace)
    sink_->Trace(record::Framework{Path(it.node()), step.name, record::AttributeValue(value)});
}

std::string Walker::ExpandPath(const std::string& path, hostsim::HostIterator& it) {
  std::string out;
  for (std::size_t i = 0; i < path.size(); ++i) {
    std::size_t close = path[i] == '{' ? path.find('}', i) : std::string::npos;
    if (close == std::string::npos) {
      out += path[i];
      continue;
    }
    FIAttribute value;
    std::string name = path.substr(i + 1, close - i - 1);
    if (!it.GetAttribute(name.c_str(), value)) return {};
    value.ChangeType(FT_TEXT);
    std::string text = value.c_str();
    out += text.find('.') == std::string::npos ? text : "\"" + text + "\"";
    i = close;
  }
  return out;
}

void Walker::ReadValue(const Step& step, hostsim::HostIterator& it) {
  auto at = CloneOf(it);
  ModelNode node;
  node.kind = ModelNode::kValue;
  node.name = step.name;
  std::string path = step.path.empty() ? std::string() : ExpandPath(step.path, it);
  bool there = step.path.empty() || (!path.empty() && at->Down(path));
  if (there) ReadProperty(*at, step.key, node);
  if (!node.has_value) {
    if (step.optional) return;
    if (!there) {
      Explain(it.node(), "value " + step.name + ": " +
                             (path.empty() ? "the path " + Quoted(step.path) +
                                                 " names an attribute that is not recorded"
                                           : Path(it.node()) + " has no " + Quoted(path)));
    } else {
      Explain(it.node(), "value " + step.name + ": " + Path(at->node()) + " has no property " +
                             Quoted(step.key));
    }
  }
  sink_->Open(node);
  sink_->Close(node);
}

void Walker::RunElement(const Step& step, hostsim::HostIterator& it) {
  auto at = CloneOf(it);
  for (const Step& set : step.sets) Set(set, *at);
  const Attributes before = at->attributes();
  ModelNode node;
  node.kind = ModelNode::kElement;
  node.name = step.name;
  node.callback = Callbacks()[step.callback].name;
  std::uint32_t start = at->node();
  bool found = Call(step.callback, *at, nullptr, 0) != 0;
  if (found) found = Call(step.callback, *at, nullptr, 1) != 0;
  node.found = found;
  if (!found && !step.optional) ExplainLastCall(step, start, "found nothing");
  if (found) {
    if (at->node() != start) node.at = Relative(at->node(), start);
    if (step.read && !ReadProperty(*at, step.key, node) && !step.optional) {
      Explain(start, std::string(node.callback) + " (" + step.name + "): " + Path(at->node()) +
                         " has no property " + Quoted(step.key));
    }
  }
  Recorded(*at, before, node);
  sink_->Open(node);
  if (found) RunSteps(step.steps, *at);
  sink_->Close(node);
}

void Walker::RunCollection(const Step& step, hostsim::HostIterator& it) {
  auto list = CloneOf(it);
  for (const Step& set : step.sets) Set(set, *list);
  ModelNode node;
  node.kind = ModelNode::kCollection;
  node.name = step.name;
  node.callback = Callbacks()[step.callback].name;
  FIAttribute out;
  int count = Call(step.callback, *list, &out, -1);
  node.count = count;
  if (count <= 0 && !step.optional) ExplainLastCall(step, list->node(), "counted nothing");
  if (count > kMaxItems) {
    Explain(list->node(), std::string(node.callback) + " (" + step.name + ") counted " +
                              std::to_string(count) + "; only the first " +
                              std::to_string(kMaxItems) + " are walked");
    count = kMaxItems;
  }
  sink_->Open(node);
  const Attributes before = list->attributes();  // what each clone of it starts with
  for (int index = 0; index < count; ++index) {
    auto at = CloneOf(*list);
    ModelNode item;
    item.kind = ModelNode::kItem;
    item.index = index;
    FIAttribute kind;
    item.result = Call(step.callback, *at, &kind, index);
    if (at->node() != list->node()) item.at = Relative(at->node(), list->node());
    Recorded(*at, before, item);
    const std::vector<Step>* class_steps = nullptr;
    if (kind.type() == FT_TEXT && kind.c_str()[0] != '\0') {
      item.cls = kind.c_str();
      ++result_.generic_objects;
      class_steps = mapping_.Find(item.cls);
    }
    sink_->Open(item);
    RunSteps(step.steps, *at);
    if (class_steps != nullptr) RunSteps(*class_steps, *at);
    sink_->Close(item);
  }
  sink_->Close(node);
}

void Walker::RunObjects(const Step& step, hostsim::HostIterator& it) {
  auto at = CloneOf(it);
  if (!step.path.empty() && !at->Down(step.path)) {
    if (!step.optional)
      Explain(it.node(), "objects: " + Path(it.node()) + " has no " + Quoted(step.path));
    return;
  }
  if (!at->First()) return;
  do VisitNode(*at, false);
  while (at->Next());
}

void Walker::Progress() {
  auto elapsed = std::chrono::steady_clock::now() - started_;
  if (elapsed < std::chrono::seconds(1)) return;
  std::fprintf(stderr, "\rfintop-walk: %ld host objects, %ld callback calls", result_.host_objects,
               calls_);
  std::fflush(stderr);
  progress_shown_ = true;
}

}  // namespace walk
