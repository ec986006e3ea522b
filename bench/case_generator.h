// Deterministic, seeded cases of any size with the mix of host objects of a plant: material
// streams of 10 to 50 components, pumps with pump and NPSH curves, pipes with segments and
// cells, heaters with zones, reactors with reaction lists and columns with tray sections, many
// trays and feeds. Units come in a fixed cycle, so every size holds the same mix; only their
// sizes are drawn from the seed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "iterator/host_tree.h"

namespace bench {

// How many units of each kind a generated case holds.
struct PlantCensus {
  std::size_t nodes = 0;  // host objects: every node of the case tree
  std::size_t streams = 0, pumps = 0, pipes = 0, heaters = 0, reactors = 0, columns = 0;
};

struct GeneratedCase {
  std::shared_ptr<const hostsim::HostTree> tree;
  PlantCensus census;
};

// A case of at least `objects` host nodes (the last unit is finished, so a few more): the top
// "Case" holds the flowsheet "Plant" (type "TemplateOpObject") whose children are the units.
GeneratedCase GenerateCase(std::size_t objects, std::uint64_t seed = 1);

// The same case as GenerateCase, written in the JSON case format of the case loader.
std::string GenerateCaseJson(std::size_t objects, std::uint64_t seed = 1,
                             PlantCensus* census = nullptr);

}  // namespace bench
