// Writing a host tree back in the case format that hostsim/iterator/case_loader.h reads: each
// node as {"name", "type", "value", "id" (those it has), "props" (its other properties),
// "children"}, children in order. Reading the text back gives the same tree.
#pragma once

#include "iterator/host_tree.h"
#include "json_writer.h"

namespace walk {

// Writes `tree` as one indented JSON document and a line end. Deep trees are written without
// recursion.
void WriteCase(const hostsim::HostTree& tree, kit::Output& out);

}  // namespace walk
