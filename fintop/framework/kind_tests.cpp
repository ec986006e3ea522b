// What a host node is: the five kind tests and the unit-operation classifier.
#include "framework/callbacks.h"
#include "framework/walks.h"

namespace {

// Host type names of the kind tests.
constexpr char kFlowsheetType[] = "TemplateOpObject";
constexpr char kDistillationCurveType[] = "BPTableUtilityObject";
constexpr char kMaterialStreamType[] = "MaterialStreamObject";
constexpr char kPhaseEnvelopeType[] = "EnvelopeUtilityObject";
constexpr char kEnergyStreamType[] = "EnergyStreamObject";

struct UnitOperationClass {
  const char* host_type;
  const char* class_name;
};

// Tested in this order; the first match wins.
constexpr UnitOperationClass kUnitOperationClasses[] = {
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

}  // namespace

extern "C" {

FINTOP_API bool FI_CDECL CTFlowsheets(FIIterator* it) {
  return fintop::Shield(it, false, [&] { return fintop::IsOfType(*it, kFlowsheetType); });
}

FINTOP_API bool FI_CDECL CTDistillationCurves(FIIterator* it) {
  return fintop::Shield(it, false, [&] { return fintop::IsOfType(*it, kDistillationCurveType); });
}

FINTOP_API bool FI_CDECL CTStreams(FIIterator* it) {
  return fintop::Shield(it, false, [&] { return fintop::IsOfType(*it, kMaterialStreamType); });
}

FINTOP_API bool FI_CDECL CTPhaseEnvelopes(FIIterator* it) {
  return fintop::Shield(it, false, [&] { return fintop::IsOfType(*it, kPhaseEnvelopeType); });
}

FINTOP_API bool FI_CDECL CTHeatStreams(FIIterator* it) {
  return fintop::Shield(it, false, [&] { return fintop::IsOfType(*it, kEnergyStreamType); });
}

// Each host type is tested afresh (one read of "type" per row); out is assigned only on a
// match and is otherwise left as it was.
FINTOP_API bool FI_CDECL CTUnitOperations(FIIterator* it, FIAttribute* out) {
  return fintop::Shield(it, false, [&] {
    for (const UnitOperationClass& row : kUnitOperationClasses) {
      if (fintop::IsOfType(*it, row.host_type)) {
        if (out != nullptr) *out = row.class_name;
        return true;
      }
    }
    return false;
  });
}

}  // extern "C"
