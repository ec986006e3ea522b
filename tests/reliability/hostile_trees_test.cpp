// Trees no sensible host would hold: every callback on every node must still end, leave no
// iterator alive and move the caller's iterator only where it may.
#include <functional>
#include <string>
#include <string_view>

#include "support/callback_driver.h"
#include "support/fintop_test.h"

namespace fintop_test {
namespace {

using hostsim::PropValue;
using hostsim::TreeBuilder;

class HostileTrees : public CallbackTest {};

void ExpectClean(const DriveReport& report) {
  EXPECT_GT(report.calls, 0);
  for (const std::string& line : report.violations) ADD_FAILURE() << line;
}

// A node holding every variable the callbacks read, each an element array of `n` elements
// whose values and names come from `value` and `name`.
void EveryVariable(TreeBuilder& b, int n, const std::string& value) {
  static const char* const kArrays[] = {
      "Comp Mole Frac",   "Comp Mass Frac",    "Vapour Mole Fraction",
      "Vessel Mole Frac", "Pipe Length",       "No of Increments",
      "Zone duty",        "Zone pressures",    "Zone vapour frac",
      "Frac Spec",        "Est. Molar Extent", "Pump Curve",
      "NPSH Curve",       "Compressor curve",  "Liquid Draw",
      "Vapour Draw",      "Water Draw",        "Traysection Feeds",
      "Nozzle Diameter"};
  for (const char* array : kArrays) {
    b.Open(array);
    for (int i = 0; i < n; ++i) {
      b.Open("Elem" + std::to_string(i));
      b.Property("value", PropValue::Text(value));
      b.Property("id", PropValue::Text(value));
      b.Close();
    }
    b.Close();
  }
  static const char* const kNamingVariables[] = {"Distillate Stream",
                                                 "Reflux Stream",
                                                 "Feed",
                                                 "Product",
                                                 "bottom liquid product",
                                                 "top liquid feed",
                                                 "Type of Tray Section",
                                                 "Reaction Set",
                                                 "Number of Stages",
                                                 "NumberOfRows",
                                                 "NumberOfReactants",
                                                 "Number of Product Streams",
                                                 "Number of Points, Dew Point Curve",
                                                 "Tube Inlet Temperature"};
  for (const char* variable : kNamingVariables) {
    b.Open(variable);
    b.Property("value", PropValue::Text(value));
    b.Close();
  }
}

TEST_F(HostileTrees, LongNamesAndValuesDotsQuotesAndNonAsciiBytes) {
  const std::string names[] = {std::string(10000, 'n'), "a.b.c", "\"quoted\"", "half\"quote",
                               "\xff\xfe\xc3\xa9",      "",      "Elem0",      "."};
  TreeBuilder b;
  b.Open("Top");
  for (const std::string& name : names) {
    b.Open(name);
    b.Property("type", PropValue::Text("MaterialStreamObject"));
    EveryVariable(b, 3, name);
    b.Close();
  }
  b.Close();
  DriveOptions options;
  options.max_selections = 4;
  ExpectClean(DriveTree(b.Finish(), options));
}

TEST_F(HostileTrees, PropertiesOfTheWrongTypeAndElementsWithoutValues) {
  TreeBuilder b;
  b.Open("Top");
  b.Open("Unit");
  b.Property("type", PropValue::Integer(17));
  for (const char* variable : {"Number of Stages", "NumberOfRows", "Distillate Stream", "Feed",
                               "Tube Inlet Temperature", "Reaction Set"}) {
    b.Open(variable);
    b.Property("value", PropValue::Real(1e300));
    b.Close();
  }
  for (const char* array :
       {"Comp Mole Frac", "No of Increments", "Traysection Feeds", "Liquid Draw"}) {
    b.Open(array);
    for (int i = 0; i < 4; ++i) b.Leaf("Elem" + std::to_string(i));  // no "value" at all
    b.Close();
  }
  b.Close();
  b.Close();
  ExpectClean(DriveTree(b.Finish()));
}

// The sibling steps (First, Next) made through an iterator and its clones.
class SiblingSteps : public hostsim::IteratorObserver {
 public:
  void OnEvent(const hostsim::HostIterator&, const hostsim::IteratorEvent& event) override {
    const std::string_view op = event.op;
    if (op == "First" || op == "Next") ++steps;
  }
  long steps = 0;
};

TEST_F(HostileTrees, HundredThousandSiblingsAreCountedWithoutRescanning) {
  TreeBuilder b;
  b.Open("Top");
  b.Open("S");
  b.Open("Comp Mole Frac");
  for (int i = 0; i < 100000; ++i) {
    b.Open("Elem" + std::to_string(i));
    b.Property("value", PropValue::Real(1e-5));
    b.Close();
  }
  b.Close();
  b.Close();
  b.Close();
  auto tree = b.Finish();
  IteratorPtr s = At(tree, "S");
  // The count passes over the siblings once (First, a Next to each further sibling and the
  // Next that fails); the selection and the move step over none.
  const struct {
    const char* call;
    std::function<long()> run;
    long result;
    long steps;
  } rows[] = {
      {"count", [&] { return CTComponentArray(s.get(), nullptr, -1); }, 100000, 100001},
      {"last selection", [&] { return CTComponentArray(s.get(), nullptr, 99999); }, 99999, 0},
      {"move to the last", [&] { return long{CTMoleFraction(s.get(), 1)}; }, 1, 0},
  };
  for (const auto& row : rows) {
    SiblingSteps observer;
    s->set_observer(&observer);
    EXPECT_EQ(row.run(), row.result) << row.call;
    s->set_observer(nullptr);
    EXPECT_EQ(observer.steps, row.steps) << row.call;
  }
  EXPECT_EQ(Where(*s), "Top/S/Comp Mole Frac/Elem99999");
  DriveOptions options;
  options.max_selections = 2;
  DriveReport report;
  IteratorPtr top = At(tree);
  DriveNode(*top, options, report);
  DriveNode(*At(tree, "S"), options, report);
  ExpectClean(report);
}

TEST_F(HostileTrees, VeryDeepNestingNeedsNoRecursion) {
  TreeBuilder b;
  const int depth = 20000;
  for (int i = 0; i < depth; ++i) b.Open(i % 2 ? "Reaction" : "ReactionList");
  for (int i = 0; i < depth; ++i) b.Close();
  auto tree = b.Finish();
  hostsim::HostIterator deepest(tree, tree->size() - 1);
  DriveReport report;
  DriveNode(deepest, DriveOptions{}, report);
  ExpectClean(report);
}

}  // namespace
}  // namespace fintop_test
