// fintop-trace, the recorder, installed in the plug-in's place (INSTALL.txt, "Recording a
// session"): how the doctor tells it, the real plug-in it will load and its settings, read as
// the recorder reads them (tools/trace/settings.h; the environment over the file).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "checks.h"
#include "image.h"

namespace doctor {

// The recorder's file name as built (the real plug-in's default name beside it is
// trace::kDefaultRealPlugin).
#if defined(_WIN32)
inline constexpr char kRecorderFile[] = "fintop-trace.dll";
#else
inline constexpr char kRecorderFile[] = "libfintop-trace.so";
#endif

// Whether `image` is the recorder, whatever its file is called now (by the name it was
// linked under).
bool IsRecorder(const Image& image);

struct RecorderSettings {
  std::string folder;                        // the recorder's folder, relative paths' base
  std::optional<std::string> file;           // the settings file beside it, when there is one
  std::string real;                          // the real plug-in's path, as the recorder finds it
  bool real_named = false;                   // by a setting, not the default name
  std::string real_from;                     // where that name comes from, for the text
  std::optional<std::string> log, snapshot;  // as the recorder resolves them
  std::vector<std::string> complaints;       // lines not understood, limits not counts
};

// The settings of the recorder at `recorder` (a file's path).
RecorderSettings ReadRecorderSettings(const std::string& recorder);

// The "recorder" check: every line of the settings understood, the log's and the snapshot's
// folders writable. `file` is the recorder's file name as installed.
Check RecorderCheck(const RecorderSettings& settings, const std::string& file);

}  // namespace doctor
