// Addresses of the call record (call_record.h) on the stand-in host's tree: the walk's trace
// writes them, the replay finds the node a record names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "iterator/host_tree.h"

namespace walk {

// The address of `node`: its place among same-named siblings counted on the tree.
std::string AddressOf(const hostsim::HostTree& tree, std::uint32_t node);

// The node `address` names, or hostsim::kNoNode when the tree has none (or it is malformed).
std::uint32_t FindAddress(const hostsim::HostTree& tree, std::string_view address);

}  // namespace walk
