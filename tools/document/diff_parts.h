// What the comparison's files share (diff.h's, for its own files only): the sections and the
// kinds' names of the difference lines, and the matching of two documents' records.
#pragma once

#include <cstdint>
#include <vector>

#include "diff.h"

namespace walk {

struct KindName {
  const char* one;
  const char* many;
};

// In the order the summary line counts them.
inline constexpr KindName kKindNames[DiffLine::kKinds] = {
    {"object added", "objects added"},
    {"object removed", "objects removed"},
    {"class changed", "classes changed"},
    {"step added", "steps added"},
    {"step removed", "steps removed"},
    {"value changed", "values changed"},
    {"count changed", "counts changed"},
    {"callback changed", "callbacks changed"},
    {"result changed", "results changed"},
    {"target changed", "targets changed"},
    {"attribute changed", "attributes changed"},
    {"binding changed", "bindings changed"},
    {"call added", "calls added"},
    {"call removed", "calls removed"},
    {"framework record added", "framework records added"},
    {"framework record removed", "framework records removed"},
    {"callback reached", "callbacks reached"},
    {"callback not reached", "callbacks not reached"},
    {"callback found something", "callbacks found something"},
    {"callback found nothing", "callbacks found nothing"},
    {"call never returned", "calls never returned"},
    {"clones left alive", "clones left alive"},
};

enum Section { kModel, kCalls, kFramework, kCallbacks };

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
