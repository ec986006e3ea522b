// The kind tests and the unit-operation classifier over every host type they know.
#include <tuple>

#include "support/fintop_test.h"

namespace fintop_test {
namespace {

class KindTests : public CallbackTest {
 protected:
  // A top node with one child of the given "type" (or none), the iterator on that child.
  IteratorPtr NodeOfType(const char* type) {
    std::string json =
        type == nullptr ? R"({"name": "Case", "children": [{"name": "N"}]})"
                        : std::string(R"({"name": "Case", "children": [{"name": "N", "type": ")") +
                              type + R"("}]})";
    tree_ = MakeTree(json);
    return At(tree_, "N");
  }
  Tree tree_;
};

struct KindCase {
  const char* type;
  FIKindTest test;
};

class KindTestTable : public CallbackTestWithParam<KindCase> {};

TEST_P(KindTestTable, MatchesExactlyItsHostTypeAndNothingElse) {
  const KindCase& row = GetParam();
  static const KindCase kAll[] = {{"TemplateOpObject", CTFlowsheets},
                                  {"BPTableUtilityObject", CTDistillationCurves},
                                  {"MaterialStreamObject", CTStreams},
                                  {"EnvelopeUtilityObject", CTPhaseEnvelopes},
                                  {"EnergyStreamObject", CTHeatStreams}};
  for (const KindCase& other : kAll) {
    Tree tree = MakeTree(std::string(R"({"name": "C", "children": [{"name": "N", "type": ")") +
                         other.type + R"("}]})");
    IteratorPtr it = At(tree, "N");
    EXPECT_EQ(row.test(it.get()), other.test == row.test) << row.type << " on " << other.type;
    EXPECT_EQ(Where(*it), "C/N");
    EXPECT_EQ(Recorded(*it), "");
  }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, KindTestTable,
                         ::testing::Values(KindCase{"TemplateOpObject", CTFlowsheets},
                                           KindCase{"BPTableUtilityObject", CTDistillationCurves},
                                           KindCase{"MaterialStreamObject", CTStreams},
                                           KindCase{"EnvelopeUtilityObject", CTPhaseEnvelopes},
                                           KindCase{"EnergyStreamObject", CTHeatStreams}));

TEST_F(KindTests, NearMissesOfATypeNameFail) {
  for (const char* type : {"materialstreamobject", "MaterialStreamObject ", " MaterialStreamObject",
                           "MaterialStream", "MaterialStreamObjectX", ""}) {
    IteratorPtr it = NodeOfType(type);
    EXPECT_FALSE(CTStreams(it.get())) << '"' << type << '"';
  }
}

TEST_F(KindTests, ANumericTypeIsComparedAsItsText) {
  tree_ = MakeTree(R"({"name": "C", "children": [{"name": "N", "type": 12}]})");
  IteratorPtr it = At(tree_, "N");
  EXPECT_FALSE(CTStreams(it.get()));
}

TEST_F(KindTests, ANodeWithoutTypeFailsEveryTestAndTheClassifierLeavesOutAsItWas) {
  IteratorPtr it = NodeOfType(nullptr);
  EXPECT_FALSE(CTFlowsheets(it.get()));
  EXPECT_FALSE(CTDistillationCurves(it.get()));
  EXPECT_FALSE(CTStreams(it.get()));
  EXPECT_FALSE(CTPhaseEnvelopes(it.get()));
  EXPECT_FALSE(CTHeatStreams(it.get()));
  FIAttribute out("untouched");
  EXPECT_FALSE(CTUnitOperations(it.get(), &out));
  EXPECT_STREQ(out.c_str(), "untouched");
  EXPECT_EQ(Where(*it), "Case/N");
}

TEST_F(KindTests, ANullIteratorFailsWithoutCrashing) {
  FIAttribute out;
  EXPECT_FALSE(CTStreams(nullptr));
  EXPECT_FALSE(CTUnitOperations(nullptr, &out));
  EXPECT_TRUE(out.empty());
}

using ClassRow = std::tuple<const char*, const char*>;
class ClassifierTable : public CallbackTestWithParam<ClassRow> {};

TEST_P(ClassifierTable, WritesTheGenericClassName) {
  auto [host_type, class_name] = GetParam();
  Tree tree = MakeTree(std::string(R"({"name": "C", "children": [{"name": "U", "type": ")") +
                       host_type + R"("}]})");
  IteratorPtr it = At(tree, "U");
  FIAttribute out(7);
  ASSERT_TRUE(CTUnitOperations(it.get(), &out));
  EXPECT_EQ(out.type(), FT_TEXT);
  EXPECT_STREQ(out.c_str(), class_name);
  EXPECT_EQ(Where(*it), "C/U");
  EXPECT_EQ(Recorded(*it), "");
}

INSTANTIATE_TEST_SUITE_P(
    AllSeventeenHostTypes, ClassifierTable,
    ::testing::Values(
        ClassRow{"PipeSegObject", "QELPipe"}, ClassRow{"CompressorObject", "QELCompressor"},
        ClassRow{"FlashTankObject", "QELSeparator"}, ClassRow{"Sep3OpObject", "QELSeparator"},
        ClassRow{"TankOpObject", "QELSeparator"}, ClassRow{"ValveOpObject", "QELValve"},
        ClassRow{"PumpOpObject", "QELPump"}, ClassRow{"HeatExOpObject", "QELHeatExchanger"},
        ClassRow{"MixerOpObject", "QELMixer"}, ClassRow{"TeeOpObject", "QELTee"},
        ClassRow{"DistillationObject", "QELDistillationColumn"},
        ClassRow{"ColumnOpObject", "QELDistillationColumn"},
        ClassRow{"ConversionReactorOpObject", "QELConversionReactor"},
        ClassRow{"EquilibriumReactorOpObject", "QELEquilibriumReactor"},
        ClassRow{"GibbsReactorOpObject", "QELGibbsReactor"},
        ClassRow{"HeaterOpObject", "QELHeaterCooler"},
        ClassRow{"CoolerOpObject", "QELHeaterCooler"}));

TEST_F(KindTests, ClassifierRejectsKindTestTypesAndNearMisses) {
  for (const char* type : {"MaterialStreamObject", "pipesegobject", "PipeSegObject ",
                           "HeaterOpObjec", "TraySectionObject"}) {
    IteratorPtr it = NodeOfType(type);
    FIAttribute out(3.5);
    EXPECT_FALSE(CTUnitOperations(it.get(), &out)) << type;
    EXPECT_EQ(out.type(), FT_REAL);
  }
}

}  // namespace
}  // namespace fintop_test
