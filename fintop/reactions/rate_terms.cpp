// The denominator of a rate expression: its terms, and the reactant exponents of each term.
#include <cstdint>
#include <string>

#include "framework/host_names.h"
#include "framework/walks.h"
#include "framework/workers.h"
#include "reactions/reaction_walks.h"

namespace {

const std::string kNumberOfRows = "NumberOfRows";
const std::string kPreFactor = "PreFactor";
const std::string kActivationEnergy = "ActivationEnergy";
const std::string kNumberOfReactants = "NumberOfReactants";
const std::string kExponents = "Exponents";
const std::string kKineticBasisName = fintop::names::kKineticBasis;  // as Down takes it
const std::string kReactantList = "ReactantList";
const std::string kReactant = "Reactant";
const std::string kComponentName = "ComponentName";
constexpr char kA[] = "A";
constexpr char kE[] = "E";
constexpr char kRow[] = "row";
constexpr char kNcomp[] = "ncomp";
constexpr char kExponent[] = "exponent";
constexpr char kComponent[] = "component";

// On `clone`, standing on the node under the caller's iterator: Down to the list `name`, walk
// to `entry` and read its "value" (under `key`) into `value` (empty when it has none). Leaves
// `clone` on the entry: the caller climbs back with one Up when it reads on. False (nothing
// moved or read) without the list.
bool ReadEntry(FIIterator& clone, const std::string& name, std::int64_t entry,
               const FIAttribute& key, FIAttribute& value) {
  if (!clone.Down(name)) return false;
  fintop::reactions::WalkToEntry(clone, name, entry);
  value.Clear();
  clone.GetValue(key, value);
  return true;
}

// On `clone`, standing on the node under the caller's iterator: the "ComponentName" value of
// entry `reactant` of "KineticBasis"/"ReactantList", guarded by that list's own
// "NumberOfReactants". False when any of it is missing.
bool ReadComponent(FIIterator& clone, int reactant, const FIAttribute& key,
                   FIAttribute& component) {
  if (!clone.Down(kKineticBasisName) || !clone.Down(kReactantList) ||
      !clone.Down(kNumberOfReactants)) {
    return false;
  }
  {
    FIAttribute count;
    clone.GetValue(key, count);
    if (reactant >= count.ival()) return false;
  }
  clone.Up();  // back onto "ReactantList"
  if (!clone.Down(kReactant)) return false;
  fintop::reactions::WalkToEntry(clone, kReactant, reactant);
  if (!clone.Down(kComponentName)) return false;
  clone.GetValue(key, component);
  return true;
}

// Records "A" and "E" of term `row` when their lists exist, and "row" in every case. Read on
// a clone and recorded once it is gone: a write while a clone shares the caller's attributes
// would make the host copy them.
FINTOP_INLINE void SelectTerm(FIIterator& it, int row) {
  FIAttribute a;
  FIAttribute e;
  bool has_a = false;
  bool has_e = false;
  {
    const FIAttribute key("value");  // one key for both reads
    fintop::ClonedIterator clone(it);
    if (clone) {
      has_a = ReadEntry(*clone, kPreFactor, row, key, a);
      if (has_a) clone->Up();
      has_e = ReadEntry(*clone, kActivationEnergy, row, key, e);
    }
  }
  if (has_a) it.SetAttribute(kA, a);
  if (has_e) it.SetAttribute(kE, e);
  fintop::RecordInteger(it, kRow, row);
}

// Records "exponent" (entry "row" x "ncomp" + reactant of "Exponents") when "row", "ncomp" and
// the list exist, and "component" when the reactant list below "KineticBasis" holds the
// reactant. Read on a clone and recorded once it is gone.
FINTOP_INLINE void SelectReactant(FIIterator& it, int reactant) {
  FIAttribute exponent;
  FIAttribute component;
  bool has_exponent = false;
  bool has_component = false;
  {
    const FIAttribute key("value");  // one key for every read
    fintop::ClonedIterator clone(it);
    if (!clone) return;
    FIAttribute row;
    FIAttribute ncomp;
    if (it.GetAttribute(kRow, row) && it.GetAttribute(kNcomp, ncomp)) {
      // Wide arithmetic: host counts must not overflow the entry number.
      const std::int64_t entry = static_cast<std::int64_t>(row.ival()) * ncomp.ival() +
                                 static_cast<std::int64_t>(reactant);
      has_exponent = ReadEntry(*clone, kExponents, entry, key, exponent);
      if (has_exponent) clone->Up();
    }
    has_component = ReadComponent(*clone, reactant, key, component);
  }
  if (has_exponent) it.SetAttribute(kExponent, exponent);
  if (has_component) it.SetAttribute(kComponent, component);
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Index -1: the integer "value" of "NumberOfRows" (0 without it). Any other index: records on
// the iterator "A" and "E", the "value" of that term's "PreFactor" and "ActivationEnergy"
// entries (each only when its list exists), and "row" = index in every case. The iterator does
// not move. Returns the index.
int CTReactionDenominatorTerm(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::ReadStoredInteger(it, kNumberOfRows);
  SelectTerm(it, index);
  return index;
}

// Index -1: the integer "value" of "NumberOfReactants" (0 without it), also recorded as
// "ncomp". Any other index (after a term selection recorded "row" and the count recorded
// "ncomp"): records "exponent", the "value" of "Exponents" entry row x ncomp + index, and
// "component", the "ComponentName" of that entry of "KineticBasis"/"ReactantList", guarded by
// that list's own "NumberOfReactants". Whatever is missing is not recorded; the iterator does
// not move. Returns the index.
int CTReactionComponentOrder(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) {
    const int count = fintop::ReadStoredInteger(it, kNumberOfReactants);
    fintop::RecordInteger(it, kNcomp, count);
    return count;
  }
  SelectReactant(it, index);
  return index;
}

}  // namespace fintop::workers
