#include "settings.h"

#include <algorithm>
#include <iterator>
#include <tuple>
#include <utility>

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

// Each setting, and where its text is kept.
constexpr std::pair<const char*, std::optional<std::string> SettingsText::*> kSettings[] = {
    {kLogSetting, &SettingsText::log},
    {kPluginSetting, &SettingsText::plugin},
    {kSnapshotSetting, &SettingsText::snapshot},
    {kSnapshotNodesSetting, &SettingsText::snapshot_nodes},
    {kSnapshotDepthSetting, &SettingsText::snapshot_depth}};

std::string_view Trim(std::string_view text) {
  text.remove_prefix(std::min(text.find_first_not_of(kBlanks), text.size()));
  return text.substr(0, text.find_last_not_of(kBlanks) + 1);
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

SettingsText ParseSettings(std::string_view text) {
  SettingsText settings;
  std::size_t given_at[std::size(kSettings)] = {};  // the line that last gave each setting
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  const std::string prefix = std::string(kSettingsFileName) + ":";
  std::size_t number = 0, unsaid = 0;
  while (!text.empty()) {
    ++number;
    // A line ends at LF, CRLF or a lone CR.
    const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
    std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(text.substr(end).starts_with("\r\n") ? end + 2
                                                            : std::min(end + 1, text.size()));
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

    const auto setting = std::find_if(std::begin(kSettings), std::end(kSettings),
                                      [&](const auto& known) { return name == known.first; });
    if (setting == std::end(kSettings)) {
      std::string names;
      for (const auto& known : kSettings)
        names += (names.empty() ? "" : ", ") + std::string(known.first);
      complain("unknown setting " + Shown(name) + " (known: " + names + "): the line is ignored");
      continue;
    }
    if (value.find('\0') != std::string_view::npos) {
      complain(std::string(name) + " holds a NUL byte: the line is ignored");
      continue;
    }
    std::size_t& line_before = given_at[setting - std::begin(kSettings)];
    if (line_before != 0) {
      complain(std::string(name) + " is given again (line " + std::to_string(line_before) +
               " gave it before): this line's value is used");
    }
    settings.*setting->second = std::string(value);
    line_before = number;
  }
  if (unsaid > 0) {
    settings.complaints.push_back(prefix + " " + std::to_string(unsaid) +
                                  " more lines not understood or given again");
  }
  return settings;
}

Settings ReadSettings(const std::string& folder, unsigned long long default_nodes,
                      unsigned long long default_depth) {
  Settings settings;
  settings.snapshot_nodes = default_nodes;
  settings.snapshot_depth = default_depth;
  SettingsText given;
  if (std::optional<std::string> text = ReadFile(folder + kSettingsFileName)) {
    given = ParseSettings(*text);
    settings.file = true;
    settings.complaints = std::move(given.complaints);
    // The file's relative paths are taken from its folder.
    for (std::optional<std::string>* path : {&given.log, &given.plugin, &given.snapshot}) {
      if (*path && !(*path)->empty() && !IsAbsolute(**path)) **path = folder + **path;
    }
    if (given.plugin && !given.plugin->empty()) settings.plugin_from = Settings::From::kFile;
  }
  // The environment over the file.
  for (const auto& [name, member] : kSettings) {
    if (std::optional<std::string> value = Environment(name)) {
      given.*member = std::move(value);
      if (member == &SettingsText::plugin) settings.plugin_from = Settings::From::kEnvironment;
    }
  }
  settings.log = given.log.value_or("");
  settings.plugin = given.plugin.value_or("");
  settings.snapshot = given.snapshot.value_or("");
  for (auto [name, text, limit] :
       {std::tuple{kSnapshotNodesSetting, &given.snapshot_nodes, &settings.snapshot_nodes},
        std::tuple{kSnapshotDepthSetting, &given.snapshot_depth, &settings.snapshot_depth}}) {
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
