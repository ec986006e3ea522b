// The iterator fintop-trace hands the real plug-in for the length of one recorded call, in
// place of the framework's: every operation goes on to the framework's iterator, unchanged and
// in order, and its answer comes back; what the call records and binds on it (SetAttribute,
// SetAttributeByKey, Alias) is noted in the call's record as well. The interface has no way to
// read a binding back, so the record can learn of bindings only by seeing the calls.
//
// Why this is safe:
// - The plug-in calls only the operations of FIIterator (fi_iterator.h) on the iterator it is
//   handed, through the virtual table that header fixes; this object implements exactly those,
//   and nothing else of it is ever touched.
// - The plug-in never deletes the iterator it is handed and keeps no pointer to it past the
//   call, so an object on the proxy's stack may stand in for it. Clone returns the framework's
//   own clone: the plug-in deletes it with the framework's DeleteFIIterator as before, and
//   nothing it owns changes hands.
// - This object must never be deleted through DeleteFIIterator, cloned itself, kept past the
//   call or used on another thread; it must never change what the framework's iterator is
//   asked or answers, and it must not throw into the plug-in: a note it cannot make (out of
//   memory) marks the record as failed, and the call goes on all the same.
#pragma once

#include "attribute_value.h"
#include "call_record.h"
#include "framework/fi_iterator.h"

namespace trace {

class CallIterator final : public FIIterator {
 public:
  // Notes into `call`'s attributes and bindings (made present); `framework` and `call` outlive it.
  CallIterator(FIIterator& framework, record::Call& call) noexcept
      : framework_(framework), call_(call) {
    if (!call_.bindings) call_.bindings.emplace();
  }

  // Whether a note could not be made: the record is then incomplete and must not be written.
  bool failed() const { return failed_; }

  // Whether the call asked the framework's iterator to move (even if it stayed): when not, it
  // stands where the call found it.
  bool moved() const { return moved_; }

  FIIterator* Clone() override { return framework_.Clone(); }
  bool Element(int index) override { return Moving(), framework_.Element(index); }
  bool Down(const std::string& name) override { return Moving(), framework_.Down(name); }
  bool First() override { return Moving(), framework_.First(); }
  bool Next() override { return Moving(), framework_.Next(); }
  bool Last() override { return Moving(), framework_.Last(); }
  bool Up() override { return Moving(), framework_.Up(); }
  void GetName(char* buffer, int size) override { framework_.GetName(buffer, size); }
  void GetValue(const FIAttribute& key, FIAttribute& out) override {
    framework_.GetValue(key, out);
  }
  bool GetAttribute(const char* name, FIAttribute& out) override {
    return framework_.GetAttribute(name, out);
  }
  // Each note follows the framework's own operation, so the plug-in sees the framework's
  // behaviour whatever the note costs; a null text is noted as an empty one, as the host reads it.
  void Alias(const char* generic_name, const char* host_name) override {
    framework_.Alias(generic_name, host_name);
    Note([&] { call_.bindings->emplace_back(Text(generic_name), Text(host_name)); });
  }
  void SetAttribute(const char* name, const FIAttribute& value) override {
    framework_.SetAttribute(name, value);
    Note([&] { call_.Record(Text(name), record::AttributeValue(value)); });
  }
  // The attribute's name is the key's text, as the framework stores it.
  void SetAttributeByKey(const FIAttribute& key, const FIAttribute& value) override {
    framework_.SetAttributeByKey(key, value);
    Note([&] {
      FIAttribute text(key);
      text.ChangeType(FT_TEXT);
      call_.Record(text.c_str(), record::AttributeValue(value));
    });
  }

 private:
  void Moving() { moved_ = true; }
  static const char* Text(const char* text) { return text != nullptr ? text : ""; }
  template <class Noting>
  void Note(Noting note) noexcept {
    if (failed_) return;
    try {
      note();
    } catch (...) {
      failed_ = true;
    }
  }

  FIIterator& framework_;
  record::Call& call_;
  bool failed_ = false;
  bool moved_ = false;
};

}  // namespace trace
