// The overhead pairs: for every callback, the calls a framework makes on a host unit (the
// callback side) against the bare iterator operations those callbacks are to make, each call's
// share in a function of its own (the bare side, BareCall), run on the same units of the same
// tree.
//
// Each side is a template over its probe. The measuring probe folds only the results, so that
// both sides pay the same near-nothing for it and the ratio of the two is the plug-in's own
// cost. The checking probe also folds, after every step, where the caller's iterator stands,
// every attribute it carries (name, type, value) and every alias bound on it, and hears through
// an observer every attribute write and alias binding on every iterator of the unit. A pair
// whose two sides check differently is an error; the benchmarks check before they measure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "framework/callbacks.h"
#include "framework/walks.h"
#include "iterator/host_iterator.h"

namespace bench {

// Folds the results of a side; what the benchmarks measure with.
struct MeasureProbe {
  std::uint64_t sum = 0;
  void Step(FIIterator& /*caller*/, long result) {
    sum = sum * 1099511628211ull + static_cast<std::uint64_t>(result);
  }
  // The bare side's writes and bindings on a caller's iterator go through the probe, so that
  // a test can plant a difference; here they are the plain operations.
  static void Set(FIIterator& it, const char* name, const FIAttribute& value) {
    it.SetAttribute(name, value);
  }
  static void SetByKey(FIIterator& it, const FIAttribute& key, const FIAttribute& value) {
    it.SetAttributeByKey(key, value);
  }
  static void Alias(FIIterator& it, const char* generic_name, const char* host_name) {
    it.Alias(generic_name, host_name);
  }
};

// A difference the checking probe plants in the bare side, for the tests of the checksum.
struct Plant {
  enum Kind { kNone, kDropWrite, kAlterWrite, kSkipMove, kAlterResult } kind = kNone;
  long k = 0;  // which write, which step that finds the caller moved, or which step (from 0)
};

// Folds everything a step leaves on the caller's iterator; see the top of the file.
class CheckProbe final : public hostsim::IteratorObserver {
 public:
  explicit CheckProbe(Plant plant = {}) : plant_(plant) {}
  void Step(FIIterator& caller, long result);
  void Set(FIIterator& it, const char* name, const FIAttribute& value);
  void SetByKey(FIIterator& it, const FIAttribute& key, const FIAttribute& value);
  void Alias(FIIterator& it, const char* generic_name, const char* host_name);
  void OnEvent(const hostsim::HostIterator& iterator, const hostsim::IteratorEvent& event) override;
  // Where a unit starts; a step that finds its caller elsewhere counts as a move.
  void Start(const hostsim::HostIterator& unit) { start_ = unit.node(); }

  std::uint64_t sum() const { return sum_; }
  long writes() const { return writes_; }  // bare writes and bindings made through the probe
  long moves() const { return moves_; }    // steps that found the caller away from its unit
  long steps() const { return steps_; }
  bool planted() const { return planted_; }

 private:
  void Fold(std::string_view text);
  void Fold(std::uint64_t number);
  bool PlantHere();  // true when this write is the one to drop or alter

  Plant plant_;
  std::uint64_t sum_ = 14695981039346656037ull;
  long writes_ = 0;
  long moves_ = 0;
  long steps_ = 0;
  bool planted_ = false;
  std::uint32_t start_ = 0;
};

// One side of a pair, instantiated for both probes.
template <class Probe>
using SideFunction = void (*)(FIIterator& unit, Probe& probe);
struct Side {
  SideFunction<MeasureProbe> measure;
  SideFunction<CheckProbe> check;
};
#define FINTOP_BENCH_SIDE(function)                                  \
  ::bench::Side {                                                    \
    &function<::bench::MeasureProbe>, &function<::bench::CheckProbe> \
  }

struct Pair {
  const char* family;  // "composition", "equipment", ...
  const char* name;    // what it runs on, as the benchmark's name ("stream", "pump", ...)
  std::vector<std::string_view> unit_types;  // the host types of the units it runs on
  std::vector<std::string_view> callbacks;   // the callbacks its callback side calls
  Side callbacks_side;
  Side bare_side;
};

// Every pair, by family, in one table.
const std::vector<Pair>& Pairs();
// The callbacks of the plug-in that no pair covers (empty when the table is whole).
std::vector<std::string_view> UncoveredCallbacks();
// The families in the table's order.
std::vector<std::string_view> Families();

// An iterator on every node of the tree whose "type" is one of the pair's types, in tree order.
std::vector<hostsim::IteratorPtr> UnitsOf(const std::shared_ptr<const hostsim::HostTree>& tree,
                                          const Pair& pair);

// Runs one side of a pair on fresh iterators on its units (the first `max_units` of them) with
// the checking probe, planting `plant` when given; the probe's sum is the side's checksum.
// Leaves no iterator alive.
CheckProbe CheckSide(const std::shared_ptr<const hostsim::HostTree>& tree, const Pair& pair,
                     bool callbacks, Plant plant = {}, std::size_t max_units = SIZE_MAX);

// The bundled default plant, loaded once.
const std::shared_ptr<const hostsim::HostTree>& DefaultPlant();

// ---- The bare operations that many callbacks share: the bare side.

// One callback call on the bare side: `body`, the host calls that call makes, run in a function
// of its own that the driver calls once, as the framework calls a callback. A plug-in is such a
// function; the call and the frame it needs to keep its values across host calls are the least
// any plug-in costs, so both sides pay them and the ratio is what the plug-in runs beyond them.
// Kept out of line and out of the optimizer's view across the call, as an exported function is.
#if defined(__clang__)
#define FINTOP_BENCH_CALL [[gnu::noinline]]
#else
#define FINTOP_BENCH_CALL [[gnu::noipa]]
#endif
template <class Body>
FINTOP_BENCH_CALL long BareCall(Body body) {
  return static_cast<long>(body());
}

// The counting walk: Clone, Down each name, First, Next until it fails, DeleteFIIterator.
FINTOP_INLINE int BareCount(FIIterator& it, const std::string& name) {
  FIIterator* clone = it.Clone();
  int count = 0;
  if (clone->Down(name) && clone->First()) {
    count = 1;
    while (clone->Next()) ++count;
  }
  DeleteFIIterator(clone);
  return count;
}
FINTOP_INLINE int BareCount(FIIterator& it, const std::string& first, const std::string& second) {
  FIIterator* clone = it.Clone();
  int count = 0;
  if (clone->Down(first) && clone->Down(second) && clone->First()) {
    count = 1;
    while (clone->Next()) ++count;
  }
  DeleteFIIterator(clone);
  return count;
}

// Clone, Down to a variable, its "value" as an integer (0 when missing), DeleteFIIterator.
FINTOP_INLINE int BareStoredCount(FIIterator& it, const std::string& variable) {
  FIIterator* clone = it.Clone();
  int count = 0;
  if (clone->Down(variable)) {
    FIAttribute value;
    clone->GetValue(FIAttribute("value"), value);
    count = value.ival();
  }
  DeleteFIIterator(clone);
  return count;
}

// The element name "Elem" + index, written into one buffer and made into an attribute with one
// copy: the cheapest way we know to make the text, and the plug-in's own code for it.
inline FIAttribute BareElementText(long long index) {
  return fintop::ElementName(index);
}

// The element name "Elem" + index recorded under `name`.
template <class Probe>
FINTOP_INLINE void BareElementName(FIIterator& it, Probe& probe, const char* name,
                                   long long index) {
  probe.Set(it, name, BareElementText(index));
}

// The element walk over a recorded integer index below one variable: one Up on a failure
// after the Down when moving.
FINTOP_INLINE bool BareEnter(FIIterator& it, int move, const std::string& variable,
                             const char* index) {
  FIIterator* work = move != 0 ? &it : it.Clone();
  bool entered = false;
  if (work->Down(variable)) {
    FIAttribute at;
    if (work->GetAttribute(index, at) && work->Element(at.ival())) {
      entered = true;
    } else if (move != 0) {
      work->Up();
    }
  }
  if (move == 0) DeleteFIIterator(work);
  return entered;
}

// The object-kind test: the "type" property as text, compared whole.
FINTOP_INLINE bool BareIsOfType(FIIterator& it, const char* type_name) {
  FIAttribute type;
  it.GetValue(FIAttribute("type"), type);
  type.ChangeType(FT_TEXT);
  return std::strcmp(type.c_str(), type_name) == 0;
}

// The framework's use of an element callback: tested with move 0 on the iterator, then entered
// with move 1 on a clone of its own, where the step sees where it ended.
template <class Probe>
inline void UseElement(FIIterator& it, Probe& probe, FIElement element) {
  probe.Step(it, element(&it, 0));
  FIIterator* entered = it.Clone();
  probe.Step(*entered, element(entered, 1));
  DeleteFIIterator(entered);
}
// The same for a bare element walk `walk(iterator, move) -> bool`.
template <class Probe, class Walk>
inline void UseBareElement(FIIterator& it, Probe& probe, Walk&& walk) {
  probe.Step(it, BareCall([&] { return walk(it, 0); }));
  FIIterator* entered = it.Clone();
  probe.Step(*entered, BareCall([&] { return walk(*entered, 1); }));
  DeleteFIIterator(entered);
}

// The bare side of a collection: the count that `count()` makes, then `element(index)` for
// every index, each one callback call.
template <class Probe, class Count, class Element>
inline void BareCollection(FIIterator& it, Probe& probe, Count&& count, Element&& element) {
  const long elements = BareCall(count);
  probe.Step(it, elements);
  for (int i = 0; i < elements; ++i) {
    probe.Step(it, BareCall([&] {
                 element(i);
                 return i;
               }));
  }
}

// The same for a collection that only numbers its elements: "Elem" + index under `name`.
template <class Probe, class Count>
inline void NumberElements(FIIterator& it, Probe& probe, Count&& count, const char* name) {
  BareCollection(it, probe, count, [&](int i) { BareElementName(it, probe, name, i); });
}

// The bare side of selecting element `index` of a collection that records its index under
// `name` ("CmpCnt", ...).
template <class Probe>
inline void SelectIndex(FIIterator& it, Probe& probe, const char* name, int index) {
  probe.Step(it, BareCall([&] {
               probe.Set(it, name, FIAttribute(index));
               return index;
             }));
}

// The framework's use of a collection callback: the count, then every index.
template <class Probe>
inline void Walk(FIIterator& it, Probe& probe, FICollection collection) {
  const int count = collection(&it, nullptr, -1);
  probe.Step(it, count);
  for (int i = 0; i < count; ++i) probe.Step(it, collection(&it, nullptr, i));
}

// The family tables, one per file.
std::vector<Pair> FrameworkPairs();
std::vector<Pair> CompositionPairs();
std::vector<Pair> EquipmentPairs();
std::vector<Pair> ReactionPairs();
std::vector<Pair> HeaterPairs();
std::vector<Pair> ColumnPairs();

}  // namespace bench
