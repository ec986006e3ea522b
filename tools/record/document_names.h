// The member names of the kit's JSON documents, written once for every writer and reader:
// fintop-walk --json (output.cpp, the walk's main.cpp), the call record (call_record.cpp) that
// the walk's trace and fintop-trace's log share, the --diff document (diff.cpp) and the reader
// of saved documents and logs (document.cpp).
#pragma once

namespace document_names {

// ---- fintop-walk --json: {"case", "model", "trace", "explanations", "names", "summary"} ----
inline constexpr char kCase[] = "case";
inline constexpr char kModel[] = "model";
inline constexpr char kTrace[] = "trace";
inline constexpr char kExplanations[] = "explanations";
inline constexpr char kNames[] = "names";
inline constexpr char kSummary[] = "summary";

// A model node starts with its kind, whose value names it (an object: its class).
inline constexpr char kObject[] = "object";
inline constexpr char kValue[] = "value";  // also a framework record's value
inline constexpr char kCollection[] = "collection";
inline constexpr char kItem[] = "item";
inline constexpr char kElement[] = "element";
// The node's other members.
inline constexpr char kName[] = "name";
inline constexpr char kHost[] = "host";  // also a log's first line
inline constexpr char kData[] = "data";
inline constexpr char kCallback[] = "callback";  // also a call's
inline constexpr char kCount[] = "count";
inline constexpr char kResult[] = "result";  // also a call's
inline constexpr char kClass[] = "class";
inline constexpr char kAt[] = "at";  // also a call's
inline constexpr char kFound[] = "found";
inline constexpr char kAttributes[] = "attributes";  // also a call's
inline constexpr char kBindings[] = "bindings";      // also a call's
inline constexpr char kContents[] = "contents";
inline constexpr char kItems[] = "items";

// The summary.
inline constexpr char kHostObjects[] = "host_objects";
inline constexpr char kGenericObjects[] = "generic_objects";
inline constexpr char kCallbacksReached[] = "callbacks_reached";
inline constexpr char kCallbacks[] = "callbacks";
inline constexpr char kFoundNothing[] = "found_nothing";
inline constexpr char kNotReached[] = "not_reached";
inline constexpr char kNothingFoundBy[] = "nothing_found_by";

// An entry of "names" (kName, kFound and these).
inline constexpr char kAs[] = "as";
inline constexpr char kAsked[] = "asked";
inline constexpr char kMissing[] = "missing";
inline constexpr char kOn[] = "on";

// ---- the call record (call_record.h) and the framework's own records ----
inline constexpr char kNode[] = "node";
inline constexpr char kIndex[] = "index";
inline constexpr char kMove[] = "move";
inline constexpr char kOut[] = "out";
inline constexpr char kBefore[] = "before";
inline constexpr char kOperations[] = "operations";
inline constexpr char kThread[] = "thread";
inline constexpr char kFramework[] = "framework";
inline constexpr char kAttribute[] = "attribute";

// ---- fintop-trace's log: its first line and its error lines ----
inline constexpr char kLog[] = "log";
inline constexpr char kVersion[] = "version";
inline constexpr char kPlugin[] = "plugin";
inline constexpr char kError[] = "error";
// Who recorded the session (version 3): the real plug-in's versions and width, the recorder's
// version, when it started, the host program (kHost) and its version.
inline constexpr char kPluginVersion[] = "plugin_version";
inline constexpr char kPluginProduct[] = "plugin_product_version";
inline constexpr char kWidth[] = "width";
inline constexpr char kRecorder[] = "recorder";
inline constexpr char kStarted[] = "started";
inline constexpr char kHostVersion[] = "host_version";
inline constexpr char kLogName[] = "fintop-trace";  // the value of "log"
// 2: calls carry "before", "begin" and snapshot lines, addresses escaped (call_record.h).
// 3: calls carry "bindings" and every attribute the call recorded (2: only those it changed).
inline constexpr int kLogVersion = 3;
// The first versions whose calls carry "before" (a replay needs it) and "bindings".
inline constexpr int kLogVersionBefore = 2;
inline constexpr int kLogVersionBindings = 3;
inline constexpr char kBegin[] = "begin";
inline constexpr char kSnapshot[] = "snapshot";
inline constexpr char kNodes[] = "nodes";
inline constexpr char kDigest[] = "digest";
inline constexpr char kCut[] = "cut";
// A snapshot's node (and a case's): "name", these properties, "children".
inline constexpr char kType[] = "type";
inline constexpr char kId[] = "id";
inline constexpr char kChildren[] = "children";
inline constexpr char kProps[] = "props";  // a case's other properties

// ---- fintop-walk --diff --json: {"differences": [...], "summary": {...}} ----
inline constexpr char kDifferences[] = "differences";
inline constexpr char kGroup[] = "group";
inline constexpr char kWhere[] = "where";
inline constexpr char kKind[] = "kind";
inline constexpr char kText[] = "text";
inline constexpr char kOld[] = "old";
inline constexpr char kNew[] = "new";
inline constexpr char kByKind[] = "by_kind";

// ---- fintop-walk --replay --json: {"differences": [...], "summary": {...}} ----
inline constexpr char kReplayed[] = "replayed";
inline constexpr char kSame[] = "same";
inline constexpr char kDiffer[] = "differ";
inline constexpr char kUnreturned[] = "never_returned";
inline constexpr char kRecorded[] = "recorded";  // who recorded the session, as one text

// ---- fintop-walk --replay --reduce --json: the call reduced, what was kept, the figures ----
inline constexpr char kCall[] = "call";
inline constexpr char kKeptCalls[] = "kept_calls";
inline constexpr char kLine[] = "line";
inline constexpr char kReducedNode[] = "reduced_node";
inline constexpr char kOutcome[] = "outcome";
inline constexpr char kReducedLine[] = "reduced_line";
inline constexpr char kNodesBefore[] = "nodes_before";
inline constexpr char kNodesAfter[] = "nodes_after";
inline constexpr char kPropertiesBefore[] = "properties_before";
inline constexpr char kPropertiesAfter[] = "properties_after";
inline constexpr char kReplays[] = "replays";
inline constexpr char kKeptCuts[] = "kept_cuts";
inline constexpr char kSeconds[] = "seconds";
inline constexpr char kStopped[] = "stopped";

}  // namespace document_names
