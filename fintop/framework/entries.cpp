// The exported callbacks, one per FINTOP_CALLBACKS entry, each made from its entry around the
// family's worker (framework/workers.h): the C signature of its shape, a null iterator refused
// and anything thrown caught, both giving the entry's failure result (`fails`). No family file
// writes a failure result; changing an entry's `fails` changes what its failed call returns.
#include "framework/walks.h"
#include "framework/workers.h"

namespace {

// The worker of `name`, or null for a worker a narrowed build left out (see workers.h): the
// iterator handed to Shield, which refuses a null one.
#if defined(FINTOP_SOME_PARTS)
#define FINTOP_BUILT(name, iterator) (&fintop::workers::name != nullptr ? (iterator) : nullptr)
#else
#define FINTOP_BUILT(name, iterator) (iterator)
#endif

// A kind test's, the classifier's and an element callback's failure result is false (the
// facts check in callbacks.h allows them ZERO only).
#define FINTOP_ENTRY_KIND(name, fails)                                       \
  FINTOP_SIGNATURE_KIND(name) {                                              \
    return fintop::Shield(FINTOP_BUILT(name, iterator), FINTOP_FACT_##fails, \
                          [&] { return fintop::workers::name(*iterator); }); \
  }
#define FINTOP_ENTRY_CLASSIFIER(name, fails)                                      \
  FINTOP_SIGNATURE_CLASSIFIER(name) {                                             \
    return fintop::Shield(FINTOP_BUILT(name, iterator), FINTOP_FACT_##fails,      \
                          [&] { return fintop::workers::name(*iterator, out); }); \
  }
#define FINTOP_ENTRY_COLLECTION(name, fails)                                  \
  FINTOP_SIGNATURE_COLLECTION(name) {                                         \
    return fintop::ShieldLazy(                                                \
        FINTOP_BUILT(name, iterator),                                         \
        [&] { return fintop::FailedCollection(FINTOP_FACT_##fails, index); }, \
        [&] { return fintop::workers::name(*iterator, out, index); });        \
  }
#define FINTOP_ENTRY_ELEMENT(name, fails)                                          \
  FINTOP_SIGNATURE_ELEMENT(name) {                                                 \
    return fintop::Shield(FINTOP_BUILT(name, iterator), FINTOP_FACT_##fails,       \
                          [&] { return fintop::workers::name(*iterator, move); }); \
  }
#define FINTOP_ENTRY(shape, name, moves, state, fails) FINTOP_API FINTOP_ENTRY_##shape(name, fails)

}  // namespace

extern "C" {
FINTOP_CALLBACKS(FINTOP_ENTRY)
}  // extern "C"
