// What the checks' files share (checks.cpp; module_checks.cpp: the imports and the host's entry
// points; recorder.cpp: fintop-trace in the plug-in's place): files and widths as the texts
// name them, and the checks each gives the others.
#pragma once

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "checks.h"
#include "image.h"
#include "settings.h"

namespace doctor {

std::string BaseName(const std::string& path);
std::string Bits(int width);  // "64-bit"
// The zip that holds the plug-in of `width`.
std::string ZipOf(int width);
// The modules checked as the plug-in, by file name: "fintop.dll", "fintop.dll and fintop-real.dll".
std::string Files(const std::vector<const Image*>& subjects);

template <class Range>
bool Contains(const Range& names, const std::string& name) {
  return std::any_of(std::begin(names), std::end(names),
                     [&](const auto& other) { return SameModuleName(other, name); });
}

// The checks of module_checks.cpp. `width_advised` becomes true when the check told the user to
// use the plug-in of the other width, which is said once.
Check Imports(const std::vector<const Image*>& subjects, const std::string& folder,
              bool& width_advised);
Check HostEntryPoints(const Image& plugin, const std::string& folder, bool& width_advised);

// fintop-trace, the recorder, installed in the plug-in's place (INSTALL.txt, "Recording a
// session"): its file name as built (the real plug-in's default name beside it is
// trace::kDefaultRealPlugin), and whether `image` is the recorder, whatever its file is called
// now (by the name it was linked under).
#if defined(_WIN32)
inline constexpr char kRecorderFile[] = "fintop-trace.dll";
#else
inline constexpr char kRecorderFile[] = "libfintop-trace.so";
#endif
bool IsRecorder(const Image& image);

// The settings of the recorder at `recorder` (a file's path), as the recorder reads them
// (tools/trace/settings.h; the environment over the file), and where the real plug-in's name
// comes from, for the text ("its default name").
trace::Settings ReadRecorderSettings(const std::string& recorder);
std::string RealFrom(const trace::Settings& settings);

// The "recorder" check: every line of the settings understood, the log's and the snapshot's
// folders writable. `recorder` is the recorder's path as installed.
Check RecorderCheck(const trace::Settings& settings, const std::string& recorder);

}  // namespace doctor
