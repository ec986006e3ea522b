// The call record's values (call_record.h) made from the plug-in's attributes: for the tools that
// hold the host's iterator (fintop-walk's walker and replay, fintop-trace), not for the readers of
// documents.
#pragma once

#include "call_record.h"
#include "framework/fi_attribute.h"
#include "framework/recorded_attributes.h"

namespace record {

#define FINTOP_RECORD_NAME(name) name,
// The attributes a call's "before" holds, in this order.
inline constexpr const char* kHeldAttributes[] = {FINTOP_HELD_ATTRIBUTES(FINTOP_RECORD_NAME)};
#undef FINTOP_RECORD_NAME

// An attribute's value as the model's JSON writes it; null when it is empty.
Value AttributeValue(const FIAttribute& attribute);

// Whether two attributes hold the same value (same type; a nan equals a nan).
bool SameValue(const FIAttribute& a, const FIAttribute& b);

// A recorded value as an attribute to hold (the replay's); false for a value no attribute holds.
bool AttributeOf(const kit::Scalar& value, FIAttribute& out);

}  // namespace record
