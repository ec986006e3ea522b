// The bootstrap exports: the lookup of the two forwarders to the host (which are written in
// assembler, forwarders_*.S), the top-node builder and Find1.
#include "bootstrap/bootstrap.h"

#include <iterator>

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

// The entry points of the forwarders, by the index they hand to FintopFindForwardTarget.
constexpr const char* kForwarded[] = {fintop::kGetTopFIEntryV, fintop::kTestIteratorX};

}  // namespace

// The forwarders' lookup (see entry_points.h); nothing is thrown into the assembler.
extern "C" fintop::HostEntry FI_CDECL FintopFindForwardTarget(int which) noexcept {
  if (which < 0 || which >= static_cast<int>(std::size(kForwarded))) return nullptr;
  try {
    return fintop::FindHostEntry(kForwarded[which]);
  } catch (...) {
    return nullptr;
  }
}

extern "C" {

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
