// The digest fintop-trace gives the snapshot it writes (its log's snapshot line holds it), made
// here from a tree read back: the replay compares the two, and the reducer writes it for the
// case it makes.
#pragma once

#include <string>

#include "iterator/host_tree.h"

namespace walk {

// FNV-1a (record::Digest) of each node in depth-first order as 0x01, its name, each property
// fintop-trace reads ("type", "value", "id": key, NUL, its value as the record writes it), its
// children, 0x02.
std::string TreeDigest(const hostsim::HostTree& tree);

}  // namespace walk
