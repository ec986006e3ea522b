// The walks that the callbacks share: cloning, the counting walk, the selection, the element
// walk, the element name, property reads, the object-kind test and name quoting.
//
// Every helper here works on the iterator it is handed and leaves it as documented; none of
// them keeps state. Clones are owned by ClonedIterator or WorkingIterator and are deleted on
// every path.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

#include "framework/fi_attribute.h"
#include "framework/fi_iterator.h"

// A helper forced into each callback that calls it: a helper that several callbacks share would
// otherwise be a call of its own inside each of their calls (a second frame and return).
#define FINTOP_INLINE [[gnu::always_inline]] inline

namespace fintop {

// Runs an exported callback's body so that nothing is raised across the plug-in's boundary:
// a null iterator, or an exception (an allocation failure here or in the host), gives the
// callback's failure result instead. Every exported callback wraps its body in this.
template <class Result, class Body>
Result Shield(const FIIterator* it, Result failure, Body&& body) noexcept {
  if (it == nullptr) return failure;
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

// The same with a failure result made only when it is given (a selection's depends on its
// index): a call that succeeds computes nothing for the failure.
template <class Failure, class Body>
auto ShieldLazy(const FIIterator* it, Failure&& failure, Body&& body) noexcept {
  if (it == nullptr) return failure();
  try {
    return body();
  } catch (...) {
    return failure();
  }
}

// Owns an iterator made with Clone and deletes it with DeleteFIIterator. A host that fails
// to clone gives an invalid holder; callers treat that as "nothing found".
class ClonedIterator {
 public:
  explicit ClonedIterator(FIIterator& source) : it_(source.Clone()) {}
  ~ClonedIterator() { DeleteFIIterator(it_); }
  ClonedIterator(const ClonedIterator&) = delete;
  ClonedIterator& operator=(const ClonedIterator&) = delete;

  explicit operator bool() const { return it_ != nullptr; }
  FIIterator* operator->() const { return it_; }
  FIIterator& operator*() const { return *it_; }

 private:
  FIIterator* it_;
};

// The working iterator of an element callback: the caller's own when move is non-zero,
// otherwise a clone that is deleted when this goes out of scope.
class WorkingIterator {
 public:
  WorkingIterator(FIIterator& caller, int move)
      : it_(move != 0 ? &caller : caller.Clone()), owned_(move == 0) {}
  ~WorkingIterator() {
    if (owned_) DeleteFIIterator(it_);
  }
  WorkingIterator(const WorkingIterator&) = delete;
  WorkingIterator& operator=(const WorkingIterator&) = delete;

  bool moving() const { return !owned_; }
  explicit operator bool() const { return it_ != nullptr; }
  FIIterator* operator->() const { return it_; }
  FIIterator& operator*() const { return *it_; }

  // Undoes `count` moves with Up when working on the caller's iterator; a clone is simply
  // dropped, so nothing is undone on it.
  void Undo(int count) const {
    if (owned_) return;
    for (int i = 0; i < count; ++i) it_->Up();
  }

 private:
  FIIterator* it_;
  bool owned_;
};

// Counts the children of the node `it` stands on: First, then one more for every Next that
// succeeds. Moves `it` onto the last child.
int CountChildren(FIIterator& it);

// Calls Next up to `times` times and stops at the first that fails: a failed Next leaves the
// iterator on the last sibling, so the calls after it would change nothing. True when every
// call succeeded (none for times <= 0). Bounded by the siblings, whatever `times` is.
[[nodiscard]] bool StepNext(FIIterator& it, long long times);

// The counting walk: on a clone, Down each name in turn, then count the children reached.
// A failing Clone, Down or First counts 0. The caller's iterator neither moves nor gains
// attributes. Inline: many collection callbacks are little else.
inline int CountElements(FIIterator& it, const std::string& name) {
  ClonedIterator clone(it);
  if (!clone || !clone->Down(name)) return 0;
  return CountChildren(*clone);
}
inline int CountElements(FIIterator& it, const std::string& first, const std::string& second) {
  ClonedIterator clone(it);
  if (!clone || !clone->Down(first) || !clone->Down(second)) return 0;
  return CountChildren(*clone);
}

// The "value" of the variable `path` below the node as an integer, read on a clone: 0 when
// the variable is missing or the clone cannot be made.
inline int ReadStoredInteger(FIIterator& it, const std::string& path) {
  ClonedIterator clone(it);
  if (!clone || !clone->Down(path)) return 0;
  FIAttribute value;
  clone->GetValue(FIAttribute("value"), value);
  return value.ival();
}

// Writes the decimal digits of `number` (a '-' first when negative) at `out`, which has room
// for 21 characters, and returns the end. Inline and short for the small indices named most.
FINTOP_INLINE char* WriteDecimal(char* out, long long number) {
  unsigned long long magnitude = static_cast<unsigned long long>(number);
  if (number < 0) {
    *out++ = '-';
    magnitude = 0 - magnitude;
  }
  if (magnitude < 10) {
    *out = static_cast<char>('0' + magnitude);
    return out + 1;
  }
  if (magnitude < 100) {
    out[0] = static_cast<char>('0' + magnitude / 10);
    out[1] = static_cast<char>('0' + magnitude % 10);
    return out + 2;
  }
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (count != 0) *out++ = digits[--count];
  return out;
}

// The element name: "Elem" followed by the index in decimal digits. Takes a 64-bit index so
// that an index computed from the framework's (index + 1, index + start) is named exactly.
// The same text as FIAttribute("Elem") with the digits appended, made in one buffer with one
// copy. Always inline: most selections are little else.
FINTOP_INLINE FIAttribute ElementName(long long index) {
  char text[4 + 21 + 1];  // "Elem", a sign and 20 digits, the end
  std::memcpy(text, "Elem", 4);
  *WriteDecimal(text + 4, index) = '\0';
  return FIAttribute(text);
}

// Index arithmetic in the host's 32-bit integers: a result beyond the int range wraps around
// (well defined) instead of overflowing (undefined). Only indices the framework never passes,
// near INT_MIN or INT_MAX, get there.
constexpr int WrapToInt(long long value) {
  return static_cast<int>(value);
}

// The selection: records the element name, or the integer, under `name` on the caller's
// iterator. Neither moves it.
FINTOP_INLINE void RecordElementName(FIIterator& it, const char* name, long long index) {
  it.SetAttribute(name, ElementName(index));
}
FINTOP_INLINE void RecordInteger(FIIterator& it, const char* name, int value) {
  it.SetAttribute(name, FIAttribute(value));
}

// Reads the node property `key` ("value", "id", "type") of the node `it` stands on into a
// fresh attribute; the result is empty when the node has no such property.
inline FIAttribute ReadProperty(FIIterator& it, const char* key) {
  FIAttribute out;
  it.GetValue(FIAttribute(key), out);
  return out;
}
inline FIAttribute ReadValue(FIIterator& it) {
  return ReadProperty(it, "value");
}
// The same with a key the caller made once for several reads: `out` is cleared first, so that
// a node without the property reads as empty, not as the previous node's value.
inline void ReadProperty(FIIterator& it, const FIAttribute& key, FIAttribute& out) {
  out.Clear();
  it.GetValue(key, out);
}

// Down to `path`, then read that node's "value" on a clone: empty when `path` is missing.
FIAttribute ReadVariable(FIIterator& it, const std::string& path);

// The object-kind test: the node's "type" property, as text, equals `type_name` byte for
// byte. A node without "type" matches nothing. Inline: the classifier makes up to seventeen
// of them per node.
[[nodiscard]] inline bool IsOfType(FIIterator& it, const char* type_name) {
  FIAttribute type;
  it.GetValue(FIAttribute("type"), type);
  type.ChangeType(FT_TEXT);
  return std::strcmp(type.c_str(), type_name) == 0;
}

// Whole-string, case-sensitive comparison of a possibly null text with a name.
[[nodiscard]] bool SameText(const char* text, const char* name);

// A name read from the host, made one level of Down: a name holding a dot is passed in double
// quotes unless it has a double-quote character of its own. The name itself is never cut.
std::string AsOneLevel(std::string_view name);
// Down by a name read from the host (see AsOneLevel). A null name fails. Inline, with the name
// copied once: the phase and stream walks make one of these per call.
[[nodiscard]] FINTOP_INLINE bool DownByName(FIIterator& it, const char* name) {
  if (name == nullptr) return false;
  std::string level(name);
  if (level.find('.') != std::string::npos && level.find('"') == std::string::npos) {
    level.insert(level.begin(), '"');
    level.push_back('"');
  }
  return it.Down(level);
}

// The integer selection that the element walk reads: index -1 counts the elements of
// `variable`; any other index records `index_name` = index as an integer and returns the
// index, unchecked. The caller's iterator never moves.
inline int SelectInteger(FIIterator& it, int index, const std::string& variable,
                         const char* index_name) {
  if (index == -1) return CountElements(it, variable);
  RecordInteger(it, index_name, index);
  return index;
}

// The standard element walk: Down `variable`, read the integer attribute `index_name`, step
// to that element. On success the working iterator stands on the element. When moving, a
// failure after the Down undoes it with one Up; a failing Down moves nothing. Inline: the
// component callbacks are little else. The moving call and the test on a clone are written
// apart (the clone owned by ClonedIterator), so that neither tests at every step which one it
// is: with WorkingIterator the component callbacks cost about 2 instructions a call more.
[[nodiscard]] inline bool EnterElementOn(FIIterator& it, const std::string& variable,
                                         const char* index_name, bool undo) {
  if (!it.Down(variable)) return false;
  FIAttribute index;
  if (it.GetAttribute(index_name, index) && it.Element(index.ival())) return true;
  if (undo) it.Up();
  return false;
}
[[nodiscard]] inline bool EnterElement(FIIterator& caller, int move, const std::string& variable,
                                       const char* index_name) {
  if (move != 0) return EnterElementOn(caller, variable, index_name, true);
  ClonedIterator clone(caller);
  return clone && EnterElementOn(*clone, variable, index_name, false);
}

}  // namespace fintop
