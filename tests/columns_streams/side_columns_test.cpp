// Side strippers and side rectifiers: draw, return, reboiler and bottoms.
#include "columns_streams/hop_rows.h"

namespace fintop_test {
namespace {

// A stripper and a rectifier; each variable names a stream of its own, so that a wrong choice
// of variable reaches a "Wrong" stream.
constexpr char kSideColumns[] = R"({"name": "Case", "children": [{"name": "Col", "children": [
  {"name": "SS", "children": [
    {"name": "Type of Tray Section", "value": "Side Stripper"},
    {"name": "top liquid feed", "value": "SS Draw"},
    {"name": "bottom vapour feed", "value": "Wrong 1"},
    {"name": "overhead vapour product", "value": "SS.Vap"},
    {"name": "bottom liquid product", "value": "SS Bottoms"}]},
  {"name": "SR", "children": [
    {"name": "Type of Tray Section", "value": "Side Rectifier"},
    {"name": "top liquid feed", "value": "Wrong 2"},
    {"name": "bottom vapour feed", "value": "SR Draw"},
    {"name": "overhead vapour product", "value": "Wrong 3"},
    {"name": "bottom liquid product", "value": "SR Liquid"}]},
  {"name": "SS Draw"}, {"name": "SS.Vap"}, {"name": "SS Bottoms"}, {"name": "SR Draw"},
  {"name": "SR Liquid"}, {"name": "Wrong 1"}, {"name": "Wrong 2"}, {"name": "Wrong 3"}]}]})";

struct SideStreamRow {
  const char* name;
  const char* column;
  FIElement callback;
  const char* recorded;
  const char* stream;
};

std::ostream& operator<<(std::ostream& os, const SideStreamRow& row) {
  return os << row.name;
}

class SideColumnStreams : public CallbackTestWithParam<SideStreamRow> {};

// The test call records the stream name as read (dots included) and does not move; the moving
// call then reaches the stream.
TEST_P(SideColumnStreams, TestCallRecordsTheNameAndTheMovingCallReachesIt) {
  const SideStreamRow& row = GetParam();
  Tree tree = MakeTree(kSideColumns);
  IteratorPtr it = At(tree, std::string("Col.") + row.column);

  EXPECT_TRUE(row.callback(it.get(), 0));
  EXPECT_EQ(Recorded(*it), row.recorded);
  EXPECT_EQ(Where(*it), std::string("Case/Col/") + row.column);
  EXPECT_TRUE(row.callback(it.get(), 1));
  EXPECT_EQ(Where(*it), std::string("Case/Col/") + row.stream);
  EXPECT_EQ(Recorded(*it), row.recorded);
}

INSTANTIATE_TEST_SUITE_P(
    StripperAndRectifier, SideColumnStreams,
    ::testing::Values(
        SideStreamRow{"StripperDraw", "SS", CTSideColumnDraw, "Draw=text:SS Draw", "SS Draw"},
        SideStreamRow{"StripperReturn", "SS", CTSideColumnReturn, "Return=text:SS.Vap", "SS.Vap"},
        SideStreamRow{"RectifierDraw", "SR", CTSideColumnDraw, "Draw=text:SR Draw", "SR Draw"},
        SideStreamRow{"RectifierReturn", "SR", CTSideColumnReturn, "Return=text:SR Liquid",
                      "SR Liquid"}),
    [](const auto& info) { return std::string(info.param.name); });

class SideColumns : public CallbackTest {};

TEST_F(SideColumns, ARectifiersReturnAndBottomsAreTheSameStream) {
  Tree tree = MakeTree(kSideColumns);
  IteratorPtr it = At(tree, "Col.SR");
  EXPECT_TRUE(CTSideColumnBottoms(it.get(), 0));
  EXPECT_EQ(Where(*it), "Case/Col/SR");
  EXPECT_TRUE(CTSideColumnBottoms(it.get(), 1));
  EXPECT_EQ(Where(*it), "Case/Col/SR Liquid");
  EXPECT_EQ(Recorded(*it), "");
}

// A side column whose kind is not recognised, or whose chosen variable names no stream, records
// nothing and is not moved.
TEST_F(SideColumns, UnknownKindsAndUnnamedStreamsRecordNothing) {
  const struct {
    const char* kind;  // the JSON after "Type of Tray Section"'s name
    const char* feed;  // the JSON after "top liquid feed"'s name
  } rows[] = {
      {R"(, "value": "Side Stripper ")", R"(, "value": "D")"},
      {R"(, "value": "side stripper")", R"(, "value": "D")"},
      {R"(, "value": "Side Rectifiers")", R"(, "value": "D")"},
      {R"(, "value": "")", R"(, "value": "D")"},
      {R"(, "value": 1)", R"(, "value": "D")"},
      {"", R"(, "value": "D")"},
      // A rectifier reads "bottom vapour feed" and "bottom liquid product", which are absent.
      {R"(, "value": "Side Rectifier")", R"(, "value": "D")"},
      {R"(, "value": "Side Stripper")", ""},
      {R"(, "value": "Side Stripper")", R"(, "value": 7)"},
  };
  for (const auto& row : rows) {
    Tree tree = MakeTree(std::string(R"({"name": "Case", "children": [{"name": "Col", "children": [
        {"name": "SC", "children": [{"name": "Type of Tray Section")") +
                         row.kind + R"(}, {"name": "top liquid feed")" + row.feed +
                         R"(}]}, {"name": "D"}]}]})");
    IteratorPtr it = At(tree, "Col.SC");
    EXPECT_FALSE(CTSideColumnDraw(it.get(), 0)) << row.kind << row.feed;
    EXPECT_FALSE(CTSideColumnReturn(it.get(), 0)) << row.kind << row.feed;
    EXPECT_EQ(Recorded(*it), "") << row.kind << row.feed;
    EXPECT_FALSE(CTSideColumnDraw(it.get(), 1)) << row.kind << row.feed;
    EXPECT_EQ(Where(*it), "Case/Col/SC");
  }
}

// The moving call goes by the attribute alone: none, or one without text, moves nothing; a name
// that is not found leaves the iterator on the side column's parent.
TEST_F(SideColumns, AMovingCallNeedsTheRecordedName) {
  const struct {
    FIElement callback;
    const char* attribute;  // recorded before the moving call, or null
    FIAttribute value;
    bool found;
    const char* where;
  } rows[] = {
      {CTSideColumnReturn, nullptr, FIAttribute(), false, "Case/Col/SS"},
      {CTSideColumnReturn, "Draw", FIAttribute("SS.Vap"), false, "Case/Col/SS"},
      {CTSideColumnDraw, "Draw", FIAttribute(4), false, "Case/Col/SS"},
      // A column side-draw selection recorded the kind of a draw under "Draw" later.
      {CTSideColumnDraw, "Draw", FIAttribute("Liquid Draw"), false, "Case/Col"},
      {CTSideColumnDraw, "Draw", FIAttribute("SS.Vap"), true, "Case/Col/SS.Vap"},
      {CTSideColumnReturn, "Return", FIAttribute("SR Draw"), true, "Case/Col/SR Draw"},
  };
  Tree tree = MakeTree(kSideColumns);
  for (const auto& row : rows) {
    IteratorPtr it = At(tree, "Col.SS");
    if (row.attribute != nullptr) it->SetAttribute(row.attribute, row.value);
    EXPECT_EQ(row.callback(it.get(), 1), row.found) << row.where;
    EXPECT_EQ(Where(*it), row.where);
  }
}

TEST_F(SideColumns, TheLaterTestCallOfTheOtherColumnWins) {
  Tree tree = MakeTree(kSideColumns);
  IteratorPtr it = At(tree, "Col.SS");
  ASSERT_TRUE(CTSideColumnDraw(it.get(), 0));
  it->SetAttribute("Draw", FIAttribute("Liquid Draw"));
  EXPECT_FALSE(CTSideColumnDraw(it.get(), 1));
  EXPECT_EQ(Where(*it), "Case/Col");
  EXPECT_EQ(Recorded(*it), "Draw=text:Liquid Draw");
}

struct ReboilerRow {
  const char* name;
  const char* bottoms;     // the JSON value of "bottom liquid product"
  const char* downstream;  // the JSON elements of the bottoms stream's downstream operations
  bool found;
  const char* after_move;
};

std::ostream& operator<<(std::ostream& os, const ReboilerRow& row) {
  return os << row.name;
}

class SideColumnReboiler : public CallbackTestWithParam<ReboilerRow> {};

// Only the first downstream unit operation of the bottoms stream is looked at. A failed moving
// call leaves the iterator where the failing step did.
TEST_P(SideColumnReboiler, IsTheFirstDownstreamUnitOperationOfTheBottoms) {
  const ReboilerRow& row = GetParam();
  Tree tree = MakeTree(std::string(R"({"name": "Case", "children": [{"name": "Col", "children": [
      {"name": "SS", "children": [{"name": "bottom liquid product", "value": )") +
                       row.bottoms + R"(}]},
      {"name": "B", "children": [{"name": "Downstream Unit Operations", "elements": )" +
                       row.downstream + R"(}]},
      {"name": "Reb", "type": "BPReboilerObject"},
      {"name": "Reb.1", "type": "BPReboilerObject"},
      {"name": "Reb 2", "type": "BPReboilerObject "},
      {"name": "Pump", "type": "PumpOpObject"}, {"name": "5"}]}]})");
  IteratorPtr it = At(tree, "Col.SS");
  EXPECT_EQ(CTSideColumnReboiler(it.get(), 0), row.found);
  EXPECT_EQ(Where(*it), "Case/Col/SS");
  EXPECT_EQ(CTSideColumnReboiler(it.get(), 1), row.found);
  EXPECT_EQ(Where(*it), row.after_move);
  EXPECT_EQ(Recorded(*it), "");
}

INSTANTIATE_TEST_SUITE_P(
    DownstreamOperations, SideColumnReboiler,
    ::testing::Values(
        ReboilerRow{"Reboiler", R"("B")", R"(["Reb", "Pump"])", true, "Case/Col/Reb"},
        ReboilerRow{"NameWithADot", R"("B")", R"(["Reb.1"])", true, "Case/Col/Reb.1"},
        ReboilerRow{"ReboilerSecond", R"("B")", R"(["Pump", "Reb"])", false, "Case/Col/Pump"},
        ReboilerRow{"TypeWithABlank", R"("B")", R"(["Reb 2"])", false, "Case/Col/Reb 2"},
        ReboilerRow{"NoDownstream", R"("B")", "[]", false, "Case/Col/B"},
        ReboilerRow{"ElementWithoutValue", R"("B")", "[null]", false,
                    "Case/Col/B/Downstream Unit Operations/Elem0"},
        ReboilerRow{"ElementWithoutText", R"("B")", "[5]", false, "Case/Col"},
        ReboilerRow{"UnknownOperation", R"("B")", R"(["Nowhere"])", false, "Case/Col"},
        ReboilerRow{"UnknownBottoms", R"("Nowhere")", R"(["Reb"])", false, "Case/Col"}),
    [](const auto& info) { return std::string(info.param.name); });

// The bottoms hop: an empty variable names no stream; a value that is not empty but has no text
// fails at the last Down.
class SideColumnBottomsHops : public HopTable {};

TEST_P(SideColumnBottomsHops, FollowsTheNamedStream) {
  CheckHop(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SideColumnBottomsHops,
    ::testing::Values(HopRow{"empty variable", CTSideColumnBottoms, "bottom liquid product", "",
                             false, "Case/Col/Unit/bottom liquid product"},
                      HopRow{"integer value", CTSideColumnBottoms, "bottom liquid product",
                             R"("value": 12)", false, "Case/Col"},
                      HopRow{"name with a dot", CTSideColumnBottoms, "bottom liquid product",
                             R"("value": "S.1")", true, "Case/Col/S.1"}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

}  // namespace
}  // namespace fintop_test
