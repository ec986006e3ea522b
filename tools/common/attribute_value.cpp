#include "attribute_value.h"

#include <cmath>
#include <cstring>

namespace record {

Value AttributeValue(const FIAttribute& attribute) {
  switch (attribute.type()) {
    case FT_INTEGER:
      return Value::Integer(attribute.ival());
    case FT_REAL:
      return Value::Real(attribute.rval());
    case FT_TEXT:
      return Value::Text(attribute.c_str() != nullptr ? attribute.c_str() : "");
    default:
      return {};
  }
}

bool SameValue(const FIAttribute& a, const FIAttribute& b) {
  if (a.type() != b.type()) return false;
  switch (a.type()) {
    case FT_INTEGER:
      return a.ival() == b.ival();
    case FT_REAL:
      return a.rval() == b.rval() || (std::isnan(a.rval()) && std::isnan(b.rval()));
    case FT_TEXT:
      return std::strcmp(a.c_str() ? a.c_str() : "", b.c_str() ? b.c_str() : "") == 0;
    default:
      return true;
  }
}

}  // namespace record
