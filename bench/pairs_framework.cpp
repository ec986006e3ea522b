// Kind tests and the unit-operation classifier, on every typed node of the case.
#include <cstring>

#include "pairs.h"

namespace bench {
namespace {

constexpr const char* kUnitTypes[][2] = {
    {"PipeSegObject", "QELPipe"},
    {"CompressorObject", "QELCompressor"},
    {"FlashTankObject", "QELSeparator"},
    {"Sep3OpObject", "QELSeparator"},
    {"TankOpObject", "QELSeparator"},
    {"ValveOpObject", "QELValve"},
    {"PumpOpObject", "QELPump"},
    {"HeatExOpObject", "QELHeatExchanger"},
    {"MixerOpObject", "QELMixer"},
    {"TeeOpObject", "QELTee"},
    {"DistillationObject", "QELDistillationColumn"},
    {"ColumnOpObject", "QELDistillationColumn"},
    {"ConversionReactorOpObject", "QELConversionReactor"},
    {"EquilibriumReactorOpObject", "QELEquilibriumReactor"},
    {"GibbsReactorOpObject", "QELGibbsReactor"},
    {"HeaterOpObject", "QELHeaterCooler"},
    {"CoolerOpObject", "QELHeaterCooler"},
};

constexpr const char* kKinds[] = {"TemplateOpObject", "BPTableUtilityObject",
                                  "MaterialStreamObject", "EnvelopeUtilityObject",
                                  "EnergyStreamObject"};

long TextLength(const FIAttribute& text) {
  return text.c_str() != nullptr ? static_cast<long>(std::strlen(text.c_str())) : -1;
}

template <class Probe>
void KindCallbacks(FIIterator& it, Probe& probe) {
  for (FIKindTest kind :
       {CTFlowsheets, CTDistillationCurves, CTStreams, CTPhaseEnvelopes, CTHeatStreams}) {
    probe.Step(it, kind(&it));
  }
  FIAttribute out;
  probe.Step(it, CTUnitOperations(&it, &out));
  probe.Step(it, TextLength(out));
}

template <class Probe>
void KindBare(FIIterator& it, Probe& probe) {
  for (const char* kind : kKinds) probe.Step(it, BareIsOfType(it, kind));
  FIAttribute out;
  bool found = false;
  for (const auto& row : kUnitTypes) {
    if (BareIsOfType(it, row[0])) {
      out = row[1];
      found = true;
      break;
    }
  }
  probe.Step(it, found);
  probe.Step(it, TextLength(out));
}

}  // namespace

std::vector<Pair> FrameworkPairs() {
  return {
      {"framework",
       "kinds",
       {"TemplateOpObject",
        "BPTableUtilityObject",
        "MaterialStreamObject",
        "EnvelopeUtilityObject",
        "EnergyStreamObject",
        "PipeSegObject",
        "CompressorObject",
        "FlashTankObject",
        "Sep3OpObject",
        "TankOpObject",
        "ValveOpObject",
        "PumpOpObject",
        "HeatExOpObject",
        "MixerOpObject",
        "TeeOpObject",
        "DistillationObject",
        "ColumnOpObject",
        "ConversionReactorOpObject",
        "EquilibriumReactorOpObject",
        "GibbsReactorOpObject",
        "HeaterOpObject",
        "CoolerOpObject",
        "TraySectionObject",
        "CondenserObject",
        "BPReboilerObject",
        "PumpAroundObject",
        "ReactionSetObject"},
       {"CTFlowsheets", "CTDistillationCurves", "CTStreams", "CTPhaseEnvelopes", "CTHeatStreams",
        "CTUnitOperations"},
       FINTOP_BENCH_SIDE(KindCallbacks),
       FINTOP_BENCH_SIDE(KindBare)},
  };
}

}  // namespace bench
