// The shapes of entry points for the forwarders' tests.
#include "entry_shapes.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <mutex>

#include "framework/platform.h"

namespace hostsim {
namespace {

std::mutex g_lock;
std::string g_received;

std::string Text(int value) {
  return std::to_string(value);
}
std::string Text(std::int64_t value) {
  return std::to_string(value);
}
std::string Text(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}
std::string Text(const char* value) {
  return value == nullptr ? "(null)" : value;
}

void Keep(std::initializer_list<std::string> arguments) {
  std::string text;
  for (const std::string& argument : arguments) text += (text.empty() ? "" : " ") + argument;
  std::lock_guard<std::mutex> hold(g_lock);
  g_received = text;
}

using Pair = ShapePair;
using DoublePair = ShapeDoublePair;
using Big = ShapeBig;

std::string Text(const Big& big) {
  std::string text = "{";
  for (std::int64_t value : big.values) text += Text(value) + " ";
  return text + Text(big.real) + "}";
}

// More integer arguments than any convention has registers for; a 64-bit result.
std::int64_t FI_CDECL EightIntegers(int a, std::int64_t b, int c, std::int64_t d, int e,
                                    std::int64_t f, int g, std::int64_t h) {
  Keep({Text(a), Text(b), Text(c), Text(d), Text(e), Text(f), Text(g), Text(h)});
  return h;
}

// Integers, a pointer and doubles interleaved; a double result.
double FI_CDECL EightMixed(int a, double b, std::int64_t c, double d, const char* e, double f,
                           int g, double h) {
  Keep({Text(a), Text(b), Text(c), Text(d), Text(e), Text(f), Text(g), Text(h)});
  return h;
}

// More doubles than any convention has vector registers for.
double FI_CDECL IntAndNineDoubles(int a, double b, double c, double d, double e, double f, double g,
                                  double h, double i, double j) {
  Keep({Text(a), Text(b), Text(c), Text(d), Text(e), Text(f), Text(g), Text(h), Text(i), Text(j)});
  return j;
}

float FI_CDECL FloatResult(float a, int b, float c) {
  Keep({Text(double{a}), Text(b), Text(double{c})});
  return c;
}

// The result on the x87 stack (x86-64 Linux, both Windows widths with this compiler).
long double FI_CDECL LongDoubleResult(int a, long double b) {
  const double nearest = static_cast<double>(b);
  Keep({Text(a), Text(nearest), Text(static_cast<double>(b - nearest))});
  return b;
}

// A small structure returned in registers.
Pair FI_CDECL SmallStruct(int a, int b) {
  Keep({Text(a), Text(b)});
  return {a, b};
}

// Two doubles returned (in two vector registers on x86-64 Linux).
DoublePair FI_CDECL TwoDoubles(double a, double b, double c) {
  Keep({Text(a), Text(b), Text(c)});
  return {b, c};
}

// A large structure taken by value and returned through the hidden address.
Big FI_CDECL LargeStruct(std::int64_t tag, Big in, double real) {
  Keep({Text(tag), Text(in), Text(real)});
  Big out = in;
  out.real = real;
  return out;
}

// Variadic: `kinds` names each further argument, 'i' int, 'l' 64-bit integer, 'd' double.
// Returns the last double (0 when there is none).
double FI_CDECL Variadic(const char* kinds, ...) {
  std::string text = Text(kinds);
  double last = 0;
  va_list arguments;
  va_start(arguments, kinds);
  for (const char* kind = kinds; kind != nullptr && *kind != '\0'; ++kind) {
    if (*kind == 'i') {
      text += ' ';
      text += Text(va_arg(arguments, int));
    } else if (*kind == 'l') {
      text += ' ';
      text += Text(va_arg(arguments, std::int64_t));
    } else if (*kind == 'd') {
      last = va_arg(arguments, double);
      text += ' ';
      text += Text(last);
    }
  }
  va_end(arguments);
  Keep({text});
  return last;
}

struct Shape {
  const char* name;
  void* entry;
};

template <class Function>
void* Address(Function* function) {
  return reinterpret_cast<void*>(function);
}

const Shape kShapes[] = {
    {"EightIntegers", Address(&EightIntegers)},
    {"EightMixed", Address(&EightMixed)},
    {"IntAndNineDoubles", Address(&IntAndNineDoubles)},
    {"FloatResult", Address(&FloatResult)},
    {"LongDoubleResult", Address(&LongDoubleResult)},
    {"SmallStruct", Address(&SmallStruct)},
    {"TwoDoubles", Address(&TwoDoubles)},
    {"LargeStruct", Address(&LargeStruct)},
    {"Variadic", Address(&Variadic)},
};

}  // namespace

void* EntryShape(const char* name) {
  for (const Shape& shape : kShapes) {
    if (name != nullptr && std::strcmp(shape.name, name) == 0) return shape.entry;
  }
  return nullptr;
}

std::string ReceivedByShape() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_received;
}

void ForgetReceived() {
  std::lock_guard<std::mutex> hold(g_lock);
  g_received.clear();
}

}  // namespace hostsim
