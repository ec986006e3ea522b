// Equipment: pipes, phase envelopes, distillation curves and entrainment, compressors, tees,
// mixers and valves, pumps, heat exchangers.
#include "pairs.h"

namespace bench {
namespace {

const std::string kPipeLength = "Pipe Length";
const std::string kNoOfIncrements = "No of Increments";
const std::string kProfileLength = "Profile Length";
const std::string kDewPoints = "Number of Points, Dew Point Curve";
const std::string kBubblePoints = "Number of Points, Bubble Point Curve";
const std::string kHydratePoints = "Number of Points, Hydrate Curve";
const std::string kEntrainment = "CO results label";
const std::string kCompressorCurve = "Compressor curve";
const std::string kHead = "Head";
const std::string kSpeed = "Speed";
const std::string kTeeHoldup = "Enhanced Holdup";
const std::string kProductNozzles = "Product Nozzle Diameter";
const std::string kMixerHoldup = "Enhanced Hold Up";
const std::string kFeedNozzles = "Feed Nozzle Diameter";
const std::string kPerformanceCurve = "Performance Curve";
const std::string kLift = "\"Lift (% of max)\"";
const std::string kProductStreams = "Number of Product Streams";
const std::string kPumpCurve = "Pump Curve";
const std::string kObjectName = "Object Name";
const std::string kNpshCurve = "NPSH Curve";
const std::string kTubeInlet = "Tube Inlet Temperature";
const std::string kShellInlet = "Shell Inlet Temperature";

// ---- Pipe.

template <class Probe>
void PipeCallbacks(FIIterator& it, Probe& probe) {
  const int segments = CTPipeSegment(&it, nullptr, -1);
  probe.Step(it, segments);
  for (int s = 0; s < segments; ++s) {
    probe.Step(it, CTPipeSegment(&it, nullptr, s));
    Walk(it, probe, CTPipeCell);
  }
  Walk(it, probe, CTPipeProfile);
}

template <class Probe>
void PipeBare(FIIterator& it, Probe& probe) {
  const long segments = BareCall([&] { return BareCount(it, kPipeLength); });
  probe.Step(it, segments);
  for (int s = 0; s < segments; ++s) {
    probe.Step(it, BareCall([&] {
                 BareElementName(it, probe, "SegElemNum", s);
                 int start = 0, count = 0;
                 FIIterator* clone = it.Clone();
                 if (clone->Down(kNoOfIncrements) && clone->First()) {
                   const FIAttribute key("value");
                   FIAttribute cells;
                   clone->GetValue(key, cells);
                   count = cells.ival();
                   for (int position = 0; position != s; ++position) {
                     if (!clone->Next()) break;
                     start += count;
                     clone->GetValue(key, cells);
                     count = cells.ival();
                   }
                 }
                 DeleteFIIterator(clone);
                 probe.Set(it, "SegStartCell", FIAttribute(start));
                 probe.Set(it, "SegNumCell", FIAttribute(count));
                 return s;
               }));

    const long cells = BareCall([&] {
      FIAttribute number;
      return it.GetAttribute("SegNumCell", number) ? number.ival() : 0;
    });
    probe.Step(it, cells);
    for (int c = 0; c < cells; ++c) {
      probe.Step(it, BareCall([&] {
                   FIAttribute first;
                   if (it.GetAttribute("SegStartCell", first)) {
                     probe.Set(it, "CellElemNum",
                               BareElementText(c + static_cast<long long>(first.ival())));
                   } else {
                     probe.Set(it, "CellElemNum", FIAttribute("Elem"));
                   }
                   return c;
                 }));
    }
  }
  NumberElements(
      it, probe, [&] { return BareCount(it, kProfileLength); }, "ProfileElemNum");
}

// ---- Phase envelope.

template <class Probe>
void EnvelopeCallbacks(FIIterator& it, Probe& probe) {
  Walk(it, probe, CTBubblePointCurve);
  Walk(it, probe, CTDewPointCurve);
  Walk(it, probe, CTHydratePointCurve);
}

template <class Probe>
FINTOP_INLINE void BareCurvePoint(FIIterator& it, Probe& probe, int index) {
  BareElementName(it, probe, "CurveElement", index);
  probe.Set(it, "PointNo", FIAttribute(index));
}

template <class Probe>
void EnvelopeBare(FIIterator& it, Probe& probe) {
  const long bubble = BareCall([&] { return BareStoredCount(it, kBubblePoints); });
  probe.Step(it, bubble);
  for (int i = 0; i < bubble; ++i) {
    probe.Step(it, BareCall([&] {
                 BareCurvePoint(it, probe, i);
                 return i;
               }));
  }
  int bubble_count = 0;
  const long dew = BareCall([&] {
    int count = 0;
    FIIterator* clone = it.Clone();
    if (clone->Down(kDewPoints)) {
      const FIAttribute key("value");
      FIAttribute value;
      clone->GetValue(key, value);
      count = value.ival();
      clone->Up();
      if (clone->Down(kBubblePoints)) {
        value.Clear();
        clone->GetValue(key, value);
        bubble_count = value.ival();
      }
    }
    DeleteFIIterator(clone);
    return count;
  });
  probe.Step(it, dew);
  for (int i = 0; i < dew; ++i) {
    probe.Step(it, BareCall([&] {
                 BareCurvePoint(it, probe, i);
                 BareElementName(it, probe, "DewCurveElement",
                                 i + static_cast<long long>(bubble_count));
                 return i;
               }));
  }
  const long hydrate = BareCall([&] { return BareStoredCount(it, kHydratePoints); });
  probe.Step(it, hydrate);
  for (int i = 0; i < hydrate; ++i) {
    probe.Step(it, BareCall([&] {
                 BareCurvePoint(it, probe, i);
                 return i;
               }));
  }
}

// ---- Distillation curve (fixed tables) and separator entrainment.

// Whole texts, as the plug-in keeps them: each recorded with one copy.
constexpr const char* kCutTexts[] = {
    "Cut Pt-0.0%",   "Cut Pt-1.00%",  "Cut Pt-2.00%",  "Cut Pt-3.50%",  "Cut Pt-5.00%",
    "Cut Pt-7.50%",  "Cut Pt-10.00%", "Cut Pt-12.50%", "Cut Pt-15.00%", "Cut Pt-17.50%",
    "Cut Pt-20.00%", "Cut Pt-25.00%", "Cut Pt-30.00%", "Cut Pt-35.00%", "Cut Pt-40.00%",
    "Cut Pt-45.00%", "Cut Pt-50.00%", "Cut Pt-55.00%", "Cut Pt-60.00%", "Cut Pt-65.00%",
    "Cut Pt-70.00%", "Cut Pt-75.00%", "Cut Pt-80.00%", "Cut Pt-85.00%", "Cut Pt-90.00%",
    "Cut Pt-92.50%", "Cut Pt-95.00%", "Cut Pt-96.50%", "Cut Pt-98.00%", "Cut Pt-99.00%",
    "Cut Pt-100.00%"};
constexpr double kCutValues[] = {0.0,  1.0,  2.0,  3.5,  5.0,  7.5,  10.0, 12.5, 15.0, 17.5, 20.0,
                                 25.0, 30.0, 35.0, 40.0, 45.0, 50.0, 55.0, 60.0, 65.0, 70.0, 75.0,
                                 80.0, 85.0, 90.0, 92.5, 95.0, 96.5, 98.0, 99.0, 100.0};
constexpr const char* kViscosityNames[] = {"Viscosity at 100 F", "Viscosity at 210 F"};
constexpr double kReferenceTemps[] = {100.0, 210.0};

template <class Probe>
void CurveCallbacks(FIIterator& it, Probe& probe) {
  Walk(it, probe, CTCutPercent);
  Walk(it, probe, CTViscosity);
}

// A fixed table: its size, then for each row its text under `text_name` and, in the same
// attribute reassigned, its number under `number_name`.
template <class Probe, std::size_t n>
void BareFixedTable(FIIterator& it, Probe& probe, const char* const (&texts)[n],
                    const double (&numbers)[n], const char* text_name, const char* number_name) {
  BareCollection(
      it, probe, [] { return n; },
      [&](int i) {
        FIAttribute value(texts[i]);
        probe.Set(it, text_name, value);
        value = numbers[i];
        probe.Set(it, number_name, value);
      });
}

template <class Probe>
void CurveBare(FIIterator& it, Probe& probe) {
  BareFixedTable(it, probe, kCutTexts, kCutValues, "CutPercent", "CutPoint");
  BareFixedTable(it, probe, kViscosityNames, kReferenceTemps, "ViscosityName", "ReferenceTemp");
}

template <class Probe>
void EntrainmentCallbacks(FIIterator& it, Probe& probe) {
  Walk(it, probe, CTEntrainment);
}

template <class Probe>
void EntrainmentBare(FIIterator& it, Probe& probe) {
  NumberElements(
      it, probe, [&] { return BareCount(it, kEntrainment); }, "EntrainmentElem");
}

// ---- Compressor: each curve selected on a clone, its points on the curve.

template <class Probe>
void CompressorCallbacks(FIIterator& it, Probe& probe) {
  const int curves = CTComprPerfCurve(&it, nullptr, -1);
  probe.Step(it, curves);
  for (int c = 0; c < curves; ++c) {
    FIIterator* curve = it.Clone();
    probe.Step(*curve, CTComprPerfCurve(curve, nullptr, c));
    Walk(*curve, probe, CTPerfCurvePoint);
    Walk(*curve, probe, CTSpeedFlowCurve);
    DeleteFIIterator(curve);
  }
}

template <class Probe>
void CompressorBare(FIIterator& it, Probe& probe) {
  const long curves = BareCall([&] { return BareCount(it, kCompressorCurve); });
  probe.Step(it, curves);
  for (int c = 0; c < curves; ++c) {
    FIIterator* curve = it.Clone();
    probe.Step(*curve, BareCall([&] {
      if (curve->Down(kCompressorCurve)) curve->Element(c);
      return c;
    }));
    const long points = BareCall([&] { return BareCount(*curve, kHead); });
    probe.Step(*curve, points);
    for (int p = 0; p < points; ++p) {
      probe.Step(*curve, BareCall([&] {
        FIAttribute value = BareElementText(p);
        probe.Set(*curve, "PointElem", value);
        value = p + 1;
        probe.Set(*curve, "PointNo", value);
        return p;
      }));
    }
    NumberElements(
        *curve, probe, [&] { return BareCount(*curve, kSpeed); }, "PointElem");
    DeleteFIIterator(curve);
  }
}

// ---- Tee, mixer and valve.

template <class Probe>
void TeeCallbacks(FIIterator& it, Probe& probe) {
  Walk(it, probe, CTTeeNozzle);
  Walk(it, probe, CTTeeSplit);
}

template <class Probe>
void TeeBare(FIIterator& it, Probe& probe) {
  NumberElements(
      it, probe, [&] { return BareCount(it, kTeeHoldup, kProductNozzles); }, "Elem");
  NumberElements(
      it, probe, [&] { return BareStoredCount(it, kProductStreams); }, "SplitElem");
}

template <class Probe>
void MixerCallbacks(FIIterator& it, Probe& probe) {
  Walk(it, probe, CTMixerNozzle);
}

template <class Probe>
void MixerBare(FIIterator& it, Probe& probe) {
  NumberElements(
      it, probe, [&] { return BareCount(it, kMixerHoldup, kFeedNozzles); }, "Elem");
}

template <class Probe>
void ValveCallbacks(FIIterator& it, Probe& probe) {
  Walk(it, probe, CTValveCurve);
}

template <class Probe>
void ValveBare(FIIterator& it, Probe& probe) {
  NumberElements(
      it, probe,
      [&] {
        FIIterator* clone = it.Clone();
        int count = 0;
        if (clone->Down(kPerformanceCurve) && clone->Down(kLift) && clone->First()) {
          while (clone->Next()) ++count;
        }
        DeleteFIIterator(clone);
        return count;
      },
      "Elem");
}

// ---- Pump: each curve selected on a clone, the NPSH points on the selected NPSH curve.

template <class Probe>
void PumpCallbacks(FIIterator& it, Probe& probe) {
  for (FICollection collection : {CTPumpCurve, CTEfficiencyCurve, CTNPSHCurve}) {
    const int curves = collection(&it, nullptr, -1);
    probe.Step(it, curves);
    for (int i = 0; i < curves; ++i) {
      FIIterator* selected = it.Clone();
      probe.Step(*selected, collection(selected, nullptr, i));
      if (collection == CTNPSHCurve) Walk(*selected, probe, CTNPSHCurvePoint);
      DeleteFIIterator(selected);
    }
  }
}

template <class Probe>
void PumpBare(FIIterator& it, Probe& probe) {
  const long curves = BareCall([&] { return BareCount(it, kPumpCurve) + 1; });
  probe.Step(it, curves);
  for (int i = 0; i < curves; ++i) {
    FIIterator* selected = it.Clone();
    probe.Step(*selected, BareCall([&] {
      if (i == curves - 1) {
        probe.Set(*selected, "Name", FIAttribute("CoefficientCurve"));
      } else if (selected->Down(kPumpCurve) && selected->Element(i) &&
                 selected->Down(kObjectName)) {
        FIAttribute name;
        selected->GetValue(FIAttribute("value"), name);
        selected->Up();
        probe.Set(*selected, "Name", name);
      }
      return i;
    }));
    DeleteFIIterator(selected);
  }
  for (const std::string* collection : {&kPumpCurve, &kNpshCurve}) {
    const long count = BareCall([&] { return BareCount(it, *collection); });
    probe.Step(it, count);
    for (int i = 0; i < count; ++i) {
      FIIterator* selected = it.Clone();
      probe.Step(*selected, BareCall([&] {
        if (selected->Down(*collection)) selected->Element(i);
        return i;
      }));
      if (collection == &kNpshCurve) {
        probe.Step(*selected, BareCall([] { return 2; }));
        for (int point = 0; point < 2; ++point) {
          probe.Step(*selected, BareCall([&] {
            probe.Alias(*selected, "NPSH", point == 0 ? "Point 1 NPSH" : "Point 2 NPSH");
            probe.Alias(*selected, "Flow", point == 0 ? "Point 1 Vol Flow" : "Point 2 Vol Flow");
            probe.Set(*selected, "PointNo", FIAttribute(point + 1));
            return point;
          }));
        }
      }
      DeleteFIIterator(selected);
    }
  }
}

// ---- Heat exchanger: both sides tested and bound on a clone.

template <class Probe>
void ExchangerCallbacks(FIIterator& it, Probe& probe) {
  UseElement(it, probe, CTExchangerHot);
  UseElement(it, probe, CTExchangerCold);
}

constexpr const char* kSideNames[2][4] = {
    {"Tube Side Delta T", "Tube Side Pressure Drop", "Tube Outlet Temperature",
     "Tube Outlet Pressure"},
    {"Shell Side Delta T", "Shell Side Pressure Drop", "Shell Outlet Temperature",
     "Shell Outlet Pressure"},
};
constexpr const char* kSideVariables[] = {"DeltaT", "DeltaP", "OutletT", "OutletP"};

template <class Probe>
FINTOP_INLINE bool BareExchanger(FIIterator& it, Probe& probe, int move, bool hot) {
  if (move == 0) return true;
  const FIAttribute key("value");
  FIAttribute value;
  FIIterator* clone = it.Clone();
  if (clone->Down(kTubeInlet)) {
    clone->GetValue(key, value);
    const double tube = value.rval();
    clone->Up();
    if (clone->Down(kShellInlet)) {
      value.Clear();
      clone->GetValue(key, value);
      const double shell = value.rval();
      const bool shell_hot = shell >= tube;
      const int column = shell_hot == hot ? 1 : 0;
      for (int row = 0; row < 4; ++row) {
        probe.Alias(it, kSideVariables[row], kSideNames[column][row]);
      }
    }
  }
  DeleteFIIterator(clone);
  return true;
}

template <class Probe>
void ExchangerBare(FIIterator& it, Probe& probe) {
  for (bool hot : {true, false}) {
    UseBareElement(it, probe, [&probe, hot](FIIterator& caller, int move) {
      return BareExchanger(caller, probe, move, hot);
    });
  }
}

}  // namespace

std::vector<Pair> EquipmentPairs() {
  return {
      {"equipment",
       "pipe",
       {"PipeSegObject"},
       {"CTPipeSegment", "CTPipeCell", "CTPipeProfile"},
       FINTOP_BENCH_SIDE(PipeCallbacks),
       FINTOP_BENCH_SIDE(PipeBare)},
      {"equipment",
       "envelope",
       {"EnvelopeUtilityObject"},
       {"CTDewPointCurve", "CTBubblePointCurve", "CTHydratePointCurve"},
       FINTOP_BENCH_SIDE(EnvelopeCallbacks),
       FINTOP_BENCH_SIDE(EnvelopeBare)},
      {"equipment",
       "distillation_curve",
       {"BPTableUtilityObject"},
       {"CTCutPercent", "CTViscosity"},
       FINTOP_BENCH_SIDE(CurveCallbacks),
       FINTOP_BENCH_SIDE(CurveBare)},
      {"equipment",
       "entrainment",
       {"Sep3OpObject", "FlashTankObject", "TankOpObject"},
       {"CTEntrainment"},
       FINTOP_BENCH_SIDE(EntrainmentCallbacks),
       FINTOP_BENCH_SIDE(EntrainmentBare)},
      {"equipment",
       "compressor",
       {"CompressorObject"},
       {"CTComprPerfCurve", "CTPerfCurvePoint", "CTSpeedFlowCurve"},
       FINTOP_BENCH_SIDE(CompressorCallbacks),
       FINTOP_BENCH_SIDE(CompressorBare)},
      {"equipment",
       "tee",
       {"TeeOpObject"},
       {"CTTeeNozzle", "CTTeeSplit"},
       FINTOP_BENCH_SIDE(TeeCallbacks),
       FINTOP_BENCH_SIDE(TeeBare)},
      {"equipment",
       "mixer",
       {"MixerOpObject"},
       {"CTMixerNozzle"},
       FINTOP_BENCH_SIDE(MixerCallbacks),
       FINTOP_BENCH_SIDE(MixerBare)},
      {"equipment",
       "valve",
       {"ValveOpObject"},
       {"CTValveCurve"},
       FINTOP_BENCH_SIDE(ValveCallbacks),
       FINTOP_BENCH_SIDE(ValveBare)},
      {"equipment",
       "pump",
       {"PumpOpObject"},
       {"CTPumpCurve", "CTEfficiencyCurve", "CTNPSHCurve", "CTNPSHCurvePoint"},
       FINTOP_BENCH_SIDE(PumpCallbacks),
       FINTOP_BENCH_SIDE(PumpBare)},
      {"equipment",
       "exchanger",
       {"HeatExOpObject"},
       {"CTExchangerHot", "CTExchangerCold"},
       FINTOP_BENCH_SIDE(ExchangerCallbacks),
       FINTOP_BENCH_SIDE(ExchangerBare)},
  };
}

}  // namespace bench
