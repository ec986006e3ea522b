// The workers behind the exported callbacks, one per FINTOP_CALLBACKS entry, declared from
// that list. A worker has its callback's name and shape, in namespace fintop::workers, and
// takes the caller's iterator by reference: framework/entries.cpp makes the exported function
// around it (the C signature, the null-iterator refusal and the exception shield with the
// entry's failure result), so a worker holds only what its callback does. Internal to the
// plug-in: each family file defines its workers after its host names and helpers.
#pragma once

#include "framework/callbacks.h"

// A build of some families only (FINTOP_PARTS) leaves the others' workers out; their entries
// are still made and refuse every call (framework/entries.cpp). ELF only, where such builds run.
#if defined(FINTOP_SOME_PARTS)
#define FINTOP_WORKER_LINKAGE [[gnu::weak]]
#else
#define FINTOP_WORKER_LINKAGE
#endif

#define FINTOP_WORKER_KIND(name) bool name(FIIterator& it)
#define FINTOP_WORKER_CLASSIFIER(name) bool name(FIIterator& it, FIAttribute* out)
#define FINTOP_WORKER_COLLECTION(name) int name(FIIterator& it, FIAttribute* out, int index)
#define FINTOP_WORKER_ELEMENT(name) bool name(FIIterator& it, int move)
#define FINTOP_DECLARE_WORKER(shape, name, ...) FINTOP_WORKER_LINKAGE FINTOP_WORKER_##shape(name);

namespace fintop::workers {
FINTOP_CALLBACKS(FINTOP_DECLARE_WORKER)
}  // namespace fintop::workers
