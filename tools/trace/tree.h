// Where an iterator stands, as the record's address (call_record.h), read with the iterator's
// operations alone: the interface has no node identity, so each level's place among namesakes
// is counted from the siblings. Every clone made is deleted; the iterator read is not moved.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "framework/fi_iterator.h"

namespace trace {

// A climb up a host tree ends here even if the host's Up never fails.
inline constexpr std::size_t kMaxLevels = 1u << 20;

struct DeleteIterator {
  void operator()(FIIterator* it) const { DeleteFIIterator(it); }
};
using Clone = std::unique_ptr<FIIterator, DeleteIterator>;

// The name of the node `it` stands on, read whole into `name` through `buffer` (kept for the
// next read; it doubles up to 1 MiB).
void ReadName(FIIterator& it, std::string& buffer, std::string& name);

// The address of the node `it` stands on.
std::string AddressOf(FIIterator& it);

}  // namespace trace
