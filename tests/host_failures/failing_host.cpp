#include "failing_host.h"

#include <dlfcn.h>

#include <atomic>
#include <new>

namespace fintop_test {

namespace {

std::atomic<long> g_live{0};

}  // namespace

bool FaultPlan::Fails() {
  if (caller != nullptr) caller_before.push_back(caller->node());
  ++counted;
  if (counted != fail_at) return false;
  hit = true;
  return true;
}

FailingIterator::FailingIterator(FaultPlan& plan, FIIterator* inner)
    : plan_(plan), inner_(static_cast<hostsim::HostIterator*>(inner)) {
  ++g_live;
}

FailingIterator::~FailingIterator() {
  delete inner_;
  --g_live;
}

long FailingIterator::Live() {
  return g_live.load();
}

void FailingIterator::Call() {
  if (plan_.fault == Fault::kCallThrows && plan_.Fails()) throw std::bad_alloc();
}

FIIterator* FailingIterator::Clone() {
  if (plan_.Fails()) {
    if (plan_.fault == Fault::kCloneReturnsNull) return nullptr;
    throw std::bad_alloc();
  }
  return new FailingIterator(plan_, inner_->Clone());
}

bool FailingIterator::Element(int index) {
  Call();
  return inner_->Element(index);
}
bool FailingIterator::Down(const std::string& name) {
  Call();
  return inner_->Down(name);
}
bool FailingIterator::First() {
  Call();
  return inner_->First();
}
bool FailingIterator::Next() {
  Call();
  return inner_->Next();
}
bool FailingIterator::Last() {
  Call();
  return inner_->Last();
}
bool FailingIterator::Up() {
  Call();
  return inner_->Up();
}
void FailingIterator::GetName(char* buffer, int size) {
  Call();
  inner_->GetName(buffer, size);
}
void FailingIterator::GetValue(const FIAttribute& key, FIAttribute& out) {
  Call();
  inner_->GetValue(key, out);
}
void FailingIterator::Alias(const char* generic_name, const char* host_name) {
  Call();
  inner_->Alias(generic_name, host_name);
}
void FailingIterator::SetAttribute(const char* name, const FIAttribute& value) {
  Call();
  inner_->SetAttribute(name, value);
}
void FailingIterator::SetAttributeByKey(const FIAttribute& key, const FIAttribute& value) {
  Call();
  inner_->SetAttributeByKey(key, value);
}
bool FailingIterator::GetAttribute(const char* name, FIAttribute& out) {
  Call();
  return inner_->GetAttribute(name, out);
}

}  // namespace fintop_test

// The test program's DeleteFIIterator, which the plug-in's calls reach first (see the header).
extern "C" void FI_CDECL DeleteFIIterator(FIIterator* iterator) {
  if (auto* failing = dynamic_cast<fintop_test::FailingIterator*>(iterator)) {
    delete failing;
    return;
  }
  using Delete = void (*)(FIIterator*);
  static const auto module_delete = reinterpret_cast<Delete>(dlsym(RTLD_NEXT, "DeleteFIIterator"));
  module_delete(iterator);
}
