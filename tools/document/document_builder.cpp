#include "document_builder.h"

#include <utility>

#include "document_reader.h"

namespace walk {

DocumentBuilder::DocumentBuilder(std::string name)
    : doc_(new Document(std::move(name))), reader_(std::make_unique<DocumentReader>(*doc_)) {}

DocumentBuilder::~DocumentBuilder() = default;

void DocumentBuilder::StartObject(std::uint64_t at) {
  reader_->Told(at);
  stopped_ = stopped_ || !reader_->start_object(0);
}

void DocumentBuilder::StartArray(std::uint64_t at) {
  reader_->Told(at);
  stopped_ = stopped_ || !reader_->start_array(0);
}

void DocumentBuilder::EndObject() {
  stopped_ = stopped_ || !reader_->end_object();
}

void DocumentBuilder::EndArray() {
  stopped_ = stopped_ || !reader_->end_array();
}

void DocumentBuilder::Key(std::string_view key) {
  if (stopped_) return;
  stopped_ = !reader_->WrittenKey(key);
}

void DocumentBuilder::Value(char type, std::string_view text) {
  if (stopped_) return;
  stopped_ = !reader_->WrittenValue(static_cast<Scalar::Type>(type), text);
}

std::unique_ptr<Document> DocumentBuilder::Finish(std::string text) {
  doc_->memory_ = std::move(text);  // for the error's line and column, and for ReadDetails
  reader_->Finished();
  doc_->model_.shrink_to_fit();
  doc_->trace_.shrink_to_fit();
  return std::move(doc_);
}

}  // namespace walk
