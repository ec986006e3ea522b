// The shapes of the exported callbacks and the one list of all of them.
//
// The framework finds every callback by its plain name and calls it through a pointer of one
// of the four shapes below, with an iterator standing on the current host node. What holds for
// every callback:
// - Failure is reported only through the result: false, a count of 0, or for a selection the
//   index returned unchanged. Nothing is raised across the plug-in's boundary (an allocation
//   failure, here or in a host call, becomes the failure result); a null iterator is refused
//   with the failure result.
// - The iterator handed in is the caller's: the plug-in moves it only where the callback's
//   entry below says (MOVES), never deletes it and keeps no pointer to it after the call.
//   Every iterator the plug-in makes with Clone is deleted with DeleteFIIterator before the
//   call returns, on every path; a Clone that returns null is taken as "nothing found".
// - out belongs to the caller and is written only where the callback says so.
// - Threads: the plug-in starts none and takes no locks. Any number of threads may call any
//   callback at once, each with iterators of its own (an iterator must not be in two calls at
//   once). The three callbacks marked COUNTS below add an ordering rule.
#pragma once

#include "framework/fi_attribute.h"
#include "framework/fi_iterator.h"
#include "framework/platform.h"

extern "C" {
// Kind test: is the node of the kind?
typedef bool(FI_CDECL* FIKindTest)(FIIterator* iterator);
// Classifier: writes a generic class name to out and returns true, or returns false.
typedef bool(FI_CDECL* FIClassifier)(FIIterator* iterator, FIAttribute* out);
// Collection callback: index -1 returns the count; any other index selects (records
// attributes on the iterator) and, as a rule, returns the index. out is ignored unless the
// callback says otherwise.
typedef int(FI_CDECL* FICollection)(FIIterator* iterator, FIAttribute* out, int index);
// Element callback: move 0 tests that the element exists and leaves the iterator where it
// stands; any other move flag moves the caller's iterator onto the element.
typedef bool(FI_CDECL* FIElement)(FIIterator* iterator, int move);
}

// Every exported callback, in the order of fintop/exports.txt (which the exports test checks
// against this list): X(shape, name, moves, state, fails).
// - shape: KIND, CLASSIFIER, COLLECTION or ELEMENT.
// - moves: STAYS when no call moves the caller's iterator; MOVES when a selection (a collection
//   callback called with any index but -1) or an element call with a non-zero move flag may
//   move it. A counting call (index -1) and a test call (move 0) never move it. Every element
//   callback MOVES; five collection callbacks do, whose selection is a move onto the item.
// - state: NONE, or COUNTS for the three callbacks that keep one process-wide count from a
//   counting call to the selections that follow it (CTDewPointCurve: the bubble-point count,
//   CTPumpCurve: the pump-curve count, CTActiveReactions: the active-reaction count). Their
//   ordering rule: count a node (index -1) before selecting in it, and let no counting call of
//   the same callback for another node, from any thread, come between that count and those
//   selections. The counts are atomic: breaking the rule gives a wrong split, never a data race.
// - fails: what a failed call returns (a null iterator, a host call that throws): INDEX for a
//   collection callback whose failed selection returns the index unchanged (a count gives 0);
//   ZERO for false, a count of 0, and the three selections that give 0 (CTCutPercent,
//   CTViscosity and CTColumnFeeds, whose indices beyond their rows select nothing).
// Users that need fewer facts take the rest as `...`.
#define FINTOP_CALLBACKS(X)                                        \
  X(KIND, CTFlowsheets, STAYS, NONE, ZERO)                         \
  X(KIND, CTDistillationCurves, STAYS, NONE, ZERO)                 \
  X(KIND, CTStreams, STAYS, NONE, ZERO)                            \
  X(KIND, CTPhaseEnvelopes, STAYS, NONE, ZERO)                     \
  X(KIND, CTHeatStreams, STAYS, NONE, ZERO)                        \
  X(CLASSIFIER, CTUnitOperations, STAYS, NONE, ZERO)               \
  X(COLLECTION, CTComponentArray, STAYS, NONE, INDEX)              \
  X(ELEMENT, CTComponent, MOVES, NONE, ZERO)                       \
  X(ELEMENT, CTMoleFraction, MOVES, NONE, ZERO)                    \
  X(ELEMENT, CTMassFraction, MOVES, NONE, ZERO)                    \
  X(ELEMENT, CTVolumeFraction, MOVES, NONE, ZERO)                  \
  X(COLLECTION, CTPhaseComponentArray, STAYS, NONE, INDEX)         \
  X(ELEMENT, CTPhaseComponent, MOVES, NONE, ZERO)                  \
  X(ELEMENT, CTPhaseMoleFraction, MOVES, NONE, ZERO)               \
  X(ELEMENT, CTPhaseMassFraction, MOVES, NONE, ZERO)               \
  X(ELEMENT, CTPhaseVolumeFraction, MOVES, NONE, ZERO)             \
  X(COLLECTION, CTFluidPhaseComponentArray, STAYS, NONE, INDEX)    \
  X(ELEMENT, CTFluidPhaseComponent, MOVES, NONE, ZERO)             \
  X(COLLECTION, CTVaporPhaseComponentArray, STAYS, NONE, INDEX)    \
  X(ELEMENT, CTVaporPhaseComponent, MOVES, NONE, ZERO)             \
  X(COLLECTION, CTLiquidPhaseComponentArray, STAYS, NONE, INDEX)   \
  X(ELEMENT, CTLiquidPhaseComponent, MOVES, NONE, ZERO)            \
  X(COLLECTION, CTLiquid2PhaseComponentArray, STAYS, NONE, INDEX)  \
  X(ELEMENT, CTLiquid2PhaseComponent, MOVES, NONE, ZERO)           \
  X(COLLECTION, CTKVMLArray, STAYS, NONE, INDEX)                   \
  X(ELEMENT, CTKVML, MOVES, NONE, ZERO)                            \
  X(COLLECTION, CTKVLArray, STAYS, NONE, INDEX)                    \
  X(ELEMENT, CTKVL, MOVES, NONE, ZERO)                             \
  X(COLLECTION, CTKVL2Array, STAYS, NONE, INDEX)                   \
  X(ELEMENT, CTKVL2, MOVES, NONE, ZERO)                            \
  X(COLLECTION, CTKL1L2Array, STAYS, NONE, INDEX)                  \
  X(ELEMENT, CTKL1L2, MOVES, NONE, ZERO)                           \
  X(COLLECTION, CTPipeSegment, STAYS, NONE, INDEX)                 \
  X(COLLECTION, CTPipeCell, STAYS, NONE, INDEX)                    \
  X(COLLECTION, CTPipeProfile, STAYS, NONE, INDEX)                 \
  X(COLLECTION, CTDewPointCurve, STAYS, COUNTS, INDEX)             \
  X(COLLECTION, CTBubblePointCurve, STAYS, NONE, INDEX)            \
  X(COLLECTION, CTHydratePointCurve, STAYS, NONE, INDEX)           \
  X(COLLECTION, CTCutPercent, STAYS, NONE, ZERO)                   \
  X(COLLECTION, CTViscosity, STAYS, NONE, ZERO)                    \
  X(COLLECTION, CTEntrainment, STAYS, NONE, INDEX)                 \
  X(COLLECTION, CTComprPerfCurve, MOVES, NONE, INDEX)              \
  X(COLLECTION, CTPerfCurvePoint, STAYS, NONE, INDEX)              \
  X(COLLECTION, CTSpeedFlowCurve, STAYS, NONE, INDEX)              \
  X(COLLECTION, CTTeeNozzle, STAYS, NONE, INDEX)                   \
  X(COLLECTION, CTMixerNozzle, STAYS, NONE, INDEX)                 \
  X(COLLECTION, CTValveCurve, STAYS, NONE, INDEX)                  \
  X(COLLECTION, CTPumpCurve, MOVES, COUNTS, INDEX)                 \
  X(COLLECTION, CTEfficiencyCurve, MOVES, NONE, INDEX)             \
  X(COLLECTION, CTNPSHCurve, MOVES, NONE, INDEX)                   \
  X(COLLECTION, CTNPSHCurvePoint, STAYS, NONE, INDEX)              \
  X(ELEMENT, CTExchangerHot, MOVES, NONE, ZERO)                    \
  X(ELEMENT, CTExchangerCold, MOVES, NONE, ZERO)                   \
  X(COLLECTION, CTTeeSplit, STAYS, NONE, INDEX)                    \
  X(COLLECTION, CTReactions, MOVES, NONE, INDEX)                   \
  X(COLLECTION, CTReactionDenominatorTerm, STAYS, NONE, INDEX)     \
  X(COLLECTION, CTReactionComponentOrder, STAYS, NONE, INDEX)      \
  X(COLLECTION, CTActiveReactions, STAYS, COUNTS, INDEX)           \
  X(COLLECTION, CTLocalReaction, STAYS, NONE, INDEX)               \
  X(COLLECTION, CTReactantBalance, STAYS, NONE, INDEX)             \
  X(COLLECTION, CTLocalConvReaction, STAYS, NONE, INDEX)           \
  X(COLLECTION, CTLocalEquilReaction, STAYS, NONE, INDEX)          \
  X(COLLECTION, CTGibbsFlowSpec, STAYS, NONE, INDEX)               \
  X(ELEMENT, CTHeaterVF, MOVES, NONE, ZERO)                        \
  X(COLLECTION, CTHeaterZone, STAYS, NONE, INDEX)                  \
  X(COLLECTION, CTHeaterProfile, STAYS, NONE, INDEX)               \
  X(COLLECTION, CTCondRebNozzle, STAYS, NONE, INDEX)               \
  X(COLLECTION, CTCondRebVesselComponentArray, STAYS, NONE, INDEX) \
  X(ELEMENT, CTCondRebVesselComponent, MOVES, NONE, ZERO)          \
  X(COLLECTION, CTCondRebVaporComponentArray, STAYS, NONE, INDEX)  \
  X(ELEMENT, CTCondRebVaporComponent, MOVES, NONE, ZERO)           \
  X(COLLECTION, CTCondRebLiquidComponentArray, STAYS, NONE, INDEX) \
  X(ELEMENT, CTCondRebLiquidComponent, MOVES, NONE, ZERO)          \
  X(ELEMENT, CTCondVapor, MOVES, NONE, ZERO)                       \
  X(ELEMENT, CTCondDistillate, MOVES, NONE, ZERO)                  \
  X(ELEMENT, CTCondHeavyDistillate, MOVES, NONE, ZERO)             \
  X(ELEMENT, CTCondReflux, MOVES, NONE, ZERO)                      \
  X(ELEMENT, CTRebBoilup, MOVES, NONE, ZERO)                       \
  X(ELEMENT, CTRebLiquid, MOVES, NONE, ZERO)                       \
  X(ELEMENT, CTRebLiquid2, MOVES, NONE, ZERO)                      \
  X(ELEMENT, CTRebVapor, MOVES, NONE, ZERO)                        \
  X(COLLECTION, CTColumnFeeds, STAYS, NONE, ZERO)                  \
  X(COLLECTION, CTSectionTray, STAYS, NONE, INDEX)                 \
  X(COLLECTION, CTColumnSideDraws, STAYS, NONE, INDEX)             \
  X(ELEMENT, CTSideDrawFluid, MOVES, NONE, ZERO)                   \
  X(ELEMENT, CTColumnLiquidFrom, MOVES, NONE, ZERO)                \
  X(ELEMENT, CTSideColumnDraw, MOVES, NONE, ZERO)                  \
  X(ELEMENT, CTSideColumnReturn, MOVES, NONE, ZERO)                \
  X(ELEMENT, CTSideColumnReboiler, MOVES, NONE, ZERO)              \
  X(ELEMENT, CTSideColumnBottoms, MOVES, NONE, ZERO)               \
  X(ELEMENT, CTPumparoundDraw, MOVES, NONE, ZERO)                  \
  X(ELEMENT, CTPumparoundReturn, MOVES, NONE, ZERO)

// Declarations of every callback, under its plain C name.
#define FINTOP_SIGNATURE_KIND(name) bool FI_CDECL name(FIIterator* iterator)
#define FINTOP_SIGNATURE_CLASSIFIER(name) bool FI_CDECL name(FIIterator* iterator, FIAttribute* out)
#define FINTOP_SIGNATURE_COLLECTION(name) \
  int FI_CDECL name(FIIterator* iterator, FIAttribute* out, int index)
#define FINTOP_SIGNATURE_ELEMENT(name) bool FI_CDECL name(FIIterator* iterator, int move)
#define FINTOP_DECLARE_CALLBACK(shape, name, ...) FINTOP_API FINTOP_SIGNATURE_##shape(name);

extern "C" {
FINTOP_CALLBACKS(FINTOP_DECLARE_CALLBACK)
}

// The facts as values (FINTOP_FACT_##moves, ##state, ##fails: true for MOVES, COUNTS, INDEX),
// and a check that each entry's facts fit its shape: kind tests and the classifier never move
// the caller's iterator, every element callback may (its move flag), and only collection
// callbacks keep a count or return an index. A collection callback whose failed selection
// gives 0 (ZERO) selects among rows of its own: it neither moves the caller's iterator nor
// keeps a count.
#define FINTOP_FACT_STAYS false
#define FINTOP_FACT_MOVES true
#define FINTOP_FACT_NONE false
#define FINTOP_FACT_COUNTS true
#define FINTOP_FACT_ZERO false
#define FINTOP_FACT_INDEX true
#define FINTOP_FACTS_FIT_KIND(moves, counts, index) (!(moves) && !(counts) && !(index))
#define FINTOP_FACTS_FIT_CLASSIFIER(moves, counts, index) (!(moves) && !(counts) && !(index))
#define FINTOP_FACTS_FIT_COLLECTION(moves, counts, index) ((index) || (!(moves) && !(counts)))
#define FINTOP_FACTS_FIT_ELEMENT(moves, counts, index) ((moves) && !(counts) && !(index))
#define FINTOP_CHECK_FACTS(shape, name, moves, state, fails)                                   \
  static_assert(                                                                               \
      FINTOP_FACTS_FIT_##shape(FINTOP_FACT_##moves, FINTOP_FACT_##state, FINTOP_FACT_##fails), \
      #name ": its facts do not fit its shape");
FINTOP_CALLBACKS(FINTOP_CHECK_FACTS)

// The failure result of a collection callback (`fails`): ZERO gives 0; INDEX gives a failed
// selection's index unchanged, and a failed count (index -1) 0.
namespace fintop {
constexpr int FailedCollection(bool fails_with_index, int index) {
  return fails_with_index && index != -1 ? index : 0;
}
}  // namespace fintop

// The number of exported callbacks.
#define FINTOP_COUNT_ONE(...) +1
inline constexpr int kCallbackCount = 0 FINTOP_CALLBACKS(FINTOP_COUNT_ONE);
static_assert(kCallbackCount == 92);
