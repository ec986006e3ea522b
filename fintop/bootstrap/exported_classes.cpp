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
