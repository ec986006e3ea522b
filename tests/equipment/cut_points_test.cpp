// Cut points, viscosity reference temperatures and entrainment results.
#include "support/fintop_test.h"

namespace fintop_test {
namespace {

constexpr char kAssay[] = R"({"name": "Case", "children": [
  {"name": "Assay", "children": [{"name": "CO results label", "elements": ["a", "b", "c"]}]},
  {"name": "Bare"}]})";

struct ListRow {
  FICollection callback;
  int index;
  int result;
  const char* recorded;
};

class FixedListTable : public CallbackTestWithParam<ListRow> {};

// The lists are the library's own: the host is neither read nor moved, whatever node it is.
TEST_P(FixedListTable, RecordsTheRowWithTextAndRealValues) {
  const ListRow& row = GetParam();
  Tree tree = MakeTree(kAssay);
  IteratorPtr it = At(tree, "Bare");
  EXPECT_EQ(row.callback(it.get(), nullptr, row.index), row.result);
  EXPECT_EQ(Recorded(*it), row.recorded);
  EXPECT_EQ(Where(*it), "Case/Bare");
}

INSTANTIATE_TEST_SUITE_P(
    CutPercent, FixedListTable,
    ::testing::Values(
        ListRow{CTCutPercent, -1, 31, ""},
        ListRow{CTCutPercent, 0, 0, "CutPercent=text:Cut Pt-0.0%; CutPoint=real:0"},
        ListRow{CTCutPercent, 1, 1, "CutPercent=text:Cut Pt-1.00%; CutPoint=real:1"},
        ListRow{CTCutPercent, 3, 3, "CutPercent=text:Cut Pt-3.50%; CutPoint=real:3.5"},
        ListRow{CTCutPercent, 11, 11, "CutPercent=text:Cut Pt-25.00%; CutPoint=real:25"},
        ListRow{CTCutPercent, 25, 25, "CutPercent=text:Cut Pt-92.50%; CutPoint=real:92.5"},
        ListRow{CTCutPercent, 27, 27, "CutPercent=text:Cut Pt-96.50%; CutPoint=real:96.5"},
        ListRow{CTCutPercent, 29, 29, "CutPercent=text:Cut Pt-99.00%; CutPoint=real:99"},
        ListRow{CTCutPercent, 30, 30, "CutPercent=text:Cut Pt-100.00%; CutPoint=real:100"},
        // No row: refused without reading past the table.
        ListRow{CTCutPercent, 31, 0, ""}, ListRow{CTCutPercent, -2, 0, ""},
        ListRow{CTCutPercent, 1000, 0, ""}));

INSTANTIATE_TEST_SUITE_P(
    Viscosity, FixedListTable,
    ::testing::Values(
        ListRow{CTViscosity, -1, 2, ""},
        ListRow{CTViscosity, 0, 0, "ViscosityName=text:Viscosity at 100 F; ReferenceTemp=real:100"},
        ListRow{CTViscosity, 1, 1, "ViscosityName=text:Viscosity at 210 F; ReferenceTemp=real:210"},
        ListRow{CTViscosity, 2, 0, ""}, ListRow{CTViscosity, 5, 0, ""},
        ListRow{CTViscosity, -2, 0, ""}));

class CutPoints : public CallbackTest {};

TEST_F(CutPoints, EveryCutIsNamedAfterItsPercentage) {
  Tree tree = MakeTree(kAssay);
  IteratorPtr it = At(tree, "Bare");
  for (int index = 0; index < 31; ++index) {
    ASSERT_EQ(CTCutPercent(it.get(), nullptr, index), index);
    FIAttribute name;
    FIAttribute point;
    ASSERT_TRUE(it->GetAttribute("CutPercent", name));
    ASSERT_TRUE(it->GetAttribute("CutPoint", point));
    ASSERT_EQ(name.type(), FT_TEXT);
    ASSERT_EQ(point.type(), FT_REAL);
    const std::string text = name.c_str();
    ASSERT_EQ(text.rfind("Cut Pt-", 0), 0u) << text;
    ASSERT_EQ(text.back(), '%');
    const std::string number = text.substr(7, text.size() - 8);
    // "0.0" alone has one decimal place; the rest have two.
    EXPECT_EQ(number.size() - number.find('.') - 1, index == 0 ? 1u : 2u) << text;
    EXPECT_DOUBLE_EQ(std::stod(number), point.rval()) << text;
    if (index > 0) {
      FIAttribute before;
      CTCutPercent(it.get(), nullptr, index - 1);
      it->GetAttribute("CutPoint", before);
      EXPECT_LT(before.rval(), point.rval()) << text;
    }
  }
}

TEST_F(CutPoints, EntrainmentCountsTheResultsAndNamesTheSelection) {
  Tree tree = MakeTree(kAssay);
  IteratorPtr it = At(tree, "Assay");
  EXPECT_EQ(CTEntrainment(it.get(), nullptr, -1), 3);
  EXPECT_EQ(Recorded(*it), "");
  EXPECT_EQ(CTEntrainment(it.get(), nullptr, 2), 2);
  EXPECT_EQ(Recorded(*it), "EntrainmentElem=text:Elem2");
  EXPECT_EQ(Where(*it), "Case/Assay");

  IteratorPtr bare = At(tree, "Bare");
  EXPECT_EQ(CTEntrainment(bare.get(), nullptr, -1), 0);
}

}  // namespace
}  // namespace fintop_test
