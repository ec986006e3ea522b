#include "pairs.h"

#include <algorithm>
#include <stdexcept>

#include "framework/callback_table.h"
#include "iterator/case_loader.h"

namespace bench {

using hostsim::HostIterator;

// ---- The checking probe.

void CheckProbe::Fold(std::string_view text) {
  for (unsigned char c : text) sum_ = (sum_ ^ c) * 1099511628211ull;
  sum_ = (sum_ ^ 0xffu) * 1099511628211ull;  // the end of a text
}

void CheckProbe::Fold(std::uint64_t number) {
  for (int byte = 0; byte < 8; ++byte) {
    sum_ = (sum_ ^ ((number >> (8 * byte)) & 0xffu)) * 1099511628211ull;
  }
}

void CheckProbe::Step(FIIterator& caller, long result) {
  auto& it = static_cast<HostIterator&>(caller);
  if (it.node() != start_) {
    if (plant_.kind == Plant::kSkipMove && moves_ == plant_.k) {
      it.MoveTo(it.tree().parent(it.node()));  // as if its last move had not been made
      planted_ = true;
    }
    ++moves_;
  }
  if (plant_.kind == Plant::kAlterResult && steps_ == plant_.k) {
    ++result;
    planted_ = true;
  }
  ++steps_;
  Fold("step");
  Fold(static_cast<std::uint64_t>(result));
  Fold(it.path());
  Fold(hostsim::DescribeAttributes(it));
  Fold(hostsim::DescribeAliases(it));
}

bool CheckProbe::PlantHere() {
  const bool here = writes_ == plant_.k &&
                    (plant_.kind == Plant::kDropWrite || plant_.kind == Plant::kAlterWrite);
  ++writes_;
  if (here) planted_ = true;
  return here;
}

namespace {

// The value a planted alteration writes instead: same type, another value.
FIAttribute Altered(const FIAttribute& value) {
  switch (value.type()) {
    case FT_INTEGER:
      return FIAttribute(value.ival() + 1);
    case FT_REAL:
      return FIAttribute(value.rval() + 1.0);
    case FT_TEXT: {
      FIAttribute text(value);
      return text.Append("~");
    }
    default:
      return FIAttribute(0);
  }
}

}  // namespace

void CheckProbe::Set(FIIterator& it, const char* name, const FIAttribute& value) {
  if (!PlantHere()) {
    it.SetAttribute(name, value);
  } else if (plant_.kind == Plant::kAlterWrite) {
    it.SetAttribute(name, Altered(value));
  }
}

void CheckProbe::SetByKey(FIIterator& it, const FIAttribute& key, const FIAttribute& value) {
  if (!PlantHere()) {
    it.SetAttributeByKey(key, value);
  } else if (plant_.kind == Plant::kAlterWrite) {
    it.SetAttributeByKey(key, Altered(value));
  }
}

void CheckProbe::Alias(FIIterator& it, const char* generic_name, const char* host_name) {
  if (!PlantHere()) {
    it.Alias(generic_name, host_name);
  } else if (plant_.kind == Plant::kAlterWrite) {
    it.Alias(generic_name, (std::string(host_name) + "~").c_str());
  }
}

// Every attribute write and binding, on whatever iterator of the unit it is made: name, type,
// value, and the node it was made on.
void CheckProbe::OnEvent(const HostIterator& iterator, const hostsim::IteratorEvent& event) {
  const std::string_view op = event.op;
  if (op == "SetAttribute" || op == "SetAttributeByKey") {
    Fold("write");
    Fold(event.text);
    Fold(event.value != nullptr ? hostsim::DescribeValue(*event.value) : "none");
    Fold(iterator.node());
  } else if (op == "Alias") {
    Fold("alias");
    Fold(event.text);
    Fold(event.text2);
    Fold(iterator.node());
  }
}

// ---- The table.

const std::vector<Pair>& Pairs() {
  static const std::vector<Pair> pairs = [] {
    std::vector<Pair> all;
    for (auto family : {FrameworkPairs, CompositionPairs, EquipmentPairs, ReactionPairs,
                        HeaterPairs, ColumnPairs}) {
      for (Pair& pair : family()) all.push_back(std::move(pair));
    }
    return all;
  }();
  return pairs;
}

std::vector<std::string_view> UncoveredCallbacks() {
  std::vector<std::string_view> uncovered;
  for (const fintop::CallbackInfo& callback : fintop::kCallbackTable) {
    const bool covered = std::any_of(Pairs().begin(), Pairs().end(), [&](const Pair& pair) {
      return std::find(pair.callbacks.begin(), pair.callbacks.end(), callback.name) !=
             pair.callbacks.end();
    });
    if (!covered) uncovered.push_back(callback.name);
  }
  return uncovered;
}

std::vector<std::string_view> Families() {
  std::vector<std::string_view> families;
  for (const Pair& pair : Pairs()) {
    if (std::find(families.begin(), families.end(), pair.family) == families.end()) {
      families.push_back(pair.family);
    }
  }
  return families;
}

std::vector<hostsim::IteratorPtr> UnitsOf(const std::shared_ptr<const hostsim::HostTree>& tree,
                                          const Pair& pair) {
  std::vector<hostsim::IteratorPtr> units;
  for (std::uint32_t node = 0; node < tree->size(); ++node) {
    const hostsim::PropValue* type = tree->property(node, "type");
    if (type == nullptr || type->kind != hostsim::PropValue::kText) continue;
    if (std::find(pair.unit_types.begin(), pair.unit_types.end(), type->text) ==
        pair.unit_types.end()) {
      continue;
    }
    units.push_back(hostsim::NewIterator(tree));
    units.back()->MoveTo(node);
  }
  return units;
}

CheckProbe CheckSide(const std::shared_ptr<const hostsim::HostTree>& tree, const Pair& pair,
                     bool callbacks, Plant plant, std::size_t max_units) {
  CheckProbe probe(plant);
  const Side& side = callbacks ? pair.callbacks_side : pair.bare_side;
  std::vector<hostsim::IteratorPtr> units = UnitsOf(tree, pair);
  if (units.size() > max_units) units.resize(max_units);
  for (auto& unit : units) {
    unit->set_observer(&probe);
    probe.Start(*unit);
    side.check(*unit, probe);
    unit->set_observer(nullptr);
  }
  return probe;
}

const std::shared_ptr<const hostsim::HostTree>& DefaultPlant() {
  static const std::shared_ptr<const hostsim::HostTree> plant =
      hostsim::LoadCaseFile(std::string(FINTOP_SOURCE_DIR) + "/cases/default.json");
  return plant;
}

}  // namespace bench
