#include "snapshot.h"

#include <new>

#include "address.h"
#include "attribute_value.h"
#include "members.h"
#include "settings.h"

namespace trace {
namespace {

class SnapshotWriter {
 public:
  SnapshotWriter(kit::JsonWriter& json, unsigned long long max_nodes, unsigned long long max_depth)
      : json_(json), max_nodes_(max_nodes), max_depth_(max_depth) {}

  SnapshotResult Write(FIIterator& caller) {
    Clone at(caller.Clone());
    if (!at) throw std::bad_alloc();
    for (std::size_t levels = 0; levels < kMaxLevels && at->Up(); ++levels) {
    }
    std::size_t depth = 0;
    bool stop = false;  // the node limit is reached
    const std::string full = "stopped at " + std::to_string(max_nodes_) + " nodes (" +
                             trace::kSnapshotNodesSetting + "): the nodes after that are left out";
    Open(*at);
    for (;;) {
      // On the node written last: down to its first child, unless a limit stops it.
      if (!stop && at->First()) {
        if (depth >= max_depth_) {
          at->Up();
          Cut("the nodes below depth " + std::to_string(max_depth_) + " (" +
              trace::kSnapshotDepthSetting + ") are left out");
        } else if (nodes_ >= max_nodes_) {
          at->Up();
          Cut(full);
          stop = true;
        } else {
          json_.Key(document_names::kChildren);
          json_.BeginArray();
          ++depth;
          Open(*at);
          continue;
        }
      }
      // Closed, then on to its next sibling, or up to close the parent.
      for (;;) {
        Close(depth == 0);
        if (depth == 0) return {nodes_, digest_.Hex(), cut_};
        if (!stop && at->Next()) {
          if (nodes_ < max_nodes_) {
            Open(*at);
            break;
          }
          Cut(full);
          stop = true;
        }
        at->Up();
        --depth;
        json_.End();  // the parent's children
      }
    }
  }

 private:
  void Open(FIIterator& it) {
    ++nodes_;
    ReadName(it, buffer_, name_);
    json_.BeginObject();
    json_.Member(document_names::kName, name_);
    digest_.Open(name_);
    for (const record::Member& m : record::kSnapshotProperties) {
      FIAttribute value;
      it.GetValue(FIAttribute(m.name.data()), value);  // the names end in NUL
      if (value.empty()) continue;
      json_.Key(m.name);
      record::Value v = record::AttributeValue(value);
      json_.Write(v);
      digest_.Property(m.name, v);
    }
  }
  // Closes the node written last open; the top says what the snapshot is.
  void Close(bool top) {
    digest_.Close();
    if (top) {
      json_.Key(document_names::kProps);
      json_.BeginObject();
      json_.Member("fintop-trace snapshot",
                   cut_.empty() ? "complete: " + std::to_string(nodes_) + " nodes"
                                : "cut at " + std::to_string(nodes_) + " nodes: " + cut_);
      json_.End();
    }
    json_.End();
  }
  void Cut(const std::string& why) {
    if (cut_.empty()) cut_ = why;
  }

  kit::JsonWriter& json_;
  unsigned long long max_nodes_, max_depth_;
  unsigned long long nodes_ = 0;
  std::string buffer_, name_, cut_;
  record::SnapshotDigest digest_;
};

}  // namespace

SnapshotResult WriteSnapshot(kit::JsonWriter& json, FIIterator& caller,
                             unsigned long long max_nodes, unsigned long long max_depth) {
  return SnapshotWriter(json, max_nodes, max_depth).Write(caller);
}

}  // namespace trace
