// A whole walk of a plant case in the framework's order of calls: on each unit the kind tests
// and the classifier; for a collection the count (index -1), then each index from 0 on a clone
// of the unit's iterator, with the item's element callbacks and nested collections on that
// clone; an element callback first tested (move 0), then moved (move 1) on a clone of its own,
// where the element's "value" is read. Every clone is deleted when its step ends.
#pragma once

#include <cstdint>

#include "iterator/host_iterator.h"

namespace bench {

struct WalkTally {
  long calls = 0;  // callback calls made
  long found = 0;  // counts returned, element tests passed: a checksum of what was found
};

// Walks the flowsheet "Plant" under the top of the case `top` stands on.
WalkTally WalkPlant(hostsim::HostIterator& top);

}  // namespace bench
