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
// against this list): X(shape, name, moves, state).
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
// Users that need fewer facts take the rest as `...`.
#define FINTOP_CALLBACKS(X)                                 \
  X(KIND, CTFlowsheets, STAYS, NONE)                        \
  X(KIND, CTDistillationCurves, STAYS, NONE)                \
  X(KIND, CTStreams, STAYS, NONE)                           \
  X(KIND, CTPhaseEnvelopes, STAYS, NONE)                    \
  X(KIND, CTHeatStreams, STAYS, NONE)                       \
  X(CLASSIFIER, CTUnitOperations, STAYS, NONE)              \
  X(COLLECTION, CTComponentArray, STAYS, NONE)              \
  X(ELEMENT, CTComponent, MOVES, NONE)                      \
  X(ELEMENT, CTMoleFraction, MOVES, NONE)                   \
  X(ELEMENT, CTMassFraction, MOVES, NONE)                   \
  X(ELEMENT, CTVolumeFraction, MOVES, NONE)                 \
  X(COLLECTION, CTPhaseComponentArray, STAYS, NONE)         \
  X(ELEMENT, CTPhaseComponent, MOVES, NONE)                 \
  X(ELEMENT, CTPhaseMoleFraction, MOVES, NONE)              \
  X(ELEMENT, CTPhaseMassFraction, MOVES, NONE)              \
  X(ELEMENT, CTPhaseVolumeFraction, MOVES, NONE)            \
  X(COLLECTION, CTFluidPhaseComponentArray, STAYS, NONE)    \
  X(ELEMENT, CTFluidPhaseComponent, MOVES, NONE)            \
  X(COLLECTION, CTVaporPhaseComponentArray, STAYS, NONE)    \
  X(ELEMENT, CTVaporPhaseComponent, MOVES, NONE)            \
  X(COLLECTION, CTLiquidPhaseComponentArray, STAYS, NONE)   \
  X(ELEMENT, CTLiquidPhaseComponent, MOVES, NONE)           \
  X(COLLECTION, CTLiquid2PhaseComponentArray, STAYS, NONE)  \
  X(ELEMENT, CTLiquid2PhaseComponent, MOVES, NONE)          \
  X(COLLECTION, CTKVMLArray, STAYS, NONE)                   \
  X(ELEMENT, CTKVML, MOVES, NONE)                           \
  X(COLLECTION, CTKVLArray, STAYS, NONE)                    \
  X(ELEMENT, CTKVL, MOVES, NONE)                            \
  X(COLLECTION, CTKVL2Array, STAYS, NONE)                   \
  X(ELEMENT, CTKVL2, MOVES, NONE)                           \
  X(COLLECTION, CTKL1L2Array, STAYS, NONE)                  \
  X(ELEMENT, CTKL1L2, MOVES, NONE)                          \
  X(COLLECTION, CTPipeSegment, STAYS, NONE)                 \
  X(COLLECTION, CTPipeCell, STAYS, NONE)                    \
  X(COLLECTION, CTPipeProfile, STAYS, NONE)                 \
  X(COLLECTION, CTDewPointCurve, STAYS, COUNTS)             \
  X(COLLECTION, CTBubblePointCurve, STAYS, NONE)            \
  X(COLLECTION, CTHydratePointCurve, STAYS, NONE)           \
  X(COLLECTION, CTCutPercent, STAYS, NONE)                  \
  X(COLLECTION, CTViscosity, STAYS, NONE)                   \
  X(COLLECTION, CTEntrainment, STAYS, NONE)                 \
  X(COLLECTION, CTComprPerfCurve, MOVES, NONE)              \
  X(COLLECTION, CTPerfCurvePoint, STAYS, NONE)              \
  X(COLLECTION, CTSpeedFlowCurve, STAYS, NONE)              \
  X(COLLECTION, CTTeeNozzle, STAYS, NONE)                   \
  X(COLLECTION, CTMixerNozzle, STAYS, NONE)                 \
  X(COLLECTION, CTValveCurve, STAYS, NONE)                  \
  X(COLLECTION, CTPumpCurve, MOVES, COUNTS)                 \
  X(COLLECTION, CTEfficiencyCurve, MOVES, NONE)             \
  X(COLLECTION, CTNPSHCurve, MOVES, NONE)                   \
  X(COLLECTION, CTNPSHCurvePoint, STAYS, NONE)              \
  X(ELEMENT, CTExchangerHot, MOVES, NONE)                   \
  X(ELEMENT, CTExchangerCold, MOVES, NONE)                  \
  X(COLLECTION, CTTeeSplit, STAYS, NONE)                    \
  X(COLLECTION, CTReactions, MOVES, NONE)                   \
  X(COLLECTION, CTReactionDenominatorTerm, STAYS, NONE)     \
  X(COLLECTION, CTReactionComponentOrder, STAYS, NONE)      \
  X(COLLECTION, CTActiveReactions, STAYS, COUNTS)           \
  X(COLLECTION, CTLocalReaction, STAYS, NONE)               \
  X(COLLECTION, CTReactantBalance, STAYS, NONE)             \
  X(COLLECTION, CTLocalConvReaction, STAYS, NONE)           \
  X(COLLECTION, CTLocalEquilReaction, STAYS, NONE)          \
  X(COLLECTION, CTGibbsFlowSpec, STAYS, NONE)               \
  X(ELEMENT, CTHeaterVF, MOVES, NONE)                       \
  X(COLLECTION, CTHeaterZone, STAYS, NONE)                  \
  X(COLLECTION, CTHeaterProfile, STAYS, NONE)               \
  X(COLLECTION, CTCondRebNozzle, STAYS, NONE)               \
  X(COLLECTION, CTCondRebVesselComponentArray, STAYS, NONE) \
  X(ELEMENT, CTCondRebVesselComponent, MOVES, NONE)         \
  X(COLLECTION, CTCondRebVaporComponentArray, STAYS, NONE)  \
  X(ELEMENT, CTCondRebVaporComponent, MOVES, NONE)          \
  X(COLLECTION, CTCondRebLiquidComponentArray, STAYS, NONE) \
  X(ELEMENT, CTCondRebLiquidComponent, MOVES, NONE)         \
  X(ELEMENT, CTCondVapor, MOVES, NONE)                      \
  X(ELEMENT, CTCondDistillate, MOVES, NONE)                 \
  X(ELEMENT, CTCondHeavyDistillate, MOVES, NONE)            \
  X(ELEMENT, CTCondReflux, MOVES, NONE)                     \
  X(ELEMENT, CTRebBoilup, MOVES, NONE)                      \
  X(ELEMENT, CTRebLiquid, MOVES, NONE)                      \
  X(ELEMENT, CTRebLiquid2, MOVES, NONE)                     \
  X(ELEMENT, CTRebVapor, MOVES, NONE)                       \
  X(COLLECTION, CTColumnFeeds, STAYS, NONE)                 \
  X(COLLECTION, CTSectionTray, STAYS, NONE)                 \
  X(COLLECTION, CTColumnSideDraws, STAYS, NONE)             \
  X(ELEMENT, CTSideDrawFluid, MOVES, NONE)                  \
  X(ELEMENT, CTColumnLiquidFrom, MOVES, NONE)               \
  X(ELEMENT, CTSideColumnDraw, MOVES, NONE)                 \
  X(ELEMENT, CTSideColumnReturn, MOVES, NONE)               \
  X(ELEMENT, CTSideColumnReboiler, MOVES, NONE)             \
  X(ELEMENT, CTSideColumnBottoms, MOVES, NONE)              \
  X(ELEMENT, CTPumparoundDraw, MOVES, NONE)                 \
  X(ELEMENT, CTPumparoundReturn, MOVES, NONE)

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

// The facts as values (FINTOP_FACT_##moves, FINTOP_FACT_##state), and a check that each entry's
// facts fit its shape: kind tests and the classifier never move the caller's iterator, every
// element callback may (its move flag), and only collection callbacks keep a count.
#define FINTOP_FACT_STAYS false
#define FINTOP_FACT_MOVES true
#define FINTOP_FACT_NONE false
#define FINTOP_FACT_COUNTS true
#define FINTOP_FACTS_FIT_KIND(moves, counts) (!(moves) && !(counts))
#define FINTOP_FACTS_FIT_CLASSIFIER(moves, counts) (!(moves) && !(counts))
#define FINTOP_FACTS_FIT_COLLECTION(moves, counts) true
#define FINTOP_FACTS_FIT_ELEMENT(moves, counts) ((moves) && !(counts))
#define FINTOP_CHECK_FACTS(shape, name, moves, state)                               \
  static_assert(FINTOP_FACTS_FIT_##shape(FINTOP_FACT_##moves, FINTOP_FACT_##state), \
                #name ": its facts do not fit its shape");
FINTOP_CALLBACKS(FINTOP_CHECK_FACTS)

// The number of exported callbacks.
#define FINTOP_COUNT_ONE(...) +1
inline constexpr int kCallbackCount = 0 FINTOP_CALLBACKS(FINTOP_COUNT_ONE);
static_assert(kCallbackCount == 92);
