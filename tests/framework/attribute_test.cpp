// FIAttribute as the callbacks and the host use it.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

TEST(Attribute, FirstWordIsZeroWhileEmptyAndNonZeroOnceFilled) {
  FIAttribute a;
  std::uint32_t word;
  std::memcpy(&word, &a, sizeof word);
  EXPECT_EQ(word, 0u);
  EXPECT_EQ(a.c_str(), nullptr);
  for (FIAttribute filled : {FIAttribute("x"), FIAttribute(0), FIAttribute(0.0), FIAttribute("")}) {
    std::memcpy(&word, &filled, sizeof word);
    EXPECT_NE(word, 0u);
  }
  a = 5;
  a.Clear();
  std::memcpy(&word, &a, sizeof word);
  EXPECT_EQ(word, 0u);
  static_assert(FT_TEXT == 3);
}

TEST(Attribute, ElementNamesAppendDecimalDigits) {
  struct Row {
    int index;
    const char* text;
  } rows[] = {{0, "Elem0"},
              {12, "Elem12"},
              {-3, "Elem-3"},
              {std::numeric_limits<int>::max(), "Elem2147483647"},
              {std::numeric_limits<int>::min(), "Elem-2147483648"}};
  for (const Row& row : rows) {
    FIAttribute a("Elem");
    a.Append(row.index);
    EXPECT_EQ(a.type(), FT_TEXT);
    EXPECT_STREQ(a.c_str(), row.text);
  }
}

TEST(Attribute, AssignmentReplacesValueAndType) {
  FIAttribute a("text");
  a = 4;
  EXPECT_EQ(a.type(), FT_INTEGER);
  EXPECT_EQ(a.c_str(), nullptr);
  EXPECT_EQ(a.ival(), 4);
  a.Clear();
  a = 2.5;
  EXPECT_EQ(a.type(), FT_REAL);
  EXPECT_DOUBLE_EQ(a.rval(), 2.5);
  a = "back";
  EXPECT_STREQ(a.c_str(), "back");
  a = static_cast<const char*>(nullptr);
  EXPECT_TRUE(a.empty());
}

TEST(Attribute, LongTextsGrowAndCopyIndependently) {
  std::string long_text(10000, 'x');
  FIAttribute a(long_text.c_str());
  FIAttribute b(a);
  b.Append("y");
  EXPECT_EQ(std::strlen(a.c_str()), 10000u);
  EXPECT_EQ(std::strlen(b.c_str()), 10001u);
  a = b;
  EXPECT_STREQ(a.c_str(), b.c_str());
  a = a.c_str() + 5000;  // assigning a part of its own text
  EXPECT_EQ(std::strlen(a.c_str()), 5001u);
  a.Append(a.c_str());  // appending its own text
  EXPECT_EQ(std::strlen(a.c_str()), 10002u);
  FIAttribute& same = a;  // self-assignment, spelled so that no compiler warns of it
  a = same;
  EXPECT_EQ(std::strlen(a.c_str()), 10002u);
}

TEST(Attribute, ChangeTypeToTextGivesDecimalTextAndNeverNull) {
  struct Row {
    FIAttribute value;
    const char* text;
  } rows[] = {{FIAttribute(), ""},       {FIAttribute(42), "42"},
              {FIAttribute(-7), "-7"},   {FIAttribute(210.0), "210"},
              {FIAttribute(0.5), "0.5"}, {FIAttribute("as is"), "as is"}};
  for (Row& row : rows) {
    row.value.ChangeType(FT_TEXT);
    ASSERT_NE(row.value.c_str(), nullptr);
    EXPECT_STREQ(row.value.c_str(), row.text);
  }
}

TEST(Attribute, NumericReadsOfTexts) {
  struct Row {
    const char* text;
    int ival;
    double rval;  // NaN: not a number
  } rows[] = {
      {"12", 12, 12.0},      {" 7 ", 7, 7.0}, {"-3.75", -3, -3.75},
      {"1e3", 1000, 1000.0}, {"abc", 0, NAN}, {"", 0, NAN},
      {"12abc", 0, NAN},     {"+4", 4, 4.0},  {"1e300", std::numeric_limits<int>::max(), 1e300}};
  for (const Row& row : rows) {
    FIAttribute a(row.text);
    EXPECT_EQ(a.ival(), row.ival) << row.text;
    if (std::isnan(row.rval)) {
      EXPECT_TRUE(std::isnan(a.rval())) << row.text;
    } else {
      EXPECT_DOUBLE_EQ(a.rval(), row.rval) << row.text;
    }
  }
}

TEST(Attribute, NumericReadsOfNumbersAndEmpty) {
  EXPECT_EQ(FIAttribute(std::numeric_limits<int>::min()).ival(), std::numeric_limits<int>::min());
  EXPECT_EQ(FIAttribute(9.99).ival(), 9);
  EXPECT_EQ(FIAttribute(-1e20).ival(), std::numeric_limits<int>::min());
  EXPECT_EQ(FIAttribute(std::nan("")).ival(), 0);
  EXPECT_DOUBLE_EQ(FIAttribute(3).rval(), 3.0);
  EXPECT_TRUE(std::isnan(FIAttribute().rval()));
  EXPECT_EQ(FIAttribute().ival(), 0);
}

TEST(Attribute, ChangeTypeToNumbers) {
  FIAttribute a("12.5");
  a.ChangeType(FT_REAL);
  EXPECT_EQ(a.type(), FT_REAL);
  EXPECT_DOUBLE_EQ(a.rval(), 12.5);
  a.ChangeType(FT_INTEGER);
  EXPECT_EQ(a.type(), FT_INTEGER);
  EXPECT_EQ(a.ival(), 12);
  a.ChangeType(FT_EMPTY);
  EXPECT_TRUE(a.empty());
}

}  // namespace
}  // namespace fintop_test
