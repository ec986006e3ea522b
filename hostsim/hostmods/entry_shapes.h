// Entry points of several shapes that the stand-in host module can answer for "GetTopFIEntryV"
// and "TestIteratorX", so that tests see every kind of argument and result pass through the
// plug-in's forwarders. Each records what it received, as text, and returns its last argument
// (see entry_shapes.cpp for each shape).
#pragma once

#include <cstdint>
#include <string>

namespace hostsim {

// The structures the shapes take and return by value, shared by the stand-in host and the
// tests that call it: small (returned in registers), two doubles, and one returned through a
// hidden address on every target.
struct ShapePair {
  int first;
  int second;
};
struct ShapeDoublePair {
  double x;
  double y;
};
struct ShapeBig {
  std::int64_t values[4];
  double real;
};

// The entry point of the shape `name`, or null when there is none of that name.
void* EntryShape(const char* name);

// What the last shape entry point called received: its arguments in order, separated by
// blanks, integers in decimal, floating-point values with 17 significant digits (a long
// double as the double nearest to it and the rest), a string as its text, a structure in
// braces; "" when none was called since ForgetReceived.
std::string ReceivedByShape();
void ForgetReceived();

}  // namespace hostsim
