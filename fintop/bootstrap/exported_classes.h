// Abstract interfaces the plug-in exports for the framework and never makes or calls itself.
//
// None has data. Only the special members are exported (individually, so that neither the
// vtable nor the type information leaves the plug-in): a protected default constructor, a
// public copy constructor and copy assignment that copy nothing, and a protected non-virtual
// destructor, as an implementation is never destroyed through the interface.
#pragma once

#include "framework/platform.h"

// Filters the framework's messages.
class FIMessageFilter {
 public:
  FINTOP_API FIMessageFilter(const FIMessageFilter& other);
  FINTOP_API FIMessageFilter& operator=(const FIMessageFilter& other);

  // Whether a message of that severity is passed on.
  virtual bool Accepts(const char* message, int severity) = 0;
  virtual void Post(const char* message, int severity) = 0;
  virtual int Count() const = 0;
  virtual const char* Message(int index) const = 0;
  virtual void Clear() = 0;

 protected:
  FINTOP_API FIMessageFilter();
  FINTOP_API ~FIMessageFilter();
};

// A solver of the mapped model.
class FISolver {
 public:
  FINTOP_API FISolver(const FISolver& other);
  FINTOP_API FISolver& operator=(const FISolver& other);

  virtual const char* Name() const = 0;
  virtual bool Initialize() = 0;
  virtual bool Solve() = 0;
  virtual bool Step() = 0;
  virtual void Reset() = 0;
  virtual bool Converged() const = 0;
  virtual int Iterations() const = 0;
  virtual double Residual() const = 0;
  virtual void SetTolerance(double tolerance) = 0;
  virtual double Tolerance() const = 0;
  virtual void SetMaxIterations(int count) = 0;
  virtual int MaxIterations() const = 0;
  virtual int VariableCount() const = 0;
  virtual double Variable(int index) const = 0;
  virtual void SetVariable(int index, double value) = 0;

 protected:
  FINTOP_API FISolver();
  FINTOP_API ~FISolver();
};

// A path of names through the mapped model.
class FIPath {
 public:
  FINTOP_API FIPath(const FIPath& other);
  FINTOP_API FIPath& operator=(const FIPath& other);

  virtual int Count() const = 0;
  virtual const char* Name(int index) const = 0;
  virtual void Append(const char* name) = 0;
  virtual bool RemoveLast() = 0;
  virtual void Clear() = 0;
  virtual bool IsEmpty() const = 0;
  // The names joined by dots, NUL-terminated within size bytes.
  virtual void Text(char* buffer, int size) const = 0;
  virtual bool StartsWith(const FIPath& other) const = 0;

 protected:
  FINTOP_API FIPath();
  FINTOP_API ~FIPath();
};
