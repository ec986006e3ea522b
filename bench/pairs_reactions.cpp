// Reactions: the reaction sets (active reactions and ranks, the reaction list and kinds, the
// rate terms of catalytic reactions) and the reactors (local, conversion and equilibrium
// reactions, reactant balances, Gibbs flow specifications).
#include <charconv>
#include <cstring>

#include "pairs.h"

namespace bench {
namespace {

const std::string kReactionList = "ReactionList";
const std::string kReaction = "Reaction";
const std::string kReactionType = "ReactionType";
const std::string kActiveReactionList = "ActiveReactionList";
const std::string kNumberOfActiveRxns = "NumberOfActiveRxns";
const std::string kActiveReaction = "ActiveReaction";
const std::string kInactiveReactionList = "InactiveReactionList";
const std::string kNumberOfInactiveRxns = "NumberOfInactiveRxns";
const std::string kInactiveReaction = "InactiveReaction";
const std::string kReactionRanks = "ReactionRanks";
const std::string kReactionRankSet = "ReactionRankSet";
const std::string kReactionRank = "ReactionRank";
const std::string kNumberOfRows = "NumberOfRows";
const std::string kPreFactor = "PreFactor";
const std::string kActivationEnergy = "ActivationEnergy";
const std::string kNumberOfReactants = "NumberOfReactants";
const std::string kExponents = "Exponents";
const std::string kKineticBasis = "KineticBasis";
const std::string kReactantList = "ReactantList";
const std::string kReactant = "Reactant";
const std::string kComponentName = "ComponentName";
const std::string kMolarExtent = "\"Est. Molar Extent\"";
const std::string kTotalInflow = "Total Inflow";
const std::string kTemperatureApproach = "Temperature Approach";
const std::string kFracSpec = "Frac Spec";
const std::string kVesselMoleFrac = "Vessel Mole Frac";
const std::string kReactionSet = "Reaction Set";
const std::string kNumberOfReactionSets =
    "Basis.ReactionPackage.ReactionSetList.NumberOfReactionSets";
const std::string kReactionSetName = "ReactionSetName";

constexpr const char* kReactionKinds[][3] = {
    {"ConversionRxnObject", "QELConversionReaction", ""},
    {"LHKineticRxnObject", "QELCatalyticRateReaction", "KineticBasis"},
    {"SimpleRateRxnObject", "QELSimpleRateReaction", "KineticBasis"},
    {"EquilibriumRxnObject", "QELEquilibriumReaction", ""},
    {"KineticRxnObject", "QELReversibleKineticReaction", ""},
};

bool IsCatalytic(const FIAttribute& kind) {
  return kind.c_str() != nullptr && std::strcmp(kind.c_str(), "QELCatalyticRateReaction") == 0;
}

// ---- Reaction sets.

template <class Probe>
void DenominatorCallbacks(FIIterator& reaction, Probe& probe) {
  const int terms = CTReactionDenominatorTerm(&reaction, nullptr, -1);
  probe.Step(reaction, terms);
  for (int t = 0; t < terms; ++t) {
    probe.Step(reaction, CTReactionDenominatorTerm(&reaction, nullptr, t));
    const int reactants = CTReactionComponentOrder(&reaction, nullptr, -1);
    probe.Step(reaction, reactants);
    for (int r = 0; r < reactants; ++r) {
      probe.Step(reaction, CTReactionComponentOrder(&reaction, nullptr, r));
    }
  }
}

template <class Probe>
void ReactionSetCallbacks(FIIterator& it, Probe& probe) {
  const int members = CTActiveReactions(&it, nullptr, -1);
  probe.Step(it, members);
  for (int i = 0; i < members; ++i) {
    FIIterator* member = it.Clone();
    probe.Step(*member, CTActiveReactions(member, nullptr, i));
    DeleteFIIterator(member);
  }
  FIAttribute kind;
  const int reactions = CTReactions(&it, &kind, -1);
  probe.Step(it, reactions);
  for (int i = 0; i < reactions; ++i) {
    FIIterator* selected = it.Clone();
    FIAttribute selected_kind;
    probe.Step(*selected, CTReactions(selected, &selected_kind, i));
    probe.Step(*selected, selected_kind.c_str() != nullptr
                              ? static_cast<long>(std::strlen(selected_kind.c_str()))
                              : -1);
    if (IsCatalytic(selected_kind)) DenominatorCallbacks(*selected, probe);
    DeleteFIIterator(selected);
  }
}

// A name read into a buffer of `size` bytes is exactly `name` (its terminator compared too).
FINTOP_INLINE bool NameIs(FIIterator& it, const std::string& name, char* buffer, int size) {
  it.GetName(buffer, size);
  return std::memcmp(buffer, name.c_str(), name.size() + 1) == 0;
}

// The reaction list's name test: a 10-byte buffer, its first 9 bytes "Reaction" and the NUL.
FINTOP_INLINE bool IsReaction(FIIterator& it, char (&buffer)[10]) {
  it.GetName(buffer, sizeof buffer);
  return std::memcmp(buffer, "Reaction", 9) == 0;
}

// From entry 0 of a repeated list (just reached with Down), on to entry `n`: Next, counting
// the siblings of the list's name; ends on the last sibling.
FINTOP_INLINE void BareToEntry(FIIterator& it, const std::string& name, long long n) {
  char buffer[32];
  for (long long passed = 0; passed < n;) {
    if (!it.Next()) break;
    passed += NameIs(it, name, buffer, sizeof buffer);
  }
}

template <class Probe>
void DenominatorBare(FIIterator& reaction, Probe& probe) {
  // Each call makes its own keys: a callback keeps no attribute from one call to the next.
  const long terms = BareCall([&] { return BareStoredCount(reaction, kNumberOfRows); });
  probe.Step(reaction, terms);
  for (int t = 0; t < terms; ++t) {
    probe.Step(reaction, BareCall([&] {
                 const FIAttribute key("value");
                 // Read on a clone, recorded once the clone is gone (a write while a clone shares
                 // the attributes would make the host copy them).
                 FIIterator* clone = reaction.Clone();
                 FIAttribute value, a, e;
                 bool has_a = false, has_e = false;
                 if (clone->Down(kPreFactor)) {
                   BareToEntry(*clone, kPreFactor, t);
                   clone->GetValue(key, value);
                   clone->Up();
                   a = value;
                   has_a = true;
                 }
                 if (clone->Down(kActivationEnergy)) {
                   BareToEntry(*clone, kActivationEnergy, t);
                   clone->GetValue(key, value);
                   e = value;
                   has_e = true;
                 }
                 DeleteFIIterator(clone);
                 if (has_a) probe.Set(reaction, "A", a);
                 if (has_e) probe.Set(reaction, "E", e);
                 probe.Set(reaction, "row", FIAttribute(t));
                 return t;
               }));
    const long reactants = BareCall([&] {
      const int count = BareStoredCount(reaction, kNumberOfReactants);
      probe.Set(reaction, "ncomp", FIAttribute(count));
      return count;
    });
    probe.Step(reaction, reactants);
    for (int r = 0; r < reactants; ++r) {
      probe.Step(reaction, BareCall([&] {
                   const FIAttribute key("value");
                   FIIterator* clone = reaction.Clone();
                   FIAttribute row, ncomp, value, exponent, component;
                   bool has_exponent = false, has_component = false;
                   if (reaction.GetAttribute("row", row) && reaction.GetAttribute("ncomp", ncomp) &&
                       clone->Down(kExponents)) {
                     BareToEntry(*clone, kExponents,
                                 static_cast<long long>(row.ival()) * ncomp.ival() + r);
                     value.Clear();
                     clone->GetValue(key, value);
                     exponent = value;
                     has_exponent = true;
                     clone->Up();
                   }
                   if (clone->Down(kKineticBasis) && clone->Down(kReactantList) &&
                       clone->Down(kNumberOfReactants)) {
                     value.Clear();
                     clone->GetValue(key, value);
                     if (r < value.ival()) {
                       clone->Up();
                       if (clone->Down(kReactant)) {
                         BareToEntry(*clone, kReactant, r);
                         if (clone->Down(kComponentName)) {
                           value.Clear();
                           clone->GetValue(key, component);
                           has_component = true;
                         }
                       }
                     }
                   }
                   DeleteFIIterator(clone);
                   if (has_exponent) probe.Set(reaction, "exponent", exponent);
                   if (has_component) probe.Set(reaction, "component", component);
                   return r;
                 }));
    }
  }
}

template <class Probe>
void ReactionSetBare(FIIterator& it, Probe& probe) {
  // Each call makes its own keys: a callback keeps no attribute from one call to the next.
  // The active reactions: the stored counts, then each selection on a clone of the set.
  int active = 0;
  const long members = BareCall([&] {
    int count = 0;
    const FIAttribute key("value");
    FIIterator* clone = it.Clone();
    FIAttribute value;
    if (clone->Down(kActiveReactionList)) {
      if (clone->Down(kNumberOfActiveRxns)) {
        clone->GetValue(key, value);
        count = active = value.ival();
        clone->Up();
      }
      clone->Up();
    }
    if (clone->Down(kInactiveReactionList) && clone->Down(kNumberOfInactiveRxns)) {
      clone->GetValue(key, value);
      count += value.ival();
    }
    DeleteFIIterator(clone);
    return count;
  });
  probe.Step(it, members);
  for (int i = 0; i < members; ++i) {
    FIIterator* member = it.Clone();
    probe.Step(*member, BareCall([&] {
      const FIAttribute key("value");
      const bool is_active = i < active;
      FIIterator* clone = member->Clone();
      clone->Down(is_active ? kActiveReactionList : kInactiveReactionList);
      clone->Down(is_active ? kActiveReaction : kInactiveReaction);
      for (int step = is_active ? i : i - active; step > 0; --step) {
        if (!clone->Next()) break;
      }
      FIAttribute value;
      clone->GetValue(key, value);
      DeleteFIIterator(clone);
      if (value.c_str() != nullptr) probe.Alias(*member, "RxnID", value.c_str());
      probe.Set(*member, "RxnActive", FIAttribute(is_active ? 1 : 0));
      probe.Set(*member, "RxnRank", FIAttribute(0.0));
      clone = member->Clone();
      bool ranked = false;
      if (clone->Down(kReactionRanks) && clone->Down(kReactionRankSet)) {
        bool reached = true;
        for (int step = 0; step < i && reached; ++step) reached = clone->Next();
        if (reached && clone->Down(kReactionRank)) {
          clone->GetValue(key, value);
          ranked = !value.empty();
        }
      }
      DeleteFIIterator(clone);
      if (ranked) probe.Set(*member, "RxnRank", FIAttribute(value.rval()));
      return i;
    }));
    DeleteFIIterator(member);
  }

  // The reaction list: counted, then each reaction selected on a clone of the set.
  const long reactions = BareCall([&] {
    char buffer[10];
    int count = 0;
    FIIterator* clone = it.Clone();
    if (clone->Down(kReactionList) && clone->Down(kReaction)) {
      count = 1;
      while (clone->Next()) count += IsReaction(*clone, buffer);
    }
    DeleteFIIterator(clone);
    return count;
  });
  probe.Step(it, reactions);
  for (int i = 0; i < reactions; ++i) {
    FIIterator* selected = it.Clone();
    FIAttribute kind;
    probe.Step(*selected, BareCall([=, &probe, &kind] {
      const FIAttribute key("value");
      if (selected->Down(kReactionList) && selected->Down(kReaction)) {
        char buffer[10];
        for (int matched = 0; matched < i;) {
          if (!selected->Next()) break;
          matched += IsReaction(*selected, buffer);
        }
        if (selected->Down(kReactionType)) {
          FIAttribute type, path;
          selected->GetValue(key, type);
          if (const char* text = type.c_str()) {
            for (const auto& row : kReactionKinds) {
              if (std::strcmp(text, row[0]) == 0) {
                path = row[2];
                kind = row[1];
                break;
              }
            }
          }
          selected->Up();
          probe.SetByKey(*selected, FIAttribute("rxnPath"), path);
        }
      }
      return i;
    }));
    probe.Step(*selected,
               kind.c_str() != nullptr ? static_cast<long>(std::strlen(kind.c_str())) : -1);
    if (IsCatalytic(kind)) DenominatorBare(*selected, probe);
    DeleteFIIterator(selected);
  }
}

// ---- Reactors.

template <class Probe>
void ConversionReactorCallbacks(FIIterator& it, Probe& probe) {
  Walk(it, probe, CTLocalConvReaction);
  Walk(it, probe, CTLocalReaction);
  Walk(it, probe, CTReactantBalance);
}

template <class Probe>
void EquilibriumReactorCallbacks(FIIterator& it, Probe& probe) {
  Walk(it, probe, CTLocalEquilReaction);
  Walk(it, probe, CTLocalReaction);
  Walk(it, probe, CTReactantBalance);
}

template <class Probe>
void GibbsReactorCallbacks(FIIterator& it, Probe& probe) {
  Walk(it, probe, CTGibbsFlowSpec);
  Walk(it, probe, CTReactantBalance);
}

// "prefix" followed by the number in decimal, as one level of Down.
template <std::size_t Size>
std::string Numbered(const char (&prefix)[Size], int number) {
  char buffer[Size - 1 + 11];  // the prefix and the 11 characters of INT_MIN
  std::memcpy(buffer, prefix, Size - 1);
  const auto end = std::to_chars(buffer + Size - 1, buffer + sizeof buffer, number).ptr;
  return std::string(buffer, end);
}

template <class Probe>
FINTOP_INLINE void BareLocalReaction(FIIterator& it, Probe& probe, int i) {
  BareElementName(it, probe, "RxnElemNum", i);
  probe.Set(it, "RxnIndex", FIAttribute(i));
  const FIAttribute key("value");
  FIIterator* clone = it.Clone();
  FIAttribute wanted, value;
  bool found = false;
  if (clone->Down(kReactionSet)) {
    clone->GetValue(key, wanted);
  }
  if (wanted.c_str() != nullptr) {
    while (clone->Up()) {
    }
    if (clone->Down(kNumberOfReactionSets)) {
      clone->GetValue(key, value);
      const int sets = value.ival();
      clone->Up();
      for (int k = 0; k < sets; ++k) {
        if (!clone->Down(Numbered("ReactionSet#", k))) continue;
        if (!clone->Down(kReactionSetName)) {
          clone->Up();
          continue;
        }
        clone->GetValue(key, value);
        if (value.c_str() == nullptr || std::strcmp(value.c_str(), wanted.c_str()) != 0) {
          clone->Up();
          clone->Up();
          continue;
        }
        clone->Up();
        if (clone->Down(kActiveReactionList) && clone->Down(Numbered("ActiveReaction#", i))) {
          clone->GetValue(key, value);
          found = true;
        }
        break;
      }
    }
  }
  DeleteFIIterator(clone);
  if (found) probe.Set(it, "RxnName", value);
}

template <class Probe>
FINTOP_INLINE void BareComponentName(FIIterator& it, Probe& probe, int i, const char* name) {
  FIIterator* clone = it.Clone();
  FIAttribute id;
  const bool found = clone->Down(kVesselMoleFrac) && clone->Element(i);
  if (found) clone->GetValue(FIAttribute("id"), id);
  DeleteFIIterator(clone);
  if (found) probe.Set(it, name, id);
}

// A reactor's per-component collection counted on `variable`: each element's name and its
// component's "id".
template <class Probe>
void BareComponents(FIIterator& it, Probe& probe, const std::string& variable,
                    const char* element_name, const char* component_name) {
  BareCollection(
      it, probe, [&] { return BareCount(it, variable); },
      [&](int i) {
        BareElementName(it, probe, element_name, i);
        BareComponentName(it, probe, i, component_name);
      });
}

template <class Probe>
void BareBalances(FIIterator& it, Probe& probe) {
  BareComponents(it, probe, kTotalInflow, "BalanceElemNum", "CompName");
}

template <class Probe>
void BareLocalReactions(FIIterator& it, Probe& probe) {
  BareCollection(
      it, probe, [&] { return BareCount(it, kMolarExtent); },
      [&](int i) { BareLocalReaction(it, probe, i); });
  BareBalances(it, probe);
}

template <class Probe>
void ConversionReactorBare(FIIterator& it, Probe& probe) {
  NumberElements(
      it, probe, [&] { return BareCount(it, kReaction); }, "ConvRxnElemNum");
  BareLocalReactions(it, probe);
}

template <class Probe>
void EquilibriumReactorBare(FIIterator& it, Probe& probe) {
  BareCollection(
      it, probe, [&] { return BareCount(it, kTemperatureApproach); },
      [&](int i) {
        BareElementName(it, probe, "EquilRxnElemNum", i);
        probe.Set(it, "EquilRxnNum", FIAttribute(i));
      });
  BareLocalReactions(it, probe);
}

template <class Probe>
void GibbsReactorBare(FIIterator& it, Probe& probe) {
  BareComponents(it, probe, kFracSpec, "GibbsFlowSpecElemNum", "GibbsFlowSpecComponentName");
  BareBalances(it, probe);
}

}  // namespace

std::vector<Pair> ReactionPairs() {
  return {
      {"reactions",
       "reaction_set",
       {"ReactionSetObject"},
       {"CTActiveReactions", "CTReactions", "CTReactionDenominatorTerm",
        "CTReactionComponentOrder"},
       FINTOP_BENCH_SIDE(ReactionSetCallbacks),
       FINTOP_BENCH_SIDE(ReactionSetBare)},
      {"reactions",
       "conversion_reactor",
       {"ConversionReactorOpObject"},
       {"CTLocalConvReaction", "CTLocalReaction", "CTReactantBalance"},
       FINTOP_BENCH_SIDE(ConversionReactorCallbacks),
       FINTOP_BENCH_SIDE(ConversionReactorBare)},
      {"reactions",
       "equilibrium_reactor",
       {"EquilibriumReactorOpObject"},
       {"CTLocalEquilReaction", "CTLocalReaction", "CTReactantBalance"},
       FINTOP_BENCH_SIDE(EquilibriumReactorCallbacks),
       FINTOP_BENCH_SIDE(EquilibriumReactorBare)},
      {"reactions",
       "gibbs_reactor",
       {"GibbsReactorOpObject"},
       {"CTGibbsFlowSpec", "CTReactantBalance"},
       FINTOP_BENCH_SIDE(GibbsReactorCallbacks),
       FINTOP_BENCH_SIDE(GibbsReactorBare)},
  };
}

}  // namespace bench
