#include "scalar.h"

#include <charconv>
#include <cmath>

#include "json_writer.h"

namespace kit {

Scalar Scalar::Integer(long long value) {
  char buffer[24];
  auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
  return {kInteger, std::string(buffer, written.ptr)};
}

Scalar Scalar::Real(double value) {
  if (std::isnan(value)) return {kReal, "nan"};
  if (std::isinf(value)) return {kReal, value > 0 ? "inf" : "-inf"};
  Scalar real{kReal, {}};
  AppendJsonReal(value, real.text);
  return real;
}

bool Scalar::NonFinite() const {
  return type == kReal && !text.empty() && (text[0] == 'n' || text[0] == 'i' || text[1] == 'i');
}

bool Scalar::operator==(const Scalar& other) const {
  if (type == other.type) return text == other.text;
  // A real that is not finite is written, and read back, as its text.
  return text == other.text && (NonFinite() || other.NonFinite()) &&
         (type == kText || other.type == kText);
}

std::string Scalar::Shown() const {
  if (type == kNone) return "(none)";
  if (type == kText || NonFinite()) return JsonText(text);
  return text;
}

}  // namespace kit
