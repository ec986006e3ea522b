// The bootstrap exports through which the framework reaches the host and builds the top of
// the mapped model. Exported under their plain names with the caller-cleans-up convention.
#pragma once

#include <cstdint>

#include "framework/fi_iterator.h"
#include "framework/platform.h"
#include "framework/qel_com.h"

extern "C" {

// Forwarders to the host's entry points "GetTopFIEntryV" and "TestIteratorX", looked up in
// "norvane.exe" (when already loaded), "norvaneeng.dll", then "finadapt.dll".
//
// What the arguments and the result mean only the host knows; the plug-in does not look at
// them. It calls the entry point with the four pointer-sized arguments exactly as received,
// in the same order, with the caller-cleans-up convention, and returns the pointer-sized
// result register as the entry point left it. An entry point that takes fewer arguments (or
// only pointer-sized integers and pointers) is therefore called correctly: the arguments it
// does not take are ignored and removed by the caller. An entry point whose result is
// narrower than a pointer gives its value in the low bits; callers read it at its own width.
// Returns 0 when no module has the entry point.
FINTOP_API std::intptr_t FI_CDECL GetTopNorvaneEntry(std::intptr_t a0, std::intptr_t a1,
                                                     std::intptr_t a2, std::intptr_t a3);
FINTOP_API std::intptr_t FI_CDECL TestIterator(std::intptr_t a0, std::intptr_t a1, std::intptr_t a2,
                                               std::intptr_t a3);

// The top aggregate node for `second`: the one the aggregate-node module already knows for
// it, or one built from the host's context. For the latter the host's "GetTopNorvaneCtx" is
// called with `first` and the mapping files "QELAllLibraries.xml", "norvanemap.xml",
// "nunits.xml" and the host's name "Norvane"; a top entry is made on the context and an
// iterator on the entry, which goes to GetTopAggNode with `second`. Neither argument is
// looked at. The iterator and the top entry are not freed here; references the plug-in adds
// to the context are released before it returns, the one the context came with is not.
// Returns null when the host has no context factory or no iterator could be made.
FINTOP_API QELAggNode* FI_CDECL GetQELNode(void* first, void* second);

// Element callback that always finds its element: true for any move flag, the iterator does
// not move. With move non-zero it reads the node's name (and discards it).
FINTOP_API bool FI_CDECL Find1(FIIterator* it, int move);

}  // extern "C"
