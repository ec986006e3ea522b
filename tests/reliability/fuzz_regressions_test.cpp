// Every input the fuzzer keeps (its seed corpus and the regressions it found) replayed in the
// ordinary build, so that a fault it found once stays found.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/fintop_test.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fintop_test {
namespace {

TEST(FuzzRegressions, EveryKeptInputRunsClean) {
  int replayed = 0;
  for (const char* folder : {"fuzz/regressions", "fuzz/corpus"}) {
    std::filesystem::path dir = SourcePath(folder);
    if (!std::filesystem::is_directory(dir)) continue;
    for (const auto& file : std::filesystem::directory_iterator(dir)) {
      if (!file.is_regular_file() || file.path().filename().string()[0] == '.') continue;
      std::ifstream in(file.path(), std::ios::binary);
      std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
      SCOPED_TRACE(file.path().string());
      EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
}  // namespace fintop_test
