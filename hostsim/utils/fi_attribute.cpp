// The utility module's FIAttribute: a small variant with inline storage for short texts.
#include "framework/fi_attribute.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr std::uint32_t kMaxLength = 0x7fffffffu;

std::uint32_t TextLength(const char* text) {
  std::size_t length = std::strlen(text);
  if (length > kMaxLength) throw std::bad_alloc();
  return static_cast<std::uint32_t>(length);
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Parses the whole text (blanks around it allowed) as a decimal number.
bool ParseNumber(const char* text, std::uint32_t length, double& value) {
  const char* begin = text;
  const char* end = text + length;
  while (begin < end && IsBlank(*begin)) ++begin;
  while (end > begin && IsBlank(end[-1])) --end;
  if (begin < end && *begin == '+') ++begin;
  if (begin == end) return false;
  auto [last, error] = std::from_chars(begin, end, value);
  return error == std::errc() && last == end;
}

int ToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<int>::max())) {
    return std::numeric_limits<int>::max();
  }
  if (value <= static_cast<double>(std::numeric_limits<int>::min())) {
    return std::numeric_limits<int>::min();
  }
  return static_cast<int>(value);
}

}  // namespace

FIAttribute::FIAttribute()
    : m_type(FT_EMPTY),
      m_int(0),
      m_real(0.0),
      m_text(m_inline),
      m_length(0),
      m_capacity(kInline - 1) {
  m_inline[0] = '\0';
}

FIAttribute::FIAttribute(const char* text) : FIAttribute() {
  if (text != nullptr) SetText(text, TextLength(text));
}

FIAttribute::FIAttribute(int value) : FIAttribute() {
  *this = value;
}

FIAttribute::FIAttribute(double value) : FIAttribute() {
  *this = value;
}

FIAttribute::FIAttribute(const FIAttribute& other) : FIAttribute() {
  *this = other;
}

FIAttribute::~FIAttribute() {
  ReleaseText();
}

FIAttribute& FIAttribute::operator=(const FIAttribute& other) {
  if (this == &other) return *this;
  if (other.m_type == FT_TEXT) {
    SetText(other.m_text, other.m_length);
  } else {
    Clear();
    m_type = other.m_type;
    m_int = other.m_int;
    m_real = other.m_real;
  }
  return *this;
}

FIAttribute& FIAttribute::operator=(const char* text) {
  if (text == nullptr) return Clear();
  SetText(text, TextLength(text));
  return *this;
}

FIAttribute& FIAttribute::operator=(int value) {
  Clear();
  m_type = FT_INTEGER;
  m_int = value;
  return *this;
}

FIAttribute& FIAttribute::operator=(double value) {
  Clear();
  m_type = FT_REAL;
  m_real = value;
  return *this;
}

FIAttribute& FIAttribute::Append(const char* text) {
  ChangeType(FT_TEXT);
  if (text == nullptr) return *this;
  std::uint32_t added = TextLength(text);
  if (added > kMaxLength - m_length) throw std::bad_alloc();
  // The text may lie inside our own buffer: take its offset before growing.
  bool inside = text >= m_text && text <= m_text + m_length;
  std::size_t offset = inside ? static_cast<std::size_t>(text - m_text) : 0;
  Reserve(m_length + added);
  const char* source = inside ? m_text + offset : text;
  std::memmove(m_text + m_length, source, added);
  m_length += added;
  m_text[m_length] = '\0';
  return *this;
}

FIAttribute& FIAttribute::Append(int value) {
  char digits[16];
  auto [last, error] = std::to_chars(digits, digits + sizeof digits - 1, value);
  (void)error;
  *last = '\0';
  return Append(digits);
}

FIAttribute& FIAttribute::Clear() {
  m_type = FT_EMPTY;
  m_int = 0;
  m_real = 0.0;
  m_length = 0;
  m_text[0] = '\0';
  return *this;
}

FIAttribute& FIAttribute::ChangeType(FT_TYPE type) {
  if (type == m_type) return *this;
  switch (type) {
    case FT_EMPTY:
      return Clear();
    case FT_INTEGER:
      return *this = ival();
    case FT_REAL:
      return *this = rval();
    case FT_TEXT: {
      char digits[64];
      char* last = digits;
      if (m_type == FT_INTEGER) {
        last = std::to_chars(digits, digits + sizeof digits - 1, m_int).ptr;
      } else if (m_type == FT_REAL) {
        last = std::to_chars(digits, digits + sizeof digits - 1, m_real).ptr;
      }
      *last = '\0';
      SetText(digits, static_cast<std::uint32_t>(last - digits));
      return *this;
    }
  }
  return *this;  // an unknown type leaves the value as it is
}

const char* FIAttribute::c_str() const {
  return m_type == FT_TEXT ? m_text : nullptr;
}

int FIAttribute::ival() const {
  switch (m_type) {
    case FT_INTEGER:
      return m_int;
    case FT_REAL:
      return ToInt(m_real);
    case FT_TEXT: {
      double value = 0.0;
      return ParseNumber(m_text, m_length, value) ? ToInt(value) : 0;
    }
    default:
      return 0;
  }
}

double FIAttribute::rval() const {
  switch (m_type) {
    case FT_INTEGER:
      return m_int;
    case FT_REAL:
      return m_real;
    case FT_TEXT: {
      double value = 0.0;
      return ParseNumber(m_text, m_length, value) ? value
                                                  : std::numeric_limits<double>::quiet_NaN();
    }
    default:
      return std::numeric_limits<double>::quiet_NaN();
  }
}

void FIAttribute::SetText(const char* text, std::uint32_t length) {
  // The text may be our own (self-assignment through c_str()): move it, never free it first.
  if (text >= m_text && text <= m_text + m_length) {
    std::memmove(m_text, text, length);
  } else {
    Reserve(length);
    std::memcpy(m_text, text, length);
  }
  m_text[length] = '\0';
  m_length = length;
  m_type = FT_TEXT;
  m_int = 0;
  m_real = 0.0;
}

void FIAttribute::Reserve(std::uint32_t capacity) {
  if (capacity <= m_capacity) return;
  std::uint32_t grown = m_capacity * 2 > capacity ? m_capacity * 2 : capacity;
  char* block = static_cast<char*>(std::malloc(static_cast<std::size_t>(grown) + 1));
  if (block == nullptr) throw std::bad_alloc();
  std::memcpy(block, m_text, m_length + 1);
  ReleaseText();
  m_text = block;
  m_capacity = grown;
}

void FIAttribute::ReleaseText() {
  if (m_text != m_inline) std::free(m_text);
  m_text = m_inline;
  m_capacity = kInline - 1;
}
