// What a host node is: the five kind tests and the unit-operation classifier.
#include "framework/walks.h"
#include "framework/workers.h"

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

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

bool CTFlowsheets(FIIterator& it) {
  return fintop::IsOfType(it, kFlowsheetType);
}

bool CTDistillationCurves(FIIterator& it) {
  return fintop::IsOfType(it, kDistillationCurveType);
}

bool CTStreams(FIIterator& it) {
  return fintop::IsOfType(it, kMaterialStreamType);
}

bool CTPhaseEnvelopes(FIIterator& it) {
  return fintop::IsOfType(it, kPhaseEnvelopeType);
}

bool CTHeatStreams(FIIterator& it) {
  return fintop::IsOfType(it, kEnergyStreamType);
}

// Each host type is tested afresh (one read of "type" per row); out is assigned only on a
// match and is otherwise left as it was.
bool CTUnitOperations(FIIterator& it, FIAttribute* out) {
  for (const UnitOperationClass& row : kUnitOperationClasses) {
    if (fintop::IsOfType(it, row.host_type)) {
      if (out != nullptr) *out = row.class_name;
      return true;
    }
  }
  return false;
}

}  // namespace fintop::workers
