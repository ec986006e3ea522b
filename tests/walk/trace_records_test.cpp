// The walk's JSON trace is one record per call (tools/record/call_record.h): a record reads back
// as it was written, any other line or a malformed one is refused; the attributes it records are
// those of the list fintop-trace reads back.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "attribute_value.h"
#include "document.h"
#include "framework/recorded_attributes.h"
#include "iterator/case_loader.h"
#include "output.h"
#include "support/call_reader.h"

namespace {

std::string Walk(const std::string& arguments) {
  std::string command = std::string(FINTOP_WALK) + " " + FINTOP_PLANT + " " + arguments;
  std::FILE* pipe = popen(command.c_str(), "r");
  EXPECT_NE(pipe, nullptr) << command;
  if (pipe == nullptr) return {};
  std::string out;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << command;
  return out;
}

// The default plant's walk records every name of the list the proxy reads back, and no other.
TEST(JsonTrace, AttributesRecordedAreTheListedOnes) {
#define FINTOP_TEST_NAME(name) name,
  const std::set<std::string> listed = {FINTOP_RECORDED_ATTRIBUTES(FINTOP_TEST_NAME)};
#undef FINTOP_TEST_NAME
  std::set<std::string> recorded;
  const walk::Document doc(Walk("--json --trace"), "walk.json");
  for (const record::Call& call : walk::CallsOf(doc)) {
    for (const auto& [name, value] : call.attributes) recorded.insert(name);
  }
  EXPECT_EQ(recorded, listed);
}

// A row as one line: its line breaks and the blanks after them left out.
std::string Joined(std::string_view row) {
  std::string line;
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (row[i] != '\n') {
      line += row[i];
      continue;
    }
    while (i + 1 < row.size() && row[i + 1] == ' ') ++i;
  }
  return line;
}

class RoundTrip : public testing::TestWithParam<const char*> {};

TEST_P(RoundTrip, ReadsBackAsWritten) {
  std::optional<record::Call> call = walk::ParseCall(GetParam());
  ASSERT_TRUE(call) << GetParam();
  EXPECT_EQ(record::Line(*call), Joined(GetParam()));
  EXPECT_EQ(walk::ParseCall(record::Line(*call)), call);
}

INSTANTIATE_TEST_SUITE_P(
    Records, RoundTrip,
    testing::Values(
        R"({"callback":"CTStreams","node":"Plant/S","result":false,"attributes":{},"at":"Plant/S"})",
        R"({"callback":"CTUnitOperations","node":"P","result":true,"out":"QELSeparator",
            "attributes":{},"bindings":{},"at":"P","operations":[]})",
        R"({"callback":"CTPumpCurve","node":"P/Pump","index":2,"result":2,
            "attributes":{"CurveIdx":2,"Name":"a\"b","Frac":0.25,"Bad":"nan"},
            "bindings":{"NPSH":"Point 1 NPSH"},"at":"P/Pump/Curves/Elem2",
            "operations":["Down \"Curves\" -> P/Pump/Curves"],"thread":3})",
        R"({"callback":"CTComponent","node":"P","move":1,"result":true,"attributes":{},
            "at":"P/Comp Mole Frac/Elem0","thread":1})"));

// Other lines, malformed lines and calls with a member of the wrong type.
class NotACall : public testing::TestWithParam<const char*> {};

TEST_P(NotACall, IsRefused) {
  EXPECT_FALSE(walk::ParseCall(GetParam())) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(
    Entries, NotACall,
    testing::Values(R"({"framework":"P","attribute":"A","value":1})",
                    R"({"log":"fintop-trace","version":1,"plugin":"x"})",
                    R"({"error":"cannot load"})", R"([1])",
                    R"({"begin":"C","node":"P","thread":1})",
                    R"({"snapshot":"s.json","nodes":3,"digest":"00000000000000ff"})",
                    R"({"callback":"C","node":"P","result":"yes","at":"P"})",
                    R"({"callback":"C","node":"P","index":"1","result":1,"at":"P"})",
                    R"({"callback":"C","node":"P","result":1,"attributes":[],"at":"P"})"));

INSTANTIATE_TEST_SUITE_P(
    Malformed, NotACall,
    testing::Values("", R"("callback")", R"({"callback":"C","node":"P","result":1,"at":"P")",
                    R"({"callback":"C","node":"P","result":1,"at":"P"} {})",
                    R"({"callback":"C","node":"P","result":1,"at":"P",})",
                    "{\"callback\":\"C\",\"node\":\"P\xff\",\"result\":1,\"at\":\"P\"}",
                    R"({"callback":"C","node":"P","result":1})",
                    R"({"callback":"C","result":1,"at":"P"})",
                    R"({"callback":"C","node":["P"],"result":1,"at":"P"})",
                    R"({"callback":"C","node":"P","result":1.0,"at":"P"})",
                    R"({"callback":"C","node":"P","result":9223372036854775808,"at":"P"})",
                    R"({"callback":"C","node":"P","move":2147483648,"result":1,"at":"P"})",
                    R"({"callback":"C","node":"P","result":1,"out":{},"at":"P"})",
                    R"({"callback":"C","node":"P","result":1,"attributes":{"A":[1]},"at":"P"})",
                    R"({"callback":"C","node":"P","result":1,"attributes":{"A":1e999},"at":"P"})",
                    R"({"callback":"C","node":"P","before":[],"result":1,"at":"P"})",
                    R"({"callback":"C","node":"P","result":1,"bindings":{"A":1},"at":"P"})",
                    R"({"callback":"C","node":"P","result":1,"at":"P","operations":[1]})",
                    R"({"callback":"C","node":"P","result":1,"at":"P","operations":"x"})",
                    R"({"callback":"C","node":"P","result":1,"at":"P","thread":-1})",
                    R"({"callback":"C","node":"P","result":1,"at":"P","thread":1.5})"));

// The record's values: how an attribute is written, whether two attributes hold the same value
// (what fintop-trace records as changed) and whether their records read back equal.
struct ValueRow {
  const char* name;
  FIAttribute a, b;
  bool same;            // SameValue(a, b)
  bool same_in_record;  // their record values equal
  const char* shown;    // a's record value as written
};

class RecordValue : public testing::TestWithParam<ValueRow> {};

TEST_P(RecordValue, IsWrittenComparedAndReadBack) {
  const ValueRow& row = GetParam();
  EXPECT_EQ(record::SameValue(row.a, row.b), row.same);
  EXPECT_EQ(record::SameValue(row.b, row.a), row.same);
  const record::Value a = record::AttributeValue(row.a), b = record::AttributeValue(row.b);
  EXPECT_EQ(a == b, row.same_in_record);
  EXPECT_EQ(a.Shown(), row.shown);
  record::Call call;
  call.callback = "CTPumpCurve";
  call.result = record::Value::Integer(1);
  call.Record("X", a);
  std::optional<record::Call> back = walk::ParseCall(record::Line(call));
  ASSERT_TRUE(back) << record::Line(call);
  ASSERT_EQ(back->attributes.size(), 1u);
  EXPECT_EQ(back->attributes[0].second, a) << record::Line(call);
}

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
const ValueRow kValues[] = {
    {"nan_nan", kNan, kNan, true, true, R"("nan")"},
    {"nan_number", kNan, 1.0, false, false, R"("nan")"},
    {"nan_zero", kNan, 0.0, false, false, R"("nan")"},
    {"minus_inf", -kInf, -kInf, true, true, R"("-inf")"},
    {"minus_inf_inf", -kInf, kInf, false, false, R"("-inf")"},
    {"inf_largest", kInf, 1.7976931348623157e308, false, false, R"("inf")"},
    {"real", 0.5, 0.5, true, true, "0.5"},
    {"real_other", 0.5, 0.25, false, false, "0.5"},
    {"minus_zero", -0.0, 0.0, true, false, "-0.0"},  // written apart, so not the same
    {"integer_real", 1, 1.0, false, false, "1"},
    {"integer", -7, -7, true, true, "-7"},
    {"text", "a\"b", "a\"b", true, true, R"("a\"b")"},
    {"text_other", "a", "b", false, false, R"("a")"},
    // A real that is not a number is written as a text: its record equals that text's.
    {"nan_text", kNan, "nan", false, true, R"("nan")"},
    {"empty", FIAttribute(), FIAttribute(), true, true, "null"},
    {"empty_text", FIAttribute(), "", false, false, "null"},
};

INSTANTIATE_TEST_SUITE_P(Values, RecordValue, testing::ValuesIn(kValues),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CallRecord, KeepsFirstPlaceAndLastValue) {
  record::Call call;
  call.Record("B", record::Value::Integer(1));
  call.Record("A", record::Value::Integer(2));
  call.Record("B", record::Value::Integer(3));
  ASSERT_EQ(call.attributes.size(), 2u);
  EXPECT_EQ(call.attributes[0].first, "B");
  EXPECT_EQ(call.attributes[0].second, record::Value::Integer(3));
  EXPECT_EQ(call.attributes[1].first, "A");
  // A model node's attributes and bindings as --json writes them: likewise.
  walk::ModelNode item;
  item.kind = walk::ModelNode::kItem;
  item.attributes = {{"B", record::Value::Integer(1)},
                     {"A", record::Value::Integer(2)},
                     {"B", record::Value::Integer(3)}};
  item.bindings = {{"g", "x"}, {"h", "z"}, {"g", "y"}};
  kit::Output out;
  kit::JsonWriter json(out, kit::JsonWriter::kLine);
  walk::JsonSink sink(json);
  sink.Open(item);
  sink.Close(item);
  EXPECT_EQ(out.text(), R"({"item":0,"attributes":{"B":3,"A":2},"bindings":{"g":"y","h":"z"}})");
}

// Addresses: each level's name and place written and read back; a malformed address refused.
struct AddressRow {
  const char* name;
  std::vector<record::Level> levels;  // empty: `address` is refused
  const char* address;
};

class Address : public testing::TestWithParam<AddressRow> {};

TEST_P(Address, WrittenAndReadBack) {
  const AddressRow& row = GetParam();
  std::vector<record::Level> read;
  if (row.levels.empty()) {
    EXPECT_FALSE(record::SplitAddress(row.address, read)) << row.address;
    return;
  }
  std::string written;
  for (std::size_t i = 0; i < row.levels.size(); ++i)
    record::AppendLevel(written, row.levels[i].name, row.levels[i].place, i == 0);
  EXPECT_EQ(written, row.address);
  ASSERT_TRUE(record::SplitAddress(row.address, read));
  EXPECT_EQ(read, row.levels);
}

const AddressRow kAddresses[] = {
    {"top", {{"Plant", 1}}, "Plant"},
    {"empty_top", {{"", 1}, {"x", 1}}, "/x"},
    {"slash", {{"Plant", 1}, {"A/B", 1}}, "Plant/A\\/B"},
    {"backslash", {{"P", 1}, {"a\\b", 1}}, "P/a\\\\b"},
    {"second_of_name", {{"P", 1}, {"Reaction", 2}, {"Elem0", 1}}, "P/Reaction\\#2/Elem0"},
    {"tenth_of_name", {{"P", 1}, {"R", 10}}, "P/R\\#10"},
    {"name_like_a_place", {{"P", 1}, {"Feed\\#2", 1}}, "P/Feed\\\\#2"},
    {"trailing_backslash", {}, "P/x\\"},
    {"unknown_escape", {}, "P/x\\q"},
    {"place_one", {}, "P/x\\#1"},
    {"place_without_digits", {}, "P/x\\#"},
    {"text_after_place", {}, "P/x\\#2y"},
    {"place_too_long", {}, "P/x\\#1234567890"},
    {"place_with_leading_zero", {}, "P/x\\#02"},
};

INSTANTIATE_TEST_SUITE_P(Addresses, Address, testing::ValuesIn(kAddresses),
                         [](const auto& info) { return std::string(info.param.name); });

// Every node of a tree whose names repeat and hold the address's own characters has an address
// that finds it again; an address of a node the tree lacks finds none.
TEST(Address, NamesEveryNodeOfTheTree) {
  auto tree = hostsim::LoadCaseText(R"({"name": "T/1", "children": [
      {"name": "R", "children": [{"name": "x"}]}, {"name": "R\\#2"}, {"name": "R", "children": [
      {"name": "x"}, {"name": "x"}, {"name": "a\\b/c"}]}, {"name": "R"}]})");
  for (std::uint32_t node = 0; node < tree->size(); ++node)
    EXPECT_EQ(walk::FindAddress(*tree, walk::AddressOf(*tree, node)), node) << node;
  EXPECT_EQ(walk::AddressOf(*tree, tree->size() - 1), "T\\/1/R\\#2/a\\\\b\\/c");
  for (const char* missing :
       {"T/1", "T\\/1/R\\#4", "T\\/1/R\\#3/x\\#3", "T\\/1/Q", "U", "T\\/1/R\\"})
    EXPECT_EQ(walk::FindAddress(*tree, missing), hostsim::kNoNode) << missing;
}

}  // namespace
