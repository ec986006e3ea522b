#include "checks.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <map>
#include <set>

#include "files.h"
#include "image.h"
#include "names.h"

namespace doctor {

namespace {

// The framework's modules under this system's file names.
#if defined(_WIN32)
constexpr const char* kFrameworkModules[] = {"FIIterator.dll", "QELUtils.dll", "QELCOM.DLL"};
#else
constexpr const char* kFrameworkModules[] = {"libFIIterator.so", "libQELUtils.so", "libQELCOM.so"};
#endif
constexpr const char* kCompilerRuntime[] = {"libgcc_s_dw2-1.dll", "libwinpthread-1.dll"};
// The host's modules searched for its entry points, in the bootstrap's order ("norvane.exe"
// only when it is in the folder: the bootstrap asks it only when it is the running host), and
// the entry points with the bootstrap export that needs each.
constexpr const char* kHostProgram = "norvane.exe";
constexpr const char* kHostModules[] = {"norvaneeng.dll", "finadapt.dll"};
constexpr std::pair<const char*, const char*> kEntryPoints[] = {
    {"GetTopFIEntryV", "GetTopNorvaneEntry"},
    {"GetTopNorvaneCtx", "GetQELNode"},
    {"TestIteratorX", "TestIterator"}};

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

template <class Range>
bool Contains(const Range& names, const std::string& name) {
  return std::any_of(std::begin(names), std::end(names),
                     [&](const auto& other) { return SameModuleName(other, name); });
}

std::string JoinNames(const std::vector<std::string>& names, const char* quote = "") {
  std::string text;
  for (const std::string& name : names) {
    if (!text.empty()) text += ", ";
    text += quote + Sanitize(name) + quote;
  }
  return text;
}

std::string Bits(int width) {
  return std::to_string(width) + "-bit";
}

// The zip that holds the plug-in of `width`.
std::string ZipOf(int width) {
#if defined(_WIN32)
  return std::string("the zip fintop-*-win") + (width == 32 ? "32" : "64") + ".zip";
#else
  return "a build for " + Bits(width) + " Linux";
#endif
}

Check Make(const char* name, std::vector<std::string> problems, std::string ok_text,
           Details details) {
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

Check PluginFile(const Image& plugin) {
  const std::string file = Sanitize(BaseName(plugin.path));
  std::vector<std::string> problems;
  std::string what =
      file + " is a " + Bits(plugin.width) + " " + plugin.kind + " for " + plugin.machine;
  if (!plugin.library) {
    problems.push_back(what + ", not a plug-in: put the " + kit::kPluginFile +
                       " of the zip in the folder");
  } else if (plugin.machine != "x86-64" && plugin.machine != "x86") {
    problems.push_back(what + ", which fintop is not built for: use the " + kit::kPluginFile +
                       " of the zip of the host's width");
  }
#if defined(_WIN32)
  if (plugin.file_version) {
    what +=
        ", file version " + *plugin.file_version + ", product version " + *plugin.product_version;
  } else if (problems.empty()) {
    problems.push_back(what +
                       " without a version resource, so not a release build of fintop: use the " +
                       std::string(kit::kPluginFile) + " of the zip");
  }
#endif
  PluginDetails details{plugin.path,  plugin.kind,         plugin.machine,
                        plugin.width, plugin.file_version, plugin.product_version};
  return Make("plug-in", std::move(problems), what, std::move(details));
}

Check Exports(const Image& plugin) {
  const ExpectedExports& expected = Expected();
  const std::set<std::string> exported(plugin.exports.begin(), plugin.exports.end());
  std::vector<std::string> missing, decorated;
  for (const std::string& name : expected.All()) {
    if (exported.count(name) != 0) continue;
    const auto spelled = std::find_if(plugin.exports.begin(), plugin.exports.end(),
                                      [&](const std::string& e) { return IsDecorated(e, name); });
    if (spelled == plugin.exports.end()) {
      missing.push_back(name);
    } else {
      decorated.push_back(*spelled + " (for " + name + ")");
    }
  }
  const std::string file = Sanitize(BaseName(plugin.path));
  std::vector<std::string> problems;
  if (missing.size() == expected.All().size()) {
    problems.push_back(file + " exports none of the " + std::to_string(missing.size()) +
                       " names of fintop");
  } else if (!missing.empty()) {
    problems.push_back(file + " does not export " + JoinNames(missing));
  }
  if (!decorated.empty()) {
    problems.push_back(file + " exports decorated names: " + JoinNames(decorated));
  }
  if (!problems.empty()) {
    problems.back() +=
        ": the framework finds every export by its plain name, so this is a faulty "
        "build of fintop: use the " +
        std::string(kit::kPluginFile) +
        " of the zip (fintop/exports.txt lists what it must export)";
  }
  const std::string ok_text =
      file + " exports all " + std::to_string(expected.callbacks.size()) + " callbacks, the " +
      std::to_string(expected.bootstrap.size()) + " bootstrap functions and the " +
      std::to_string(expected.members.size()) +
      " members of FIMessageFilter, FISolver and FIPath under their plain names";
  ExportsDetails details{expected.All().size(), missing, decorated};
  return Make("exports", std::move(problems), ok_text, std::move(details));
}

// What to do about a module that is not found.
std::string NotFoundAdvice(const std::string& module) {
  if (Contains(kFrameworkModules, module)) {
    return "it is a framework module: run the doctor on the framework's own folder, and copy "
           "fintop's files there";
  }
  if (Contains(kCompilerRuntime, module)) {
    return "it ships in the 32-bit zip beside fintop.dll: copy it into the folder";
  }
  return "copy it into the folder";
}

// What follows from a module that lacks names its importer takes from it.
std::string MissingAdvice(const Image& module, const std::vector<std::string>& missing,
                          const std::string& importer) {
  const Spelling own = SpellingOf(module.exports);
  const Spelling wanted = SpellingOf(missing);
  const std::string file = Sanitize(BaseName(module.path));
  if (wanted != Spelling::kNone && own != Spelling::kNone && own != wanted) {
    return "its own C++ exports use " + std::string(Describe(own)) + " spelling and " +
           Sanitize(importer) + " takes " + Describe(wanted) + " names: " + file +
           " was built with another compiler, and fintop must be built with the compiler "
           "family of the framework (README, \"The boundary with the host\"): use a fintop "
           "built with that compiler";
  }
  return file + " is of another version than the one " + Sanitize(importer) +
         " was built for: use the framework modules and fintop of one release";
}

// Follows the plug-in's imports (and theirs, outside the system's folders) as the loader does.
Check Imports(const Image& plugin, const std::string& folder) {
  std::vector<std::string> problems;
  ImportsDetails details;
  std::vector<std::string> unreadable;                       // modules whose names cannot be read
  std::map<std::string, std::vector<std::string>> found_at;  // where -> modules, for the ok line
  std::vector<std::string> order;
  std::vector<std::string> seen;
  std::vector<std::string> other_width;  // framework modules of another width than the plug-in
  int framework_width = 0;
  std::deque<std::pair<std::string, const Image*>> pending;
  std::deque<Image> images;
  for (const ImportedModule& imported : plugin.imports)
    pending.emplace_back(imported.module, &plugin);
  while (!pending.empty()) {
    auto [name, importer] = pending.front();
    pending.pop_front();
    if (Contains(seen, name)) continue;
    seen.push_back(name);
    const std::string importer_name = BaseName(importer->path);
    const auto imported = std::find_if(
        importer->imports.begin(), importer->imports.end(),
        [&name = name](const ImportedModule& m) { return SameModuleName(m.module, name); });
    ImportDetails entry;
    entry.module = name;
    entry.needed_by = importer_name;
    const std::optional<Found> found = FindModule(name, *importer, folder);
    if (!found) {
      problems.push_back(
          Sanitize(name) + " (needed by " + Sanitize(importer_name) +
          ") is not in the folder, the system's folders or PATH: " + NotFoundAdvice(name));
      details.modules.push_back(entry);
      continue;
    }
    entry.found = found->path;
    Image module;
    try {
      module = ReadImage(found->path);
    } catch (const BadFile& error) {
      problems.push_back(Sanitize(name) + " (needed by " + Sanitize(importer_name) +
                         ") cannot be used: " + error.what() + ": replace it");
      details.modules.push_back(entry);
      continue;
    }
    entry.width = module.width;
    const std::string where = found->where == "the folder" ? "the folder" : Sanitize(found->where);
    if (module.width != importer->width || module.machine != importer->machine) {
      std::string problem = Sanitize(name) + " in " + where + " is " + Bits(module.width) + " (" +
                            module.machine + ") but " + Sanitize(importer_name) + " is " +
                            Bits(importer->width) + " (" + importer->machine + ")";
      if (importer == &plugin && Contains(kFrameworkModules, name)) {
        other_width.push_back(Sanitize(name));
        framework_width = module.width;
      } else {
        problems.push_back(problem + ": put the " + Bits(importer->width) + " " + Sanitize(name) +
                           " in the folder");
      }
      details.modules.push_back(entry);
      continue;
    }
    if (imported != importer->imports.end() && !imported->names.empty()) {
      const std::set<std::string> exports(module.exports.begin(), module.exports.end());
      std::vector<std::string> missing;
      for (const std::string& wanted : imported->names) {
        if (!wanted.starts_with("#") && exports.count(wanted) == 0) missing.push_back(wanted);
      }
      entry.missing = missing;
      if (!missing.empty()) {
        entry.spelling = Describe(SpellingOf(module.exports));
        problems.push_back(Sanitize(name) + " in " + where + " lacks " +
                           std::to_string(missing.size()) + " of the " +
                           std::to_string(imported->names.size()) + " names " +
                           Sanitize(importer_name) + " takes from it (" + JoinNames(missing) +
                           "): " + MissingAdvice(module, missing, importer_name));
      }
    }
    if (imported != importer->imports.end() && imported->names_unreadable) {
      entry.names_unreadable = true;
      unreadable.push_back(Sanitize(name));
    }
    found_at[where].push_back(Sanitize(name));
    if (std::find(order.begin(), order.end(), where) == order.end()) order.push_back(where);
    details.modules.push_back(entry);
    images.push_back(std::move(module));
    const Image& kept = images.back();
    // Windows' own modules come with Windows; on ELF the libraries' own needs bind symbols too.
    if (!found->system || kept.imports.empty() || kept.imports.front().names.empty()) {
      for (const ImportedModule& next : kept.imports) pending.emplace_back(next.module, &kept);
    }
  }
  if (!other_width.empty()) {
    problems.insert(problems.begin(),
                    JoinNames(other_width) + " in the folder " +
                        (other_width.size() == 1 ? "is " : "are ") + Bits(framework_width) +
                        " but " + Sanitize(BaseName(plugin.path)) + " is " + Bits(plugin.width) +
                        ": this framework is " + Bits(framework_width) + " and needs the " +
                        Bits(framework_width) + " " + kit::kPluginFile + " (" +
                        ZipOf(framework_width) + ")");
  }
  // ELF: every undefined symbol of the plug-in must be defined by a library that is loaded.
  if (!plugin.unbound.empty() && problems.empty()) {
    std::set<std::string> defined;
    for (const Image& image : images) defined.insert(image.exports.begin(), image.exports.end());
    std::vector<std::string> unbound;
    for (const std::string& name : plugin.unbound) {
      if (defined.count(name) == 0) unbound.push_back(name);
    }
    if (!unbound.empty()) {
      problems.push_back(
          "no library " + Sanitize(BaseName(plugin.path)) + " needs defines " + JoinNames(unbound) +
          ": the framework's libraries are of another version "
          "than the one fintop was built for: use the framework and fintop of one release");
    }
  }
  std::string ok_text;
  for (const std::string& where : order) {
    if (!ok_text.empty()) ok_text += "; ";
    ok_text += JoinNames(found_at[where]) + " in " + where;
  }
  ok_text = order.empty() ? Sanitize(BaseName(plugin.path)) + " imports no module"
                          : ok_text + ": each " + Bits(plugin.width) +
                                " and exporting every name it is asked for";
  if (!unreadable.empty()) {
    // A bound import table without its names: what is taken from these cannot be compared.
    ok_text +=
        " (" + JoinNames(unreadable) +
        ": their names were not compared, the table that imports them was bound without them)";
  }
  return Make("imports", std::move(problems), ok_text, std::move(details));
}

Check HostEntryPoints(const Image& plugin, const std::string& folder) {
  struct Module {
    std::string name;
    std::string where;  // empty when not found
    std::string fault;  // why it cannot serve, when found
    std::vector<std::string> provides;
    int width = 0;
  };
  std::vector<Module> modules;
  std::vector<std::string> names = {kHostProgram};
  names.insert(names.end(), std::begin(kHostModules), std::end(kHostModules));
  for (const std::string& name : names) {
    Module module;
    module.name = name;
    // The bootstrap asks the host's own modules, which the host loads from its folder first
    // (the stand-in loader does so too), whatever the plug-in's search path holds.
    std::optional<Found> found = FindModule(name, plugin, folder);
    const std::filesystem::path local = std::filesystem::path(folder) / name;
    std::error_code error;
    if (std::filesystem::is_regular_file(local, error)) found = Found{local.string(), "the folder"};
    if (name == kHostProgram && (!found || found->where != "the folder")) continue;
    if (found) {
      module.where = found->where == "the folder" ? "the folder" : Sanitize(found->where);
      try {
        const Image image = ReadImage(found->path);
        module.width = image.width;
        if (image.width != plugin.width) {
          module.fault = "is " + Bits(image.width) + ", " + Sanitize(BaseName(plugin.path)) + " " +
                         Bits(plugin.width);
        }
        for (const auto& [entry, user] : kEntryPoints) {
          if (std::find(image.exports.begin(), image.exports.end(), entry) != image.exports.end()) {
            module.provides.push_back(entry);
          }
        }
      } catch (const BadFile& error) {
        module.fault = std::string("cannot be read: ") + error.what();
      }
    }
    modules.push_back(std::move(module));
  }
  auto describe = [](const Module& m) {
    if (m.where.empty()) return m.name + " (not found)";
    std::string text = m.name + " in " + m.where;
    if (!m.fault.empty()) return text + " " + m.fault;
    return text +
           (m.provides.empty() ? " provides none" : " provides " + JoinNames(m.provides, "\""));
  };
  std::vector<std::string> problems, lacking;
  HostDetails details;
  for (const auto& [entry, user] : kEntryPoints) {
    const auto provider =
        std::find_if(modules.begin(), modules.end(), [&entry = entry](const Module& m) {
          return m.fault.empty() &&
                 std::find(m.provides.begin(), m.provides.end(), entry) != m.provides.end();
        });
    details.entry_points.emplace_back(entry, provider == modules.end()
                                                 ? std::nullopt
                                                 : std::optional<std::string>(provider->name));
    if (provider == modules.end()) {
      lacking.push_back(std::string("\"") + entry + "\" (" + user + " returns 0 without it)");
    }
  }
  std::string state;
  for (const Module& m : modules) state += (state.empty() ? "" : "; ") + describe(m);
  if (!lacking.empty()) {
    const auto other = std::find_if(modules.begin(), modules.end(), [&](const Module& m) {
      return m.width != 0 && m.width != plugin.width;
    });
    problems.push_back(
        "no host module provides " + JoinNames(lacking) + ": " + state + ": " +
        (other != modules.end()
             ? "the host is " + Bits(other->width) + " and needs the " + Bits(other->width) + " " +
                   kit::kPluginFile + " (" + ZipOf(other->width) + ")"
             : "the folder needs the host's modules of a release that has these entry points"));
  }
  for (const Module& m : modules) {
    details.modules.push_back({m.name,
                               m.where.empty() ? std::nullopt : std::optional<std::string>(m.where),
                               m.fault, m.provides});
  }
  return Make("host entry points", std::move(problems), state, std::move(details));
}

const char* OutcomeName(LoadResult::Outcome outcome) {
  switch (outcome) {
    case LoadResult::Outcome::kLoaded:
      return "loaded";
    case LoadResult::Outcome::kRefused:
      return "refused";
    case LoadResult::Outcome::kCrashed:
      return "crashed";
    case LoadResult::Outcome::kAborted:
      return "aborted";
    case LoadResult::Outcome::kTimedOut:
      return "timed out";
    case LoadResult::Outcome::kNoReport:
      break;
  }
  return "no report";
}

// The real load, in a child process: a crash, an abort or a hang there is this check's answer.
Check Load(const Image& plugin, const std::string& folder, bool earlier_failed) {
  const ExpectedExports& expected = Expected();
  const std::vector<std::string> names = expected.All();
  const int seconds = LoadSeconds();
  const LoadResult result = LoadInChild(plugin.path, folder, seconds);
  const std::string file = BaseName(plugin.path);
  const std::string damaged = ": the file is damaged, or not a plug-in of this build";
  // The loader's own last words, when it left any (ld.so's assertion, a runtime's message).
  const std::string said = result.output.empty() ? "" : " (it said: " + result.output + ")";
  std::vector<std::string> problems;
  switch (result.outcome) {
    case LoadResult::Outcome::kRefused: {
      std::string problem = file + " does not load: " + result.message;
      if (plugin.width != OwnWidth()) {
        problem += " (this fintop-doctor is " + Bits(OwnWidth()) + " and loads only " +
                   Bits(OwnWidth()) + " plug-ins: run the doctor of the plug-in's zip)";
      } else if (earlier_failed) {
        problem += " (the failures above say why)";
      }
      problems.push_back(problem);
      break;
    }
    case LoadResult::Outcome::kCrashed:
      problems.push_back("the loader crashed (" + result.message + ") while " + result.step + " " +
                         file + said + damaged);
      break;
    case LoadResult::Outcome::kAborted:
      problems.push_back("the loader aborted (" + result.message + ") while " + result.step + " " +
                         file + said + damaged);
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
  const std::string ok_text = file + " loads with the folder searched first, all " +
                              std::to_string(names.size()) + " exports resolve, unloaded";
  LoadDetails details{result.outcome == LoadResult::Outcome::kLoaded, OutcomeName(result.outcome),
                      result.message, result.unresolved, result.stubbed};
  return Make("load", std::move(problems), ok_text, std::move(details));
}

}  // namespace

std::vector<Check> Examine(const std::string& folder, const std::string& plugin_path,
                           const std::function<void(const Check&)>& decided) {
  const Image plugin = ReadImage(plugin_path);
  std::vector<Check> checks;
  auto add = [&](Check check) {
    checks.push_back(std::move(check));
    decided(checks.back());
  };
  add(PluginFile(plugin));
  add(Exports(plugin));
  add(Imports(plugin, folder));
  add(HostEntryPoints(plugin, folder));
  const bool failed =
      std::any_of(checks.begin(), checks.end(), [](const Check& c) { return !c.ok; });
  add(Load(plugin, folder, failed));
  return checks;
}

}  // namespace doctor
