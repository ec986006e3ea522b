// The overhead pairs of the benchmarks: the table covers every callback; on the default plant
// both sides of every pair leave the same checksum; and any one attribute write or alias
// binding of a bare side dropped or altered, or any one move of the caller's iterator undone,
// changes it.
#include <gtest/gtest.h>

#include <string>

#include "pairs.h"
#include "support/fintop_test.h"

namespace {

using bench::CheckProbe;
using bench::Pair;
using bench::Plant;

TEST(BenchPairsTable, CoversEveryCallback) {
  EXPECT_TRUE(bench::UncoveredCallbacks().empty())
      << "first uncovered: " << bench::UncoveredCallbacks().front();
}

class BenchPair : public fintop_test::CallbackTestWithParam<std::size_t> {
 protected:
  const Pair& pair() const { return bench::Pairs()[GetParam()]; }
  static const fintop_test::Tree& plant() { return bench::DefaultPlant(); }
};

TEST_P(BenchPair, BothSidesCheckAlike) {
  ASSERT_FALSE(bench::UnitsOf(plant(), pair()).empty()) << "no unit for the pair";
  const CheckProbe callbacks = bench::CheckSide(plant(), pair(), true);
  const CheckProbe bare = bench::CheckSide(plant(), pair(), false);
  EXPECT_EQ(callbacks.sum(), bare.sum());
}

// On the pair's first unit, so that every k stays quick.
TEST_P(BenchPair, EveryPlantedDifferenceIsSeen) {
  const std::uint64_t expected = bench::CheckSide(plant(), pair(), true, {}, 1).sum();
  const CheckProbe clean = bench::CheckSide(plant(), pair(), false, {}, 1);
  ASSERT_EQ(clean.sum(), expected);
  ASSERT_GT(clean.steps(), 0);
  for (Plant::Kind kind :
       {Plant::kDropWrite, Plant::kAlterWrite, Plant::kSkipMove, Plant::kAlterResult}) {
    const long count = kind == Plant::kSkipMove      ? clean.moves()
                       : kind == Plant::kAlterResult ? clean.steps()
                                                     : clean.writes();
    for (long k = 0; k < count; ++k) {
      const CheckProbe planted = bench::CheckSide(plant(), pair(), false, {kind, k}, 1);
      ASSERT_TRUE(planted.planted()) << "kind " << kind << " k " << k;
      EXPECT_NE(planted.sum(), expected) << "kind " << kind << " k " << k << " not seen";
    }
  }
}

std::string PairName(const ::testing::TestParamInfo<std::size_t>& info) {
  const Pair& pair = bench::Pairs()[info.param];
  return std::string(pair.family) + "_" + pair.name;
}

INSTANTIATE_TEST_SUITE_P(Pairs, BenchPair, ::testing::Range<std::size_t>(0, bench::Pairs().size()),
                         PairName);

}  // namespace
