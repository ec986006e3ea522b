// The digest fintop-trace gives the snapshot it writes (its log's snapshot line holds it), made
// here from a tree read back: the replay compares the two, and the reducer writes it for the
// case it makes.
#pragma once

#include <string>

#include "iterator/host_tree.h"

namespace walk {

// record::SnapshotDigest of the tree, the whole of it.
std::string TreeDigest(const hostsim::HostTree& tree);

}  // namespace walk
