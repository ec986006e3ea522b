// Kind tests and the unit-operation classifier, on every typed node of the case.
#include <cstring>

#include "pairs.h"

namespace bench {
namespace {

// A host type name, each at the start of 64 bytes of its own: the C library's compare takes a
// slower path for a text that lies near the end of a page, and the bare side is to be the least
// the sequence can cost, not what the linker's placement of its texts makes it.
struct alignas(64) TypeName {
  char text[64];
};
struct UnitType {
  TypeName host_type;
  const char* class_name;
};
constexpr UnitType kUnitTypes[] = {
    {{"PipeSegObject"}, "QELPipe"},
    {{"CompressorObject"}, "QELCompressor"},
    {{"FlashTankObject"}, "QELSeparator"},
    {{"Sep3OpObject"}, "QELSeparator"},
    {{"TankOpObject"}, "QELSeparator"},
    {{"ValveOpObject"}, "QELValve"},
    {{"PumpOpObject"}, "QELPump"},
    {{"HeatExOpObject"}, "QELHeatExchanger"},
    {{"MixerOpObject"}, "QELMixer"},
    {{"TeeOpObject"}, "QELTee"},
    {{"DistillationObject"}, "QELDistillationColumn"},
    {{"ColumnOpObject"}, "QELDistillationColumn"},
    {{"ConversionReactorOpObject"}, "QELConversionReactor"},
    {{"EquilibriumReactorOpObject"}, "QELEquilibriumReactor"},
    {{"GibbsReactorOpObject"}, "QELGibbsReactor"},
    {{"HeaterOpObject"}, "QELHeaterCooler"},
    {{"CoolerOpObject"}, "QELHeaterCooler"},
};

constexpr TypeName kKinds[] = {{"TemplateOpObject"},
                               {"BPTableUtilityObject"},
                               {"MaterialStreamObject"},
                               {"EnvelopeUtilityObject"},
                               {"EnergyStreamObject"}};

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
  for (const TypeName& kind : kKinds) {
    probe.Step(it, BareCall([&] { return BareIsOfType(it, kind.text); }));
  }
  FIAttribute out;
  probe.Step(it, BareCall([&] {
               for (const auto& row : kUnitTypes) {
                 if (BareIsOfType(it, row.host_type.text)) {
                   out = row.class_name;
                   return true;
                 }
               }
               return false;
             }));
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
