// fintop/exports.txt lists the callbacks in the order of FINTOP_CALLBACKS: its callback lines
// (the names that begin with "CT") are checked against the list in callbacks.h.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/callbacks.h"
#include "support/fintop_test.h"

namespace {

std::vector<std::string> ListedCallbacks() {
  std::ifstream file(fintop_test::SourcePath("fintop/exports.txt"));
  EXPECT_TRUE(file.is_open());
  std::vector<std::string> names;
  for (std::string line; std::getline(file, line);) {
    if (line.rfind("CT", 0) == 0) names.push_back(line);
  }
  return names;
}

#define FINTOP_NAME_OF(shape, name, ...) #name,
constexpr const char* kDeclared[] = {FINTOP_CALLBACKS(FINTOP_NAME_OF)};
#undef FINTOP_NAME_OF

TEST(ExportsList, CallbackLinesAreTheCallbackListInItsOrder) {
  static_assert(std::size(kDeclared) == kCallbackCount);
  EXPECT_EQ(ListedCallbacks(),
            std::vector<std::string>(std::begin(kDeclared), std::end(kDeclared)));
}

}  // namespace
