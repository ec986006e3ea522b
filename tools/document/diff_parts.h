// The matching of two documents' records (diff_match.cpp), for the comparison (diff.cpp) only.
#pragma once

#include <cstdint>
#include <vector>

#include "diff.h"

namespace walk {

struct Pair {
  std::uint32_t a = kNoRecord, b = kNoRecord;
  std::uint32_t rank = 0;  // among the records of one key on its side
};

// Matches the records `a` of one document with the records `b` of the other by kind and key;
// records of one key are paired in the order they come. The pairs come in the order of the new
// document, each one only in the old one after the pair it followed there.
std::vector<Pair> Match(const std::vector<Record>& ra, std::vector<std::uint32_t> a,
                        const std::vector<Record>& rb, std::vector<std::uint32_t> b);

// The records directly below `parent` (all records at the top for kNoRecord), objects left
// out when `objects` is false.
std::vector<std::uint32_t> Children(const std::vector<Record>& r, std::uint32_t parent,
                                    bool objects);

}  // namespace walk
