// The host's context and the top entry built on it.
//
// The host's context factory returns an FI::Context, a reference-counted object. The plug-in
// holds it only through FI::ObjectPtr, which adds a reference when made from a pointer or
// copied and releases one when destroyed; it never releases the reference the context came
// with. FITopEntry is the utility module's class; the plug-in makes one with Create and hands
// it to CreateBaseFIIterator (fi_iterator.h), never deleting it.
#pragma once

#include "framework/platform.h"

namespace FI {

// The plug-in calls AddRef and Release through the virtual table, so the order below is the
// host's: one operation, then AddRef, then Release. Never reorder them, never add one in the
// middle or at the start.
class Context {
 public:
  // Host-defined query; nothing in the plug-in calls it.
  virtual void* Query(const char* what) = 0;
  virtual void AddRef() = 0;
  virtual void Release() = 0;

 protected:
  ~Context() = default;  // the last Release destroys it
};

template <class T>
class ObjectPtr {
 public:
  ObjectPtr() = default;
  explicit ObjectPtr(T* object) : object_(object) {
    if (object_) object_->AddRef();
  }
  ObjectPtr(const ObjectPtr& other) : object_(other.object_) {
    if (object_) object_->AddRef();
  }
  ObjectPtr& operator=(const ObjectPtr& other) {
    if (other.object_) other.object_->AddRef();
    if (object_) object_->Release();
    object_ = other.object_;
    return *this;
  }
  ~ObjectPtr() { reset(); }

  // Releases the reference held, if any, and holds nothing.
  void reset() {
    if (object_) object_->Release();
    object_ = nullptr;
  }
  T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

}  // namespace FI

// The top entry of the mapped case, made by the utility module from the host's context.
class QELUTILS_API FITopEntry {
 public:
  // The new entry keeps its own copy of the context holder; the caller keeps the entry.
  static FITopEntry* Create(FI::ObjectPtr<FI::Context> context, void* reserved);

  FI::Context* context() const { return context_.get(); }

 private:
  explicit FITopEntry(FI::ObjectPtr<FI::Context> context) : context_(context) {}
  FI::ObjectPtr<FI::Context> context_;
};
