#include "json_report.h"

#include <functional>
#include <map>
#include <utility>

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

}  // namespace

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

}  // namespace doctor
