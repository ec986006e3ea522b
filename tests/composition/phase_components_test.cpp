// Phase components: counting the vapour phase, selecting "PhaseCmpCnt", and entering the
// selected component of the phase the framework names in "PhaseName".
#include <optional>
#include <string>

#include "composition/composition_test.h"

namespace fintop_test {
namespace {

constexpr const char* kPhaseVariables[] = {"Phase Comp Mole Frac", "Phase Comp Mass Frac",
                                           "Phase Comp Volume Frac"};

// A phase composition variable with a vapour phase of 2 and a liquid phase of 3 components.
std::string PhaseVariable(const std::string& name) {
  return Node(name, {Array("Vapour Phase", 2), Array("Liquid Phase", 3), Array("Liq.Phase", 1)});
}

// A stream with every phase variable, less `missing`.
Tree PhaseStream(const std::string& missing = "") {
  std::string children;
  for (const char* variable : kPhaseVariables) {
    if (missing == variable) continue;
    children += (children.empty() ? "" : ", ") + PhaseVariable(variable);
  }
  return MakeTree(R"({"name": "Case", "children": [{"name": "S", "children": [)" + children +
                  "]}]}");
}

class PhaseComponents : public CallbackTest {};

TEST_F(PhaseComponents, CountsTheVapourPhaseWhateverPhaseIsNamed) {
  struct Row {
    const char* what;
    Tree tree;
    int expected;
  } rows[] = {
      {"variable missing", PhaseStream("Phase Comp Mole Frac"), 0},
      {"no vapour phase", StreamTree({Node("Phase Comp Mole Frac", {Array("Liquid Phase", 3)})}),
       0},
      {"empty vapour phase", StreamTree({Node("Phase Comp Mole Frac", {Array("Vapour Phase", 0)})}),
       0},
      {"vapour and liquid", PhaseStream(), 2},
  };
  for (const Row& row : rows) {
    IteratorPtr it = At(row.tree, "S");
    it->SetAttribute("PhaseName", FIAttribute("Liquid Phase"));
    EXPECT_EQ(CTPhaseComponentArray(it.get(), nullptr, -1), row.expected) << row.what;
    EXPECT_EQ(Where(*it), "Case/S");
    EXPECT_EQ(Recorded(*it), "PhaseName=text:Liquid Phase");
  }
}

TEST_F(PhaseComponents, SelectionRecordsTheIndexAsAnIntegerAndNeverThePhase) {
  Tree tree = PhaseStream();
  IteratorPtr it = At(tree, "S");
  for (int index : {0, 4}) {
    EXPECT_EQ(CTPhaseComponentArray(it.get(), nullptr, index), index);
    EXPECT_EQ(Recorded(*it), "PhaseCmpCnt=int:" + std::to_string(index));
    EXPECT_EQ(Where(*it), "Case/S");
  }
  EXPECT_EQ(CTPhaseComponentArray(nullptr, nullptr, -1), 0);
  EXPECT_EQ(CTPhaseComponentArray(nullptr, nullptr, 2), 2);
}

struct PhaseRow {
  const char* variable;
  FIElement element;
  const char* name;
};

class PhaseEntries : public CallbackTestWithParam<PhaseRow> {};

TEST_P(PhaseEntries, EntersTheSelectedComponentOfTheNamedPhase) {
  const PhaseRow& row = GetParam();
  Tree tree = PhaseStream();
  for (auto [phase, index] :
       {std::pair{"Liquid Phase", 2}, {"Vapour Phase", 1}, {"Liq.Phase", 0}}) {
    for (int move : {0, 1}) {
      IteratorPtr it = At(tree, "S");
      it->SetAttribute("PhaseName", FIAttribute(phase));
      it->SetAttribute("PhaseCmpCnt", FIAttribute(index));
      EXPECT_TRUE(row.element(it.get(), move)) << row.variable << "/" << phase;
      EXPECT_EQ(Where(*it), move == 0 ? "Case/S"
                                      : "Case/S/" + std::string(row.variable) + "/" + phase +
                                            "/Elem" + std::to_string(index));
      EXPECT_EQ(Recorded(*it), "PhaseName=text:" + std::string(phase) +
                                   "; PhaseCmpCnt=int:" + std::to_string(index));
    }
  }
}

TEST_P(PhaseEntries, AFailedMoveEndsOnTheStreamOrOnTheVariable) {
  const PhaseRow& row = GetParam();
  const std::string on_variable = "Case/S/" + std::string(row.variable);
  struct Failure {
    const char* what;
    Tree tree;
    std::optional<FIAttribute> phase_name;
    int phase_cmp_cnt;  // -1: absent
    std::string after_move;
  } failures[] = {
      {"PhaseName absent", PhaseStream(), std::nullopt, 0, "Case/S"},
      {"PhaseName not text", PhaseStream(), FIAttribute(1), 0, "Case/S"},
      {"variable missing", PhaseStream(row.variable), FIAttribute("Liquid Phase"), 0, "Case/S"},
      {"phase missing", PhaseStream(), FIAttribute("Aqueous Phase"), 0, on_variable},
      {"phase differs in case", PhaseStream(), FIAttribute("liquid phase"), 0, on_variable},
      {"PhaseCmpCnt absent", PhaseStream(), FIAttribute("Liquid Phase"), -1, on_variable},
      {"index beyond the phase", PhaseStream(), FIAttribute("Liquid Phase"), 3, on_variable},
  };
  for (const Failure& failure : failures) {
    for (int move : {0, 1}) {
      IteratorPtr it = At(failure.tree, "S");
      if (failure.phase_name) it->SetAttribute("PhaseName", *failure.phase_name);
      if (failure.phase_cmp_cnt >= 0) {
        it->SetAttribute("PhaseCmpCnt", FIAttribute(failure.phase_cmp_cnt));
      }
      std::string recorded = Recorded(*it);
      EXPECT_FALSE(row.element(it.get(), move)) << failure.what << ", move " << move;
      EXPECT_EQ(Where(*it), move == 0 ? "Case/S" : failure.after_move)
          << failure.what << ", move " << move;
      EXPECT_EQ(Recorded(*it), recorded);
    }
  }
}

TEST_P(PhaseEntries, WithoutAPhaseNameNothingIsClonedOrMoved) {
  const PhaseRow& row = GetParam();
  Tree tree = PhaseStream();
  for (int move : {0, 1}) {
    IteratorPtr it = At(tree, "S");
    it->SetAttribute("PhaseCmpCnt", FIAttribute(0));
    CloneCounter counter;
    static_cast<HostIterator&>(*it).set_observer(&counter);
    EXPECT_FALSE(row.element(it.get(), move));
    static_cast<HostIterator&>(*it).set_observer(nullptr);
    EXPECT_EQ(counter.clones, 0);
    EXPECT_EQ(Where(*it), "Case/S");
  }
  EXPECT_FALSE(row.element(nullptr, 1));
}

INSTANTIATE_TEST_SUITE_P(
    PhaseVariables, PhaseEntries,
    ::testing::Values(PhaseRow{"Phase Comp Mole Frac", CTPhaseComponent, "CTPhaseComponent"},
                      PhaseRow{"Phase Comp Mole Frac", CTPhaseMoleFraction, "CTPhaseMoleFraction"},
                      PhaseRow{"Phase Comp Mass Frac", CTPhaseMassFraction, "CTPhaseMassFraction"},
                      PhaseRow{"Phase Comp Volume Frac", CTPhaseVolumeFraction,
                               "CTPhaseVolumeFraction"}),
    [](const ::testing::TestParamInfo<PhaseRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fintop_test
