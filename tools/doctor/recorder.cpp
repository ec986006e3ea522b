#include "recorder.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "files.h"
#include "image.h"
#include "names.h"
#include "settings.h"

namespace doctor {

namespace {

#if defined(_WIN32)
constexpr char kSeparators[] = "\\/";
#else
constexpr char kSeparators[] = "/";
#endif

// As the recorder tells them (tools/trace/proxy.cpp).
bool HasFolder(const std::string& path) {
  return path.find_first_of(kSeparators) != std::string::npos;
}
bool IsAbsolute(const std::string& path) {
#if defined(_WIN32)
  return (path.size() > 1 && path[1] == ':') ||
         (!path.empty() && std::string_view(kSeparators).find(path[0]) != std::string::npos);
#else
  return !path.empty() && path[0] == '/';
#endif
}

// A setting of the doctor's environment, as UTF-8 text.
std::optional<std::string> Environment(const char* name) {
#if defined(_WIN32)
  const wchar_t* value = _wgetenv(kit::PathOf(name).c_str());
  if (value == nullptr) return std::nullopt;
  return kit::Utf8(std::filesystem::path(value));
#else
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
#endif
}

// Why the file `path` could not be written, or nothing: its folder must exist and take a new
// file (made and removed here), and the file, when there is one, must open for appending.
std::optional<std::string> NotWritable(const std::string& path) {
  const std::filesystem::path file = kit::PathOf(path);
  std::filesystem::path folder = file.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    return "the folder " + kit::Utf8(folder) + " does not exist";
  }
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::filesystem::path probe = folder / ("fintop-doctor-" + std::to_string(stamp) + ".tmp");
  bool made = false;
  {
    std::ofstream out(probe, std::ios::binary);
    made = out.good();
  }
  std::filesystem::remove(probe, error);
  if (!made) return "the folder " + kit::Utf8(folder) + " cannot be written";
  if (std::filesystem::exists(file, error)) {
    std::ofstream out(file, std::ios::binary | std::ios::app);
    if (!out.good()) return kit::Utf8(file) + " cannot be written";
  }
  return std::nullopt;
}

}  // namespace

bool IsRecorder(const Image& image) {
  return SameModuleName(image.own_name, kRecorderFile);
}

RecorderSettings ReadRecorderSettings(const std::string& recorder) {
  RecorderSettings settings;
  const size_t slash = recorder.find_last_of(kSeparators);
  settings.folder = slash == std::string::npos ? "" : recorder.substr(0, slash + 1);
  trace::SettingsText text;
  const std::string file = settings.folder + trace::kSettingsFileName;
  if (std::ifstream in(kit::PathOf(file), std::ios::binary); in) {
    std::ostringstream whole;
    whole << in.rdbuf();
    text = trace::ParseSettings(whole.str());
    settings.file = file;
  }
  auto resolve = [&](const std::optional<std::string>& value) -> std::optional<std::string> {
    if (!value || value->empty()) return std::nullopt;
    return IsAbsolute(*value) ? *value : settings.folder + *value;
  };
  settings.log = resolve(text.log);
  settings.snapshot = resolve(text.snapshot);
  std::optional<std::string> real = resolve(text.plugin);
  settings.real_from =
      real ? std::string("as ") + trace::kSettingsFileName + " names it" : "its default name";
  settings.complaints = std::move(text.complaints);
  std::optional<std::string> nodes = text.snapshot_nodes, depth = text.snapshot_depth;
  // The environment over the file, as the recorder reads them.
  if (auto log = Environment(trace::kLogSetting)) settings.log = *log;
  if (auto snapshot = Environment(trace::kSnapshotSetting)) settings.snapshot = *snapshot;
  if (auto plugin = Environment(trace::kPluginSetting)) {
    real = *plugin;
    settings.real_from =
        std::string("as this environment's ") + trace::kPluginSetting + " names it";
  }
  if (auto n = Environment(trace::kSnapshotNodesSetting)) nodes = *n;
  if (auto d = Environment(trace::kSnapshotDepthSetting)) depth = *d;
  if (settings.log && settings.log->empty()) settings.log.reset();
  if (settings.snapshot && settings.snapshot->empty()) settings.snapshot.reset();
  for (const auto& [name, value] : {std::pair{trace::kSnapshotNodesSetting, nodes},
                                    std::pair{trace::kSnapshotDepthSetting, depth}}) {
    if (!value || value->empty()) continue;
    const bool count = value->size() <= 12 &&
                       value->find_first_not_of("0123456789") == std::string::npos &&
                       std::stoull(*value) > 0;
    if (!count) {
      settings.complaints.push_back(std::string(name) + " is not a count from 1 to 10^12 (" +
                                    *value + "): the default is used");
    }
  }
  settings.real_named = real && !real->empty();
  if (!settings.real_named) {
    real = kRealPluginFile;
    settings.real_from = "its default name";
  }
  settings.real = HasFolder(*real) ? *real : settings.folder + *real;
  return settings;
}

Check RecorderCheck(const RecorderSettings& settings, const std::string& file) {
  const std::string settings_file = trace::kSettingsFileName;
  std::vector<std::string> problems;
  if (!settings.complaints.empty()) {
    std::string said;
    for (size_t i = 0; i < settings.complaints.size() && i < 3; ++i) {
      said += (i == 0 ? "" : "; ") + settings.complaints[i];
    }
    if (settings.complaints.size() > 3) {
      said += "; and " + std::to_string(settings.complaints.size() - 3) + " more";
    }
    problems.push_back("the recorder does not understand every setting (" + said +
                       "): correct or remove those lines of " + settings_file +
                       " (INSTALL.txt, \"Recording a session\")");
  }
  std::string written;
  if (!settings.log) {
    problems.push_back(std::string("no log is named (") + trace::kLogSetting + ", in " +
                       settings_file + " or this environment), so " + file +
                       " records nothing: name one in " + settings_file + " beside " + file + " (" +
                       trace::kLogSetting + "=fintop-session.jsonl)");
  } else {
    for (const auto& [what, setting, path] :
         {std::tuple{"log", trace::kLogSetting, settings.log},
          std::tuple{"snapshot", trace::kSnapshotSetting, settings.snapshot}}) {
      if (!path) continue;
      if (const std::optional<std::string> why = NotWritable(*path)) {
        problems.push_back(std::string("the ") + what + " " + *path + " cannot be made: " + *why +
                           ": name a " + what + " in a folder that can be written (" + setting +
                           ")");
      } else {
        written += (written.empty() ? "the " : " and the ") + std::string(what) + " " + *path;
      }
    }
  }
  std::string ok_text = settings.file
                            ? settings_file + " beside " + file + ": every line understood"
                            : "no " + settings_file + " beside " + file +
                                  ": the settings come from the host's environment";
  ok_text += "; " + written + " can be written";
  if (!settings.snapshot) ok_text += "; no snapshot is named";
  RecorderDetails details{settings.file, settings.real, settings.log, settings.snapshot,
                          settings.complaints};
  return MakeCheck("recorder", std::move(problems), ok_text, std::move(details));
}

}  // namespace doctor
