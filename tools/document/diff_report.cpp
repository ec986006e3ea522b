#include <charconv>

#include "diff.h"
#include "document_names.h"

namespace walk {

namespace names = document_names;

namespace {

struct KindName {
  const char* one;
  const char* many;
};

// In the order the summary line counts them.
constexpr KindName kKindNames[DiffLine::kKinds] = {
    {"object added", "objects added"},
    {"object removed", "objects removed"},
    {"class changed", "classes changed"},
    {"step added", "steps added"},
    {"step removed", "steps removed"},
    {"value changed", "values changed"},
    {"count changed", "counts changed"},
    {"callback changed", "callbacks changed"},
    {"result changed", "results changed"},
    {"target changed", "targets changed"},
    {"attribute changed", "attributes changed"},
    {"binding changed", "bindings changed"},
    {"call added", "calls added"},
    {"call removed", "calls removed"},
    {"framework record added", "framework records added"},
    {"framework record removed", "framework records removed"},
    {"callback reached", "callbacks reached"},
    {"callback not reached", "callbacks not reached"},
    {"callback found something", "callbacks found something"},
    {"callback found nothing", "callbacks found nothing"},
    {"call never returned", "calls never returned"},
    {"clones left alive", "clones left alive"},
};

// A scalar as read, written again as the document's JSON writes it (a number in its
// canonical form).
void WriteScalar(JsonWriter& json, const Scalar& s) {
  if (s.type != Scalar::kInteger && s.type != Scalar::kReal) return json.Write(s);
  const char* first = s.text.data();
  const char* last = first + s.text.size();
  long long integer = 0;
  unsigned long long natural = 0;
  if (s.type == Scalar::kInteger) {
    if (auto r = std::from_chars(first, last, integer); r.ec == std::errc() && r.ptr == last)
      return json.Integer(integer);
    if (auto r = std::from_chars(first, last, natural); r.ec == std::errc() && r.ptr == last)
      return json.Integer(natural);
  }
  double real = 0;  // a real, or an integer beyond 64 bits
  std::from_chars(first, last, real);
  json.Real(real);
}

}  // namespace

std::string DiffLine::Text() const {
  std::string out = group;
  if (!where.empty()) out += (out.empty() ? "" : ": ") + where;
  out += (out.empty() ? "" : ": ") + what;
  return OneLine(out);  // host names may hold line ends
}

std::string DiffResult::Summary() const {
  std::size_t counts[DiffLine::kKinds] = {};
  for (const DiffLine& line : lines) ++counts[line.kind];
  std::string out = "differences: " + std::to_string(lines.size());
  std::string parts;
  for (int k = 0; k < DiffLine::kKinds; ++k) {
    if (counts[k] == 0) continue;
    parts += (parts.empty() ? "" : ", ") + std::to_string(counts[k]) + " " +
             (counts[k] == 1 ? kKindNames[k].one : kKindNames[k].many);
  }
  if (!parts.empty()) out += " (" + parts + ")";
  return out;
}

void WriteDiff(Output& out, const DiffResult& result) {
  if (result.lines.empty()) return;
  for (const DiffLine& line : result.lines) out << line.Text() << '\n';  // each one line
  out << result.Summary() << '\n';
}

void WriteDiffLines(JsonWriter& json, const std::vector<DiffLine>& lines) {
  json.Key(names::kDifferences);
  json.BeginArray();
  for (const DiffLine& line : lines) {
    json.BeginObject();
    json.Member(names::kGroup, line.group);
    json.Member(names::kWhere, line.where);
    json.Member(names::kKind, kKindNames[line.kind].one);
    json.Member(names::kText, line.Text());
    if (line.old_value.type != Scalar::kNone || line.new_value.type != Scalar::kNone) {
      json.Key(names::kOld);
      WriteScalar(json, line.old_value);
      json.Key(names::kNew);
      WriteScalar(json, line.new_value);
    }
    json.End();
  }
  json.End();
}

void WriteDiffJson(Output& out, const DiffResult& result) {
  JsonWriter json(out);
  json.BeginObject();
  WriteDiffLines(json, result.lines);
  std::size_t counts[DiffLine::kKinds] = {};
  std::vector<int> order;  // the kinds in the order first met
  for (const DiffLine& line : result.lines) {
    if (counts[line.kind]++ == 0) order.push_back(line.kind);
  }
  json.Key(names::kSummary);
  json.BeginObject();
  json.Member(names::kDifferences, result.lines.size());
  json.Key(names::kByKind);
  json.BeginObject();
  for (int kind : order) json.Member(kKindNames[kind].many, counts[kind]);
  json.End();
  json.End();
  json.End();
  out << '\n';
}

}  // namespace walk
