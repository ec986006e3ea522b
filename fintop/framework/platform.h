// Export, import and calling-convention macros shared by the plug-in and the modules it imports.
// Compiler-specific spellings live here and nowhere else in fintop/.
#pragma once

#if defined(_WIN32)
#define FI_DLL_EXPORT __declspec(dllexport)
#define FI_DLL_IMPORT __declspec(dllimport)
#define FI_DLL_LOCAL  // a DLL exports only what is marked
#define FI_CDECL __cdecl
#else
#define FI_DLL_EXPORT __attribute__((visibility("default")))
#define FI_DLL_IMPORT __attribute__((visibility("default")))
#define FI_DLL_LOCAL __attribute__((visibility("hidden")))
#define FI_CDECL
#endif

// The plug-in's own exports: the CT callbacks and the bootstrap. Everything else is hidden.
#if defined(FINTOP_BUILD)
#define FINTOP_API FI_DLL_EXPORT
#elif defined(_WIN32)
// Importers (tests, tools) reach the plug-in through its import library's stubs, not through
// dllimport: a callback's address is then the same in constant and in dynamic initialisers.
#define FINTOP_API
#else
#define FINTOP_API FI_DLL_IMPORT
#endif

// The utility module (FIAttribute, FITopEntry).
#if defined(QELUTILS_BUILD)
#define QELUTILS_API FI_DLL_EXPORT
#else
#define QELUTILS_API FI_DLL_IMPORT
#endif

// The iterator module (CreateBaseFIIterator, DeleteFIIterator).
#if defined(FIITERATOR_BUILD)
#define FIITERATOR_API FI_DLL_EXPORT
#else
#define FIITERATOR_API FI_DLL_IMPORT
#endif

// The aggregate-node module (FindTopNode, GetTopAggNode).
#if defined(QELCOM_BUILD)
#define QELCOM_API FI_DLL_EXPORT
#else
#define QELCOM_API FI_DLL_IMPORT
#endif
