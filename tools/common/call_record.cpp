#include "call_record.h"

#include <cmath>

namespace record {

void Call::Record(const std::string& name, Json value) {
  for (auto& [known, held] : attributes) {
    if (known == name) {
      held = std::move(value);
      return;
    }
  }
  attributes.emplace_back(name, std::move(value));
}

Json ToJson(const Call& call) {
  Json out = Json::object();
  out["callback"] = call.callback;
  out["node"] = call.node;
  if (call.argument == Call::kIndex) out["index"] = call.value;
  if (call.argument == Call::kMove) out["move"] = call.value;
  out["result"] = call.result;
  if (!call.out.is_null()) out["out"] = call.out;
  Json attributes = Json::object();
  for (const auto& [name, value] : call.attributes) attributes[name] = value;
  out["attributes"] = std::move(attributes);
  if (call.bindings) {
    Json bindings = Json::object();
    for (const auto& [generic, host] : *call.bindings) bindings[generic] = host;
    out["bindings"] = std::move(bindings);
  }
  out["at"] = call.at;
  if (call.operations) out["operations"] = *call.operations;
  if (call.thread) out["thread"] = *call.thread;
  return out;
}

std::optional<Call> FromJson(const Json& object) {
  if (!object.is_object()) return std::nullopt;
  auto text = [&](const char* key) -> const std::string* {
    auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get_ptr<const std::string*>()
                                                       : nullptr;
  };
  const std::string* callback = text("callback");
  const std::string* node = text("node");
  const std::string* at = text("at");
  auto result = object.find("result");
  if (callback == nullptr || node == nullptr || at == nullptr || result == object.end() ||
      !(result->is_boolean() || result->is_number_integer()))
    return std::nullopt;
  Call call;
  call.callback = *callback;
  call.node = *node;
  call.at = *at;
  call.result = *result;
  for (auto [key, kind] : {std::pair{"index", Call::kIndex}, std::pair{"move", Call::kMove}}) {
    auto found = object.find(key);
    if (found == object.end()) continue;
    if (!found->is_number_integer()) return std::nullopt;
    call.argument = kind;
    call.value = found->get<int>();
  }
  if (auto out = object.find("out"); out != object.end()) call.out = *out;
  if (auto attributes = object.find("attributes"); attributes != object.end()) {
    if (!attributes->is_object()) return std::nullopt;
    for (const auto& [name, value] : attributes->items()) call.attributes.emplace_back(name, value);
  }
  if (auto bindings = object.find("bindings"); bindings != object.end()) {
    if (!bindings->is_object()) return std::nullopt;
    call.bindings.emplace();
    for (const auto& [generic, host] : bindings->items()) {
      if (!host.is_string()) return std::nullopt;
      call.bindings->emplace_back(generic, host.get<std::string>());
    }
  }
  if (auto operations = object.find("operations"); operations != object.end()) {
    if (!operations->is_array()) return std::nullopt;
    call.operations.emplace();
    for (const auto& line : *operations) {
      if (!line.is_string()) return std::nullopt;
      call.operations->push_back(line.get<std::string>());
    }
  }
  if (auto thread = object.find("thread"); thread != object.end()) {
    if (!thread->is_number_unsigned()) return std::nullopt;
    call.thread = thread->get<unsigned long long>();
  }
  return call;
}

Json FrameworkJson(const std::string& path, const std::string& name, Json value) {
  return Json{{"framework", path}, {"attribute", name}, {"value", std::move(value)}};
}

Json RealJson(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  return value;
}

Json AttributeJson(const FIAttribute& attribute) {
  switch (attribute.type()) {
    case FT_INTEGER:
      return attribute.ival();
    case FT_REAL:
      return RealJson(attribute.rval());
    case FT_TEXT:
      return attribute.c_str() != nullptr ? attribute.c_str() : "";
    default:
      return nullptr;
  }
}

std::string Line(const Json& object) {
  return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace record
