// One callback call as a trace records it: the entries of fintop-walk --json --trace and the
// lines of fintop-trace's log are these objects. Members, in this order: "callback", "node",
// "index" (collections) or "move" (element callbacks), "result", "out" (only when the out
// attribute holds a value after the call), "attributes" (name -> value, in the order first
// recorded, last value kept), "bindings" (generic name -> host name; the walk only), "at"
// (where the caller's iterator stands after the call), "operations" (the text trace's lines
// under the call; the walk only), "thread" (the proxy only). Paths are host names from the
// top joined by "/". Values are written as the model's JSON writes them: integers as integers,
// finite reals as JSON numbers, "nan"/"inf"/"-inf" as those texts, texts as strings.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/fi_attribute.h"

namespace record {

using Json = nlohmann::ordered_json;

struct Call {
  enum Argument { kNone, kIndex, kMove };
  std::string callback;
  std::string node;
  Argument argument = kNone;                             // kinds and the classifier take none
  int value = 0;                                         // the index or the move flag
  Json result;                                           // true/false, or the collection's integer
  Json out;                                              // null: the out attribute holds nothing
  std::vector<std::pair<std::string, Json>> attributes;  // in the order first recorded
  std::optional<std::vector<std::pair<std::string, std::string>>> bindings;
  std::string at;
  std::optional<std::vector<std::string>> operations;
  std::optional<unsigned long long> thread;

  // Records `name` = `value`: a name recorded again keeps its place and takes the last value.
  void Record(const std::string& name, Json value);
};

// The call as one JSON object, members in the order above.
Json ToJson(const Call& call);
// A call read back from its object; nullopt for another kind of line or entry (a framework
// <set>, the log's first line, an error line) or a malformed one.
std::optional<Call> FromJson(const Json& object);

// The entry of an attribute the framework itself records (the mapping's <set>).
Json FrameworkJson(const std::string& path, const std::string& name, Json value);

// A real as the model's JSON writes it.
Json RealJson(double value);
// An attribute's value as the model's JSON writes it; null when it is empty.
Json AttributeJson(const FIAttribute& attribute);

// An object as one line of JSON Lines (no newline), invalid UTF-8 replaced.
std::string Line(const Json& object);

}  // namespace record
