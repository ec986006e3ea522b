// The members of the kit's records, one table per kind of object: a model node of fintop-walk
// --json, a call record, the framework's own record of an attribute, a log's first line and a
// snapshot's node. A row gives a member's name (document_names.h), its role and its type; the
// rows are in the order the writers write them. The documents' reader checks each member it
// reads against these rows and compares by their roles, the call reader types a call's members
// by them, and the tests hold every writer to them, so a new member is one row here and one line
// in its writer.
#pragma once

#include <span>
#include <string_view>

#include "document_names.h"
#include "scalar.h"

namespace record {

enum class Role : char {
  kKey,      // tells the record from its siblings: --diff pairs records by it
  kContent,  // the record's own data, compared
  kChild,    // records below it (attributes, bindings, nodes), compared each as a record
  kIgnored,  // read and checked, never compared
};

enum class Type : char {
  kText,
  kInteger,
  kBool,
  kValue,   // any scalar (the record's value type)
  kValues,  // an object of names and values: attribute records
  kNames,   // an object of names and texts: binding records
  kTexts,   // an array of texts
  kNodes,   // an array of nodes of the same table
};

struct Member {
  std::string_view name;
  Role role;
  Type type;
};

// The row of `name` in `table`; null when it has none.
constexpr const Member* FindMember(std::span<const Member> table, std::string_view name) {
  for (const Member& m : table) {
    // The length and first letter tell most rows apart without a call to compare.
    if (m.name.size() == name.size() && m.name[0] == name[0] && m.name == name) return &m;
  }
  return nullptr;
}

// "a text", "an integer", "an object", ...: what a member of `type` must hold, for messages.
constexpr const char* TypeText(Type type) {
  constexpr const char* kTexts[] = {
      "a text",    "an integer", "true or false", "a text, number or boolean",
      "an object", "an object",  "an array",      "an array"};  // in Type's order
  return kTexts[static_cast<int>(type)];
}

// Whether `value` is what a member of `type` holds.
inline bool Holds(Type type, const kit::Scalar& value) {
  // The scalar each of the first types is; a value is any scalar; the rest hold no scalar.
  constexpr kit::Scalar::Type kScalars[] = {kit::Scalar::kText, kit::Scalar::kInteger,
                                            kit::Scalar::kBool};
  if (type == Type::kValue) return value.type != kit::Scalar::kNone;
  return type < Type::kValue && value.type == kScalars[static_cast<int>(type)];
}

namespace names = document_names;

// A model node: its first member is its kind, whose value names it ("object": its class, the
// host path being its key). The members of one kind are a subset, in this order.
inline constexpr Member kModelNode[] = {
    {names::kObject, Role::kContent, Type::kText},
    {names::kValue, Role::kKey, Type::kText},
    {names::kCollection, Role::kKey, Type::kText},
    {names::kItem, Role::kKey, Type::kInteger},
    {names::kElement, Role::kKey, Type::kText},
    {names::kName, Role::kContent, Type::kText},
    {names::kHost, Role::kKey, Type::kText},
    {names::kCallback, Role::kContent, Type::kText},
    {names::kCount, Role::kContent, Type::kInteger},
    {names::kResult, Role::kContent, Type::kInteger},
    {names::kClass, Role::kContent, Type::kText},
    {names::kFound, Role::kContent, Type::kBool},
    {names::kAt, Role::kContent, Type::kText},
    {names::kData, Role::kContent, Type::kValue},
    {names::kAttributes, Role::kChild, Type::kValues},
    {names::kBindings, Role::kChild, Type::kNames},
    {names::kContents, Role::kChild, Type::kNodes},
    {names::kItems, Role::kChild, Type::kNodes},
};
// The kinds of model node, the first rows.
inline constexpr std::span<const Member> kModelNodeKinds(kModelNode, 5);

// A call record (call_record.h).
inline constexpr Member kCall[] = {
    {names::kCallback, Role::kKey, Type::kText},
    {names::kNode, Role::kKey, Type::kText},
    {names::kIndex, Role::kKey, Type::kInteger},
    {names::kMove, Role::kKey, Type::kInteger},
    {names::kBefore, Role::kIgnored, Type::kValues},
    {names::kResult, Role::kContent, Type::kValue},
    {names::kOut, Role::kContent, Type::kValue},
    {names::kAttributes, Role::kChild, Type::kValues},
    {names::kBindings, Role::kChild, Type::kNames},
    {names::kAt, Role::kContent, Type::kText},
    {names::kOperations, Role::kIgnored, Type::kTexts},
    {names::kThread, Role::kIgnored, Type::kInteger},
};

// An attribute the framework records (the mapping's <set>).
inline constexpr Member kFramework[] = {
    {names::kFramework, Role::kKey, Type::kText},
    {names::kAttribute, Role::kKey, Type::kText},
    {names::kValue, Role::kContent, Type::kValue},
};

// A log's first line: who recorded the session. Never compared.
inline constexpr Member kLogHead[] = {
    {names::kLog, Role::kIgnored, Type::kText},
    {names::kVersion, Role::kIgnored, Type::kInteger},
    {names::kPlugin, Role::kIgnored, Type::kText},
    {names::kPluginVersion, Role::kIgnored, Type::kText},
    {names::kPluginProduct, Role::kIgnored, Type::kText},
    {names::kWidth, Role::kIgnored, Type::kInteger},
    {names::kRecorder, Role::kIgnored, Type::kText},
    {names::kStarted, Role::kIgnored, Type::kText},
    {names::kHost, Role::kIgnored, Type::kText},
    {names::kHostVersion, Role::kIgnored, Type::kText},
};

// A node of fintop-trace's snapshot, a case of the stand-in host: its name, the host properties
// the plug-in reads (the only ones a snapshot holds, in this order), its other properties and its
// children. (The snapshot's top node has "props" last, once it knows whether it was cut.)
inline constexpr Member kSnapshotNode[] = {
    {names::kName, Role::kKey, Type::kText},        {names::kType, Role::kContent, Type::kValue},
    {names::kValue, Role::kContent, Type::kValue},  {names::kId, Role::kContent, Type::kValue},
    {names::kProps, Role::kContent, Type::kValues}, {names::kChildren, Role::kChild, Type::kNodes},
};
// Its properties, the rows between the name and the children.
inline constexpr std::span<const Member> kSnapshotProperties(kSnapshotNode + 1, 3);

}  // namespace record
