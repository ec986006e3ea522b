// The walk's callback calls: each made on the caller's iterator, with what the host saw during
// it recorded as the call's record (the JSON trace) or the text trace's lines.
#include <algorithm>

#include "address.h"
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

}  // namespace walk
