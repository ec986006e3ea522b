// Finding the host's entry points at run time, and their shapes as the plug-in calls them.
#pragma once

#include "framework/fi_context.h"
#include "framework/platform.h"

namespace fintop {

// Names of the host's entry points.
inline constexpr char kGetTopFIEntryV[] = "GetTopFIEntryV";
inline constexpr char kGetTopNorvaneCtx[] = "GetTopNorvaneCtx";
inline constexpr char kTestIteratorX[] = "TestIteratorX";

// Names of the bootstrap's own exports (bootstrap.h), as the framework, fintop-walk and
// fintop-trace find them in the plug-in: the forwarders to the entry points above, the top node
// and the element callback that always finds.
inline constexpr char kGetTopNorvaneEntry[] = "GetTopNorvaneEntry";
inline constexpr char kTestIterator[] = "TestIterator";
inline constexpr char kGetQELNode[] = "GetQELNode";
inline constexpr char kFind1[] = "Find1";

// An entry point as found; cast to its shape before calling.
using HostEntry = void (*)();
// "GetTopNorvaneCtx": (first argument of GetQELNode, libraries file, mapping file, units
// file, host name) -> a context holding one reference for the caller, or null.
using ContextFactory = FI::Context*(FI_CDECL*)(void* first, const char* libraries,
                                               const char* mapping, const char* units,
                                               const char* host);

// The entry point `name` from "norvane.exe" (only if already loaded), else "norvaneeng.dll",
// else "finadapt.dll"; null when none has it. Modules loaded here are never unloaded;
// "finadapt.dll" is loaded only when "norvaneeng.dll" does not give the entry point.
HostEntry FindHostEntry(const char* name);

}  // namespace fintop

// The lookup behind the forwarders GetTopNorvaneEntry and TestIterator (forwarders_*.S, which
// call it with the caller's arguments saved and jump to what it returns): FindHostEntry of
// "GetTopFIEntryV" for `which` 0, of "TestIteratorX" for 1; null for any other `which`, when
// no module has the entry point, or when the lookup throws. Internal: not exported.
extern "C" FI_DLL_LOCAL fintop::HostEntry FI_CDECL FintopFindForwardTarget(int which) noexcept;
