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
// What the entry points take and return only the host knows; the plug-in does not look at
// it. A forwarder continues into its entry point: it finds it, then jumps to it with the
// caller's registers and stack as they arrived, and the entry point returns straight to the
// caller. So any shape is forwarded whole: any number of integer, pointer, floating-point or
// structure arguments, a variadic entry point, and any result, in registers (integer, vector
// or x87) or, for a structure returned through a hidden address, in the caller's memory. The
// caller calls the forwarder through a pointer of the entry point's own shape, with the
// caller-cleans-up convention (the plain C convention; cdecl on 32-bit Windows). Saved around
// the lookup are every register that may carry an argument: rdi, rsi, rdx, rcx, r8, r9, rax
// and xmm0-xmm7 on x86-64 Linux; rcx, rdx, r8, r9 and xmm0-xmm3 on 64-bit Windows; on 32-bit
// Windows all arguments are on the stack, which is left as it was. r10, which the C
// convention does not use for arguments (a static chain), is not kept. The lookup runs on the
// caller's thread and stack and never throws; a debugger or profiler can unwind through it.
//
// When no module has the entry point the forwarder returns 0 in the integer result registers
// (rax and rdx; eax and edx) and 0.0 in the vector ones (xmm0, on Linux xmm1 too). A result
// on the x87 stack (a long double; any floating-point result on 32-bit Windows) or in the
// caller's memory is then not given: the caller must not read it.
//
// Declared here in the shape of the stand-in host's entry points: up to four pointer-sized
// arguments and a pointer-sized result.
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
