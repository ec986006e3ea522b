#include "address.h"

#include <cstring>
#include <vector>

#include "call_record.h"

namespace trace {
namespace {

// Names are read into a buffer that doubles up to this size.
constexpr int kMaxName = 1 << 20;

// How many siblings follow the node `at` stands on (Next on a clone of it).
std::size_t Following(FIIterator& at) {
  std::size_t n = 0;
  if (Clone next{at.Clone()}) {
    while (next->Next()) ++n;
  }
  return n;
}

// The place (1, 2, ...) of a child named `name` of `parent`, followed by `after` siblings, among
// the children of that name. The first of them is found with Down (the name as one quoted
// level): when as many siblings follow it, it is the node, and only the siblings between it
// and the node are read otherwise. A name holding a double quote cannot be one level: then
// every child's name is read.
std::size_t PlaceAmongNamesakes(FIIterator& parent, const std::string& name, std::size_t after,
                                std::string& buffer, std::string& sibling) {
  if (name.find('"') == std::string::npos) {
    Clone first{parent.Clone()};
    if (first && first->Down("\"" + name + "\"")) {
      const std::size_t first_after = Following(*first);
      if (first_after == after) return 1;
      if (first_after > after) {
        std::size_t place = 1;  // counting the node itself, the last sibling read
        for (std::size_t steps = first_after - after; steps > 0 && first->Next(); --steps) {
          ReadName(*first, buffer, sibling);
          if (sibling == name) ++place;
        }
        return place;
      }
    }
  }
  std::vector<bool> same;  // for each child of the parent: named as the node
  if (Clone child{parent.Clone()}; child && child->First()) {
    do {
      ReadName(*child, buffer, sibling);
      same.push_back(sibling == name);
    } while (child->Next());
  }
  std::size_t place = 1;
  std::size_t position = same.size() > after ? same.size() - 1 - after : 0;
  for (std::size_t i = 0; i < position; ++i) place += same[i] ? 1 : 0;
  return place;
}

}  // namespace

void ReadName(FIIterator& it, std::string& buffer, std::string& name) {
  if (buffer.size() < 256) buffer.assign(256, '\0');
  for (;;) {
    buffer[0] = '\0';
    it.GetName(buffer.data(), static_cast<int>(buffer.size()));
    std::size_t length = std::strlen(buffer.c_str());
    if (length + 1 < buffer.size() || buffer.size() >= kMaxName) {
      name.assign(buffer.c_str(), length);
      return;
    }
    buffer.assign(buffer.size() * 2, '\0');  // it may have been cut: read it again
  }
}

// The address (call_record.h) of where `it` stands, read on clones. At each level, the node's
// place among its parent's children of its name: how many siblings follow it gives its
// position, PlaceAmongNamesakes the place from that.
std::string AddressOf(FIIterator& it) {
  Clone clone(it.Clone());
  if (!clone) return {};
  struct Named {
    std::string name;
    std::size_t place;
  };
  std::vector<Named> levels;
  std::string buffer, sibling;
  for (;;) {
    Named level{{}, 1};
    ReadName(*clone, buffer, level.name);
    const std::size_t after = Following(*clone);
    bool up = levels.size() + 1 < kMaxLevels && clone->Up();
    if (up) level.place = PlaceAmongNamesakes(*clone, level.name, after, buffer, sibling);
    levels.push_back(std::move(level));
    if (!up) break;
  }
  std::string address;
  for (auto level = levels.rbegin(); level != levels.rend(); ++level)
    record::AppendLevel(address, level->name, level->place, level == levels.rbegin());
  return address;
}

}  // namespace trace
