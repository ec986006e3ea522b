// The shapes of the exported callbacks and the list of all of them.
//
// The framework finds every callback by its plain name and calls it through a pointer of one
// of the four shapes below, with an iterator standing on the current host node. Callbacks
// report failure only through their result; nothing is raised across the plug-in's boundary.
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

// Every exported callback: X(shape, name), shape being KIND, CLASSIFIER, COLLECTION or ELEMENT.
#define FINTOP_CALLBACKS(X)                    \
  X(KIND, CTFlowsheets)                        \
  X(KIND, CTDistillationCurves)                \
  X(KIND, CTStreams)                           \
  X(KIND, CTPhaseEnvelopes)                    \
  X(KIND, CTHeatStreams)                       \
  X(CLASSIFIER, CTUnitOperations)              \
  X(COLLECTION, CTComponentArray)              \
  X(ELEMENT, CTComponent)                      \
  X(ELEMENT, CTMoleFraction)                   \
  X(ELEMENT, CTMassFraction)                   \
  X(ELEMENT, CTVolumeFraction)                 \
  X(COLLECTION, CTPhaseComponentArray)         \
  X(ELEMENT, CTPhaseComponent)                 \
  X(ELEMENT, CTPhaseMoleFraction)              \
  X(ELEMENT, CTPhaseMassFraction)              \
  X(ELEMENT, CTPhaseVolumeFraction)            \
  X(COLLECTION, CTFluidPhaseComponentArray)    \
  X(ELEMENT, CTFluidPhaseComponent)            \
  X(COLLECTION, CTVaporPhaseComponentArray)    \
  X(ELEMENT, CTVaporPhaseComponent)            \
  X(COLLECTION, CTLiquidPhaseComponentArray)   \
  X(ELEMENT, CTLiquidPhaseComponent)           \
  X(COLLECTION, CTLiquid2PhaseComponentArray)  \
  X(ELEMENT, CTLiquid2PhaseComponent)          \
  X(COLLECTION, CTKVMLArray)                   \
  X(ELEMENT, CTKVML)                           \
  X(COLLECTION, CTKVLArray)                    \
  X(ELEMENT, CTKVL)                            \
  X(COLLECTION, CTKVL2Array)                   \
  X(ELEMENT, CTKVL2)                           \
  X(COLLECTION, CTKL1L2Array)                  \
  X(ELEMENT, CTKL1L2)                          \
  X(COLLECTION, CTPipeSegment)                 \
  X(COLLECTION, CTPipeCell)                    \
  X(COLLECTION, CTPipeProfile)                 \
  X(COLLECTION, CTDewPointCurve)               \
  X(COLLECTION, CTBubblePointCurve)            \
  X(COLLECTION, CTHydratePointCurve)           \
  X(COLLECTION, CTCutPercent)                  \
  X(COLLECTION, CTViscosity)                   \
  X(COLLECTION, CTEntrainment)                 \
  X(COLLECTION, CTComprPerfCurve)              \
  X(COLLECTION, CTPerfCurvePoint)              \
  X(COLLECTION, CTSpeedFlowCurve)              \
  X(COLLECTION, CTTeeNozzle)                   \
  X(COLLECTION, CTMixerNozzle)                 \
  X(COLLECTION, CTValveCurve)                  \
  X(COLLECTION, CTPumpCurve)                   \
  X(COLLECTION, CTEfficiencyCurve)             \
  X(COLLECTION, CTNPSHCurve)                   \
  X(COLLECTION, CTNPSHCurvePoint)              \
  X(ELEMENT, CTExchangerHot)                   \
  X(ELEMENT, CTExchangerCold)                  \
  X(COLLECTION, CTTeeSplit)                    \
  X(COLLECTION, CTReactions)                   \
  X(COLLECTION, CTReactionDenominatorTerm)     \
  X(COLLECTION, CTReactionComponentOrder)      \
  X(COLLECTION, CTActiveReactions)             \
  X(COLLECTION, CTLocalReaction)               \
  X(COLLECTION, CTReactantBalance)             \
  X(COLLECTION, CTLocalConvReaction)           \
  X(COLLECTION, CTLocalEquilReaction)          \
  X(COLLECTION, CTGibbsFlowSpec)               \
  X(ELEMENT, CTHeaterVF)                       \
  X(COLLECTION, CTHeaterZone)                  \
  X(COLLECTION, CTHeaterProfile)               \
  X(COLLECTION, CTCondRebNozzle)               \
  X(COLLECTION, CTCondRebVesselComponentArray) \
  X(ELEMENT, CTCondRebVesselComponent)         \
  X(COLLECTION, CTCondRebVaporComponentArray)  \
  X(ELEMENT, CTCondRebVaporComponent)          \
  X(COLLECTION, CTCondRebLiquidComponentArray) \
  X(ELEMENT, CTCondRebLiquidComponent)         \
  X(ELEMENT, CTCondVapor)                      \
  X(ELEMENT, CTCondDistillate)                 \
  X(ELEMENT, CTCondHeavyDistillate)            \
  X(ELEMENT, CTCondReflux)                     \
  X(ELEMENT, CTRebBoilup)                      \
  X(ELEMENT, CTRebLiquid)                      \
  X(ELEMENT, CTRebLiquid2)                     \
  X(ELEMENT, CTRebVapor)                       \
  X(COLLECTION, CTColumnFeeds)                 \
  X(COLLECTION, CTSectionTray)                 \
  X(COLLECTION, CTColumnSideDraws)             \
  X(ELEMENT, CTSideDrawFluid)                  \
  X(ELEMENT, CTColumnLiquidFrom)               \
  X(ELEMENT, CTSideColumnDraw)                 \
  X(ELEMENT, CTSideColumnReturn)               \
  X(ELEMENT, CTSideColumnReboiler)             \
  X(ELEMENT, CTSideColumnBottoms)              \
  X(ELEMENT, CTPumparoundDraw)                 \
  X(ELEMENT, CTPumparoundReturn)

// Declarations of every callback, under its plain C name.
#define FINTOP_SIGNATURE_KIND(name) bool FI_CDECL name(FIIterator* iterator)
#define FINTOP_SIGNATURE_CLASSIFIER(name) bool FI_CDECL name(FIIterator* iterator, FIAttribute* out)
#define FINTOP_SIGNATURE_COLLECTION(name) \
  int FI_CDECL name(FIIterator* iterator, FIAttribute* out, int index)
#define FINTOP_SIGNATURE_ELEMENT(name) bool FI_CDECL name(FIIterator* iterator, int move)
#define FINTOP_DECLARE_CALLBACK(shape, name) FINTOP_API FINTOP_SIGNATURE_##shape(name);

extern "C" {
FINTOP_CALLBACKS(FINTOP_DECLARE_CALLBACK)
}

// The number of exported callbacks.
#define FINTOP_COUNT_ONE(shape, name) +1
inline constexpr int kCallbackCount = 0 FINTOP_CALLBACKS(FINTOP_COUNT_ONE);
static_assert(kCallbackCount == 92);
