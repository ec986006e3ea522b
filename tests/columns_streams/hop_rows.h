// The named-stream hop as each family sees it: a unit with one variable, the streams its
// siblings. Rows differ by callback, variable and value; each checks the result of the test
// call and of the moving call, and where the moving call leaves the caller's iterator.
#pragma once

#include <ostream>
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {

// A stream name of 300 characters holding a dot: kept whole and passed as one level.
inline const std::string kLongStreamName = std::string(150, 'L') + "." + std::string(149, 'M');

struct HopRow {
  std::string label;
  FIElement callback;
  std::string variable;  // the unit's one variable
  std::string value;     // the JSON after the variable's name: "" (no value), "\"value\": ..."
  bool found;
  std::string after_move;  // where a moving call leaves the caller's iterator
};

inline std::ostream& operator<<(std::ostream& os, const HopRow& row) {
  return os << row.label;
}

// Case/Col/Unit holds the variable and a child "Missing"; Case/Col holds streams "S", "S.1",
// "12" and the long name. A hop that fails to climb two levels would find Unit's "Missing".
inline Tree HopTree(const HopRow& row) {
  std::string variable = R"({"name": ")" + row.variable + '"';
  if (!row.value.empty()) variable += ", " + row.value;
  variable += '}';
  return MakeTree(R"({"name": "Case", "children": [{"name": "Col", "children": [
      {"name": "Unit", "children": [)" +
                  variable + R"(, {"name": "Missing"}]},
      {"name": "S"}, {"name": "S.1"}, {"name": "12"}, {"name": ")" +
                  kLongStreamName + R"("}]}]})");
}

class HopTable : public CallbackTestWithParam<HopRow> {};

// Shared by the three families' instantiations.
inline void CheckHop(const HopRow& row) {
  Tree tree = HopTree(row);
  IteratorPtr it = At(tree, "Col.Unit");
  EXPECT_EQ(row.callback(it.get(), 0), row.found);
  EXPECT_EQ(Where(*it), "Case/Col/Unit");
  EXPECT_EQ(row.callback(it.get(), 1), row.found);
  EXPECT_EQ(Where(*it), row.after_move);
  EXPECT_EQ(Recorded(*it), "");
}

}  // namespace fintop_test
