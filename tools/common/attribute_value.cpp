#include "attribute_value.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
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
      return Value::Null();
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

bool AttributeOf(const kit::Scalar& s, FIAttribute& out) {
  switch (s.type) {
    case kit::Scalar::kInteger: {
      int value = 0;
      auto r = std::from_chars(s.text.data(), s.text.data() + s.text.size(), value);
      if (r.ec != std::errc() || r.ptr != s.text.data() + s.text.size()) return false;
      out = FIAttribute(value);
      return true;
    }
    case kit::Scalar::kReal:
      out = FIAttribute(std::strtod(s.text.c_str(), nullptr));
      return true;
    case kit::Scalar::kText:
      out = FIAttribute(s.text.c_str());
      return true;
    case kit::Scalar::kNull:
      out = FIAttribute();
      return true;
    default:
      return false;
  }
}

}  // namespace record
