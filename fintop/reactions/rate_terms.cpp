// The denominator of a rate expression: its terms, and the reactant exponents of each term.
#include <cstdint>
#include <string>

#include "framework/callbacks.h"
#include "framework/walks.h"
#include "reactions/reaction_walks.h"

namespace {

const std::string kNumberOfRows = "NumberOfRows";
const std::string kPreFactor = "PreFactor";
const std::string kActivationEnergy = "ActivationEnergy";
const std::string kNumberOfReactants = "NumberOfReactants";
const std::string kExponents = "Exponents";
const std::string kKineticBasis = "KineticBasis";
const std::string kReactantList = "ReactantList";
const std::string kReactant = "Reactant";
const std::string kComponentName = "ComponentName";
constexpr char kA[] = "A";
constexpr char kE[] = "E";
constexpr char kRow[] = "row";
constexpr char kNcomp[] = "ncomp";
constexpr char kExponent[] = "exponent";
constexpr char kComponent[] = "component";

// The integer "value" of the child `name`, on a clone; 0 when the child is missing.
int StoredCount(FIIterator& it, const std::string& name) {
  return fintop::ReadVariable(it, name).ival();
}

// On `clone`, standing on the node under the caller's iterator: Down to the list `name`,
// walk to `entry`, read its "value" and come back up. False (nothing moved) without the list.
bool ReadEntry(FIIterator& clone, const std::string& name, std::int64_t entry, FIAttribute& value) {
  if (!clone.Down(name)) return false;
  fintop::reactions::WalkToEntry(clone, name, entry);
  value = fintop::ReadValue(clone);
  clone.Up();
  return true;
}

// Records "A" and "E" of term `row` when their lists exist, and "row" in every case.
void SelectTerm(FIIterator& it, int row) {
  fintop::ClonedIterator clone(it);
  if (clone) {
    FIAttribute value;
    if (ReadEntry(*clone, kPreFactor, row, value)) it.SetAttribute(kA, value);
    if (ReadEntry(*clone, kActivationEnergy, row, value)) it.SetAttribute(kE, value);
  }
  fintop::RecordInteger(it, kRow, row);
}

// Records "exponent" (entry "row" x "ncomp" + reactant of "Exponents") when "row", "ncomp" and
// the list exist, and "component" when the reactant list below "KineticBasis" holds the
// reactant.
void SelectReactant(FIIterator& it, int reactant) {
  fintop::ClonedIterator clone(it);
  if (!clone) return;

  FIAttribute row;
  FIAttribute ncomp;
  if (it.GetAttribute(kRow, row) && it.GetAttribute(kNcomp, ncomp)) {
    // Wide arithmetic: host counts must not overflow the entry number.
    const std::int64_t entry =
        static_cast<std::int64_t>(row.ival()) * ncomp.ival() + static_cast<std::int64_t>(reactant);
    FIAttribute value;
    if (ReadEntry(*clone, kExponents, entry, value)) it.SetAttribute(kExponent, value);
  }

  if (!clone->Down(kKineticBasis) || !clone->Down(kReactantList) ||
      !clone->Down(kNumberOfReactants)) {
    return;
  }
  if (reactant >= fintop::ReadValue(*clone).ival()) return;
  clone->Up();  // back onto "ReactantList"
  if (!clone->Down(kReactant)) return;
  fintop::reactions::WalkToEntry(*clone, kReactant, reactant);
  if (!clone->Down(kComponentName)) return;
  it.SetAttribute(kComponent, fintop::ReadValue(*clone));
}

}  // namespace

extern "C" {

// Index -1: the integer "value" of "NumberOfRows" (0 without it). Any other index: records on
// the iterator "A" and "E", the "value" of that term's "PreFactor" and "ActivationEnergy"
// entries (each only when its list exists), and "row" = index in every case. The iterator does
// not move. Returns the index.
FINTOP_API int FI_CDECL CTReactionDenominatorTerm(FIIterator* it, FIAttribute* /*out*/, int index) {
  return fintop::Shield(it, index == -1 ? 0 : index, [&] {
    if (index == -1) return StoredCount(*it, kNumberOfRows);
    SelectTerm(*it, index);
    return index;
  });
}

// Index -1: the integer "value" of "NumberOfReactants" (0 without it), also recorded as
// "ncomp". Any other index (after a term selection recorded "row" and the count recorded
// "ncomp"): records "exponent", the "value" of "Exponents" entry row x ncomp + index, and
// "component", the "ComponentName" of that entry of "KineticBasis"/"ReactantList", guarded by
// that list's own "NumberOfReactants". Whatever is missing is not recorded; the iterator does
// not move. Returns the index.
FINTOP_API int FI_CDECL CTReactionComponentOrder(FIIterator* it, FIAttribute* /*out*/, int index) {
  return fintop::Shield(it, index == -1 ? 0 : index, [&] {
    if (index == -1) {
      const int count = StoredCount(*it, kNumberOfReactants);
      fintop::RecordInteger(*it, kNcomp, count);
      return count;
    }
    SelectReactant(*it, index);
    return index;
  });
}

}  // extern "C"
