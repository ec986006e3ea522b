// Every attribute name a callback of the plug-in records on the caller's iterator (with
// SetAttribute or SetAttributeByKey), as X(name). Tools outside the plug-in read them back
// with GetAttribute (fintop-trace compares each before and after a call); the plug-in itself
// does not use the list. tests/trace checks that driving every callback over the test cases
// records no name outside it.
#pragma once

#define FINTOP_RECORDED_ATTRIBUTES(X) \
  X("A")                              \
  X("BalanceElemNum")                 \
  X("CellElemNum")                    \
  X("CmpCnt")                         \
  X("CompName")                       \
  X("ConvRxnElemNum")                 \
  X("CurveElement")                   \
  X("CutPercent")                     \
  X("CutPoint")                       \
  X("DewCurveElement")                \
  X("Draw")                           \
  X("DrawElemNum")                    \
  X("Draws")                          \
  X("DrawsElemNum")                   \
  X("E")                              \
  X("Elem")                           \
  X("Element")                        \
  X("Elemno")                         \
  X("EntrainmentElem")                \
  X("EquilRxnElemNum")                \
  X("EquilRxnNum")                    \
  X("FeedElemNum")                    \
  X("FeedName")                       \
  X("FlashPhaseCmpCnt")               \
  X("FluidPhaseCmpCnt")               \
  X("GibbsFlowSpecComponentName")     \
  X("GibbsFlowSpecElemNum")           \
  X("HeatTransferred")                \
  X("HeaterZoneElemNum")              \
  X("HeaterZoneElemNum1")             \
  X("Name")                           \
  X("NozzleElemNum")                  \
  X("PhaseCmpCnt")                    \
  X("PointElem")                      \
  X("PointNo")                        \
  X("ProfileElemNum")                 \
  X("ProfileZoneNo")                  \
  X("ReferenceTemp")                  \
  X("Return")                         \
  X("RxnActive")                      \
  X("RxnElemNum")                     \
  X("RxnIndex")                       \
  X("RxnName")                        \
  X("RxnRank")                        \
  X("Section")                        \
  X("SegElemNum")                     \
  X("SegNumCell")                     \
  X("SegStartCell")                   \
  X("SplitElem")                      \
  X("StreamId")                       \
  X("ViscosityName")                  \
  X("ZoneNo")                         \
  X("component")                      \
  X("exponent")                       \
  X("ncomp")                          \
  X("row")                            \
  X("rxnPath")

// The attributes the framework records that the plug-in reads (the mapping's <set>), as X(name).
// With the list above, the attributes a call can read: fintop-trace and fintop-walk's trace
// record their values before each call ("before"), so that the call can be made again.
#define FINTOP_FRAMEWORK_ATTRIBUTES(X) X("PhaseName")

// Both lists, the plug-in's first.
#define FINTOP_HELD_ATTRIBUTES(X) FINTOP_RECORDED_ATTRIBUTES(X) FINTOP_FRAMEWORK_ATTRIBUTES(X)
