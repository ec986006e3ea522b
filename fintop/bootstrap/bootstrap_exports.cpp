// The bootstrap exports: the two forwarders to the host, the top-node builder and Find1.
#include "bootstrap/bootstrap.h"

#include "bootstrap/entry_points.h"
#include "framework/fi_context.h"
#include "framework/walks.h"

namespace {

// Mapping files named to the host, in argument order, and the host's name.
constexpr char kLibrariesFile[] = "QELAllLibraries.xml";
constexpr char kMappingFile[] = "norvanemap.xml";
constexpr char kUnitsFile[] = "nunits.xml";
constexpr char kHostName[] = "Norvane";

// CreateBaseFIIterator's mode for the top entry.
constexpr int kTopEntryMode = 1;
// Find1 reads the name into a buffer of this size.
constexpr int kFind1NameSize = 20;

// The forwarded entry point is called through a shape that may take more arguments than it
// does; that is the contract (bootstrap.h), so the call-type check must not refuse it.
#if defined(__clang__)
__attribute__((no_sanitize("function")))
#endif
std::intptr_t
Forward(const char* name, std::intptr_t a0, std::intptr_t a1, std::intptr_t a2, std::intptr_t a3) {
  fintop::HostEntry entry = fintop::FindHostEntry(name);
  if (entry == nullptr) return 0;
  return reinterpret_cast<fintop::ForwardedEntry>(entry)(a0, a1, a2, a3);
}

}  // namespace

extern "C" {

FINTOP_API std::intptr_t FI_CDECL GetTopNorvaneEntry(std::intptr_t a0, std::intptr_t a1,
                                                     std::intptr_t a2, std::intptr_t a3) {
  try {
    return Forward(fintop::kGetTopFIEntryV, a0, a1, a2, a3);
  } catch (...) {
    return 0;
  }
}

FINTOP_API std::intptr_t FI_CDECL TestIterator(std::intptr_t a0, std::intptr_t a1, std::intptr_t a2,
                                               std::intptr_t a3) {
  try {
    return Forward(fintop::kTestIteratorX, a0, a1, a2, a3);
  } catch (...) {
    return 0;
  }
}

// A known node is returned before anything of the host is looked up. Otherwise the context
// is held for the call only: the holder's reference is released on every path, and the top
// entry keeps its own.
FINTOP_API QELAggNode* FI_CDECL GetQELNode(void* first, void* second) {
  try {
    if (QELAggNode* known = FindTopNode(second)) return known;
    auto factory =
        reinterpret_cast<fintop::ContextFactory>(fintop::FindHostEntry(fintop::kGetTopNorvaneCtx));
    if (factory == nullptr) return nullptr;
    FI::ObjectPtr<FI::Context> context(
        factory(first, kLibrariesFile, kMappingFile, kUnitsFile, kHostName));
    FITopEntry* entry = FITopEntry::Create(context, nullptr);
    FIIterator* iterator = CreateBaseFIIterator(entry, kTopEntryMode);
    if (iterator == nullptr) return nullptr;
    return GetTopAggNode(iterator, second);
  } catch (...) {
    return nullptr;
  }
}

// Reads the name only when moving, into a buffer it then drops; the iterator stays.
FINTOP_API bool FI_CDECL Find1(FIIterator* it, int move) {
  return fintop::Shield(it, true, [&] {
    if (move != 0) {
      char name[kFind1NameSize] = {};
      it->GetName(name, kFind1NameSize);
    }
    return true;
  });
}

}  // extern "C"
