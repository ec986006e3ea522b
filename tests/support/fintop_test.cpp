#include "support/fintop_test.h"

namespace fintop_test {

Tree MakeTree(std::string_view json) {
  try {
    return hostsim::LoadCaseText(json, "<test case>");
  } catch (const hostsim::CaseError& e) {
    ADD_FAILURE() << e.what();
    return hostsim::LoadCaseText(R"({"name": "invalid test case"})");
  }
}

IteratorPtr At(const Tree& tree, std::string_view path) {
  IteratorPtr it = hostsim::NewIterator(tree, path);
  if (!it) {
    ADD_FAILURE() << "no node at " << path;
    return hostsim::NewIterator(tree);
  }
  return it;
}

std::string AttributeOf(FIIterator& it, const char* name) {
  FIAttribute value;
  if (!it.GetAttribute(name, value)) return "absent";
  return hostsim::DescribeValue(value);
}

std::string SourcePath(std::string_view relative) {
  return std::string(FINTOP_SOURCE_DIR) + "/" + std::string(relative);
}

}  // namespace fintop_test
