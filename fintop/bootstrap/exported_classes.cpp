// The exported special members of the abstract interfaces: there is nothing to copy or free.
#include "bootstrap/exported_classes.h"

FIMessageFilter::FIMessageFilter() = default;
FIMessageFilter::FIMessageFilter(const FIMessageFilter&) {}
FIMessageFilter& FIMessageFilter::operator=(const FIMessageFilter&) {
  return *this;
}
FIMessageFilter::~FIMessageFilter() = default;

FISolver::FISolver() = default;
FISolver::FISolver(const FISolver&) {}
FISolver& FISolver::operator=(const FISolver&) {
  return *this;
}
FISolver::~FISolver() = default;

FIPath::FIPath() = default;
FIPath::FIPath(const FIPath&) {}
FIPath& FIPath::operator=(const FIPath&) {
  return *this;
}
FIPath::~FIPath() = default;

// Clang makes no complete-object constructor (C1) of an abstract class, which nothing can
// create whole; the framework imports them by name all the same, as GCC's builds export them.
// They do what the base-object ones (C2) do, so they are the same code under the other name.
#if defined(__clang__) && defined(__ELF__)
#define FINTOP_COMPLETE_CONSTRUCTOR(base_object, complete_object) \
  __asm__(".globl " #complete_object "\n.type " #complete_object  \
          ",@function\n.set " #complete_object "," #base_object);
FINTOP_COMPLETE_CONSTRUCTOR(_ZN15FIMessageFilterC2Ev, _ZN15FIMessageFilterC1Ev)
FINTOP_COMPLETE_CONSTRUCTOR(_ZN15FIMessageFilterC2ERKS_, _ZN15FIMessageFilterC1ERKS_)
FINTOP_COMPLETE_CONSTRUCTOR(_ZN8FISolverC2Ev, _ZN8FISolverC1Ev)
FINTOP_COMPLETE_CONSTRUCTOR(_ZN8FISolverC2ERKS_, _ZN8FISolverC1ERKS_)
FINTOP_COMPLETE_CONSTRUCTOR(_ZN6FIPathC2Ev, _ZN6FIPathC1Ev)
FINTOP_COMPLETE_CONSTRUCTOR(_ZN6FIPathC2ERKS_, _ZN6FIPathC1ERKS_)
#endif
