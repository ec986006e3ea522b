// Reading call records back: the only part of the kit's tools built on a JSON library, linked
// by the readers that need it (tests, trace_log_check), never by fintop-walk or fintop-trace.
#include <stdexcept>

#include "call_record_json.h"
#include "document_names.h"

namespace record {

namespace names = document_names;

namespace {

// A value as the record holds it; false for arrays and objects.
bool ValueFrom(const Json& json, Value& value) {
  switch (json.type()) {
    case Json::value_t::null:
      value = {};
      return true;
    case Json::value_t::boolean:
      value = Value::Bool(json.get<bool>());
      return true;
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
      value = Value::Integer(json.get<long long>());
      return true;
    case Json::value_t::number_float:
      value = Value::Real(json.get<double>());
      return true;
    case Json::value_t::string:
      value = Value::Text(json.get<std::string>());
      return true;
    default:
      return false;
  }
}

}  // namespace

Json ToJson(const Call& call) {
  return Json::parse(Line(call));
}

std::optional<Call> FromJson(const Json& object) {
  if (!object.is_object()) return std::nullopt;
  auto text = [&](const char* key) -> const std::string* {
    auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get_ptr<const std::string*>()
                                                       : nullptr;
  };
  const std::string* callback = text(names::kCallback);
  const std::string* node = text(names::kNode);
  const std::string* at = text(names::kAt);
  auto result = object.find(names::kResult);
  if (callback == nullptr || node == nullptr || at == nullptr || result == object.end() ||
      !(result->is_boolean() || result->is_number_integer()))
    return std::nullopt;
  Call call;
  call.callback = *callback;
  call.node = *node;
  call.at = *at;
  ValueFrom(*result, call.result);
  for (auto [key, kind] :
       {std::pair{names::kIndex, Call::kIndex}, std::pair{names::kMove, Call::kMove}}) {
    auto found = object.find(key);
    if (found == object.end()) continue;
    if (!found->is_number_integer()) return std::nullopt;
    call.argument = kind;
    call.value = found->get<int>();
  }
  if (auto out = object.find(names::kOut); out != object.end()) {
    if (!ValueFrom(*out, call.out)) return std::nullopt;
  }
  if (auto attributes = object.find(names::kAttributes); attributes != object.end()) {
    if (!attributes->is_object()) return std::nullopt;
    for (const auto& [name, json] : attributes->items()) {
      Value value;
      if (!ValueFrom(json, value)) return std::nullopt;
      call.attributes.emplace_back(name, std::move(value));
    }
  }
  if (auto before = object.find(names::kBefore); before != object.end()) {
    if (!before->is_object()) return std::nullopt;
    call.before.emplace();
    for (const auto& [name, json] : before->items()) {
      Value value;
      if (!ValueFrom(json, value)) return std::nullopt;
      call.before->emplace_back(name, std::move(value));
    }
  }
  if (auto bindings = object.find(names::kBindings); bindings != object.end()) {
    if (!bindings->is_object()) return std::nullopt;
    call.bindings.emplace();
    for (const auto& [generic, host] : bindings->items()) {
      if (!host.is_string()) return std::nullopt;
      call.bindings->emplace_back(generic, host.get<std::string>());
    }
  }
  if (auto operations = object.find(names::kOperations); operations != object.end()) {
    if (!operations->is_array()) return std::nullopt;
    call.operations.emplace();
    for (const auto& line : *operations) {
      if (!line.is_string()) return std::nullopt;
      call.operations->push_back(line.get<std::string>());
    }
  }
  if (auto thread = object.find(names::kThread); thread != object.end()) {
    if (!thread->is_number_unsigned()) return std::nullopt;
    call.thread = thread->get<unsigned long long>();
  }
  return call;
}

std::optional<Call> ParseCall(std::string_view object) {
  Json json = Json::parse(object.begin(), object.end(), nullptr, false);
  if (json.is_discarded()) return std::nullopt;
  return FromJson(json);
}

std::vector<Call> ParseCalls(std::string_view text) {
  std::vector<Call> calls;
  Json document = Json::parse(text.begin(), text.end(), nullptr, false);
  if (!document.is_discarded()) {  // one document: a walk's, or a log of one line
    if (document.is_object() && document.contains(names::kTrace)) {
      const Json& trace = document.at(names::kTrace);
      if (!trace.is_array()) throw std::runtime_error("\"trace\" is not an array");
      for (const Json& entry : trace) {
        if (auto call = FromJson(entry)) calls.push_back(std::move(*call));
      }
    } else if (auto call = FromJson(document)) {
      calls.push_back(std::move(*call));
    }
    return calls;
  }
  std::size_t from = 0, number = 1;
  for (; from < text.size(); ++number) {
    std::size_t end = text.find('\n', from);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(from, end - from);
    from = end + 1;
    if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
    Json object = Json::parse(line.begin(), line.end(), nullptr, false);
    if (object.is_discarded())
      throw std::runtime_error("line " + std::to_string(number) + " is not valid JSON");
    if (auto call = FromJson(object)) calls.push_back(std::move(*call));
  }
  return calls;
}

}  // namespace record
