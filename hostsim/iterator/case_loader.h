// Reading a host case from its JSON file.
//
// A node is an object: "name" (text, required except for elements), optional properties
// "type", "value" and "id" (text, integer or real), optional "props" (an object of further
// properties), "children" (an array of nodes) and "elements" (an array of elements). An
// element is a child named "Elem0", "Elem1", ... in array order: either a bare value (its
// "value"; null for an element without value) or an object with the keys of a node but
// "name". Children appear in the order written. Anything else is refused.
#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "iterator/host_tree.h"

namespace hostsim {

// Nodes may nest this deep below the top; deeper cases are refused.
inline constexpr std::size_t kMaxCaseDepth = 10000;

// A refused case: what() is "<origin>:<line>:<column>: <what is wrong>".
class CaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws CaseError; nothing half-built is returned.
std::shared_ptr<const HostTree> LoadCaseText(std::string_view json,
                                             std::string_view origin = "<case>");
std::shared_ptr<const HostTree> LoadCaseFile(const std::string& path);

}  // namespace hostsim
