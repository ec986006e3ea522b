#include "settings.h"

#include <algorithm>
#include <tuple>

#include "files.h"
#include "json_writer.h"
#include "system.h"

namespace trace {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// A name shown in a complaint is cut after this many bytes of the file.
constexpr std::size_t kShownName = 64;
// Complaints beyond this many are counted in one last complaint: a file that is not a
// settings file at all floods nothing.
constexpr std::size_t kMaxComplaints = 20;

std::string_view Trim(std::string_view text) {
  std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

// The text's bytes exactly, in quotes (a quote or backslash in it as \xNN), long texts cut
// before the character that would not fit whole: complaints go to a log line or a terminal.
std::string Shown(std::string_view text) {
  std::size_t kept = std::min(text.size(), kShownName);
  for (int back = 0; kept < text.size() && back < 3 && kept > 0 &&
                     (static_cast<unsigned char>(text[kept]) & 0xc0) == 0x80;
       ++back) {
    --kept;  // text[kept] continues a UTF-8 sequence
  }
  std::string shown = "\"";
  kit::AppendBytesShown(text.substr(0, kept), shown, "\"\\");
  shown += '"';
  if (text.size() > kept) shown += " (cut)";
  return shown;
}

}  // namespace

SettingsText ParseSettings(std::string_view text) {
  SettingsText settings;
  // Each setting, where it goes and the line that last gave it.
  struct Known {
    const char* name;
    std::optional<std::string>* value;
    std::size_t line = 0;
  } known[] = {{kLogSetting, &settings.log},
               {kPluginSetting, &settings.plugin},
               {kSnapshotSetting, &settings.snapshot},
               {kSnapshotNodesSetting, &settings.snapshot_nodes},
               {kSnapshotDepthSetting, &settings.snapshot_depth}};
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
    text.remove_prefix(kByteOrderMark.size());
  const std::string prefix = std::string(kSettingsFileName) + ":";
  std::size_t number = 0, unsaid = 0;
  while (!text.empty()) {
    ++number;
    // A line ends at LF, CRLF or a lone CR.
    const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
    std::string_view line = Trim(text.substr(0, end));
    std::size_t next = end;
    if (end < text.size())
      next += text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1;
    text.remove_prefix(next);
    if (line.empty() || line.front() == '#') continue;

    auto complain = [&](const std::string& what) {
      if (settings.complaints.size() < kMaxComplaints) {
        settings.complaints.push_back(prefix + std::to_string(number) + ": " + what);
      } else {
        ++unsaid;
      }
    };
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      complain("not a setting (NAME=VALUE, or # before a comment): " + Shown(line) + " is ignored");
      continue;
    }
    const std::string_view name = Trim(line.substr(0, equals));
    std::string_view value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);

    Known* setting = nullptr;
    for (Known& k : known) {
      if (name == k.name) setting = &k;
    }
    if (setting == nullptr) {
      std::string names;
      for (const Known& k : known) names += std::string(names.empty() ? "" : ", ") + k.name;
      complain("unknown setting " + Shown(name) + " (known: " + names + "): the line is ignored");
      continue;
    }
    if (value.find('\0') != std::string_view::npos) {
      complain(std::string(name) + " holds a NUL byte: the line is ignored");
      continue;
    }
    if (setting->line != 0) {
      complain(std::string(name) + " is given again (line " + std::to_string(setting->line) +
               " gave it before): this line's value is used");
    }
    *setting->value = std::string(value);
    setting->line = number;
  }
  if (unsaid > 0) {
    settings.complaints.push_back(prefix + " " + std::to_string(unsaid) +
                                  " more lines not understood or given again");
  }
  return settings;
}

namespace {

// A limit's text as a count from 1 to 10^12; nullopt for anything else.
std::optional<unsigned long long> Count(const std::string& text) {
  if (text.empty() || text.size() > 13 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  unsigned long long n = std::stoull(text);
  return n > 0 && n <= 1000000000000ull ? std::optional(n) : std::nullopt;
}

// The whole file, or nullopt when it cannot be opened (there is none).
std::optional<std::string> ReadFile(const std::string& path) {
  std::FILE* file = kit::OpenFile(path, "rb");
  if (file == nullptr) return std::nullopt;
  std::string text;
  char block[4096];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;) text.append(block, n);
  std::fclose(file);
  return text;
}

}  // namespace

Settings ReadSettings(const std::string& folder, unsigned long long default_nodes,
                      unsigned long long default_depth) {
  Settings settings;
  settings.snapshot_nodes = default_nodes;
  settings.snapshot_depth = default_depth;
  std::optional<std::string> nodes, depth;  // the snapshot's limits as given
  if (std::optional<std::string> text = ReadFile(folder + kSettingsFileName)) {
    SettingsText file = ParseSettings(*text);
    auto resolve = [&](const std::optional<std::string>& value) {
      if (!value || value->empty()) return std::string();
      return IsAbsolute(*value) ? *value : folder + *value;
    };
    settings.file = true;
    settings.log = resolve(file.log);
    settings.plugin = resolve(file.plugin);
    if (!settings.plugin.empty()) settings.plugin_from = Settings::From::kFile;
    settings.snapshot = resolve(file.snapshot);
    settings.complaints = std::move(file.complaints);
    nodes = file.snapshot_nodes;
    depth = file.snapshot_depth;
  }
  if (auto log = Environment(kLogSetting)) settings.log = *log;
  if (auto plugin = Environment(kPluginSetting)) {
    settings.plugin = *plugin;
    settings.plugin_from = Settings::From::kEnvironment;
  }
  if (auto snapshot = Environment(kSnapshotSetting)) settings.snapshot = *snapshot;
  if (auto n = Environment(kSnapshotNodesSetting)) nodes = n;
  if (auto d = Environment(kSnapshotDepthSetting)) depth = d;
  for (auto [name, text, limit] :
       {std::tuple{kSnapshotNodesSetting, &nodes, &settings.snapshot_nodes},
        std::tuple{kSnapshotDepthSetting, &depth, &settings.snapshot_depth}}) {
    if (!*text || (*text)->empty()) continue;
    if (std::optional<unsigned long long> n = Count(**text)) {
      *limit = *n;
    } else {
      settings.complaints.push_back(std::string(name) + " is not a count from 1 to 10^12 (" +
                                    **text + "): the default " + std::to_string(*limit) +
                                    " is used");
    }
  }
  if (settings.plugin.empty()) {
    settings.plugin = kDefaultRealPlugin;
    settings.plugin_from = Settings::From::kDefault;
  }
  if (settings.plugin.find_first_of(kSeparators) == std::string::npos)
    settings.plugin = folder + settings.plugin;
  return settings;
}

}  // namespace trace
