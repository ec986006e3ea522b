// The kit's one value type: a scalar as JSON writes it. The JSON reader gives one for every
// scalar it reads, the call record holds its result, out and attribute values as these, and
// the writer, the tree's printing, --diff and --replay all take them as they are, so a value is
// compared in the one form in which it is written.
#pragma once

#include <string>

namespace kit {

struct Scalar {
  enum Type : char {
    kNone = 0,  // no value at all: a member a record lacks
    kNull = 'z',
    kBool = 'b',
    kInteger = 'i',
    kReal = 'r',
    kText = 's'
  };
  Type type = kNone;
  // The value as JSON writes it, a text without its quotes or escapes. A real that is not finite
  // is "nan", "inf" or "-inf", which JSON writes as a text.
  std::string text;

  static Scalar Null() { return {kNull, "null"}; }
  static Scalar Bool(bool value) { return {kBool, value ? "true" : "false"}; }
  static Scalar Integer(long long value);
  static Scalar Real(double value);  // the JSON writer's one real formatter
  static Scalar Text(std::string value) { return {kText, std::move(value)}; }

  // No value, or null: what an empty attribute holds.
  bool is_null() const { return type == kNone || type == kNull; }
  // A real that JSON writes as a text.
  bool NonFinite() const;
  // Equal as written: the same type and text, and a real that is not finite equal to its text
  // (which is how it reads back from JSON).
  bool operator==(const Scalar& other) const;
  // As JSON writes it: texts in double quotes with JSON escapes, everything else as written;
  // "(none)" for kNone.
  std::string Shown() const;
  // A text as it is (an address, a name), anything else as shown.
  std::string Bare() const { return type == kText ? text : Shown(); }
};

}  // namespace kit
