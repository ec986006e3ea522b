// The stand-in iterator module: FIIterator over a HostTree.
//
// Attributes live in layers: Clone shares the source's layers, and the first write on either
// side after a Clone puts a new layer of its own over the shared ones, so neither Clone nor
// that write copies what was recorded. A layer is written only while one iterator holds it;
// once no clone shares the layer below any more, the next write folds its own layer into it.
// Alias bindings are kept on the iterator they were made on. An observer, when set, hears of every
// operation; clones inherit it. Live iterators are counted so that tests can prove no clone was
// left alive.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/fi_context.h"
#include "framework/fi_iterator.h"
#include "iterator/host_tree.h"

namespace hostsim {

class HostIterator;

// One operation on an iterator, as an observer hears of it.
struct IteratorEvent {
  const char* op;            // "Clone", "Down", "GetValue", "SetAttribute", ...
  std::string_view text;     // the name, key or generic name passed, if any
  std::string_view text2;    // the host name of an Alias
  const FIAttribute* value;  // the value stored, read or received, if any
  int number;                // the index or size passed, if any
  bool result;               // the operation's result (true for operations without one)
  std::uint32_t from, to;    // the node before and after
};

class IteratorObserver {
 public:
  virtual ~IteratorObserver() = default;
  virtual void OnEvent(const HostIterator& iterator, const IteratorEvent& event) = 0;
};

struct AliasBinding {
  std::string generic_name;
  std::string host_name;
  std::uint32_t node;  // the node the iterator stood on
};

class HostIterator final : public FIIterator {
 public:
  explicit HostIterator(std::shared_ptr<const HostTree> tree,
                        std::uint32_t node = HostTree::root());
  ~HostIterator();
  HostIterator(const HostIterator&) = delete;
  HostIterator& operator=(const HostIterator&) = delete;

  FIIterator* Clone() override;
  bool Element(int index) override;
  bool Down(const std::string& name) override;
  bool First() override;
  bool Next() override;
  bool Last() override;
  bool Up() override;
  void GetName(char* buffer, int size) override;
  void GetValue(const FIAttribute& key, FIAttribute& out) override;
  void Alias(const char* generic_name, const char* host_name) override;
  void SetAttribute(const char* name, const FIAttribute& value) override;
  void SetAttributeByKey(const FIAttribute& key, const FIAttribute& value) override;
  bool GetAttribute(const char* name, FIAttribute& out) override;

  // For the stand-in framework and the tests.
  const HostTree& tree() const { return *tree_; }
  const std::shared_ptr<const HostTree>& shared_tree() const { return tree_; }
  std::uint32_t node() const { return node_; }
  void MoveTo(std::uint32_t node) { node_ = node; }
  std::string path() const { return tree_->path(node_); }
  const std::vector<AliasBinding>& aliases() const { return aliases_; }
  void ClearAliases() { aliases_.clear(); }
  // A copy of the attributes in the order first recorded (a later write keeps the name's
  // place), made from the layers.
  std::vector<std::pair<std::string, FIAttribute>> attributes() const;
  void ClearAttributes();
  void set_observer(IteratorObserver* observer) { observer_ = observer; }
  IteratorObserver* observer() const { return observer_; }
  // Which iterator this one was cloned from, directly or not (0 for one made otherwise).
  std::uint64_t id() const { return id_; }
  // The top entry this iterator was made on by CreateBaseFIIterator, which it owns and deletes
  // with itself (clones do not).
  void take_entry(FITopEntry* entry) { entry_ = entry; }

 private:
  using AttributeList = std::vector<std::pair<std::string, FIAttribute>>;
  // Writes over the layers below: a name here replaces the same name below and keeps its
  // place there. A layer held by more than one iterator (or by a layer above) is not written.
  struct AttributeLayer {
    std::shared_ptr<AttributeLayer> below;
    AttributeList entries;
  };
  HostIterator(const HostIterator& source, int /*clone tag*/);
  bool Move(const char* op, std::uint32_t to, int number = 0, std::string_view text = {});
  void Store(std::string_view name, const FIAttribute& value);
  void Notify(const IteratorEvent& event) const;

  std::shared_ptr<const HostTree> tree_;
  std::uint32_t node_;
  std::shared_ptr<AttributeLayer> attributes_;  // the top layer; null before any write
  std::vector<AliasBinding> aliases_;
  IteratorObserver* observer_ = nullptr;
  std::uint64_t id_;
  FITopEntry* entry_ = nullptr;
};

// Live iterators made by this module and not yet deleted, in the whole process.
long LiveIterators();

// Parses a Down path into its levels: dots separate levels, a double-quoted part is taken
// literally (dots and blanks included) without its quotes. Returns false for a path that
// names nothing (an empty unquoted level).
bool SplitPath(std::string_view path, std::vector<std::string>& levels);

// A new iterator on the node at `path` (levels as for Down, from the top), owned by the
// caller and deleted with DeleteFIIterator; null when the path does not resolve.
struct IteratorDeleter {
  void operator()(FIIterator* it) const { DeleteFIIterator(it); }
};
using IteratorPtr = std::unique_ptr<HostIterator, IteratorDeleter>;
IteratorPtr NewIterator(std::shared_ptr<const HostTree> tree, std::string_view path = {});

// "Name=kind:value; ..." for every attribute recorded, in the order first recorded; kinds
// are "empty", "int", "real" and "text".
std::string DescribeAttributes(const HostIterator& it);
std::string DescribeValue(const FIAttribute& value);
// "Generic->Host; ..." for every binding made, in order.
std::string DescribeAliases(const HostIterator& it);

}  // namespace hostsim
