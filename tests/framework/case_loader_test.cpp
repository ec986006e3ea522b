// The case file: what it builds, and the messages for what it refuses.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

using hostsim::CaseError;
using hostsim::LoadCaseFile;
using hostsim::LoadCaseText;

TEST(CaseLoader, BuildsNodesPropertiesChildrenAndElementsInOrder) {
  Tree tree = LoadCaseText(R"({
    "name": "Plant", "type": "TemplateOpObject",
    "children": [
      {"name": "S1", "type": "MaterialStreamObject", "props": {"Phase": "Vapour", "n": 3},
       "children": [{"name": "Comp Mole Frac", "elements": [0.25, {"value": 0.75, "id": "Ethane"}, null]}]},
      {"name": "Empty", "elements": []}
    ]})");
  IteratorPtr it = hostsim::NewIterator(tree, "S1.\"Comp Mole Frac\"");
  ASSERT_TRUE(it);
  ASSERT_TRUE(it->Element(1));
  EXPECT_EQ(Where(*it), "Plant/S1/Comp Mole Frac/Elem1");
  FIAttribute v;
  it->GetValue(FIAttribute("id"), v);
  EXPECT_STREQ(v.c_str(), "Ethane");
  it->GetValue(FIAttribute("value"), v);
  EXPECT_DOUBLE_EQ(v.rval(), 0.75);
  ASSERT_TRUE(it->Next());
  FIAttribute none;
  it->GetValue(FIAttribute("value"), none);
  EXPECT_TRUE(none.empty());
  it->Up();
  it->Up();
  it->GetValue(FIAttribute("n"), v);
  EXPECT_EQ(v.type(), FT_INTEGER);
  EXPECT_EQ(v.ival(), 3);
  EXPECT_EQ(tree->size(), 7u);
}

TEST(CaseLoader, LargeIntegersBecomeReals) {
  Tree tree = LoadCaseText(R"({"name": "T", "value": 3000000000})");
  IteratorPtr it = hostsim::NewIterator(tree);
  FIAttribute v;
  it->GetValue(FIAttribute("value"), v);
  EXPECT_EQ(v.type(), FT_REAL);
  EXPECT_DOUBLE_EQ(v.rval(), 3e9);
}

// A number is an integer when written without fraction or exponent and within 32 bits, else
// the nearest real; below the smallest real it is a zero of its sign.
struct NumberRow {
  const char* written;
  hostsim::PropValue::Kind kind;
  double value;
};

class CaseLoaderNumbers : public ::testing::TestWithParam<NumberRow> {};

TEST_P(CaseLoaderNumbers, ReadAsWritten) {
  const NumberRow& row = GetParam();
  Tree tree = LoadCaseText(std::string(R"({"name": "T", "value": )") + row.written + "}");
  const hostsim::PropValue* v = tree->property(tree->root(), "value");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->kind, row.kind) << row.written;
  const double read = v->kind == hostsim::PropValue::kInteger ? v->integer : v->real;
  EXPECT_EQ(read, row.value) << row.written;
  EXPECT_EQ(std::signbit(read), std::signbit(row.value)) << row.written;
}

constexpr auto kInt = hostsim::PropValue::kInteger;
constexpr auto kReal = hostsim::PropValue::kReal;
INSTANTIATE_TEST_SUITE_P(
    Numbers, CaseLoaderNumbers,
    ::testing::Values(NumberRow{"-2147483648", kInt, -2147483648.0},
                      NumberRow{"2147483647", kInt, 2147483647}, NumberRow{"-0", kInt, 0},
                      NumberRow{"2147483648", kReal, 2147483648.0},
                      NumberRow{"-9223372036854775809", kReal, -9223372036854775808.0},
                      NumberRow{"18446744073709551616", kReal, 18446744073709551616.0},
                      NumberRow{"1E+2", kReal, 100}, NumberRow{"-0.0", kReal, -0.0},
                      NumberRow{"0.30000000000000004", kReal, 0.30000000000000004},
                      NumberRow{"4.9e-324", kReal, 4.9e-324}, NumberRow{"-1e-400", kReal, -0.0},
                      NumberRow{"1.7976931348623157e308", kReal, 1.7976931348623157e308}));

struct BadCase {
  std::string json;
  std::string message;  // what the error must say, after "<origin>:"
};

void PrintTo(const BadCase& row, std::ostream* os) {
  *os << row.json;
}

class CaseLoaderRefuses : public ::testing::TestWithParam<BadCase> {};

TEST_P(CaseLoaderRefuses, NamingLineColumnAndWhatWasExpected) {
  try {
    LoadCaseText(GetParam().json, "bad.json");
    FAIL() << "accepted " << GetParam().json;
  } catch (const CaseError& e) {
    EXPECT_EQ(std::string(e.what()), std::string("bad.json:") + GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, CaseLoaderRefuses,
    ::testing::Values(
        BadCase{R"({"name": "T", "children": [)",
                "1:28: not valid JSON: syntax error while parsing "
                "value - unexpected end of input; expected '[', '{', or a literal"},
        BadCase{"[1]", "1:2: expected a node object at the top, found an array"},
        BadCase{"{\"name\": \"T\",\n \"colour\": 1}", "2:10: unknown key \"colour\" in a node"},
        BadCase{R"({"name": 5})", "1:12: \"name\" must be a text"},
        BadCase{R"({"value": 5})", "1:13: a node needs a \"name\""},
        BadCase{R"({"name": "T", "value": true})",
                "1:28: expected a text, integer or real, found a boolean"},
        BadCase{R"({"name": "T", "children": [5]})",
                "1:30: expected a node object in \"children\""},
        BadCase{R"({"name": "T", "children": {}})",
                "1:28: \"children\" must be an array of nodes, found an object"},
        BadCase{R"({"name": "T", "elements": [{"name": "x"}]})",
                "1:35: an element takes no \"name\" (it is named by its position)"},
        BadCase{R"({"name": "T", "name": "U"})", "1:21: duplicate key \"name\""},
        BadCase{R"({"name": "T", "value": 1, "props": {"value": 2}})",
                "1:48: duplicate property \"value\""},
        BadCase{R"({"name": "T", "props": {"x": [1]}})",
                "1:31: property \"x\" must be a text, integer or real, found an array"},
        // A key from the file is shown escaped and cut: the message stays one line.
        BadCase{R"({"name": "T", "n\u0000a\"m\\e\n": 1})",
                R"(1:33: unknown key "n\u0000a\"m\\e\u000a" in a node)"},
        BadCase{
            R"({"name": "T", "props": {"\r\t": {}}})",
            R"(1:34: property "\u000d\u0009" must be a text, integer or real, found an object)"},
        BadCase{R"({"name": "T", ")" + std::string(150, 'k') + R"(": 1})",
                "1:167: unknown key \"" + std::string(100, 'k') + "\" (cut) in a node"},
        BadCase{R"({"name": "T"} {"name": "U"})",
                "1:16: not valid JSON: syntax error while parsing value - unexpected '{'; expected "
                "end of input"},
        BadCase{"",
                "1:1: not valid JSON: syntax error while parsing value - unexpected end of input; "
                "expected '[', '{', or a literal"},
        BadCase{R"({"name": "T"} x)",
                "1:16: not valid JSON: syntax error while parsing value - unexpected 'x'; expected "
                "end of input"},
        BadCase{R"({"name": "T", "elements": [1)",
                "1:29: not valid JSON: syntax error while parsing array - unexpected end of input; "
                "expected ']'"},
        BadCase{R"({"name")",
                "1:8: not valid JSON: syntax error while parsing object separator - unexpected end "
                "of input; expected ':'"},
        BadCase{R"({"name": "T", "value": 1e400})",
                "1:30: the number 1e400 is too large: a real is at most about 1.8e308"},
        BadCase{R"({"name": "T", "value": 01})", "1:27: not valid JSON: invalid number"},
        BadCase{"{\"name\": \"\xc3\x28\"}",
                "1:14: not valid JSON: a text that is not UTF-8 (save the case as UTF-8)"},
        BadCase{R"({"name": "T", "value": "\ud800"})",
                "1:31: not valid JSON: a \\u escape of a lone surrogate"},
        BadCase{R"({"name": "T", "value": "a\u0000"})", "1:33: a text holds a NUL character"}));

TEST(CaseLoader, RefusesNestingBeyondTheLimitWithoutOverflowingTheStack) {
  std::string deep;
  const std::size_t levels = hostsim::kMaxCaseDepth + 2;
  for (std::size_t i = 0; i < levels; ++i) deep += R"({"name": "n", "children": [)";
  for (std::size_t i = 0; i < levels; ++i) deep += "]}";
  try {
    LoadCaseText(deep, "deep.json");
    FAIL();
  } catch (const CaseError& e) {
    EXPECT_NE(std::string(e.what()).find("nodes nest deeper than 10000 levels"), std::string::npos)
        << e.what();
  }
  std::string ok;
  for (std::size_t i = 0; i < hostsim::kMaxCaseDepth; ++i) ok += R"({"name": "n", "children": [)";
  ok += R"({"name": "leaf"})";
  for (std::size_t i = 0; i < hostsim::kMaxCaseDepth; ++i) ok += "]}";
  EXPECT_EQ(LoadCaseText(ok)->depth(), hostsim::kMaxCaseDepth);
}

TEST(CaseLoader, UnreadableFilesAreNamed) {
  std::string missing = "/nonexistent/dir/case.json";
  EXPECT_THROW(
      {
        try {
          LoadCaseFile(missing);
        } catch (const CaseError& e) {
          EXPECT_EQ(std::string(e.what()).rfind(missing + ": cannot read the case", 0), 0u);
          throw;
        }
      },
      CaseError);
  auto dir = std::filesystem::temp_directory_path();
  EXPECT_THROW(LoadCaseFile(dir.string()), CaseError);
  auto file = dir / "fintop_truncated_case.json";
  std::ofstream(file) << R"({"name": "T", "chil)";
  try {
    LoadCaseFile(file.string());
    FAIL();
  } catch (const CaseError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(file.string() + ":1:", 0), 0u) << e.what();
  }
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace fintop_test
