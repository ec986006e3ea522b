// What the checks' files share (checks.cpp; module_checks.cpp: the imports and the host's entry
// points): files and widths as the texts name them.
#pragma once

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "checks.h"
#include "image.h"

namespace doctor {

std::string BaseName(const std::string& path);
std::string Bits(int width);  // "64-bit"
// The zip that holds the plug-in of `width`.
std::string ZipOf(int width);
// The modules checked as the plug-in, by file name: "fintop.dll", "fintop.dll and fintop-real.dll".
std::string Files(const std::vector<const Image*>& subjects);

template <class Range>
bool Contains(const Range& names, const std::string& name) {
  return std::any_of(std::begin(names), std::end(names),
                     [&](const auto& other) { return SameModuleName(other, name); });
}

// The checks of module_checks.cpp. `width_advised` becomes true when the check told the user to
// use the plug-in of the other width, which is said once.
Check Imports(const std::vector<const Image*>& subjects, const std::string& folder,
              bool& width_advised);
Check HostEntryPoints(const Image& plugin, const std::string& folder, bool& width_advised);

}  // namespace doctor
