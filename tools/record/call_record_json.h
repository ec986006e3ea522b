// The call record as nlohmann JSON, for tests that take records apart (call_record.h's own
// interface needs no JSON library).
#pragma once

#include <nlohmann/json.hpp>
#include <optional>

#include "call_record.h"

namespace record {

using Json = nlohmann::ordered_json;

// The call as one JSON object, members in record order.
Json ToJson(const Call& call);
// A call read back from its object; nullopt for another kind of line or entry or a malformed
// one.
std::optional<Call> FromJson(const Json& object);

}  // namespace record
