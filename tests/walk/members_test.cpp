// Every writer of the kit's records held to its table of members (members.h): each member it
// writes has a row, in the rows' order, holding the row's type; and every row is written by some
// record, so that no row is left behind when a writer drops a member. Read with nlohmann's
// parser, independent of the kit's own reader.
#include <gtest/gtest.h>

#include <set>
#include <span>
#include <string>

#include <nlohmann/json.hpp>

#include "call_record.h"
#include "iterator/case_loader.h"
#include "members.h"
#include "output.h"
#include "replay.h"

namespace {

using Json = nlohmann::ordered_json;
using record::Type;

bool HoldsType(Type type, const Json& v) {
  switch (type) {
    case Type::kText:
      return v.is_string();
    case Type::kInteger:
      return v.is_number_integer();
    case Type::kBool:
      return v.is_boolean();
    case Type::kValue:
      return v.is_primitive();
    case Type::kValues:
    case Type::kNames:
      if (!v.is_object()) return false;
      for (const auto& [name, value] : v.items())
        if (type == Type::kNames ? !value.is_string() : !value.is_primitive()) return false;
      return true;
    case Type::kTexts:
      if (!v.is_array()) return false;
      for (const Json& text : v)
        if (!text.is_string()) return false;
      return true;
    case Type::kNodes:
      return v.is_array();
  }
  return false;
}

// Checks `object` against `table`, its nodes below too, and adds the rows it holds to `seen`.
void Conform(const Json& object, std::span<const record::Member> table, std::set<std::string>& seen,
             const std::string& what) {
  ASSERT_TRUE(object.is_object()) << what << ": " << object.dump();
  const record::Member* last = nullptr;
  for (const auto& [name, value] : object.items()) {
    const record::Member* row = record::FindMember(table, name);
    ASSERT_NE(row, nullptr) << what << " writes \"" << name << "\", which has no row";
    EXPECT_TRUE(last == nullptr || row > last)
        << what << " writes \"" << name << "\" after \"" << last->name << "\"";
    EXPECT_TRUE(HoldsType(row->type, value)) << what << "'s \"" << name << "\" is not "
                                             << record::TypeText(row->type) << ": " << value.dump();
    seen.insert(name);
    last = row;
    if (row->type == Type::kNodes)
      for (const Json& node : value) Conform(node, table, seen, what);
  }
}

void AllRowsSeen(std::span<const record::Member> table, const std::set<std::string>& seen,
                 const std::string& what) {
  for (const record::Member& m : table)
    EXPECT_TRUE(seen.count(std::string(m.name))) << "no " << what << " writes \"" << m.name << "\"";
}

// Every kind of model node, each with all the members it can have, nested as a walk nests them.
TEST(Members, ModelNodesAsTheJsonSinkWritesThem) {
  kit::Output out;
  kit::JsonWriter json(out);
  walk::JsonSink sink(json);
  using walk::ModelNode;
  auto node = [](ModelNode::Kind kind, std::string_view name, std::string_view callback) {
    ModelNode n;
    n.kind = kind;
    n.name = name;
    n.callback = callback;
    return n;
  };
  ModelNode object = node(ModelNode::kObject, "S", {});
  object.cls = "QELStream";
  object.host = "P/S";
  ModelNode value = node(ModelNode::kValue, "T", {});
  value.has_value = true;
  value.value = record::Value::Real(1.5);
  ModelNode collection = node(ModelNode::kCollection, "C", "CTX");
  collection.count = 1;
  ModelNode item = node(ModelNode::kItem, {}, {});
  item.cls = "K";
  item.at = "P/S/K";
  item.result = 3;
  item.attributes = {{"A", record::Value::Integer(1)}};
  item.bindings = {{"g", "h"}};
  ModelNode element = node(ModelNode::kElement, "E", "CTY");
  element.at = "P/S/E";
  element.found = element.has_value = true;
  element.value = record::Value::Text("x");
  json.BeginArray();
  sink.Open(object);
  sink.Open(value);
  sink.Close(value);
  sink.Open(collection);
  sink.Open(item);
  sink.Open(element);
  sink.Close(element);
  sink.Close(item);
  sink.Close(collection);
  sink.Close(object);
  json.End();
  std::set<std::string> seen;
  for (const Json& node : Json::parse(out.text()))
    Conform(node, record::kModelNode, seen, "a node");
  AllRowsSeen(record::kModelNode, seen, "model node");
}

// A call with every member, a framework record and a log's first line with every member.
TEST(Members, RecordsAndLogLines) {
  record::Call call;
  call.callback = "CTX";
  call.node = "P";
  call.argument = record::Call::kIndex;
  call.value = 2;
  call.before = {{"A", record::Value::Null()}};
  call.result = record::Value::Integer(1);
  call.out = record::Value::Text("o");
  call.attributes = {{"A", record::Value::Real(0.5)}};
  call.bindings = {{std::pair<std::string, std::string>("g", "h")}};
  call.at = "P/Q";
  call.operations = {"Down(Q) = true"};
  call.thread = 7;
  record::Call moved = call;
  moved.argument = record::Call::kMove;
  std::set<std::string> seen;
  Conform(Json::parse(record::Line(call)), record::kCall, seen, "a call");
  Conform(Json::parse(record::Line(moved)), record::kCall, seen, "a call");
  AllRowsSeen(record::kCall, seen, "call");

  kit::Output out;
  kit::JsonWriter json(out, kit::JsonWriter::kLine);
  record::Write(json, record::Framework{"P/Q", "A", record::Value::Bool(true)});
  seen.clear();
  Conform(Json::parse(out.text()), record::kFramework, seen, "a framework record");
  AllRowsSeen(record::kFramework, seen, "framework record");

  record::LogHead head{"p.dll", "1.0", "1.1", 64, "2", "2026-12-10T07:00:00Z", "h.exe", "9"};
  seen.clear();
  Conform(Json::parse(record::HeaderLine(head)), record::kLogHead, seen, "a log's first line");
  AllRowsSeen(record::kLogHead, seen, "log's first line");
}

// The case the reducer writes, in the snapshot's format.
TEST(Members, SnapshotNodesAsTheCaseWriterWritesThem) {
  auto tree = hostsim::LoadCaseText(R"({"name": "P", "type": "T", "value": 1.5, "id": 3,
      "props": {"n": 2}, "children": [{"name": "Q"}]})");
  kit::Output out;
  walk::WriteCase(*tree, out);
  std::set<std::string> seen;
  Conform(Json::parse(out.text()), record::kSnapshotNode, seen, "a snapshot node");
  AllRowsSeen(record::kSnapshotNode, seen, "snapshot node");
}

}  // namespace
