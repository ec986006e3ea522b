// The recorder's checks: what the doctor reads of fintop-trace in the plug-in's place and its
// settings (checks.h).
#include <chrono>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "checks.h"
#include "files.h"
#include "system.h"

namespace doctor {

namespace {

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
  const bool made = std::ofstream(probe, std::ios::binary).good();  // closed at once
  std::filesystem::remove(probe, error);
  if (!made) return "the folder " + kit::Utf8(folder) + " cannot be written";
  if (std::filesystem::exists(file, error) &&
      !std::ofstream(file, std::ios::binary | std::ios::app).good()) {
    return kit::Utf8(file) + " cannot be written";
  }
  return std::nullopt;
}

}  // namespace

bool IsRecorder(const Image& image) {
  return SameModuleName(image.own_name, kRecorderFile);
}

Check RecorderCheck(const trace::Settings& settings, const std::string& recorder) {
  const std::string settings_file = trace::kSettingsFileName;
  const std::string file = BaseName(recorder);
  auto given = [](const std::string& path) {
    return path.empty() ? std::nullopt : std::optional<std::string>(path);
  };
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
  if (settings.log.empty()) {
    problems.push_back(std::string("no log is named (") + trace::kLogSetting + ", in " +
                       settings_file + " or this environment), so " + file +
                       " records nothing: name one in " + settings_file + " beside " + file + " (" +
                       trace::kLogSetting + "=fintop-session.jsonl)");
  } else {
    for (const auto& [what, setting, path] :
         {std::tuple{"log", trace::kLogSetting, settings.log},
          std::tuple{"snapshot", trace::kSnapshotSetting, settings.snapshot}}) {
      if (path.empty()) continue;
      if (const std::optional<std::string> why = NotWritable(path)) {
        problems.push_back(std::string("the ") + what + " " + path + " cannot be made: " + *why +
                           ": name a " + what + " in a folder that can be written (" + setting +
                           ")");
      } else {
        written += (written.empty() ? "the " : " and the ") + std::string(what) + " " + path;
      }
    }
  }
  std::string ok_text = settings.file
                            ? settings_file + " beside " + file + ": every line understood"
                            : "no " + settings_file + " beside " + file +
                                  ": the settings come from the host's environment";
  ok_text += "; " + written + " can be written";
  if (settings.snapshot.empty()) ok_text += "; no snapshot is named";
  Object details;
  details.Text("settings", settings.file
                               ? given(trace::FolderOf(recorder) + trace::kSettingsFileName)
                               : std::nullopt);
  details.Text("plugin", settings.plugin).Text("log", given(settings.log));
  details.Text("snapshot", given(settings.snapshot)).Texts("complaints", settings.complaints);
  return MakeCheck("recorder", std::move(problems), ok_text, std::move(details));
}

}  // namespace doctor
