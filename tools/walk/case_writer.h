// A host tree as fintop-trace writes a snapshot: in the case format that
// hostsim/iterator/case_loader.h reads, each node as {"name", "type", "value", "id" (those it
// has), "props" (its other properties), "children"}, children in order (reading the text back
// gives the same tree); and the digest its log's snapshot line holds, which the replay compares
// with the tree it reads back and the reducer writes for the case it makes.
#pragma once

#include <string>

#include "iterator/host_tree.h"
#include "json_writer.h"

namespace walk {

// Writes `tree` as one indented JSON document and a line end.
void WriteCase(const hostsim::HostTree& tree, kit::Output& out);

// record::SnapshotDigest of the tree, the whole of it.
std::string TreeDigest(const hostsim::HostTree& tree);

}  // namespace walk
