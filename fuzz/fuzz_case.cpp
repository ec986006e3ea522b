// The case loader (hostsim/iterator/case_loader.h) on any bytes: a tree or a CaseError of one
// line naming the input; anything else thrown, a crash or a hang stops the fuzzer. Every
// node of a tree is read back: its path climbs the parents and ends with its name.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "iterator/case_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::shared_ptr<const hostsim::HostTree> tree;
  try {
    tree = hostsim::LoadCaseText(text, "<fuzz>");
  } catch (const hostsim::CaseError& e) {
    fuzz::CheckOneLine(e.what(), "<fuzz>:");
    return 0;
  }
  fuzz::Check(tree != nullptr && tree->size() > 0, "a case without its top node");
  fuzz::Check(tree->depth() <= hostsim::kMaxCaseDepth, "a case deeper than the limit");
  for (std::uint32_t id = 0; id < tree->size(); ++id) {
    const std::string path = tree->path(id);
    fuzz::Check(path.ends_with(tree->name(id)), "a node's path does not end with its name", path);
    fuzz::Check(id == 0 || path.size() > tree->name(id).size(), "a node's path lacks its parent",
                path);
  }
  return 0;
}
