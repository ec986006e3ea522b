// FIAttribute: the framework's variant value, implemented by the utility module (QELUtils).
//
// An attribute is empty, a text, an integer or a real. It carries property keys and values,
// the attributes recorded on an iterator and the out-values of the callbacks. The plug-in
// makes attributes on its own stack for one call and never keeps one.
//
// The layout is the utility module's and crosses module boundaries: the plug-in makes
// attributes on its own stack (so its idea of the size must be the module's), the module's
// code fills them, and callers read the first member, a 32-bit word that is zero while the
// attribute is empty, directly to see whether GetValue delivered anything. So it holds no
// standard-library type, and FIAttributeLayout below pins what the host fixes: standard
// layout, the type word at offset 0, the size and alignment on both widths. Members are never
// added, removed or reordered; a change of the module's layout is a change of these asserts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "framework/platform.h"

enum FT_TYPE : std::int32_t {
  FT_EMPTY = 0,
  FT_INTEGER = 1,
  FT_REAL = 2,
  FT_TEXT = 3,
};

class QELUTILS_API FIAttribute {
 public:
  FIAttribute();                  // empty
  FIAttribute(const char* text);  // text; a null pointer gives an empty value
  FIAttribute(int value);         // integer
  FIAttribute(double value);      // real
  FIAttribute(const FIAttribute& other);
  ~FIAttribute();

  // Each assignment replaces the old value and type.
  FIAttribute& operator=(const FIAttribute& other);
  FIAttribute& operator=(const char* text);
  FIAttribute& operator=(int value);
  FIAttribute& operator=(double value);

  // Adds at the end of the text; a value that is not yet text is first converted to text.
  FIAttribute& Append(const char* text);
  FIAttribute& Append(int value);  // the decimal digits of value

  FIAttribute& Clear();                   // empty again
  FIAttribute& ChangeType(FT_TYPE type);  // converts in place; FT_TEXT never leaves c_str() null

  // The text of a text value; null when the value holds no text (an empty value included).
  const char* c_str() const;
  // The value as an integer: a numeric text gives its number (truncated), anything else 0.
  int ival() const;
  // The value as a real: a text that is not a number, or an empty value, gives NaN.
  double rval() const;

  FT_TYPE type() const { return m_type; }
  bool empty() const { return m_type == FT_EMPTY; }

 private:
  void SetText(const char* text, std::uint32_t length);
  void Reserve(std::uint32_t capacity);
  void ReleaseText();

  static constexpr std::uint32_t kInline = 40;

  FT_TYPE m_type;  // first word: FT_EMPTY (zero) while empty
  std::int32_t m_int;
  double m_real;
  char* m_text;  // points at m_inline or at a heap block owned by this attribute
  std::uint32_t m_length;
  std::uint32_t m_capacity;  // usable bytes at m_text, terminator excluded
  char m_inline[kInline];

  friend struct FIAttributeLayout;
};

static_assert(sizeof(FT_TYPE) == 4 && FT_EMPTY == 0 && FT_TEXT == 3);

// Checked where the members are visible; holds no data and is never made.
struct FIAttributeLayout {
  static_assert(std::is_standard_layout_v<FIAttribute>);
  static_assert(offsetof(FIAttribute, m_type) == 0, "callers read the type word at offset 0");
  static_assert(sizeof(FIAttribute::m_type) == sizeof(std::int32_t));
  static_assert(offsetof(FIAttribute, m_real) == 8 && offsetof(FIAttribute, m_text) == 16);
  static_assert(alignof(FIAttribute) == 8, "the real's alignment, also on 32-bit Windows");
  // 64-bit: 8 + 8 + 8 (pointer) + 4 + 4 + 40. 32-bit: 8 + 8 + 4 + 4 + 4 + 40, padded to 72.
  static_assert(sizeof(FIAttribute) == 72, "the utility module's size, on both widths");
};
