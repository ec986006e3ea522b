// Compares two documents (document.h) by model path: objects by their host path, steps by name,
// items by collection and index; calls by node, callback, argument and how often that call came
// before; framework records by path and attribute. The differences come grouped by object (or
// by the call's node), each one line, and a summary line counts them by kind.
#pragma once

#include <string>
#include <vector>

#include "document.h"
#include "json_writer.h"

namespace walk {

using kit::JsonWriter;
using kit::Output;

struct DiffLine {
  enum Kind {
    kObjectAdded,
    kObjectRemoved,
    kClassChanged,
    kStepAdded,
    kStepRemoved,
    kValueChanged,
    kCountChanged,
    kCallbackChanged,
    kResultChanged,
    kTargetChanged,
    kAttributeChanged,
    kBindingChanged,
    kCallAdded,
    kCallRemoved,
    kFrameworkAdded,
    kFrameworkRemoved,
    kReached,
    kNotReached,
    kFoundSomething,
    kFoundNothing,
    kCallNeverReturned,  // the replay's: a call the field's session ended inside
    kClonesLeft,         // the replay's: a call left cloned iterators alive
    kKinds
  };
  Kind kind;
  int section;        // the model, the calls, the framework records, the callbacks
  std::string group;  // the object's host path, the call's node, "callbacks"
  std::string where;  // inside the group: the step path or the call ("" for the object itself)
  std::string what;   // "value 0.04 -> 0.05"
  Scalar old_value, new_value;
  std::size_t order = 0;  // as found, within its group

  // "Plant/Well Fluid: Components[3].MoleFraction: value 0.04 -> 0.05"
  std::string Text() const;
};

struct DiffResult {
  std::vector<DiffLine> lines;  // grouped, in order
  // "differences: 3 (1 value changed, 2 items removed)"
  std::string Summary() const;
};

// Compares `old_doc` with `new_doc`. Throws DocumentError when they hold nothing to compare
// (no model in one, no trace in the other) or one cannot be read again.
DiffResult Compare(const Document& old_doc, const Document& new_doc);

// The lines and the summary line; or one JSON document of them.
void WriteDiff(Output& out, const DiffResult& result);
void WriteDiffJson(Output& out, const DiffResult& result);
// That document's "differences" member, `lines` its elements (--replay and --reduce write it too).
void WriteDiffLines(JsonWriter& json, const std::vector<DiffLine>& lines);

}  // namespace walk
