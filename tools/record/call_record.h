// One callback call as a trace records it: the entries of fintop-walk --json --trace and the
// lines of fintop-trace's log are these objects. Members, in this order: "callback", "node",
// "index" (collections) or "move" (element callbacks), "before" (the attributes of
// FINTOP_HELD_ATTRIBUTES the iterator held before the call, with their values, in the list's
// order: what the call can read, so that it can be made again), "result", "out" (only when the out
// attribute holds a value after the call), "attributes" (name -> value, in the order first
// recorded, last value kept), "bindings" (generic name -> host name, in the order made), "at"
// (where the caller's iterator stands after the call), "operations" (the text trace's lines
// under the call; the walk only), "thread" (the proxy only). Paths are host names from the
// top joined by "/" (Addresses below). Values are written as the model's JSON writes them: integers
// as integers, finite reals as JSON numbers, "nan"/"inf"/"-inf" as those texts, texts as strings.
// The member names are those of document_names.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "document_names.h"
#include "json_writer.h"

namespace record {

// ---- Addresses ("node", "at") ----
// The host names from the top down, joined by "/". Within a name "\" and "/" are written "\\"
// and "\/"; a node that is not the first child of its name below its parent has "\#N" after its
// name, N its place (2, 3, ...) among its parent's children of that name, in their order. So an
// address names one node, whatever the names hold: "Plant/A\/B/Reaction\#2" is the second
// child named "Reaction" of the child "A/B" of "Plant". fintop-walk counts the place on its
// tree; fintop-trace sees the host through the iterator alone, which has no node identity, and
// counts it from the siblings: how many follow the node (Next on a clone of it) against how many
// follow the first child of its name (Down with the name as one quoted level) gives the node's
// position after that one, and the names of the siblings between give its place; so the place
// is exact even for siblings alike in everything else. (A name holding a double quote, which
// Down cannot take as one level, has all the parent's children read with First and Next.)
struct Level {
  std::string name;
  std::size_t place = 1;  // 1 for the first child of that name
  bool operator==(const Level& other) const = default;
};
// Appends one level, "/" before it unless it is the `first`.
void AppendLevel(std::string& address, std::string_view name, std::size_t place, bool first);
// The levels of an address, the top first; false for a malformed one (a "\" before anything
// but "\", "/" or "#N" with N >= 2, no leading zero, at the level's end).
bool SplitAddress(std::string_view address, std::vector<Level>& levels);

// A value of a record: the result, the out attribute, an attribute's value. The kit's one value
// type (scalar.h), compared and printed as it is written.
using Value = kit::Scalar;

struct Call {
  enum Argument { kNone, kIndex, kMove };
  std::string callback;
  std::string node;
  Argument argument = kNone;  // kinds and the classifier take none
  int value = 0;              // the index or the move flag
  std::optional<std::vector<std::pair<std::string, Value>>> before;  // absent in old records
  Value result;                                           // true/false, or the collection's integer
  Value out = Value::Null();                              // null: the out attribute holds nothing
  std::vector<std::pair<std::string, Value>> attributes;  // in the order first recorded
  std::optional<std::vector<std::pair<std::string, std::string>>> bindings;
  std::string at;
  std::optional<std::vector<std::string>> operations;
  std::optional<unsigned long long> thread;

  // Records `name` = `value`: a name recorded again keeps its place and takes the last value.
  void Record(const std::string& name, Value value);
  bool operator==(const Call& other) const = default;
};

// An attribute the framework itself records (the mapping's <set>): {"framework": path,
// "attribute": name, "value": value}.
struct Framework {
  std::string path;
  std::string attribute;
  Value value;
};

// An entry of the walk's trace.
using Entry = std::variant<Call, Framework>;

// Writes the entry as one JSON object, members in the order above.
void Write(kit::JsonWriter& json, const Call& call);
void Write(kit::JsonWriter& json, const Framework& framework);
void Write(kit::JsonWriter& json, const Entry& entry);

// A log's lines (JSON Lines, no newline), invalid UTF-8 replaced: a call; the first line
// {"log": "fintop-trace", "version": 3, "plugin": ...}; an error {"error": ...}; the line
// written as a call begins, before it is forwarded, {"begin": callback, "node", "index" or
// "move", "before", "thread"} (a session that ended inside a call ends with it); the snapshot's
// {"snapshot": file, "nodes": count, "digest": FNV-1a of its bytes as 16 hex digits, "cut":
// why, when it was cut}. Version 2 logs have no "bindings", and their calls' "attributes" hold
// only the values a call changed; version 1 logs have no "before", "begin" or snapshot lines
// either, and addresses without escapes.
std::string Line(const Call& call);
// The first line: who recorded the session, with what and when. Empty texts and a width of 0
// (what the system could not tell) are left out.
struct LogHead {
  std::string plugin;          // the real plug-in's file
  std::string plugin_version;  // its file and product versions
  std::string plugin_product;
  int width = 0;             // 32 or 64 (the process's, which the plug-in shares)
  std::string recorder;      // fintop-trace's version
  std::string started;       // UTC, "2026-12-09T20:55:00Z"
  std::string host;          // the host program's file
  std::string host_version;  // its product version
  // The format the calls after it are in: this recorder's, or the field log's a reduced log
  // copies its calls from (a version 2 log's calls hold no bindings, and must not be taken
  // for calls that bound nothing).
  int version = document_names::kLogVersion;
};
std::string HeaderLine(const LogHead& head);
std::string ErrorLine(std::string_view why);
std::string BeginLine(const Call& call);
std::string SnapshotLine(std::string_view file, unsigned long long nodes, std::string_view digest,
                         std::string_view cut);

// A snapshot's digest ("digest" of its log line, "%016llx"): FNV-1a, 64 bits, over each node in
// depth-first order as 0x01, its name, each property it holds of the snapshot's (members.h:
// key, NUL, its value as JSON writes it), its children, 0x02. fintop-trace makes it as it writes
// the snapshot; the replay makes it again from the tree it reads back.
class SnapshotDigest {
 public:
  void Open(std::string_view name) {
    Add("\x01");
    Add(name);
  }
  void Property(std::string_view key, const Value& value);
  void Close() { Add("\x02"); }
  std::string Hex() const;

 private:
  void Add(std::string_view bytes) {
    for (unsigned char c : bytes) value_ = (value_ ^ c) * 1099511628211ull;
  }
  unsigned long long value_ = 14695981039346656037ull;
};

}  // namespace record
