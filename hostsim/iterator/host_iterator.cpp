#include "iterator/host_iterator.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "iterator/case_context.h"

namespace hostsim {

namespace {

std::atomic<long> g_live{0};
std::atomic<std::uint64_t> g_next_id{1};

using AttributeList = std::vector<std::pair<std::string, FIAttribute>>;

// Writes `name` = `value` into `list`: replaces the name where it stands, or appends it.
template <class Value>
void Put(AttributeList& list, std::string_view name, Value&& value) {
  for (auto& [stored_name, stored] : list) {
    if (stored_name == name) {
      stored = std::forward<Value>(value);
      return;
    }
  }
  list.emplace_back(std::string(name), std::forward<Value>(value));
}

// Whether a Down path is a single plain level (no dots, no quotes): the common, fast case.
// One pass, eight bytes at a time (the last word overlapping the one before it): a byte equal
// to '.' or '"' leaves a zero byte in the word XORed with that character repeated, and
// (x - 0x01..01) & ~x & 0x80..80 is non-zero exactly when x has a zero byte.
bool IsPlainLevel(std::string_view path) {
  const char* p = path.data();
  const std::size_t size = path.size();
  if (size < sizeof(std::uint64_t)) {
    for (std::size_t i = 0; i < size; ++i) {
      if (p[i] == '.' || p[i] == '"') return false;
    }
    return true;
  }
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHighs = 0x8080808080808080ull;
  auto has_path_character = [&](std::size_t at) {
    std::uint64_t word;
    std::memcpy(&word, p + at, sizeof word);
    const std::uint64_t dots = word ^ (kOnes * '.');
    const std::uint64_t quotes = word ^ (kOnes * '"');
    return ((((dots - kOnes) & ~dots) | ((quotes - kOnes) & ~quotes)) & kHighs) != 0;
  };
  const std::size_t last = size - sizeof(std::uint64_t);
  for (std::size_t at = 0; at < last; at += sizeof(std::uint64_t)) {
    if (has_path_character(at)) return false;
  }
  return !has_path_character(last);
}

}  // namespace

bool SplitPath(std::string_view path, std::vector<std::string>& levels) {
  levels.clear();
  std::string level;
  bool quoted_part = false;  // the level holds a quoted part, so it may be empty
  bool in_quotes = false;
  for (char c : path) {
    if (in_quotes) {
      if (c == '"') {
        in_quotes = false;
      } else {
        level += c;
      }
    } else if (c == '"') {
      in_quotes = true;
      quoted_part = true;
    } else if (c == '.') {
      if (level.empty() && !quoted_part) return false;
      levels.push_back(std::move(level));
      level.clear();
      quoted_part = false;
    } else {
      level += c;
    }
  }
  // An unterminated quote runs to the end of the path.
  if (level.empty() && !quoted_part) return false;
  levels.push_back(std::move(level));
  return true;
}

HostIterator::HostIterator(std::shared_ptr<const HostTree> tree, std::uint32_t node)
    : tree_(std::move(tree)), node_(node), id_(g_next_id.fetch_add(1)) {
  g_live.fetch_add(1, std::memory_order_relaxed);
}

HostIterator::HostIterator(const HostIterator& source, int)
    : tree_(source.tree_),
      node_(source.node_),
      attributes_(source.attributes_),
      observer_(source.observer_),
      id_(source.id_) {
  g_live.fetch_add(1, std::memory_order_relaxed);
}

HostIterator::~HostIterator() {
  delete entry_;
  g_live.fetch_sub(1, std::memory_order_relaxed);
}

void HostIterator::Notify(const IteratorEvent& event) const {
  if (observer_ != nullptr) observer_->OnEvent(*this, event);
}

bool HostIterator::Move(const char* op, std::uint32_t to, int number, std::string_view text) {
  std::uint32_t from = node_;
  bool ok = to != kNoNode;
  if (ok) node_ = to;
  if (observer_ != nullptr) Notify({op, text, {}, nullptr, number, ok, from, node_});
  return ok;
}

FIIterator* HostIterator::Clone() {
  auto* clone = new HostIterator(*this, 0);
  if (observer_ != nullptr) Notify({"Clone", {}, {}, nullptr, 0, true, node_, node_});
  return clone;
}

bool HostIterator::Element(int index) {
  return Move("Element", tree_->child(node_, index), index);
}

bool HostIterator::Down(const std::string& name) {
  if (IsPlainLevel(name)) {
    return Move("Down", name.empty() ? kNoNode : tree_->find_child(node_, name), 0, name);
  }
  std::vector<std::string> levels;
  std::uint32_t at = node_;
  if (SplitPath(name, levels)) {
    for (const std::string& level : levels) {
      at = tree_->find_child(at, level);
      if (at == kNoNode) break;
    }
  } else {
    at = kNoNode;
  }
  return Move("Down", at, 0, name);
}

bool HostIterator::First() {
  return Move("First", tree_->child(node_, 0));
}

bool HostIterator::Next() {
  return Move("Next", tree_->next_sibling(node_));
}

bool HostIterator::Last() {
  std::uint32_t count = tree_->child_count(node_);
  return Move("Last", count == 0 ? kNoNode : tree_->child(node_, count - 1));
}

bool HostIterator::Up() {
  return Move("Up", tree_->parent(node_));
}

void HostIterator::GetName(char* buffer, int size) {
  std::string_view name = tree_->name(node_);
  if (buffer != nullptr && size > 0) {
    std::size_t n = std::min<std::size_t>(name.size(), static_cast<std::size_t>(size) - 1);
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
  }
  if (observer_ != nullptr) Notify({"GetName", name, {}, nullptr, size, true, node_, node_});
}

void HostIterator::GetValue(const FIAttribute& key, FIAttribute& out) {
  const char* wanted = key.c_str();
  const PropValue* value = wanted != nullptr ? tree_->property(node_, wanted) : nullptr;
  if (value != nullptr) {
    switch (value->kind) {
      case PropValue::kText:
        out = value->text.c_str();
        break;
      case PropValue::kInteger:
        out = static_cast<int>(value->integer);
        break;
      case PropValue::kReal:
        out = value->real;
        break;
    }
  }
  if (observer_ != nullptr) {
    Notify({"GetValue",
            wanted != nullptr ? wanted : "",
            {},
            value ? &out : nullptr,
            0,
            value != nullptr,
            node_,
            node_});
  }
}

void HostIterator::Alias(const char* generic_name, const char* host_name) {
  aliases_.push_back({generic_name ? generic_name : "", host_name ? host_name : "", node_});
  if (observer_ != nullptr) {
    Notify({"Alias", aliases_.back().generic_name, aliases_.back().host_name, nullptr, 0,
            generic_name != nullptr && host_name != nullptr, node_, node_});
  }
}

void HostIterator::Store(std::string_view name, const FIAttribute& value) {
  if (!attributes_ || attributes_.use_count() > 1) {
    // Nothing yet, or layers a clone shares: a layer of this iterator's own over them.
    auto layer = std::make_shared<AttributeLayer>();
    layer->below = std::move(attributes_);
    attributes_ = std::move(layer);
  } else {
    // The clones that shared the layers below are gone: fold this layer into them, so that
    // the layers do not pile up on an iterator that is cloned again and again.
    while (attributes_->below && attributes_->below.use_count() == 1) {
      AttributeList& below = attributes_->below->entries;
      for (auto& [stored_name, stored] : attributes_->entries) {
        Put(below, stored_name, std::move(stored));
      }
      attributes_ = std::move(attributes_->below);
    }
  }
  Put(attributes_->entries, name, value);
}

void HostIterator::SetAttribute(const char* name, const FIAttribute& value) {
  std::string_view key = name != nullptr ? name : "";
  Store(key, value);
  if (observer_ != nullptr) Notify({"SetAttribute", key, {}, &value, 0, true, node_, node_});
}

void HostIterator::SetAttributeByKey(const FIAttribute& key, const FIAttribute& value) {
  FIAttribute text(key);
  text.ChangeType(FT_TEXT);
  Store(text.c_str(), value);
  if (observer_ != nullptr) {
    Notify({"SetAttributeByKey", text.c_str(), {}, &value, 0, true, node_, node_});
  }
}

bool HostIterator::GetAttribute(const char* name, FIAttribute& out) {
  std::string_view key = name != nullptr ? name : "";
  bool found = false;
  for (const AttributeLayer* layer = attributes_.get(); layer != nullptr && !found;
       layer = layer->below.get()) {
    for (const auto& [stored_name, stored] : layer->entries) {
      if (stored_name == key) {
        out = stored;
        found = true;
        break;
      }
    }
  }
  if (observer_ != nullptr) {
    Notify({"GetAttribute", key, {}, found ? &out : nullptr, 0, found, node_, node_});
  }
  return found;
}

std::vector<std::pair<std::string, FIAttribute>> HostIterator::attributes() const {
  if (!attributes_) return {};
  if (!attributes_->below) return attributes_->entries;  // one layer: the common case
  std::vector<const AttributeLayer*> layers;
  for (const AttributeLayer* layer = attributes_.get(); layer != nullptr;
       layer = layer->below.get()) {
    layers.push_back(layer);
  }
  AttributeList out;
  for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
    for (const auto& [name, value] : (*layer)->entries) Put(out, name, value);
  }
  return out;
}

void HostIterator::ClearAttributes() {
  attributes_.reset();
}

long LiveIterators() {
  return g_live.load();
}

IteratorPtr NewIterator(std::shared_ptr<const HostTree> tree, std::string_view path) {
  IteratorPtr it(new HostIterator(std::move(tree)));
  if (!path.empty() && !it->Down(std::string(path))) return nullptr;
  return it;
}

std::string DescribeValue(const FIAttribute& value) {
  switch (value.type()) {
    case FT_EMPTY:
      return "empty";
    case FT_INTEGER:
      return "int:" + std::to_string(value.ival());
    case FT_REAL: {
      FIAttribute text(value);
      text.ChangeType(FT_TEXT);
      return std::string("real:") + text.c_str();
    }
    case FT_TEXT:
      return std::string("text:") + value.c_str();
  }
  return "?";
}

std::string DescribeAttributes(const HostIterator& it) {
  std::string out;
  for (const auto& [name, value] : it.attributes()) {
    if (!out.empty()) out += "; ";
    out += name;
    out += '=';
    out += DescribeValue(value);
  }
  return out;
}

std::string DescribeAliases(const HostIterator& it) {
  std::string out;
  for (const AliasBinding& a : it.aliases()) {
    if (!out.empty()) out += "; ";
    out += a.generic_name + "->" + a.host_name;
  }
  return out;
}

}  // namespace hostsim

extern "C" {

// Mode 1 hands the entry over: the new iterator owns it and deletes it with itself, and when
// no iterator can be made the entry is deleted here (with the context reference it holds).
// Any other mode leaves the entry with the caller.
FIIterator* FI_CDECL CreateBaseFIIterator(FITopEntry* entry, int mode) {
  std::unique_ptr<FITopEntry> owned(mode == 1 ? entry : nullptr);
  if (entry == nullptr || entry->context() == nullptr) return nullptr;
  auto* tree = static_cast<std::shared_ptr<const hostsim::HostTree>*>(
      entry->context()->Query(hostsim::kTreeQuery));
  if (tree == nullptr || !*tree) return nullptr;
  auto* it = new hostsim::HostIterator(*tree);
  it->take_entry(owned.release());
  return it;
}

void FI_CDECL DeleteFIIterator(FIIterator* iterator) {
  delete static_cast<hostsim::HostIterator*>(iterator);
}

}  // extern "C"
