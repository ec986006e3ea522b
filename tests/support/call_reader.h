// The call record (call_record.h) read back by the documents' own reader of an object's members
// (ReadMembers, document.h), the one the replay reads a log's calls with: a log's line, an entry
// of a walk's trace, or every call of a document. For the tests, trace_log_check and the fuzzer.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "call_record.h"
#include "document.h"

namespace walk {

// One JSON object alone (a log's line) read whole into `details`. False when it is not valid
// JSON (invalid UTF-8 included), holds anything but blanks after the object, or is no object.
bool ReadLine(std::string_view line, Details& details);

// The call that the members hold; nullopt for another kind of line or entry (a log's first
// line, an error, begin or snapshot line, a framework record) or a malformed call: a member of
// the wrong type, a number beyond the record's range. Members that no call has are passed over.
std::optional<record::Call> CallOf(const Details& details);

// The call of one line: ReadLine, then CallOf.
std::optional<record::Call> ParseCall(std::string_view line);

// The calls of a document's trace (a walk's --json --trace, or a log), in order. Throws
// DocumentError for an entry that starts as a call but is none, naming its line, and for a log
// whose last line is cut.
std::vector<record::Call> CallsOf(const Document& doc);

}  // namespace walk
