// The stand-in host's context: a reference-counted FI::Context that holds an open case.
#pragma once

#include <atomic>
#include <memory>

#include "framework/fi_context.h"
#include "iterator/host_tree.h"

namespace hostsim {

// Query(kTreeQuery) returns a pointer to the context's std::shared_ptr<const HostTree>.
inline constexpr char kTreeQuery[] = "hostsim.tree";

class CaseContext final : public FI::Context {
 public:
  // Made with one reference, which belongs to whoever asked for the context.
  static CaseContext* Create(std::shared_ptr<const HostTree> tree);

  void* Query(const char* what) override;
  void AddRef() override;
  void Release() override;

  long references() const { return references_.load(); }
  // Contexts made and not yet destroyed, in the whole process.
  static long Live();

 private:
  explicit CaseContext(std::shared_ptr<const HostTree> tree);
  ~CaseContext();
  std::atomic<long> references_{1};
  std::shared_ptr<const HostTree> tree_;
};

}  // namespace hostsim
