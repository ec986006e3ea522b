// The walk's callback calls, each made on the caller's iterator, and what is made of the host's
// operations during it: the call's record (the JSON trace) or the text trace's lines; for
// --explain, why a step the mapping expects found nothing, in words, from the host's answers to
// the last call; for --names, the host names the plug-in asked for, counted as the walk goes.
#include <algorithm>

#include "attribute_value.h"
#include "walker.h"

namespace walk {

namespace {

// Whether the operation moves the iterator.
bool IsMove(std::string_view op) {
  for (const char* move : {"Element", "Down", "First", "Next", "Last", "Up"}) {
    if (op == move) return true;
  }
  return false;
}

}  // namespace

void Walker::OnEvent(const hostsim::HostIterator& iterator, const hostsim::IteratorEvent& e) {
  if (!recording_) return;
  const std::string_view op = e.op;
  if (options_.names) {
    if (op == "Down") {
      CountDown(e);
    } else if (op == "GetValue") {
      CountName(false, e.text, e.from, e.result);
    }
  }
  if (!options_.trace && !options_.explain) return;
  events_.push_back({op, std::string(e.text), std::string(e.text2), e.value != nullptr,
                     e.value != nullptr ? record::AttributeValue(*e.value) : Value{}, e.number,
                     e.result, &iterator == caller_, e.from, e.to});
}

int Walker::Call(int id, hostsim::HostIterator& it, FIAttribute* out, int argument) {
  ++result_.callbacks[id].calls;
  ++calls_;
  events_.clear();
  caller_ = &it;
  call_node_ = it.node();
  record::Call call;
  if (options_.trace) {
    // What the call can read, as the record's "before" holds it: the held names in list order.
    std::vector<std::pair<std::string, FIAttribute>> held = it.attributes();
    call.before.emplace();
    for (const char* name : record::kHeldAttributes) {
      auto found = std::find_if(held.begin(), held.end(),
                                [&](const auto& entry) { return entry.first == name; });
      if (found != held.end())
        call.before->emplace_back(name, record::AttributeValue(found->second));
    }
  }
  if (options_.progress && (calls_ & 0xfff) == 0) Progress();
  const Shape shape = Callbacks()[id].shape;
  recording_ = true;
  const int r = fintop::CallByShape(shape, plugin_.entry(id), &it, out, argument);
  recording_ = false;
  // A collection has found something when its count is above 0; a selection finds nothing.
  if (shape == Shape::kCollection ? argument == -1 && r > 0 : r != 0)
    result_.callbacks[id].found = true;
  if (options_.trace) {
    if (shape == Shape::kCollection || shape == Shape::kElement) {
      call.argument = shape == Shape::kCollection ? record::Call::kIndex : record::Call::kMove;
      call.value = argument;
    }
    call.result =
        shape == Shape::kCollection ? record::Value::Integer(r) : record::Value::Bool(r != 0);
    if (shape == Shape::kCollection || shape == Shape::kClassifier)
      call.out = record::AttributeValue(*out);
    Trace(id, std::move(call));
  }
  caller_ = nullptr;
  return r;
}

// The call's record, whichever form the trace takes (the text trace renders it): the caller's
// moves, the attributes it recorded and the bindings it made, as the lines under the call and
// as the record's members.
void Walker::Trace(int id, record::Call call) {
  std::vector<std::string> operations;
  call.bindings.emplace();
  for (const Event& e : events_) {
    if (!e.on_caller) continue;
    std::string line(e.op);
    if (IsMove(e.op)) {
      if (e.op == "Down") line += " " + Quoted(e.text);
      if (e.op == "Element") line += " " + std::to_string(e.number);
      line += e.result ? " -> " + Path(e.to) : " failed";
    } else if (e.op == "SetAttribute" || e.op == "SetAttributeByKey") {
      line += " " + e.text + " = " + (e.has_value ? Format(e.value) : "?");
      call.Record(e.text, e.has_value ? e.value : record::Value{});
    } else if (e.op == "Alias") {
      line += " " + e.text + " -> " + e.text2;
      call.bindings->emplace_back(e.text, e.text2);
    } else {
      continue;
    }
    operations.push_back(std::move(line));
  }
  call.callback = Callbacks()[id].name;
  call.node = AddressOf(*tree_, call_node_);
  call.at = AddressOf(*tree_, caller_->node());
  call.operations = std::move(operations);
  sink_->Trace(std::move(call));
}

// ---- --explain --------------------------------------------------------------------------

void Walker::Explain(std::uint32_t where, const std::string& text) {
  if (!options_.explain) return;
  result_.explanations.push_back(Path(where) + ": " + text);
}

void Walker::ExplainLastCall(const Step& step, std::uint32_t where, const char* what) {
  if (!options_.explain) return;
  std::string head =
      std::string(Callbacks()[step.callback].name) + " (" + step.name + ") " + what + ": ";
  // The first step that failed, moves and attribute reads before property reads; a failing
  // Next only ends a walk over siblings.
  auto first = std::find_if(events_.begin(), events_.end(), [](const Event& e) {
    return !e.result && e.op != "Next" && e.op != "GetValue" && e.op != "GetName";
  });
  const Event* failed = first == events_.end() ? nullptr : &*first;
  // A missing property explains the call only when it was the one property read; a call that
  // reads many (a type test on every child) says nothing by missing one of them.
  auto property_reads = std::count_if(events_.begin(), events_.end(),
                                      [](const Event& e) { return e.op == "GetValue"; });
  if (failed == nullptr && property_reads == 1) {
    for (const Event& e : events_) {
      if (!e.result && e.op == "GetValue") failed = &e;
    }
  }
  const Event* last_read = nullptr;  // the last value read before the failing step
  int reads = 0;
  for (const Event& e : events_) {
    if (&e == failed) break;
    if (e.op == "GetValue" && e.result && e.has_value) {
      last_read = &e;
      ++reads;
    }
  }
  std::string why;
  if (failed == nullptr) {
    why = Callbacks()[step.callback].shape == Shape::kCollection
              ? "no step failed, but the count is 0"
              : "no step failed, but the callback answered no";
    if (reads == 1) {
      why += " (" + Path(last_read->from) + " has " + Quoted(last_read->text) + " " +
             Format(last_read->value) + ")";
    }
  } else if (failed->op == "Down") {
    if (last_read != nullptr && last_read->value.type == Value::kText &&
        last_read->value.text == failed->text) {
      std::uint32_t variable = last_read->from;
      std::uint32_t owner = tree_->parent(variable);
      why = Quoted(std::string(tree_->name(variable))) + " of " +
            (owner == hostsim::kNoNode ? std::string("the top") : Path(owner)) + " names " +
            Quoted(failed->text) + ", which is not under " + Path(failed->from);
    } else {
      why = Path(failed->from) + " has no " + Quoted(failed->text);
    }
  } else if (failed->op == "Element") {
    why = Path(failed->from) + " has no element " + std::to_string(failed->number) + " (it has " +
          std::to_string(tree_->child_count(failed->from)) + ")";
  } else if (failed->op == "First" || failed->op == "Last") {
    why = Path(failed->from) + " has no elements";
  } else if (failed->op == "Up") {
    why = Path(failed->from) + " is the top of the case; there is nothing above it";
  } else if (failed->op == "GetAttribute") {
    why = "no attribute " + Quoted(failed->text) +
          " was recorded before the call; a selection or a <set> of the mapping must record it";
  } else if (failed->op == "GetValue") {
    why = Path(failed->from) + " has no property " + Quoted(failed->text);
  } else {
    why = std::string(failed->op) + " failed at " + Path(failed->from);
  }
  Explain(where, head + why);
}

// ---- --names ----------------------------------------------------------------------------

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
