// fintop-doctor [FOLDER] [--plugin FILE] [--json]: checks a plug-in in the folder a framework
// loads it from and says, one line a check as each is decided (or as one JSON document, written
// here), what will keep it from loading and what to do. Exit status 0 when every check passes, 1
// when one fails (a plug-in file that is no module among them), 2 for a command line or folder that
// cannot be used, or any other fault of the doctor's own (one line on stderr). `fintop-doctor
// --load-only FILE FOLDER`, not in the help, is the load check's child process (image.h, LoadOnly).
// Paths are UTF-8 text throughout (files.h); on Windows the arguments come from wmain, UTF-16.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "checks.h"
#include "command_line.h"
#include "files.h"
#include "image.h"
#include "json_writer.h"
#include "names.h"

namespace doctor {
namespace {

using kit::JsonWriter;

// An object's members, written in the order of their keys (byte order), as the document has
// always had them.
class Object {
 public:
  using Value = std::function<void(JsonWriter&)>;

  Object& Add(std::string key, Value value) {
    members_.emplace(std::move(key), std::move(value));
    return *this;
  }
  Object& Text(std::string key, const std::string& text) {
    return Add(std::move(key), [text = Sanitize(text)](JsonWriter& w) { w.Text(text); });
  }
  Object& TextOrNull(std::string key, const std::optional<std::string>& text) {
    if (!text) return Add(std::move(key), [](JsonWriter& w) { w.Null(); });
    return Text(std::move(key), *text);
  }
  Object& Texts(std::string key, const std::vector<std::string>& texts) {
    std::vector<std::string> shown;
    for (const std::string& text : texts) shown.push_back(Sanitize(text));
    return Add(std::move(key), [shown = std::move(shown)](JsonWriter& w) { w.Texts(shown); });
  }
  Object& Bool(std::string key, bool value) {
    return Add(std::move(key), [value](JsonWriter& w) { w.Bool(value); });
  }
  Object& Integer(std::string key, long long value) {
    return Add(std::move(key), [value](JsonWriter& w) { w.Integer(value); });
  }
  Object& Objects(std::string key, std::vector<Object> objects) {
    return Add(std::move(key), [objects = std::move(objects)](JsonWriter& w) {
      w.BeginArray();
      for (const Object& object : objects) object.Write(w);
      w.End();
    });
  }

  void Write(JsonWriter& w) const {
    w.BeginObject();
    for (const auto& [key, value] : members_) {
      w.Key(key);
      value(w);
    }
    w.End();
  }

 private:
  std::map<std::string, Value> members_;
};

void Members(const PluginDetails& d, Object& o) {
  o.Text("file", d.file).Text("kind", d.kind).Text("machine", d.machine).Integer("width", d.width);
  if (d.file_version) o.Text("file_version", *d.file_version);
  if (d.product_version) o.Text("product_version", *d.product_version);
  if (d.real_plugin) o.Text("real_plugin", *d.real_plugin);
}

void Members(const RecorderDetails& d, Object& o) {
  o.TextOrNull("settings", d.settings)
      .Text("plugin", d.plugin)
      .TextOrNull("log", d.log)
      .TextOrNull("snapshot", d.snapshot)
      .Texts("complaints", d.complaints);
}

void Members(const ExportsDetails& d, Object& o) {
  o.Integer("expected", static_cast<long long>(d.expected))
      .Texts("missing", d.missing)
      .Texts("decorated", d.decorated);
}

void Members(const ImportsDetails& d, Object& o) {
  std::vector<Object> modules;
  for (const ImportDetails& m : d.modules) {
    Object& entry = modules.emplace_back();
    entry.Text("module", m.module).Text("needed_by", m.needed_by).TextOrNull("found", m.found);
    if (m.width) entry.Integer("width", *m.width);
    if (m.missing) entry.Texts("missing", *m.missing);
    if (m.spelling) entry.Text("spelling", *m.spelling);
    if (m.names_unreadable) entry.Bool("names_unreadable", true);
  }
  o.Objects("modules", std::move(modules));
}

void Members(const HostDetails& d, Object& o) {
  Object entries;
  for (const auto& [entry, module] : d.entry_points) entries.TextOrNull(Sanitize(entry), module);
  std::vector<Object> modules;
  for (const HostModuleDetails& m : d.modules) {
    modules.emplace_back()
        .Text("module", m.module)
        .TextOrNull("found", m.found)
        .Text("fault", m.fault)
        .Texts("provides", m.provides);
  }
  o.Add("entry_points", [entries = std::move(entries)](JsonWriter& w) {
     entries.Write(w);
   }).Objects("modules", std::move(modules));
}

void Members(const LoadDetails& d, Object& o) {
  o.Bool("loaded", d.loaded)
      .Text("outcome", d.outcome)
      .Text("message", d.message)
      .Texts("unresolved", d.unresolved)
      .Texts("stubbed", d.stubbed);
}

// The --json document: {"folder", "plugin", "checks": [{"check", "ok", "text", "problems",
// and the check's details}], "failed", "summary"}, indented, ending in a newline. Every text
// taken from a file is escaped as the text lines are (Sanitize), so the document is valid JSON
// whatever the files hold.
std::string JsonReport(const std::string& folder, const std::string& plugin,
                       const std::vector<Check>& checks, int failed, const std::string& summary) {
  std::vector<Object> entries;
  for (const Check& check : checks) {
    Object& entry = entries.emplace_back();
    std::visit([&entry](const auto& d) { Members(d, entry); }, check.details);
    entry.Text("check", check.name)
        .Bool("ok", check.ok)
        .Text("text", check.text)
        .Texts("problems", check.problems);
  }
  kit::Output out;
  JsonWriter w(out);
  Object()
      .Text("folder", folder)
      .Text("plugin", plugin)
      .Objects("checks", std::move(entries))
      .Integer("failed", failed)
      .Text("summary", summary)
      .Write(w);
  return out.text() + "\n";
}

int Usage(const std::string& message) {
  kit::Show(stderr, "fintop-doctor: " + Sanitize(message) + "\n");
  return 2;
}

int Run(const std::vector<std::string>& arguments) {
  if (arguments.size() == 4 && arguments[1] == "--load-only") {
    return LoadOnly(arguments[2], arguments[3]);
  }
  kit::CommandLine line("Checks that fintop will load in the framework's folder, and says why not");
  std::string folder, plugin;
  bool json = false;
  line.AddOption("FOLDER", folder,
                 "the folder the framework loads fintop from (default: the doctor's own)");
  line.AddOption("--plugin", plugin,
                 std::string("the plug-in file (default: ") + kit::kPluginFile + " in FOLDER)");
  line.AddFlag("--json", json, "the checks as one JSON document");
  std::string text;
  switch (line.Parse(arguments, text)) {
    case kit::CommandLine::Outcome::kRun:
      break;
    case kit::CommandLine::Outcome::kHelp:
      kit::Show(stdout, text);
      return 0;
    case kit::CommandLine::Outcome::kError:
      return Usage(text);
  }
  if (folder.empty()) {
    folder = kit::Utf8(kit::ProgramFolder());
    if (folder.empty()) folder = ".";
  }
  std::error_code error;
  if (!std::filesystem::is_directory(kit::PathOf(folder), error)) {
    return Usage(folder + ": not a folder");
  }
  if (plugin.empty()) {
    plugin = kit::Utf8(kit::PathOf(folder) / kit::kPluginFile);
  } else if (!std::filesystem::exists(kit::PathOf(plugin), error)) {
    return Usage(plugin + ": no such file");
  }

  const std::vector<Check> checks = Examine(folder, plugin, [json](const Check& check) {
    if (json) return;
    kit::Show(stdout, std::string(check.ok ? "ok   " : "FAIL ") + check.name + ": " +
                          Sanitize(check.text) + "\n");  // seen at once
  });
  int failed = 0;
  for (const Check& check : checks) failed += check.ok ? 0 : 1;
  const std::string summary = std::to_string(failed) + " of " + std::to_string(checks.size()) +
                              (checks.size() == 1 ? " check" : " checks") + " failed";
  kit::Show(stdout, json ? JsonReport(folder, plugin, checks, failed, summary) : summary + "\n");
  return failed == 0 ? 0 : 1;
}

int Main(const std::vector<std::string>& arguments) {
  try {
    return Run(arguments);
  } catch (const std::exception& error) {
    return Usage(std::string("internal error: ") + error.what());
  } catch (...) {
    return Usage("internal error");
  }
}

}  // namespace
}  // namespace doctor

KIT_MAIN(doctor::Main)
