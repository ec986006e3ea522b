// The host tree as fintop-trace reads it, with the iterator's operations alone (Clone, Up,
// First, Next, Down, GetName, GetValue): where an iterator stands, as the record's address
// (call_record.h), and the snapshot. The interface has no node identity, so each level's place
// among namesakes is counted from the siblings. Every clone made is deleted; the iterator read
// is never moved.
#pragma once

#include <string>

#include "framework/fi_iterator.h"
#include "json_writer.h"

namespace trace {

// The address of the node `it` stands on.
std::string AddressOf(FIIterator& it);

// The snapshot: the host tree as the plug-in sees it, written from the top in the case format
// of fintop-walk (hostsim/iterator/case_loader.h), so that a session's calls can be made again
// on it (fintop-walk SNAPSHOT --replay LOG).
//
// Limits unless the settings give others: a large real case fits, and the depth is what
// fintop-walk reads (hostsim::kMaxCaseDepth).
inline constexpr unsigned long long kDefaultSnapshotNodes = 5000000;
inline constexpr unsigned long long kDefaultSnapshotDepth = 10000;

// What was written: the nodes, the digest (record::SnapshotDigest over what the replay reads back)
// and why it was cut.
struct SnapshotResult {
  unsigned long long nodes = 0;
  std::string digest;
  std::string cut;  // empty: complete
};

// Writes the tree `caller` stands in to `json`, from its top: each node's name, its "type",
// "value" and "id" as GetValue gives them, its children in order. One clone moves through the
// tree (First, Next, Up), so the caller's iterator is never moved; a second finds the top.
// Stops at `max_nodes` nodes and below `max_depth` levels; the top's property
// "fintop-trace snapshot", written last, says whether and where it was cut. Throws what
// writing throws (std::bad_alloc).
SnapshotResult WriteSnapshot(kit::JsonWriter& json, FIIterator& caller,
                             unsigned long long max_nodes, unsigned long long max_depth);

}  // namespace trace
