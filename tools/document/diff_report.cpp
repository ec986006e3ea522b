#include <charconv>

#include "diff_parts.h"
#include "document_names.h"

namespace walk {

namespace names = document_names;

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
  std::string text;
  for (const DiffLine& line : result.lines) {
    text.clear();
    kit::AppendTextLine(line.Text(), text);  // names from the documents may hold any byte
    text += '\n';
    out << text;
  }
  out << result.Summary() << '\n';
}

namespace {

// A scalar as read, written again as the document's JSON writes it (a number in its
// canonical form).
void WriteScalar(JsonWriter& json, const Scalar& s) {
  const char* first = s.text.data();
  const char* last = first + s.text.size();
  switch (s.type) {
    case Scalar::kNone:
    case Scalar::kNull:
      json.Null();
      return;
    case Scalar::kText:
      json.Text(s.text);
      return;
    case Scalar::kBool:
      json.Bool(s.text == "true");
      return;
    case Scalar::kInteger: {
      long long integer = 0;
      if (auto r = std::from_chars(first, last, integer); r.ec == std::errc() && r.ptr == last) {
        json.Integer(integer);
        return;
      }
      unsigned long long natural = 0;
      if (auto r = std::from_chars(first, last, natural); r.ec == std::errc() && r.ptr == last) {
        json.Integer(natural);
        return;
      }
      break;  // beyond 64 bits: a real
    }
    case Scalar::kReal:
      break;
  }
  double real = 0;
  std::from_chars(first, last, real);
  json.Real(real);
}

}  // namespace

void WriteDiffLine(JsonWriter& json, const DiffLine& line) {
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

void WriteDiffJson(Output& out, const DiffResult& result) {
  JsonWriter json(out);
  json.BeginObject();
  json.Key(names::kDifferences);
  json.BeginArray();
  for (const DiffLine& line : result.lines) WriteDiffLine(json, line);
  json.End();
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
  for (int kind : order) {
    json.Member(kKindNames[kind].many, counts[kind]);
  }
  json.End();
  json.End();
  json.End();
  out << '\n';
}

}  // namespace walk
