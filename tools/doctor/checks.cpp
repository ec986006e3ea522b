#include "checks.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>

#include "files.h"
#include "system.h"

namespace doctor {

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Bits(int width) {
  return std::to_string(width) + "-bit";
}

std::string ZipOf(int width) {
#if defined(_WIN32)
  return std::string("the zip fintop-*-win") + (width == 32 ? "32" : "64") + ".zip";
#else
  return "a build for " + Bits(width) + " Linux";
#endif
}

std::string Files(const std::vector<const Image*>& subjects) {
  std::string text;
  for (size_t i = 0; i < subjects.size(); ++i) {
    if (i > 0) text += i + 1 == subjects.size() ? " and " : ", ";
    text += BaseName(subjects[i]->path);
  }
  return text;
}

std::string JoinNames(const std::vector<std::string>& names, const char* quote) {
  std::string text;
  for (size_t i = 0; i < names.size() && i < kShownNames; ++i) {
    if (!text.empty()) text += ", ";
    text += quote + names[i] + quote;
  }
  if (names.size() > kShownNames)
    text += " and " + std::to_string(names.size() - kShownNames) + " more";
  return text;
}

Check MakeCheck(const char* name, std::vector<std::string> problems, std::string ok_text,
                Object details) {
  Check check;
  check.name = name;
  check.ok = problems.empty();
  if (check.ok) {
    check.text = std::move(ok_text);
  } else {
    for (const std::string& problem : problems) {
      if (!check.text.empty()) check.text += "; ";
      check.text += problem;
    }
  }
  check.problems = std::move(problems);
  check.details = std::move(details);
  return check;
}

namespace {

// What a module given as a plug-in is ("a 64-bit DLL for x86-64, file version ..."), and
// what keeps it from serving as one, each problem naming it and saying what to do.
struct Described {
  std::string what;
  std::vector<std::string> problems;
};
Described DescribeModule(const Image& module, [[maybe_unused]] const std::string& product,
                         const std::string& shipped) {
  const std::string file = BaseName(module.path);
  Described d;
  d.what = "a " + Bits(module.width) + " " + module.kind + " for " + module.machine;
  if (!module.library) {
    d.problems.push_back(file + " is " + d.what + ", not a plug-in: put the " + shipped +
                         " of the zip in the folder");
  } else if (module.machine != "x86-64" && module.machine != "x86") {
    d.problems.push_back(file + " is " + d.what + ", which fintop is not built for: use the " +
                         shipped + " of the zip of the host's width");
  }
#if defined(_WIN32)
  if (module.file_version) {
    d.what +=
        ", file version " + *module.file_version + ", product version " + *module.product_version;
  } else if (d.problems.empty()) {
    d.problems.push_back(file + " is " + d.what +
                         " without a version resource, so not a release build of " + product +
                         ": use the " + shipped + " of the zip");
  }
#endif
  return d;
}

// The plug-in check's details: the file, what it is, its version resource (Windows).
Object DetailsOf(const std::string& path, const Image& plugin) {
  Object details;
  details.Text("file", path).Text("kind", plugin.kind).Text("machine", plugin.machine);
  details.Integer("width", plugin.width);
  if (plugin.file_version) details.Text("file_version", *plugin.file_version);
  if (plugin.product_version) details.Text("product_version", *plugin.product_version);
  return details;
}

Check PluginFile(const Image& plugin) {
  Described d = DescribeModule(plugin, "fintop", kit::kPluginFile);
  return MakeCheck("plug-in", std::move(d.problems), BaseName(plugin.path) + " is " + d.what,
                   DetailsOf(plugin.path, plugin));
}

// A plug-in file that is no module: what it is, and what to do.
Check Unreadable(const std::string& path, const std::string& fault) {
  const std::string file = BaseName(path);
  std::error_code error;
  const std::string problem =
      std::filesystem::exists(kit::PathOf(path), error)
          ? file + " " + fault + ": put the " + kit::kPluginFile + " of the zip in the folder"
          : file + " is not in the folder: copy the " + kit::kPluginFile + " of the zip there";
  return MakeCheck("plug-in", {problem}, "", DetailsOf(path, Image()));
}

// The recorder in the plug-in's place, and the real plug-in it loads (`real`, or `fault`).
Check RecorderPlugin(const Image& recorder, const trace::Settings& settings,
                     const std::optional<Image>& real, const std::string& fault) {
  const std::string file = BaseName(recorder.path);
  Described d = DescribeModule(recorder, "fintop-trace", kRecorderFile);
  std::vector<std::string> problems = std::move(d.problems);
  const bool named = settings.plugin_from != trace::Settings::From::kDefault;
  const std::string real_name = named ? settings.plugin : BaseName(settings.plugin);
  // Where the real plug-in's name comes from.
  const std::string from =
      !named ? "its default name"
      : settings.plugin_from == trace::Settings::From::kFile
          ? std::string("as ") + trace::kSettingsFileName + " names it"
          : std::string("as this environment's ") + trace::kPluginSetting + " names it";
  std::string text = file + " is fintop-trace, the recorder (" + d.what +
                     "); the real plug-in it loads, " + real_name + " (" + from + ")";
  const std::string place =
      "put the " + std::string(kit::kPluginFile) + " of the zip there under that name";
  std::error_code error;
  if (!real && !std::filesystem::exists(kit::PathOf(settings.plugin), error)) {
    // The rename forgotten: the recorder would answer every call "not found".
    problems.push_back(text + ", is not there, so every callback answers \"not found\": " +
                       (named ? place
                              : "rename the real " + std::string(kit::kPluginFile) + " to " +
                                    real_name + " (INSTALL.txt, \"Recording a session\")"));
  } else if (!real) {
    problems.push_back(text + ", " + fault + ": " + place);
  } else if (IsRecorder(*real)) {
    problems.push_back(text + ", is the recorder too: " + place);
  } else {
    Described r = DescribeModule(*real, "fintop", kit::kPluginFile);
    text += ", is " + r.what;
    problems.insert(problems.end(), r.problems.begin(), r.problems.end());
    if (real->width != recorder.width) {
      problems.push_back(file + " is " + Bits(recorder.width) + " and " + real_name + " " +
                         Bits(real->width) + ": use the two of one zip");
    }
  }
  return MakeCheck("plug-in", std::move(problems), text,
                   DetailsOf(recorder.path, recorder).Text("real_plugin", settings.plugin));
}

Check Exports(const std::vector<const Image*>& subjects) {
  const ExpectedExports& expected = Expected();
  std::vector<std::string> problems;
  Object details;
  for (const Image* plugin : subjects) {
    const std::set<std::string> exported(plugin->exports.begin(), plugin->exports.end());
    std::vector<std::string> missing, decorated;
    for (const std::string& name : expected.all) {
      if (exported.count(name) != 0) continue;
      const auto spelled = std::find_if(plugin->exports.begin(), plugin->exports.end(),
                                        [&](const std::string& e) { return IsDecorated(e, name); });
      if (spelled == plugin->exports.end()) {
        missing.push_back(name);
      } else {
        decorated.push_back(*spelled + " (for " + name + ")");
      }
    }
    const std::string file = BaseName(plugin->path);
    const size_t before = problems.size();
    if (missing.size() == expected.all.size()) {
      problems.push_back(file + " exports none of the " + std::to_string(missing.size()) +
                         " names of fintop");
    } else if (!missing.empty()) {
      problems.push_back(file + " does not export " + JoinNames(missing));
    }
    if (!decorated.empty()) {
      problems.push_back(file + " exports decorated names: " + JoinNames(decorated));
    }
    if (problems.size() > before) {
      problems.back() +=
          ": the framework finds every export by its plain name, so this is a faulty "
          "build of fintop: use the " +
          std::string(IsRecorder(*plugin) ? kRecorderFile : kit::kPluginFile) + " of the zip";
    }
    // The details of the first module found wanting, else of the last (the real plug-in).
    if (before == 0) {
      details = Object()
                    .Integer("expected", static_cast<long long>(expected.all.size()))
                    .Texts("missing", missing)
                    .Texts("decorated", decorated);
    }
  }
  const std::string ok_text =
      Files(subjects) + (subjects.size() == 1 ? " exports" : " export") + " all " +
      std::to_string(expected.callbacks.size()) + " callbacks, the " +
      std::to_string(expected.bootstrap.size()) + " bootstrap functions and the " +
      std::to_string(expected.members.size()) +
      " members of FIMessageFilter, FISolver and FIPath under their plain names";
  return MakeCheck("exports", std::move(problems), ok_text, std::move(details));
}

// LoadResult::Outcome's names, in its order.
constexpr const char* kOutcomeNames[] = {"loaded",  "refused",   "crashed",
                                         "aborted", "timed out", "no report"};

// One module's real load, in a child process: its problems, its details.
std::vector<std::string> LoadOne(const Image& plugin, const std::string& folder,
                                 bool earlier_failed, bool width_advised, Object& details) {
  const int seconds = LoadSeconds();
  const LoadResult result = LoadInChild(plugin.path, folder, seconds);
  const std::string file = BaseName(plugin.path);
  const std::string damaged = ": the file is damaged, or not a plug-in of this build: use the " +
                              std::string(IsRecorder(plugin) ? kRecorderFile : kit::kPluginFile) +
                              " of the zip";
  // The loader's own last words, when it left any (ld.so's assertion, a runtime's message).
  const std::string said = result.output.empty() ? "" : " (it said: " + result.output + ")";
  const char* outcome = kOutcomeNames[static_cast<int>(result.outcome)];
  std::vector<std::string> problems;
  switch (result.outcome) {
    case LoadResult::Outcome::kRefused: {
      std::string problem = file + " does not load: " + result.message;
      if (plugin.width != kOwnWidth && !width_advised) {
        problem += " (this fintop-doctor is " + Bits(kOwnWidth) + " and loads only " +
                   Bits(kOwnWidth) + " plug-ins: run the doctor of the plug-in's zip)";
      } else if (earlier_failed) {
        problem += " (the failures above say why)";
      }
      problems.push_back(problem);
      break;
    }
    case LoadResult::Outcome::kCrashed:
    case LoadResult::Outcome::kAborted:
      problems.push_back("the loader " + std::string(outcome) + " (" + result.message + ") while " +
                         result.step + " " + file + said + damaged);
      break;
    case LoadResult::Outcome::kTimedOut:
      problems.push_back(file + " did not finish loading within " + std::to_string(seconds) +
                         " s (stopped while " + result.step + " it)" + said + damaged);
      break;
    case LoadResult::Outcome::kNoReport:
      problems.push_back(file + " could not be checked: " + result.message + said);
      break;
    case LoadResult::Outcome::kLoaded:
      if (!result.stubbed.empty()) {
        std::vector<std::string> from;  // the modules the stubbed imports were to come from
        for (const std::string& import : result.stubbed) {
          const std::string module = import.substr(0, import.find(' '));
          if (!Contains(from, module)) from.push_back(module);
        }
        problems.push_back(
            file +
            " loads here only because this system's loader (Wine's does so) put stubs in place "
            "of " +
            std::to_string(result.stubbed.size()) + " imports it did not find, from " +
            JoinNames(from) + ": Windows refuses to load it" +
            (earlier_failed ? " (the failures above say why)" : ""));
      } else if (!result.unresolved.empty()) {
        problems.push_back(file + " loads, but " + JoinNames(result.unresolved) +
                           " cannot be resolved: use the " + std::string(kit::kPluginFile) +
                           " of the zip");
      }
      break;
  }
  details = Object()
                .Bool("loaded", result.outcome == LoadResult::Outcome::kLoaded)
                .Text("outcome", outcome)
                .Text("message", result.message)
                .Texts("unresolved", result.unresolved)
                .Texts("stubbed", result.stubbed);
  return problems;
}

// The real load of each module checked as the plug-in, each in a child process: a crash, an
// abort or a hang there is this check's answer.
Check Load(const std::vector<const Image*>& subjects, const std::string& folder,
           bool earlier_failed, bool width_advised) {
  std::vector<std::string> problems;
  Object details;
  for (const Image* subject : subjects) {
    Object own;
    std::vector<std::string> more = LoadOne(*subject, folder, earlier_failed, width_advised, own);
    // The details of the first module that failed, else of the last (the real plug-in).
    if (problems.empty()) details = own;
    problems.insert(problems.end(), more.begin(), more.end());
  }
  const bool one = subjects.size() == 1;
  const std::string ok_text = Files(subjects) + (one ? " loads" : " load") +
                              " with the folder searched first, all " +
                              std::to_string(Expected().all.size()) +
                              (one ? " exports" : " exports of each") + " resolve, unloaded";
  return MakeCheck("load", std::move(problems), ok_text, std::move(details));
}

}  // namespace

std::vector<Check> Examine(const std::string& folder, const std::string& plugin_path,
                           const std::function<void(const Check&)>& decided) {
  std::vector<Check> checks;
  auto add = [&](Check check) {
    checks.push_back(std::move(check));
    decided(checks.back());
  };
  Image plugin;
  try {
    plugin = ReadImage(plugin_path);
  } catch (const BadFile& bad) {
    add(Unreadable(plugin_path, bad.fault()));
    return checks;
  }
  std::vector<const Image*> subjects = {&plugin};
  std::optional<Image> real;
  if (IsRecorder(plugin)) {
    // Its settings as it reads them, the environment over the file (the limits' defaults matter
    // only to the recorder).
    const trace::Settings settings = trace::ReadSettings(trace::FolderOf(plugin_path), 1, 1);
    std::string fault;
    try {
      real = ReadImage(settings.plugin);
    } catch (const BadFile& bad) {
      fault = bad.fault();
    }
    add(RecorderPlugin(plugin, settings, real, fault));
    add(RecorderCheck(settings, plugin.path));
    if (real && !IsRecorder(*real)) subjects.push_back(&*real);
  } else {
    add(PluginFile(plugin));
  }
  bool width_advised = false;
  add(Exports(subjects));
  add(Imports(subjects, folder, width_advised));
  add(HostEntryPoints(plugin, folder, width_advised));
  const bool failed =
      std::any_of(checks.begin(), checks.end(), [](const Check& c) { return !c.ok; });
  add(Load(subjects, folder, failed, width_advised));
  return checks;
}

}  // namespace doctor
