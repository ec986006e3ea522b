// The reactions a host node lists below "ReactionList", and the generic class of each.
#include <string>

#include "framework/host_names.h"
#include "framework/walks.h"
#include "framework/workers.h"
#include "reactions/reaction_walks.h"

namespace {

using fintop::names::kKineticBasis;
using fintop::names::kReaction;

const std::string kReactionList = "ReactionList";
// The name tested on every sibling of the list, and the same as Down takes it.
constexpr char kReactionName[] = "Reaction";
const std::string kReactionType = "ReactionType";
constexpr char kRxnPath[] = "rxnPath";

struct ReactionKind {
  const char* host_type;
  const char* class_name;
  const char* rxn_path;
};

// Tested in this order; the first whole, case-sensitive match wins.
constexpr ReactionKind kReactionKinds[] = {
    {"ConversionRxnObject", "QELConversionReaction", ""},
    {"LHKineticRxnObject", "QELCatalyticRateReaction", kKineticBasis},
    {"SimpleRateRxnObject", "QELSimpleRateReaction", kKineticBasis},
    {"EquilibriumRxnObject", "QELEquilibriumReaction", ""},
    {"KineticRxnObject", "QELReversibleKineticReaction", ""},
};

// The number of children named exactly "Reaction" below "ReactionList", on a clone.
int CountListedReactions(FIIterator& it) {
  fintop::ClonedIterator clone(it);
  if (!clone || !clone->Down(kReactionList) || !clone->Down(kReaction)) return 0;
  return fintop::reactions::CountNamed(*clone, kReactionName);
}

// Moves the caller's iterator onto reaction `index`, classifies it into `kind` and stores
// "rxnPath" on the iterator.
FINTOP_INLINE void SelectReaction(FIIterator& it, FIAttribute* kind, int index) {
  if (!it.Down(kReactionList)) return;
  if (!it.Down(kReaction)) return;  // stays on "ReactionList"
  fintop::reactions::WalkToEntry(it, kReactionName, index);
  if (!it.Down(kReactionType)) return;  // stays on the reaction; nothing classified

  FIAttribute path;  // stays the empty attribute unless a kind matches
  const FIAttribute type = fintop::ReadValue(it);
  for (const ReactionKind& row : kReactionKinds) {
    if (fintop::SameText(type.c_str(), row.host_type)) {
      path = row.rxn_path;
      if (kind != nullptr) *kind = row.class_name;
      break;
    }
  }
  it.Up();  // back onto the reaction
  it.SetAttributeByKey(FIAttribute(kRxnPath), path);
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Index -1: the number of children named exactly "Reaction" below "ReactionList" (siblings of
// other names are not counted); neither the iterator nor kind changes.
// Any other index (call -1 first; pass only indices below the count): moves the iterator onto
// that reaction, two levels down, assigns its generic class name to kind and stores "rxnPath"
// ("KineticBasis" or the empty text; the empty attribute for an unknown type). Indices below 0
// select the first reaction; an index beyond the list ends on the list's last child. Without
// "ReactionList" or "Reaction" the iterator stays at the last level reached; without
// "ReactionType" it stays on the reaction and neither kind nor "rxnPath" is written. Returns
// the index in every case.
int CTReactions(FIIterator& it, FIAttribute* kind, int index) {
  if (index == -1) return CountListedReactions(it);
  SelectReaction(it, kind, index);
  return index;
}

}  // namespace fintop::workers
