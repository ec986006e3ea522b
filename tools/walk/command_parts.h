// What fintop-walk's commands share (command.cpp and diff_command.cpp).
#pragma once

#include <string>

#include "command.h"
#include "json_writer.h"

namespace walk {

// A line on stderr about input passed over; the output goes on.
void Warn(const std::string& what);

// Loads everything, walks the case and writes the output as the walk goes, with --json laid out
// as that option writes it and told to `events` too when given. Throws the errors of bad input;
// returns 1 when the walk left a cloned iterator alive.
int Walk(const Options& options, kit::Output& out, kit::JsonEvents* events = nullptr);

// Compares the saved document with the new one (--new) or with the walk of the case; 1 when they
// differ. Throws the errors of bad input.
int Diff(Options options, kit::Output& out);

}  // namespace walk
