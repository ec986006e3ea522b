// A document read as it is written: the writer of a walk's document (kit::JsonWriter) tells the
// builder each key, value and container as a reader of its text would, and the builder makes the
// records from them as reading the text would have made them (the same checks, the same hashes,
// the same offsets), without writing the text out and parsing it again. The text itself is kept
// in memory for ReadDetails (the members of the records that differ).
#pragma once

#include <memory>
#include <string>

#include "document.h"
#include "json_writer.h"

namespace walk {

class DocumentReader;

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

}  // namespace walk
