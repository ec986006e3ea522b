#include "call_iterator.h"

#include <string>

#include "attribute_value.h"

namespace trace {

CallIterator::CallIterator(FIIterator& framework, record::Call& call) noexcept
    : framework_(framework), call_(call) {
  if (!call_.bindings) call_.bindings.emplace();
}

// Each note follows the framework's own operation, so the plug-in sees the framework's
// behaviour whatever the note costs; a null text is noted as an empty one, as the host reads it.
void CallIterator::Alias(const char* generic_name, const char* host_name) {
  framework_.Alias(generic_name, host_name);
  if (failed_) return;
  try {
    call_.bindings->emplace_back(generic_name != nullptr ? generic_name : "",
                                 host_name != nullptr ? host_name : "");
  } catch (...) {
    failed_ = true;
  }
}

void CallIterator::SetAttribute(const char* name, const FIAttribute& value) {
  framework_.SetAttribute(name, value);
  if (failed_) return;
  try {
    call_.Record(name != nullptr ? name : "", record::AttributeValue(value));
  } catch (...) {
    failed_ = true;
  }
}

// The attribute's name is the key's text, as the framework stores it.
void CallIterator::SetAttributeByKey(const FIAttribute& key, const FIAttribute& value) {
  framework_.SetAttributeByKey(key, value);
  if (failed_) return;
  try {
    FIAttribute text(key);
    text.ChangeType(FT_TEXT);
    call_.Record(text.c_str(), record::AttributeValue(value));
  } catch (...) {
    failed_ = true;
  }
}

}  // namespace trace
