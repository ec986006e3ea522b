#include <algorithm>
#include <numeric>
#include <tuple>

#include "diff_parts.h"

namespace walk {

std::vector<Pair> Match(const std::vector<Record>& ra, std::vector<std::uint32_t> a,
                        const std::vector<Record>& rb, std::vector<std::uint32_t> b) {
  auto by_key = [](const std::vector<Record>& r) {
    return [&r](std::uint32_t x, std::uint32_t y) {
      if (r[x].kind != r[y].kind) return r[x].kind < r[y].kind;
      if (r[x].key != r[y].key) return r[x].key < r[y].key;
      return x < y;
    };
  };
  std::sort(a.begin(), a.end(), by_key(ra));
  std::sort(b.begin(), b.end(), by_key(rb));
  std::vector<Pair> pairs;
  pairs.reserve(std::max(a.size(), b.size()));
  auto less = [&](const Record& x, const Record& y) {
    return x.kind != y.kind ? x.kind < y.kind : x.key < y.key;
  };
  std::size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    // The next key, and the runs of it on both sides.
    const Record& next =
        j == b.size() || (i < a.size() && less(ra[a[i]], rb[b[j]])) ? ra[a[i]] : rb[b[j]];
    std::size_t ia = i, jb = j;
    while (ia < a.size() && !less(ra[a[ia]], next) && !less(next, ra[a[ia]])) ++ia;
    while (jb < b.size() && !less(rb[b[jb]], next) && !less(next, rb[b[jb]])) ++jb;
    for (std::uint32_t rank = 0; i < ia || j < jb; ++rank) {
      pairs.push_back({i < ia ? a[i] : kNoRecord, j < jb ? b[j] : kNoRecord, rank});
      if (i < ia) ++i;
      if (j < jb) ++j;
    }
  }
  // Order: by the new document's position; one only in the old document goes after the record
  // of the new one that its predecessor in the old document was paired with.
  std::vector<std::uint32_t> by_a;
  for (std::uint32_t p = 0; p < pairs.size(); ++p) {
    if (pairs[p].a != kNoRecord) by_a.push_back(p);
  }
  std::sort(by_a.begin(), by_a.end(),
            [&](std::uint32_t x, std::uint32_t y) { return pairs[x].a < pairs[y].a; });
  std::vector<std::int64_t> anchor(pairs.size());
  std::int64_t last = -1;
  for (std::uint32_t p : by_a) {
    if (pairs[p].b != kNoRecord) {
      last = pairs[p].b;
    } else {
      anchor[p] = last;
    }
  }
  std::vector<std::uint32_t> order(pairs.size());
  std::iota(order.begin(), order.end(), 0u);
  auto place = [&](std::uint32_t p) {
    return pairs[p].b != kNoRecord ? std::make_tuple(std::int64_t{pairs[p].b}, 0, std::uint32_t{0})
                                   : std::make_tuple(anchor[p], 1, pairs[p].a);
  };
  std::sort(order.begin(), order.end(),
            [&](std::uint32_t x, std::uint32_t y) { return place(x) < place(y); });
  std::vector<Pair> sorted;
  sorted.reserve(pairs.size());
  for (std::uint32_t p : order) sorted.push_back(pairs[p]);
  return sorted;
}

std::vector<std::uint32_t> Children(const std::vector<Record>& r, std::uint32_t parent,
                                    bool objects) {
  std::vector<std::uint32_t> out;
  std::uint32_t j = parent == kNoRecord ? 0 : parent + 1;
  std::uint32_t end = parent == kNoRecord ? static_cast<std::uint32_t>(r.size()) : r[parent].end;
  while (j < end) {
    if (objects || r[j].kind != Record::kObject) out.push_back(j);
    j = r[j].end;
  }
  return out;
}

}  // namespace walk
