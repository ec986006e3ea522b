// The mapping file reader (tools/walk/mapping.h) on any bytes: the rules or a MappingError of
// one line naming the file; anything else thrown, a crash or a hang stops the fuzzer. The
// rules read are checked against what the walk relies on.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "mapping.h"
#include "plugin.h"

namespace {

// Every callback a step names is in the table, and nesting stays within the limit.
void CheckSteps(const std::vector<walk::Step>& steps, int depth) {
  fuzz::Check(depth <= walk::kMaxMappingDepth + 1, "steps nested past the limit");
  for (const walk::Step& step : steps) {
    if (step.kind == walk::Step::kElement || step.kind == walk::Step::kCollection) {
      fuzz::Check(step.callback >= 0 && step.callback < static_cast<int>(walk::Callbacks().size()),
                  "a step's callback outside the table", step.name);
    }
    CheckSteps(step.sets, depth + 1);
    CheckSteps(step.steps, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  walk::Mapping mapping;
  try {
    mapping = walk::ParseMapping(text, "<fuzz>");
  } catch (const walk::MappingError& e) {
    fuzz::CheckOneLine(e.what(), "<fuzz>");
    return 0;
  }
  for (const walk::Recogniser& recogniser : mapping.recognisers) {
    if (recogniser.kind != walk::Recogniser::kType) {
      fuzz::Check(recogniser.callback >= 0 &&
                      recogniser.callback < static_cast<int>(walk::Callbacks().size()),
                  "a recogniser's callback outside the table", recogniser.cls);
    }
  }
  for (const auto& [name, steps] : mapping.classes) CheckSteps(steps, 0);
  return 0;
}
