#include "support/call_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <utility>

#include "document_names.h"
#include "json_writer.h"
#include "members.h"

namespace walk {

namespace names = document_names;

namespace {

// The whole of `text` as a number of type T; false for anything else or one out of its range.
template <typename T>
bool NumberOf(const std::string& text, T& number) {
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, number);
  return error == std::errc() && stop == end;
}

// `name` = `value` in `fields`: a name met again keeps its place and takes the last value.
template <typename T>
void Put(std::vector<std::pair<std::string, T>>& fields, const std::string& name, T value) {
  auto found = std::find_if(fields.begin(), fields.end(),
                            [&](const auto& field) { return field.first == name; });
  if (found == fields.end()) {
    fields.emplace_back(name, std::move(value));
  } else {
    found->second = std::move(value);
  }
}

// Whether a value is one a call can hold: an integer of 64 bits, a finite real.
bool InRange(const Scalar& value) {
  long long integer = 0;
  double real = 0.0;
  if (value.type == Scalar::kInteger) return NumberOf(value.text, integer);
  if (value.type == Scalar::kReal) return NumberOf(value.text, real) && std::isfinite(real);
  return true;
}

// The values of an object of the record, a name met again taking the last value; false for one
// out of range.
bool ValuesOf(const std::vector<std::pair<std::string, Scalar>>& fields,
              std::vector<std::pair<std::string, record::Value>>& values) {
  for (const auto& [name, value] : fields) {
    if (!InRange(value)) return false;
    Put(values, name, value);
  }
  return true;
}

}  // namespace

bool ReadLine(std::string_view line, Details& details) {
  if (!kit::IsUtf8(line)) return false;  // JSON is UTF-8
  kit::Cursor cursor(line);
  std::string error;
  if (!ReadMembers(cursor, details, true, error)) return false;
  cursor.SkipBlanks();
  return cursor.AtEnd();
}

std::optional<record::Call> CallOf(const Details& d) {
  using record::Call;
  // Each member a call has holds what its row says (members.h); none holds an object or array
  // of another shape (`compound`).
  for (const std::string& key : d.compound) {
    if (record::FindMember(record::kCall, key) != nullptr) return std::nullopt;
  }
  for (const auto& [key, value] : d.members) {
    const record::Member* row = record::FindMember(record::kCall, key);
    if (row != nullptr && !record::Holds(row->type, value)) return std::nullopt;
  }
  const Scalar &callback = d.Get(names::kCallback), &node = d.Get(names::kNode),
               &at = d.Get(names::kAt), &result = d.Get(names::kResult);
  if (callback.type == Scalar::kNone || node.type == Scalar::kNone || at.type == Scalar::kNone ||
      (result.type != Scalar::kBool && result.type != Scalar::kInteger))
    return std::nullopt;
  Call call;
  call.callback = callback.text;
  call.node = node.text;
  call.at = at.text;
  if (!InRange(result)) return std::nullopt;
  call.result = result;
  for (auto [key, kind] :
       {std::pair{names::kIndex, Call::kIndex}, std::pair{names::kMove, Call::kMove}}) {
    const Scalar& argument = d.Get(key);
    if (argument.type == Scalar::kNone) continue;
    if (!NumberOf(argument.text, call.value)) return std::nullopt;
    call.argument = kind;
  }
  if (const Scalar& out = d.Get(names::kOut); out.type != Scalar::kNone) {
    if (!InRange(out)) return std::nullopt;
    call.out = out;
  }
  if (!ValuesOf(d.attributes, call.attributes)) return std::nullopt;
  if (d.has_before && !ValuesOf(d.before, call.before.emplace())) return std::nullopt;
  if (d.has_bindings) {
    call.bindings.emplace();
    for (const auto& [generic, host] : d.bindings) {
      if (host.type != Scalar::kText) return std::nullopt;
      Put(*call.bindings, generic, host.text);
    }
  }
  if (d.has_operations) {
    call.operations.emplace();
    for (const Scalar& line : d.operations) {
      if (line.type != Scalar::kText) return std::nullopt;
      call.operations->push_back(line.text);
    }
  }
  if (const Scalar& thread = d.Get(names::kThread); thread.type != Scalar::kNone) {
    if (thread.text[0] == '-' || !NumberOf(thread.text, call.thread.emplace())) return std::nullopt;
  }
  return call;
}

std::optional<record::Call> ParseCall(std::string_view line) {
  Details details;
  if (!ReadLine(line, details)) return std::nullopt;
  return CallOf(details);
}

std::vector<record::Call> CallsOf(const Document& doc) {
  if (!doc.warnings().empty()) throw DocumentError(doc.warnings().front());
  std::vector<record::Call> calls;
  const std::vector<Record>& trace = doc.trace();
  for (std::uint32_t i = 0; i < trace.size(); i = trace[i].end) {
    if (trace[i].kind != Record::kCall) continue;
    std::optional<record::Call> call = CallOf(doc.ReadDetails(trace[i].offset));
    if (!call) {
      throw DocumentError(doc.name() + ":" + std::to_string(doc.LinesOf({trace[i].offset})[0]) +
                          ": a call record that does not read back as one");
    }
    calls.push_back(std::move(*call));
  }
  return calls;
}

}  // namespace walk
