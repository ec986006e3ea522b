// fintop-trace.txt, the proxy's settings file beside it. ParseSettings: its text in, the
// settings and a complaint per line not understood out; pure: reads nothing, loads nothing,
// never throws but std::bad_alloc. ReadSettings: the file read, and the environment over it.
//
// The format, one setting a line:
//   # a comment (first non-blank character '#'); blank lines are skipped
//   FINTOP_TRACE_LOG = C:\My Logs\session.jsonl
//   FINTOP_TRACE_PLUGIN="fintop-real.dll"
//   FINTOP_TRACE_SNAPSHOT = C:\My Logs\session-case.json
//   FINTOP_TRACE_SNAPSHOT_NODES = 5000000
//   FINTOP_TRACE_SNAPSHOT_DEPTH = 10000
// Lines end with LF or CRLF and are read whole, whatever their length; a UTF-8 byte-order mark
// before the first line is skipped. Blanks (spaces, tabs) around the name and around the value
// are dropped; blanks inside the value are kept, so a path with spaces needs no quotes. A value
// in double quotes is taken without them (and keeps blanks at its ends). An empty value unsets
// the setting. A setting given twice takes the later line, with a complaint. A line that is
// not NAME=VALUE, an unknown name and a value holding a NUL byte are complained about and
// ignored.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trace {

inline constexpr char kSettingsFileName[] = "fintop-trace.txt";
inline constexpr char kLogSetting[] = "FINTOP_TRACE_LOG";
inline constexpr char kPluginSetting[] = "FINTOP_TRACE_PLUGIN";
inline constexpr char kSnapshotSetting[] = "FINTOP_TRACE_SNAPSHOT";
inline constexpr char kSnapshotNodesSetting[] = "FINTOP_TRACE_SNAPSHOT_NODES";
inline constexpr char kSnapshotDepthSetting[] = "FINTOP_TRACE_SNAPSHOT_DEPTH";

struct SettingsText {
  // As written (relative paths are the caller's to resolve); nullopt when not given.
  std::optional<std::string> log;
  std::optional<std::string> plugin;
  std::optional<std::string> snapshot;        // the snapshot's file
  std::optional<std::string> snapshot_nodes;  // its limits, as written (the proxy reads them)
  std::optional<std::string> snapshot_depth;
  // "fintop-trace.txt:3: ...", one per line not understood or given again, in line order;
  // printable ASCII and valid UTF-8 only (other bytes of the file shown as \xNN,
  // kit::BytesShown). After 20 of them, the rest are counted in a last one
  // ("fintop-trace.txt: 7 more lines not understood or given again").
  std::vector<std::string> complaints;
};

SettingsText ParseSettings(std::string_view text);

// The real plug-in's name when none is given, looked for beside the recorder.
#if defined(_WIN32)
inline constexpr char kDefaultRealPlugin[] = "fintop-real.dll";
#else
inline constexpr char kDefaultRealPlugin[] = "libfintop-real.so";
#endif

// What the recorder does, as fintop-trace.txt in `folder` (the recorder's, with its separator)
// and the environment over it give it: paths whole (relative ones in the file taken from
// `folder`; the real plug-in's bare name too), the snapshot's limits as counts.
struct Settings {
  std::string log;       // empty: no log
  std::string plugin;    // never empty
  std::string snapshot;  // empty: no snapshot
  unsigned long long snapshot_nodes = 0;
  unsigned long long snapshot_depth = 0;
  bool file = false;  // fintop-trace.txt was read
  enum class From { kDefault, kFile, kEnvironment };
  From plugin_from = From::kDefault;    // where the real plug-in's name came from
  std::vector<std::string> complaints;  // about its lines and the limits given
};
// Reads the file (UTF-8 paths, wide calls on Windows) and the environment.
Settings ReadSettings(const std::string& folder, unsigned long long default_nodes,
                      unsigned long long default_depth);

}  // namespace trace
