// The product streams of a column's condenser and reboiler. Each vessel names its products in
// variables; the streams are siblings of the vessel, reached by the named-stream hop.
#include "framework/named_stream.h"
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

// Condenser variables naming a product stream.
const std::string kOverheadVapourStream = "Overhead Vapour Stream";
const std::string kDistillateStream = "Distillate Stream";
const std::string kHeavyLiquidStream = "Heavy Liquid Stream";
const std::string kRefluxStream = "Reflux Stream";
// Reboiler variables naming a product stream.
const std::string kBoilupStream = "Boilup Stream";
const std::string kLiquidProductStream = "Liquid Product Stream";
const std::string k2ndLiquidDrawStream = "2nd Liquid Draw Stream";
const std::string kVapourDrawStream = "Vapour Draw Stream";

// The element walk over the named-stream hop: a variable without a text value names no stream.
// Records nothing. With move non-zero, success leaves the caller's iterator on the stream and
// a failure leaves it where the failing step did (on the vessel, the variable, or the vessel's
// parent); with move 0 the caller's iterator never moves.
FINTOP_INLINE bool StreamFromVariable(FIIterator& it, int move, const std::string& variable) {
  return fintop::NamedStream(it, move, variable, fintop::StreamNameTest::kNullText);
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Condenser products; the iterator stands on the condenser.
bool CTCondVapor(FIIterator& it, int move) {
  return StreamFromVariable(it, move, kOverheadVapourStream);
}

bool CTCondDistillate(FIIterator& it, int move) {
  return StreamFromVariable(it, move, kDistillateStream);
}

bool CTCondHeavyDistillate(FIIterator& it, int move) {
  return StreamFromVariable(it, move, kHeavyLiquidStream);
}

bool CTCondReflux(FIIterator& it, int move) {
  return StreamFromVariable(it, move, kRefluxStream);
}

// Reboiler products; the iterator stands on the reboiler.
bool CTRebBoilup(FIIterator& it, int move) {
  return StreamFromVariable(it, move, kBoilupStream);
}

bool CTRebLiquid(FIIterator& it, int move) {
  return StreamFromVariable(it, move, kLiquidProductStream);
}

bool CTRebLiquid2(FIIterator& it, int move) {
  return StreamFromVariable(it, move, k2ndLiquidDrawStream);
}

bool CTRebVapor(FIIterator& it, int move) {
  return StreamFromVariable(it, move, kVapourDrawStream);
}

}  // namespace fintop::workers
