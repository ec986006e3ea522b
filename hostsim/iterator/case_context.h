// The stand-in host's context: a reference-counted FI::Context that holds an open case.
#pragma once

#include <atomic>
#include <memory>
#include <string>

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

// A case read already in this process, handed to the host so that it is read only once: the
// stand-in framework reads the case itself (to refuse a bad one with its line and column) and
// hands the tree over; the host modules then open `path` from it instead of the file. One case
// at a time; a null tree takes it back.
void HandOverCase(const std::string& path, std::shared_ptr<const HostTree> tree);
// The case handed over under `path`, or null.
std::shared_ptr<const HostTree> HandedOverCase(const std::string& path);

}  // namespace hostsim
