#include "tree.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "attribute_value.h"
#include "call_record.h"
#include "members.h"
#include "settings.h"

namespace trace {
namespace {

// A climb up a host tree ends here even if the host's Up never fails.
constexpr std::size_t kMaxLevels = 1u << 20;
// Names are read into a buffer that doubles up to this size.
constexpr int kMaxName = 1 << 20;

struct DeleteIterator {
  void operator()(FIIterator* it) const { DeleteFIIterator(it); }
};
using Clone = std::unique_ptr<FIIterator, DeleteIterator>;

// The name of the node `it` stands on, read whole into `name` through `buffer` (kept for the
// next read).
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

SnapshotResult WriteSnapshot(kit::JsonWriter& json, FIIterator& caller,
                             unsigned long long max_nodes, unsigned long long max_depth) {
  unsigned long long nodes = 0;
  std::string buffer, name, cut;
  record::SnapshotDigest digest;
  // Opens the node `it` stands on: its name and properties.
  auto open = [&](FIIterator& it) {
    ++nodes;
    ReadName(it, buffer, name);
    json.BeginObject();
    json.Member(document_names::kName, name);
    digest.Open(name);
    for (const record::Member& m : record::kSnapshotProperties) {
      FIAttribute value;
      it.GetValue(FIAttribute(m.name.data()), value);  // the names end in NUL
      if (value.empty()) continue;
      json.Key(m.name);
      record::Value v = record::AttributeValue(value);
      json.Write(v);
      digest.Property(m.name, v);
    }
  };
  // Closes the node written last open; the top says what the snapshot is.
  auto close = [&](bool top) {
    digest.Close();
    if (top) {
      json.Key(document_names::kProps);
      json.BeginObject();
      json.Member("fintop-trace snapshot",
                  cut.empty() ? "complete: " + std::to_string(nodes) + " nodes"
                              : "cut at " + std::to_string(nodes) + " nodes: " + cut);
      json.End();
    }
    json.End();
  };
  auto cut_at = [&](const std::string& why) {
    if (cut.empty()) cut = why;
  };

  Clone at(caller.Clone());
  if (!at) throw std::bad_alloc();
  for (std::size_t levels = 0; levels < kMaxLevels && at->Up(); ++levels) {
  }
  std::size_t depth = 0;
  bool stop = false;  // the node limit is reached
  const std::string full = "stopped at " + std::to_string(max_nodes) + " nodes (" +
                           kSnapshotNodesSetting + "): the nodes after that are left out";
  open(*at);
  for (;;) {
    // On the node written last: down to its first child, unless a limit stops it.
    if (!stop && at->First()) {
      if (depth >= max_depth) {
        at->Up();
        cut_at("the nodes below depth " + std::to_string(max_depth) + " (" + kSnapshotDepthSetting +
               ") are left out");
      } else if (nodes >= max_nodes) {
        at->Up();
        cut_at(full);
        stop = true;
      } else {
        json.Key(document_names::kChildren);
        json.BeginArray();
        ++depth;
        open(*at);
        continue;
      }
    }
    // Closed, then on to its next sibling, or up to close the parent.
    for (;;) {
      close(depth == 0);
      if (depth == 0) return {nodes, digest.Hex(), cut};
      if (!stop && at->Next()) {
        if (nodes < max_nodes) {
          open(*at);
          break;
        }
        cut_at(full);
        stop = true;
      }
      at->Up();
      --depth;
      json.End();  // the parent's children
    }
  }
}

}  // namespace trace
