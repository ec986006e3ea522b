// The doctor's --json document, written with the kit's JSON writer (json_writer.h).
// Every text taken from a file is escaped as the text lines are (names.h, Sanitize), so the
// document is valid JSON whatever the files hold.
#pragma once

#include <string>
#include <vector>

#include "checks.h"

namespace doctor {

// {"folder", "plugin", "checks": [{"check", "ok", "text", "problems", and the check's
// details}], "failed", "summary"}, indented, ending in a newline.
std::string JsonReport(const std::string& folder, const std::string& plugin,
                       const std::vector<Check>& checks, int failed, const std::string& summary);

}  // namespace doctor
