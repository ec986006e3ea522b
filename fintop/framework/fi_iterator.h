// FIIterator: the framework's cursor into the host case, implemented by the iterator module.
//
// Ownership: every callback gets one standing on the current host node, which belongs to the
// framework: the plug-in moves it only where a callback says so, never deletes it and keeps no
// pointer to it. Iterators the plug-in makes with Clone are its own and are deleted with
// DeleteFIIterator before the callback returns, on every path; a Clone that returns null is
// "nothing found". Threads: the plug-in uses an iterator, and the clones it makes of it, only
// on the thread of the call that handed it in, and only during that call.
//
// The binary interface is the host module's, not ours:
// - The plug-in calls these through the virtual table, so the order of the virtual operations
//   below is the host's. Never reorder them, never add one in the middle or at the start; an
//   operation the plug-in comes to need is declared in the host's place for it.
// - Down takes a std::string by reference, so the plug-in and the iterator module must agree
//   on std::string's layout: the plug-in is tied to the standard library the host module was
//   built with (same compiler family and library ABI). Compiler-specific spellings stay in
//   platform.h.
#pragma once

#include <string>

#include "framework/fi_attribute.h"
#include "framework/platform.h"

class FITopEntry;

// Virtual order fixed by the host (see above).
class FIIterator {
 public:
  // A new iterator on the same node, carrying the same attributes; it moves independently.
  virtual FIIterator* Clone() = 0;
  // To the child at that zero-based position.
  virtual bool Element(int index) = 0;
  // To the first child of that name. Dots join levels; a level in double quotes is one level
  // even if it holds dots or blanks ("Est. Molar Extent", "Downstream Unit Operations"."Elem0").
  virtual bool Down(const std::string& name) = 0;
  virtual bool First() = 0;  // to the first child
  virtual bool Next() = 0;   // to the next sibling; false at the last, which stays current
  virtual bool Last() = 0;   // to the last child
  virtual bool Up() = 0;     // to the parent; false at the top
  // The node's name, NUL-terminated within size bytes.
  virtual void GetName(char* buffer, int size) = 0;
  // out receives the node property named by key's text; untouched when there is none.
  virtual void GetValue(const FIAttribute& key, FIAttribute& out) = 0;
  // Binds a generic model variable to a host variable of the current node.
  virtual void Alias(const char* generic_name, const char* host_name) = 0;
  // Stores a copy, replacing any earlier one; attributes stay readable after every move.
  virtual void SetAttribute(const char* name, const FIAttribute& value) = 0;
  virtual void SetAttributeByKey(const FIAttribute& key, const FIAttribute& value) = 0;
  // Copies the stored value into out; false (out untouched) when absent.
  virtual bool GetAttribute(const char* name, FIAttribute& out) = 0;

  // A move that fails leaves the iterator where it was.

 protected:
  FIIterator() = default;
  FIIterator(const FIIterator&) = default;
  FIIterator& operator=(const FIIterator&) = default;
  ~FIIterator() = default;  // destroyed only through DeleteFIIterator
};

extern "C" {
// A new iterator on the top entry, or null. The plug-in passes mode 1, which hands the entry
// over to the iterator module: it lives as long as the iterator made on it, and when null is
// returned it is still the module's (the stand-in deletes it at once). The plug-in never
// deletes an entry, and the iterator made here goes on to the aggregate-node module.
FIITERATOR_API FIIterator* FI_CDECL CreateBaseFIIterator(FITopEntry* entry, int mode);
// Destroys an iterator; null is harmless.
FIITERATOR_API void FI_CDECL DeleteFIIterator(FIIterator* iterator);
}
