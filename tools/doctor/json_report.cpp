#include "json_report.h"

#include <nlohmann/json.hpp>

#include "names.h"

namespace doctor {

namespace {

using nlohmann::json;

json Text(const std::string& text) {
  return Sanitize(text);
}

json Texts(const std::vector<std::string>& texts) {
  json list = json::array();
  for (const std::string& text : texts) list.push_back(Sanitize(text));
  return list;
}

json TextOrNull(const std::optional<std::string>& text) {
  return text ? Text(*text) : json(nullptr);
}

json Members(const PluginDetails& d) {
  json members = {
      {"file", Text(d.file)}, {"kind", d.kind}, {"machine", Text(d.machine)}, {"width", d.width}};
  if (d.file_version) members["file_version"] = Text(*d.file_version);
  if (d.product_version) members["product_version"] = Text(*d.product_version);
  return members;
}

json Members(const ExportsDetails& d) {
  return {
      {"expected", d.expected}, {"missing", Texts(d.missing)}, {"decorated", Texts(d.decorated)}};
}

json Members(const ImportsDetails& d) {
  json modules = json::array();
  for (const ImportDetails& m : d.modules) {
    json entry = {{"module", Text(m.module)},
                  {"needed_by", Text(m.needed_by)},
                  {"found", TextOrNull(m.found)}};
    if (m.width) entry["width"] = *m.width;
    if (m.missing) entry["missing"] = Texts(*m.missing);
    if (m.spelling) entry["spelling"] = Text(*m.spelling);
    if (m.names_unreadable) entry["names_unreadable"] = true;
    modules.push_back(std::move(entry));
  }
  return {{"modules", std::move(modules)}};
}

json Members(const HostDetails& d) {
  json entries = json::object();
  for (const auto& [entry, module] : d.entry_points) entries[Sanitize(entry)] = TextOrNull(module);
  json modules = json::array();
  for (const HostModuleDetails& m : d.modules) {
    modules.push_back({{"module", Text(m.module)},
                       {"found", TextOrNull(m.found)},
                       {"fault", Text(m.fault)},
                       {"provides", Texts(m.provides)}});
  }
  return {{"entry_points", std::move(entries)}, {"modules", std::move(modules)}};
}

json Members(const LoadDetails& d) {
  return {{"loaded", d.loaded},
          {"outcome", d.outcome},
          {"message", Text(d.message)},
          {"unresolved", Texts(d.unresolved)},
          {"stubbed", Texts(d.stubbed)}};
}

}  // namespace

std::string JsonReport(const std::string& folder, const std::string& plugin,
                       const std::vector<Check>& checks, int failed, const std::string& summary) {
  json list = json::array();
  for (const Check& check : checks) {
    json entry = std::visit([](const auto& d) { return Members(d); }, check.details);
    entry["check"] = check.name;
    entry["ok"] = check.ok;
    entry["text"] = Text(check.text);
    entry["problems"] = Texts(check.problems);
    list.push_back(std::move(entry));
  }
  const json document = {{"folder", Text(folder)},
                         {"plugin", Text(plugin)},
                         {"checks", std::move(list)},
                         {"failed", failed},
                         {"summary", summary}};
  // Every text is ASCII by now; the replacing handler only keeps dump() from ever throwing.
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace doctor
