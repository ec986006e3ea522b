// A document written by `fintop-walk --json` (with or without its trace) or a fintop-trace log
// (JSON Lines), read as a stream into compact records: one per model node, call, framework
// record, attribute and binding, each with a hash of its key and of its own members and the
// byte offset of the JSON object it came from. Nothing else of the document is kept; the
// members of a record are read again from the file (ReadDetails) only where two records differ.
// A document that cannot be read again (a pipe) is read into memory first (OpenDocument).
//
// A walk's own document is read as it is written (DocumentBuilder below).
//
// To read bytes of any origin (a fuzzer does): Document(bytes, name) for each side, then
// Compare (diff.h) and DiffLine::Text() of every line; DocumentError is the only thing thrown
// for bad input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "json_reader.h"
#include "json_writer.h"

namespace walk {

// A refused document: what() is "<name>:<line>:<column>: <what is wrong>" or "<name>: <what>".
class DocumentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr std::uint32_t kNoRecord = 0xffffffffu;

struct Record {
  enum Kind : std::uint8_t {
    kObject,      // key: its host path
    kValue,       // key: the step's name
    kCollection,  // key: the step's name
    kItem,        // key: its index
    kElement,     // key: the step's name
    kAttribute,   // key: the attribute's name (of the node or call that holds it)
    kBinding,     // key: the generic name
    kCall,        // key: node, callback and index or move flag
    kFramework,   // key: the path and the attribute's name
  };
  std::uint64_t key = 0;
  std::uint64_t content = 0;  // the record's own members, children left out
  std::uint64_t subtree = 0;  // its own members and everything below it
  std::uint64_t offset = 0;   // of the JSON object holding the record
  std::uint32_t parent = kNoRecord;
  std::uint32_t end = 0;  // one past the last record below it
  Kind kind = kObject;
};

// A value as the document writes it (json_reader.h).
using kit::Scalar;

// The own members of one model node, call or log line, read again from the file: scalars in
// the order written, the attributes, bindings and "before" objects and a call's "operations"
// apart, and the names of the members that hold anything else (an object or array of another
// member, or one within those above): what no record's member holds.
struct Details {
  std::vector<std::pair<std::string, Scalar>> members;
  std::vector<std::pair<std::string, Scalar>> attributes;
  std::vector<std::pair<std::string, Scalar>> bindings;
  std::vector<std::pair<std::string, Scalar>> before;  // a call's "before"
  std::vector<Scalar> operations;
  bool has_before = false, has_bindings = false, has_operations = false;
  std::vector<std::string> compound;
  const Scalar& Get(std::string_view key) const;  // none when it has no such member
};

// Reads the JSON object at the cursor into `details`, a model node's members up to its
// "contents" or "items" (all of them when `whole`), and leaves the cursor after what it read.
// False, with why in `error`, for malformed JSON or a value that is no object.
bool ReadMembers(kit::Cursor& cursor, Details& details, bool whole, std::string& error);

class Document {
 public:
  enum Source { kWalk, kLog };

  // Reads the whole document from `file`, which must be seekable (owned, and left open for
  // ReadDetails). Throws DocumentError.
  // Without `hashed`, the records' hashes are left 0 (a reader that never compares them: the
  // replay).
  Document(std::FILE* file, std::string name, bool hashed = true);
  // Reads the whole document from `bytes`, kept for ReadDetails. Throws DocumentError.
  Document(std::string bytes, std::string name, bool hashed = true);
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  const std::string& name() const { return name_; }
  // The bytes of a document held in memory (a walk's own, a pipe's); empty for one read from a
  // file.
  std::string_view bytes() const { return memory_; }
  Source source() const { return source_; }
  bool has_model() const { return has_model_; }
  bool has_trace() const { return has_trace_; }
  bool has_summary() const { return has_summary_; }
  const std::vector<Record>& model() const { return model_; }
  const std::vector<Record>& trace() const { return trace_; }
  const std::vector<std::string>& not_reached() const { return not_reached_; }
  const std::vector<std::string>& nothing_found_by() const { return nothing_found_by_; }
  // A log's version (its first line's "version"; 0 for a walk's document), how many first lines
  // it holds (one per session appended to it), its "begin" lines (the offset of each and how many
  // calls came before it) and its snapshot line (offset; kNoOffset when there is none). "before"
  // of a call is read by ReadDetails only, never compared.
  static constexpr std::uint64_t kNoOffset = ~std::uint64_t{0};
  struct Begin {
    std::uint64_t offset;
    std::uint32_t calls;  // calls before it (their attribute and binding records not counted)
  };
  int log_version() const { return log_version_; }
  int sessions() const { return sessions_; }
  // The line numbers where the first sessions start (at most kSessionLinesKept; where there is
  // one, its offset), and the offset of the first session's first line (kNoOffset: none).
  static constexpr std::size_t kSessionLinesKept = 8;
  const std::vector<std::uint64_t>& session_lines() const { return session_lines_; }
  std::uint64_t head_line() const { return head_line_; }
  const std::vector<Begin>& begins() const { return begins_; }
  std::uint64_t snapshot_line() const { return snapshot_line_; }
  // What the reader passed over, one line each ("<name>:<line>: ..."): a log's last line cut.
  const std::vector<std::string>& warnings() const { return warnings_; }

  // The line numbers (from 1) of the bytes at `offsets`, which must be in ascending order,
  // counted in one reading; their columns (from 1) too, into `columns` when given.
  std::vector<std::uint64_t> LinesOf(const std::vector<std::uint64_t>& offsets,
                                     std::vector<std::uint64_t>* columns = nullptr) const;

  // The own members of the JSON object at `offset`. Throws DocumentError when the file cannot
  // be read there.
  Details ReadDetails(std::uint64_t offset) const;

 private:
  friend class DocumentReader;
  friend class DocumentBuilder;
  explicit Document(std::string name)  // told its records (DocumentBuilder)
      : name_(std::move(name)) {}
  void Read();
  kit::Cursor Scan(std::size_t block) const;  // the bytes from the start

  struct Close {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, Close> file_;  // null: the bytes are memory_
  std::string memory_;
  std::string name_;
  bool hashed_ = true;
  Source source_ = kWalk;
  bool has_model_ = false, has_trace_ = false, has_summary_ = false;
  std::vector<Record> model_;
  std::vector<Record> trace_;
  std::vector<std::string> not_reached_, nothing_found_by_;
  std::vector<std::string> warnings_;
  int log_version_ = 0;
  int sessions_ = 0;
  std::vector<std::uint64_t> session_lines_;
  std::uint64_t head_line_ = kNoOffset;
  std::vector<Begin> begins_;
  std::uint64_t snapshot_line_ = kNoOffset;
  mutable std::string window_;  // ReadDetails' bytes of the file from window_at_
  mutable std::uint64_t window_at_ = 0;
  mutable std::size_t window_size_ = std::size_t{1} << 14;
};

class DocumentReader;

// A document read as it is written: the writer of a walk's document (kit::JsonWriter) tells the
// builder each key, value and container as a reader of its text would, and the builder makes the
// records from them as reading the text would have made them (the same checks, the same hashes,
// the same offsets), without writing the text out and parsing it again. The text itself is kept
// in memory for ReadDetails (the members of the records that differ).
class DocumentBuilder {
 public:
  explicit DocumentBuilder(std::string name);
  ~DocumentBuilder();
  DocumentBuilder(const DocumentBuilder&) = delete;
  DocumentBuilder& operator=(const DocumentBuilder&) = delete;

  // What the writer tells (kit::JsonWriter::Tell).
  kit::JsonEvents* events();
  // The document, once all of it was told, given its text (all that was written). Throws
  // DocumentError as reading the text would.
  std::unique_ptr<Document> Finish(std::string text);

 private:
  std::unique_ptr<Document> doc_;
  std::unique_ptr<DocumentReader> reader_;
};

// A text as one line of the kit's output (json_writer.h): names and texts of a document in a
// message or a difference line.
using kit::OneLine;

// "object", "value", "collection", "item", "element", "attribute", ...: a record's kind as the
// documents name it.
const char* RecordKindName(Record::Kind kind);

// The key of an attribute or binding record named `name`.
std::uint64_t NameKey(std::string_view name);

// "holds 2 sessions (one {"log": ...} line each, at lines 1 and 6474)": why a log of several
// sessions is refused, for its reader's message.
std::string SessionsText(const Document& log);

// Opens and reads the document at `path` (a file, or a pipe or device, read into memory);
// throws DocumentError naming it.
std::unique_ptr<Document> OpenDocument(const std::string& path, bool hashed = true);

}  // namespace walk
