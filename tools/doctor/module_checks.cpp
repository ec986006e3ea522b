// The checks of the modules around the plug-in: its imports, followed as the loader follows
// them, and the host's entry points.
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "bootstrap/entry_points.h"
#include "checks.h"
#include "files.h"

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
constexpr const char* kHostModules[] = {kHostProgram, "norvaneeng.dll", "finadapt.dll"};
constexpr std::pair<const char*, const char*> kEntryPoints[] = {
    {fintop::kGetTopFIEntryV, fintop::kGetTopNorvaneEntry},
    {fintop::kGetTopNorvaneCtx, fintop::kGetQELNode},
    {fintop::kTestIteratorX, fintop::kTestIterator}};

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
  const std::string file = BaseName(module.path);
  if (wanted != Spelling::kNone && own != Spelling::kNone && own != wanted) {
    return "its own C++ exports use " + std::string(Describe(own)) + " spelling and " + importer +
           " takes " + Describe(wanted) + " names: " + file +
           " was built with another compiler, and fintop must be built with the compiler "
           "family of the framework: use a fintop built with that compiler";
  }
  return file + " is of another version than the one " + importer +
         " was built for: use the framework modules and fintop of one release";
}

// Modules of the other width than the plug-in, by where they are.
struct OtherWidth {
  int width = 0;
  std::vector<std::string> framework;  // the framework's, in the folder
  std::vector<std::string> system;     // the system's (one place: the first found)
  std::string system_where;
  // The system's of the plug-in's width for another processor.
  std::vector<std::string> machine;
  std::string machine_where, system_machine;
};

// A host module looked for by the host entry points' check: where it was found, what keeps it
// from serving, and the entry points it has.
struct HostModule {
  std::string module;
  std::optional<std::string> found;  // where, when found
  std::string fault;
  std::vector<std::string> provides;
};

}  // namespace

// Follows the plug-in's imports (and theirs, outside the system's folders) as the loader does.
// A module of the other width that the system or the framework gives says that the plug-in is
// of the wrong width: that is the one advice then, for nothing else can be right either.
Check Imports(const std::vector<const Image*>& subjects, const std::string& folder,
              bool& width_advised) {
  const Image& plugin = *subjects.front();
  auto is_subject = [&](const Image* image) {
    return std::find(subjects.begin(), subjects.end(), image) != subjects.end();
  };
  std::vector<std::string> problems;
  std::vector<Object> modules;                               // the details of each module followed
  std::vector<std::string> unreadable;                       // modules whose names cannot be read
  std::map<std::string, std::vector<std::string>> found_at;  // where -> modules, for the ok line
  std::vector<std::string> order;
  std::set<std::string> seen;                                  // modules, by ModuleKey
  std::set<std::pair<std::string, std::string>> subject_seen;  // (subject's path, module)
  OtherWidth other;
  std::deque<std::pair<std::string, const Image*>> pending;
  std::deque<Image> images;
  for (const Image* subject : subjects) {
    for (const ImportedModule& imported : subject->imports)
      pending.emplace_back(imported.module, subject);
  }
  while (!pending.empty()) {
    auto [name, importer] = pending.front();
    pending.pop_front();
    // Each plug-in's own imports are compared with its names; beyond them a module once.
    const std::string key = ModuleKey(name);
    if (is_subject(importer) ? !subject_seen.emplace(importer->path, key).second
                             : seen.count(key) != 0) {
      continue;
    }
    seen.insert(key);
    const std::string shown = kit::BytesShown(name), importer_name = BaseName(importer->path);
    const auto imported = std::find_if(
        importer->imports.begin(), importer->imports.end(),
        [&name = name](const ImportedModule& m) { return SameModuleName(m.module, name); });
    const std::optional<Found> found = FindModule(name, *importer, folder);
    Object& entry = modules.emplace_back();
    entry.Text("module", name).Text("needed_by", importer_name);
    entry.Text("found", found ? std::optional(found->path) : std::nullopt);
    if (!found) {
      problems.push_back(
          shown + " (needed by " + importer_name +
          ") is not in the folder, the system's folders or PATH: " + NotFoundAdvice(name));
      continue;
    }
    Image module;
    try {
      module = ReadImage(found->path);
    } catch (const BadFile& error) {
      // The system's own modules are never to be replaced from outside.
      problems.push_back(
          shown + " (needed by " + importer_name + ") cannot be used: " + error.what() +
          (found->system ? ": the system's installation is damaged" : ": replace it"));
      continue;
    }
    entry.Integer("width", module.width);
    const std::string where = kit::BytesShown(found->where);
    if (module.width == importer->width && module.machine != importer->machine && found->system) {
      other.machine.push_back(shown);
      other.machine_where = where;
      other.system_machine = module.machine;
      continue;
    }
    if (module.width != importer->width || module.machine != importer->machine) {
      if (found->system) {
        other.system.push_back(shown);
        if (other.system_where.empty()) other.system_where = where;
        other.width = module.width;
      } else if (is_subject(importer) && Contains(kFrameworkModules, name)) {
        other.framework.push_back(shown);
        other.width = module.width;
      } else {
        problems.push_back(shown + " in " + where + " is " + Bits(module.width) + " (" +
                           module.machine + ") but " + importer_name + " is " +
                           Bits(importer->width) + " (" + importer->machine + "): put the " +
                           Bits(importer->width) + " " + shown + " in the folder");
      }
      continue;
    }
    if (imported != importer->imports.end() && !imported->names.empty()) {
      const std::set<std::string> exports(module.exports.begin(), module.exports.end());
      std::vector<std::string> missing;
      for (const std::string& wanted : imported->names) {
        if (!wanted.starts_with("#") && exports.count(wanted) == 0) missing.push_back(wanted);
      }
      entry.Texts("missing", missing);
      if (!missing.empty()) {
        entry.Text("spelling", Describe(SpellingOf(module.exports)));
        problems.push_back(shown + " in " + where + " lacks " + std::to_string(missing.size()) +
                           " of the " + std::to_string(imported->names.size()) + " names " +
                           importer_name + " takes from it (" + JoinNames(missing) +
                           "): " + MissingAdvice(module, missing, importer_name));
      }
    }
    if (imported != importer->imports.end() && imported->names_unreadable) {
      entry.Bool("names_unreadable", true);
      if (!Contains(unreadable, shown)) unreadable.push_back(shown);
    }
    std::vector<std::string>& here = found_at[where];
    if (!Contains(here, shown)) here.push_back(shown);
    if (std::find(order.begin(), order.end(), where) == order.end()) order.push_back(where);
    images.push_back(std::move(module));
    const Image& kept = images.back();
    // Windows' own modules come with Windows; on ELF the libraries' own needs bind symbols too.
    if (!found->system || kept.imports.empty() || kept.imports.front().names.empty()) {
      for (const ImportedModule& next : kept.imports) pending.emplace_back(next.module, &kept);
    }
  }
  const std::string files = Files(subjects);
  const std::string is = subjects.size() == 1 ? " is " : " are ";
  if (!other.framework.empty() || !other.system.empty()) {
    // The one advice: the plug-in of the width the framework (or the system) has.
    const bool framework = !other.framework.empty();
    const std::vector<std::string>& names = framework ? other.framework : other.system;
    problems = {JoinNames(names) + " in " + (framework ? "the folder" : other.system_where) +
                (names.size() == 1 ? " is " : " are ") + Bits(other.width) + " but " + files + is +
                Bits(plugin.width) + ": this " + (framework ? "framework" : "system") + " is " +
                Bits(other.width) + " and needs the " + Bits(other.width) + " " + kit::kPluginFile +
                " (" + ZipOf(other.width) + ")"};
    width_advised = true;
  } else if (!other.machine.empty()) {
    // The system's modules are never to be replaced: the plug-in is for another processor,
    // which its own check has said.
    problems = {JoinNames(other.machine) + " in " + other.machine_where +
                (other.machine.size() == 1 ? " is" : " are") + " for " + other.system_machine +
                " but " + files + is + "for " + plugin.machine +
                " (the failure above says what to do)"};
  }
  // ELF: every undefined symbol of the plug-in must be defined by a library that is loaded.
  std::set<std::string> defined;
  for (const Image& image : images) defined.insert(image.exports.begin(), image.exports.end());
  for (const Image* subject : subjects) {
    if (subject->unbound.empty() || !problems.empty()) continue;
    std::vector<std::string> unbound;
    for (const std::string& name : subject->unbound) {
      if (defined.count(name) == 0) unbound.push_back(name);
    }
    if (!unbound.empty()) {
      problems.push_back(
          "no library " + BaseName(subject->path) + " needs defines " + JoinNames(unbound) +
          ": the framework's libraries are of another version "
          "than the one fintop was built for: use the framework and fintop of one release");
    }
  }
  std::string ok_text;
  for (const std::string& where : order) {
    if (!ok_text.empty()) ok_text += "; ";
    ok_text += JoinNames(found_at[where]) + " in " + where;
  }
  ok_text = order.empty() ? files + (subjects.size() == 1 ? " imports" : " import") + " no module"
                          : ok_text + ": each " + Bits(plugin.width) +
                                " and exporting every name it is asked for";
  if (!unreadable.empty()) {
    // A bound import table without its names: what is taken from these cannot be compared.
    ok_text +=
        " (" + JoinNames(unreadable) +
        ": their names were not compared, the table that imports them was bound without them)";
  }
  return MakeCheck("imports", std::move(problems), ok_text,
                   Object().Objects("modules", std::move(modules)));
}

Check HostEntryPoints(const Image& plugin, const std::string& folder, bool& width_advised) {
  std::vector<HostModule> modules;
  std::optional<int> other_width;  // the first host module's, when not the plug-in's
  for (const std::string name : kHostModules) {
    // The bootstrap asks the host's own modules, which the host loads from its folder first
    // (the stand-in loader does so too), whatever the plug-in's search path holds.
    std::optional<Found> found = FindModule(name, plugin, folder);
    const std::filesystem::path local = kit::PathOf(folder) / name;
    std::error_code error;
    if (std::filesystem::is_regular_file(local, error))
      found = Found{kit::Utf8(local), "the folder"};
    if (name == kHostProgram && (!found || found->where != "the folder")) continue;
    HostModule& module = modules.emplace_back();
    module.module = name;
    if (!found) continue;
    module.found = found->where;
    try {
      const Image image = ReadImage(found->path);
      if (image.width != plugin.width) {
        if (!other_width) other_width = image.width;
        module.fault =
            "is " + Bits(image.width) + ", " + BaseName(plugin.path) + " " + Bits(plugin.width);
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
  auto describe = [](const HostModule& m) {
    if (!m.found) return m.module + " (not found)";
    std::string text = m.module + " in " + *m.found;
    if (!m.fault.empty()) return text + " " + m.fault;
    return text +
           (m.provides.empty() ? " provides none" : " provides " + JoinNames(m.provides, "\""));
  };
  std::vector<std::string> problems, lacking;
  Object entry_points;  // each -> the module that provides it, or null
  for (const auto& [entry, user] : kEntryPoints) {
    const auto provider =
        std::find_if(modules.begin(), modules.end(), [&entry = entry](const HostModule& m) {
          return m.fault.empty() &&
                 std::find(m.provides.begin(), m.provides.end(), entry) != m.provides.end();
        });
    const bool provided = provider != modules.end();
    entry_points.Text(entry, provided ? std::optional(provider->module) : std::nullopt);
    if (!provided) {
      lacking.push_back(std::string("\"") + entry + "\" (" + user + " returns 0 without it)");
    }
  }
  std::string state;
  std::vector<Object> shown;
  for (const HostModule& m : modules) {
    state += (state.empty() ? "" : "; ") + describe(m);
    shown.emplace_back()
        .Text("module", m.module)
        .Text("found", m.found)
        .Text("fault", m.fault)
        .Texts("provides", m.provides);
  }
  if (!lacking.empty()) {
    std::string advice =
        "the folder needs the host's modules of a release that has these entry points";
    if (other_width) {
      advice = "the host is " + Bits(*other_width) +
               (width_advised ? " (the failure above says what to do)"
                              : " and needs the " + Bits(*other_width) + " " + kit::kPluginFile +
                                    " (" + ZipOf(*other_width) + ")");
      width_advised = true;
    }
    problems.push_back("no host module provides " + JoinNames(lacking) + ": " + state + ": " +
                       advice);
  }
  Object details;
  details.Add("entry_points", [entry_points](kit::JsonWriter& w) { entry_points.Write(w); })
      .Objects("modules", std::move(shown));
  return MakeCheck("host entry points", std::move(problems), state, std::move(details));
}

}  // namespace doctor
