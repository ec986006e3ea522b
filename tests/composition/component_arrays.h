// The component element walk over "CmpCnt", shared by the component array and the K-value
// arrays: one suite, instantiated once for each family of callbacks.
#pragma once

#include <string>

#include "composition/composition_test.h"

namespace fintop_test {

struct ComponentRow {
  const char* variable;
  FICollection array;  // null when the variable has no collection callback of its own
  FIElement element;
  const char* name;  // the element callback's, for the test's name
};

inline std::string RowName(const ::testing::TestParamInfo<ComponentRow>& info) {
  return info.param.name;
}

class ComponentArrays : public CallbackTestWithParam<ComponentRow> {
 protected:
  // Every variable entered through "CmpCnt", the row's among them.
  static constexpr const char* kAllVariables[] = {"Comp Mole Frac",
                                                  "Comp Mass Frac",
                                                  "Comp Volume Frac",
                                                  "Comp K Value - Mixed Liquid",
                                                  "Comp K Value - Light Liquid",
                                                  "Comp K Value - Heavy Liquid",
                                                  "Comp K Value - Liq1 / Liq2"};

  // A stream holding the row's variable with `count` elements (none when count < 0) and
  // every other variable with 6 elements.
  Tree StreamWith(int count) const {
    std::string children;
    for (const char* variable : kAllVariables) {
      if (std::string(variable) == GetParam().variable && count < 0) continue;
      int size = std::string(variable) == GetParam().variable ? count : 6;
      children += (children.empty() ? "" : ", ") + Array(variable, size);
    }
    return MakeTree(R"({"name": "Case", "children": [{"name": "S", "children": [)" + children +
                    "]}]}");
  }
};

// The same suite for the rows whose variable has a collection callback of its own.
class ComponentCollections : public ComponentArrays {};

}  // namespace fintop_test
