#include "document.h"

#include "document_names.h"
#include "document_reader.h"
#include "files.h"
#include "json_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace walk {

namespace names = document_names;

const char* RecordKindName(Record::Kind kind) {
  // A model node's kind is the name of its first member.
  static const char* const kNames[] = {names::kObject, names::kValue,   names::kCollection,
                                       names::kItem,   names::kElement, "attribute",
                                       "binding",      "call",          "framework record"};
  return kNames[kind];
}

std::uint64_t NameKey(std::string_view name) {
  Hasher h;
  h.Add('n', name);
  return h.value();
}

// ---- Details --------------------------------------------------------------------------------

std::string SessionsText(const Document& log) {
  const std::vector<std::uint64_t>& lines = log.session_lines();
  std::string at;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0)
      at += i + 1 == lines.size() && lines.size() == static_cast<std::size_t>(log.sessions())
                ? " and "
                : ", ";
    at += std::to_string(lines[i]);
  }
  if (lines.size() < static_cast<std::size_t>(log.sessions())) at += ", ...";
  return "holds " + std::to_string(log.sessions()) +
         " sessions (one {\"log\": ...} line each, at lines " + at + ")";
}

const Scalar& Details::Get(std::string_view key) const {
  static const Scalar none;
  for (const auto& [name, value] : members) {
    if (name == key) return value;
  }
  return none;
}

// ---- DetailsReader ---------------------------------------------------------------------------

namespace {

// Reads one object's own members and stops after it, or (a model node) before its contents.
class DetailsReader {
 public:
  DetailsReader(Details& details, bool whole) : details_(details), whole_(whole) {}
  bool done = false;
  std::string error;

  bool scalar(Scalar::Type type, std::string& text) {
    if (depth_ == 0) return false;  // not an object
    Scalar value{type, std::move(text)};
    if (depth_ == 1) details_.members.emplace_back(key_, std::move(value));
    if (depth_ == 2 && fields_ != nullptr) fields_->emplace_back(key_, std::move(value));
    if (depth_ == 2 && list_) details_.operations.push_back(std::move(value));
    return true;
  }
  void syntax_error(const std::string& what) { error = "not valid JSON: " + what; }
  bool start_object(std::size_t) { return Open(true); }
  bool start_array(std::size_t) { return Open(false); }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }
  bool key(std::string& key) {
    if (depth_ == 1 && !whole_ && (key == names::kContents || key == names::kItems)) {
      done = true;
      return false;
    }
    key_.swap(key);  // the parser clears its buffer before its next text
    return true;
  }

 private:
  bool Open(bool object) {
    if (depth_ == 0 && !object) return false;  // not an object
    if (++depth_ != 2) {
      if (depth_ > 2 && (details_.compound.empty() || details_.compound.back() != member_))
        details_.compound.push_back(member_);  // nested within a member
      return true;
    }
    member_ = key_;
    fields_ = nullptr;
    list_ = false;
    if (object && member_ == names::kAttributes) {
      fields_ = &details_.attributes;
    } else if (object && member_ == names::kBindings) {
      fields_ = &details_.bindings;
      details_.has_bindings = true;
    } else if (object && member_ == names::kBefore) {
      fields_ = &details_.before;
      details_.has_before = true;
    } else if (!object && member_ == names::kOperations) {
      list_ = true;
      details_.has_operations = true;
    } else {
      details_.compound.push_back(member_);
    }
    return true;
  }
  bool Close() {
    if (--depth_ == 0) {
      done = true;
      return false;  // the object is read: stop here
    }
    return true;
  }

  Details& details_;
  bool whole_;
  int depth_ = 0;
  bool list_ = false;  // in "operations"
  std::string key_, member_;
  std::vector<std::pair<std::string, Scalar>>* fields_ = nullptr;
};

}  // namespace

bool ReadMembers(Cursor& cursor, Details& details, bool whole, std::string& error) {
  DetailsReader reader(details, whole);
  JsonReader<DetailsReader>(cursor, reader).Value();
  if (!reader.done) error = reader.error.empty() ? "not a JSON object" : reader.error;
  return reader.done;
}

// ---- Document --------------------------------------------------------------------------------

Document::Document(std::FILE* file, std::string name, bool hashed)
    : file_(file), name_(std::move(name)), hashed_(hashed) {
  Read();
}

Document::Document(std::string bytes, std::string name, bool hashed)
    : memory_(std::move(bytes)), name_(std::move(name)), hashed_(hashed) {
  Read();
}

void Document::Read() {
  Cursor cursor = Scan(std::size_t{1} << 20);
  DocumentReader(*this, cursor).Read();
  model_.shrink_to_fit();
  trace_.shrink_to_fit();
}

Cursor Document::Scan(std::size_t block) const {
  return file_ != nullptr ? Cursor(file_.get(), block) : Cursor(memory_);
}

std::vector<std::uint64_t> Document::LinesOf(const std::vector<std::uint64_t>& offsets,
                                             std::vector<std::uint64_t>* columns) const {
  std::vector<std::uint64_t> lines;
  lines.reserve(offsets.size());
  Cursor scan = Scan(std::size_t{1} << 16);
  std::uint64_t line = 1, at = 0, start = 0;  // `start`: of the line
  const bool readable = scan.Seek(0);
  for (std::uint64_t offset : offsets) {
    for (; readable && at < offset && !scan.AtEnd(); ++at, scan.Step()) {
      if (scan.Current() == '\n') {
        ++line;
        start = at + 1;
      }
    }
    lines.push_back(line);
    if (columns != nullptr) columns->push_back(at - start + 1);
  }
  return lines;
}

Details Document::ReadDetails(std::uint64_t offset) const {
  // From a file, a window of it is kept: a reader that goes through the records in order (the
  // replay) reads the file once, in blocks growing to 256 KiB, instead of a block per record;
  // one that jumps about (--diff) reads 16 KiB a time.
  if (file_ != nullptr) {
    constexpr std::size_t kSmall = std::size_t{1} << 14, kLarge = std::size_t{1} << 18;
    if (offset < window_at_ || offset - window_at_ + kSmall / 4 > window_.size()) {
      const bool onward = offset >= window_at_ && offset - window_at_ <= window_.size() + kSmall;
      window_size_ = onward ? std::min(window_size_ * 2, kLarge) : kSmall;
      window_.resize(window_size_);
      window_at_ = offset;
      std::size_t n = kit::SeekTo(file_.get(), offset)
                          ? std::fread(window_.data(), 1, window_size_, file_.get())
                          : 0;
      window_.resize(n);
    }
    if (offset >= window_at_ && offset - window_at_ < window_.size()) {
      Cursor cursor{std::string_view(window_).substr(offset - window_at_)};
      Details details;
      std::string error;
      if (ReadMembers(cursor, details, false, error)) return details;
    }
  }
  Cursor cursor = Scan(4096);  // an object longer than the window's rest, or from memory
  Details details;
  std::string error;
  if (!cursor.Seek(offset) || !ReadMembers(cursor, details, false, error))
    throw DocumentError(name_ + ": cannot read the document again" +
                        (error.empty() ? std::string() : ": " + OneLine(error)));
  return details;
}

std::unique_ptr<Document> OpenDocument(const std::string& path, bool hashed) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    throw DocumentError(path + ": cannot read the document: it is a directory");
  std::FILE* file = kit::OpenFile(path, "rb");
  if (file == nullptr)
    throw DocumentError(path + ": cannot read the document: " + std::strerror(errno));
  if (std::filesystem::is_regular_file(path, error))
    return std::make_unique<Document>(file, path, hashed);
  // A pipe or device cannot be read again where two records differ: read it whole first.
  std::string bytes;
  char buffer[1 << 16];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    bytes.append(buffer, n);
  bool failed = std::ferror(file) != 0;
  int reason = errno;
  std::fclose(file);
  if (failed) throw DocumentError(path + ": cannot read the document: " + std::strerror(reason));
  return std::make_unique<Document>(std::move(bytes), path, hashed);
}

}  // namespace walk
