// A test double of the host that fails: an iterator whose n-th Clone returns null, or whose
// n-th host call throws std::bad_alloc, counted over the iterator and all its clones.
//
// The plug-in deletes its clones with DeleteFIIterator, which this test program defines itself
// (failing_host.cpp): it deletes a FailingIterator and hands every other iterator to the
// iterator module's own. That takes an ELF build, where the program's definition comes first;
// the folder is not built for Windows.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/fi_iterator.h"
#include "iterator/host_iterator.h"

namespace fintop_test {

enum class Fault {
  kCloneReturnsNull,  // the n-th Clone returns null
  kCallThrows,        // the n-th host call (Clone included) throws before doing anything
};

// The plan shared by an iterator and its clones, and what came of it.
struct FaultPlan {
  Fault fault = Fault::kCallThrows;
  long fail_at = 0;  // 1-based; 0 never fails
  long counted = 0;  // Clones (kCloneReturnsNull) or host calls (kCallThrows) so far
  bool hit = false;  // the failure happened
  // Where the caller's iterator stood before each counted call.
  const hostsim::HostIterator* caller = nullptr;
  std::vector<std::uint32_t> caller_before;

  // Counts one call; true when it is the one to fail.
  bool Fails();
};

class FailingIterator final : public FIIterator {
 public:
  // Takes `inner`, an iterator of the iterator module, and deletes it with itself.
  FailingIterator(FaultPlan& plan, FIIterator* inner);
  ~FailingIterator();
  FailingIterator(const FailingIterator&) = delete;
  FailingIterator& operator=(const FailingIterator&) = delete;

  FIIterator* Clone() override;
  bool Element(int index) override;
  bool Down(const std::string& name) override;
  bool First() override;
  bool Next() override;
  bool Last() override;
  bool Up() override;
  void GetName(char* buffer, int size) override;
  void GetValue(const FIAttribute& key, FIAttribute& out) override;
  void Alias(const char* generic_name, const char* host_name) override;
  void SetAttribute(const char* name, const FIAttribute& value) override;
  void SetAttributeByKey(const FIAttribute& key, const FIAttribute& value) override;
  bool GetAttribute(const char* name, FIAttribute& out) override;

  const hostsim::HostIterator& inner() const { return *inner_; }

  // FailingIterators alive in the process.
  static long Live();

 private:
  // Counts a host call other than Clone; throws when the plan says so.
  void Call();

  FaultPlan& plan_;
  hostsim::HostIterator* inner_;
};

}  // namespace fintop_test
