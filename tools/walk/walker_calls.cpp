// The walk's callback calls: each made on the caller's iterator, with what the host saw during
// it recorded as the call's record (the JSON trace) or the text trace's lines.
#include <algorithm>

#include "address.h"
#include "attribute_value.h"
#include "output.h"
#include "walker.h"

namespace walk {

void Walker::Begin(int id, hostsim::HostIterator& it) {
  ++result_.callbacks[id].calls;
  ++calls_;
  events_.clear();
  caller_ = &it;
  call_node_ = it.node();
  before_.clear();
  if (options_.trace) {
    // What the call can read, as the record's "before" holds it: the held names in list order.
    std::vector<std::pair<std::string, FIAttribute>> held = it.attributes();
    for (const char* name : record::kHeldAttributes) {
      auto found = std::find_if(held.begin(), held.end(),
                                [&](const auto& entry) { return entry.first == name; });
      if (found != held.end()) before_.emplace_back(name, record::AttributeValue(found->second));
    }
  }
  recording_ = true;
  if (options_.progress && (calls_ & 0xfff) == 0) Progress();
}

// The call's record, whichever form the trace takes (the text trace renders it): the caller's
// moves, the attributes it recorded and the bindings it made, as the lines under the call and
// as the record's members.
void Walker::End(int id, record::Call call, bool found) {
  recording_ = false;
  const hostsim::HostIterator* caller = caller_;
  caller_ = nullptr;
  if (found) result_.callbacks[id].found = true;
  if (!options_.trace) return;
  std::vector<std::string> operations;
  call.bindings.emplace();
  for (const Event& e : events_) {
    if (!e.on_caller) continue;
    std::string line = NameOf(e.op);
    if (IsMove(e.op)) {
      if (e.op == HostOp::kDown) line += " " + Quoted(e.text);
      if (e.op == HostOp::kElement) line += " " + std::to_string(e.number);
      line += e.result ? " -> " + Path(e.to) : " failed";
    } else if (e.op == HostOp::kSetAttribute || e.op == HostOp::kSetAttributeByKey) {
      line += " " + e.text + " = " + (e.has_value ? Format(e.value) : "?");
      call.Record(e.text, e.has_value ? e.value : record::Value{});
    } else if (e.op == HostOp::kAlias) {
      line += " " + e.text + " -> " + e.text2;
      call.bindings->emplace_back(e.text, e.text2);
    } else {
      continue;
    }
    operations.push_back(std::move(line));
  }
  call.callback = Callbacks()[id].name;
  call.node = AddressOf(*tree_, call_node_);
  call.before = std::move(before_);
  call.at = AddressOf(*tree_, caller->node());
  call.operations = std::move(operations);
  sink_->Trace(std::move(call));
}

bool Walker::CallKind(int id, hostsim::HostIterator& it) {
  Begin(id, it);
  bool r = plugin_.kind(id)(&it);
  record::Call call;
  call.result = record::Value::Bool(r);
  End(id, std::move(call), r);
  return r;
}

bool Walker::CallClassifier(int id, hostsim::HostIterator& it, FIAttribute& out) {
  Begin(id, it);
  bool r = plugin_.classifier(id)(&it, &out);
  record::Call call;
  call.result = record::Value::Bool(r);
  call.out = record::AttributeValue(out);
  End(id, std::move(call), r);
  return r;
}

int Walker::CallCollection(int id, hostsim::HostIterator& it, FIAttribute& out, int index) {
  Begin(id, it);
  int r = plugin_.collection(id)(&it, &out, index);
  record::Call call;
  call.argument = record::Call::kIndex;
  call.value = index;
  call.result = record::Value::Integer(r);
  call.out = record::AttributeValue(out);
  End(id, std::move(call), index == -1 ? r > 0 : false);
  return r;
}

bool Walker::CallElement(int id, hostsim::HostIterator& it, int move) {
  Begin(id, it);
  bool r = plugin_.element(id)(&it, move);
  record::Call call;
  call.argument = record::Call::kMove;
  call.value = move;
  call.result = record::Value::Bool(r);
  End(id, std::move(call), r);
  return r;
}

}  // namespace walk
