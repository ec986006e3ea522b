// --explain: why a step the mapping expects found nothing, in words, from the host's answers to
// the last call.
#include <algorithm>

#include "walker.h"

namespace walk {

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

}  // namespace walk
