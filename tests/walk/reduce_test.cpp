// The reducer's tree and its passes (reduce.h), the case it writes (replay.h) and its child's
// command line on Windows (files.h), on small cases: a cut tree is built as the cuts say, its
// nodes traced to the original, written as a case that reads back as the same tree; the passes
// keep exactly what a test needs, never remove the nodes they are told to keep, and stop at their
// bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "document_names.h"
#include "files.h"
#include "iterator/case_loader.h"
#include "output.h"
#include "reduce.h"
#include "replay.h"

namespace {

std::string Written(const hostsim::HostTree& tree) {
  kit::Output out;
  walk::WriteCase(tree, out);
  return out.text();
}

// The case `json` as WriteCase writes it.
std::string Canonical(const std::string& json) {
  return Written(*hostsim::LoadCaseText(json));
}

const char kCase[] = R"({"name": "Top", "type": "T", "children": [
  {"name": "A", "value": 1, "props": {"note": "x \"q\""}, "children": [
    {"name": "B", "id": 2.5}, {"name": "B"}, {"name": "C", "children": [{"name": "D"}]}]},
  {"name": "E", "elements": [7, "s", null]},
  {"name": "A", "type": "second A"}]})";

struct CutRow {
  const char* name;
  std::vector<const char*> cut, lift;  // original addresses
  std::vector<const char*> drop;       // "address:key" of properties dropped
  const char* expected;                // the tree as a case
};

class CutTreeTest : public testing::TestWithParam<CutRow> {};

TEST_P(CutTreeTest, BuildsWritesAndTracesBack) {
  const CutRow& row = GetParam();
  auto original = hostsim::LoadCaseText(kCase);
  walk::CutTree cut(original);
  auto node = [&](const char* address) {
    std::uint32_t n = walk::FindAddress(*original, address);
    EXPECT_NE(n, hostsim::kNoNode) << address;
    return n;
  };
  for (const char* a : row.cut) cut.Cut(node(a));
  for (const char* a : row.lift) cut.Lift(node(a));
  for (const std::string d : row.drop) {
    std::size_t colon = d.rfind(':');
    std::uint32_t n = node(d.substr(0, colon).c_str());
    auto properties = original->properties(n);
    auto found = std::find_if(properties.begin(), properties.end(),
                              [&](const auto& p) { return p.first == d.substr(colon + 1); });
    ASSERT_NE(found, properties.end()) << d;
    cut.Drop(original->node(n).prop_begin + static_cast<std::uint32_t>(found - properties.begin()));
  }
  walk::CutTree::Built built = cut.Build();
  const std::string text = Written(*built.tree);
  EXPECT_EQ(text, Canonical(row.expected));
  // Read back: the same tree, to the digest.
  auto again = hostsim::LoadCaseText(text);
  EXPECT_EQ(Written(*again), text);
  EXPECT_EQ(walk::TreeDigest(*again), walk::TreeDigest(*built.tree));
  // Each node is the original node of its name, properties and place among the kept.
  ASSERT_EQ(built.original.size(), built.tree->size());
  EXPECT_EQ(cut.PresentNodes().size(), built.tree->size());
  for (std::uint32_t n = 0; n < built.tree->size(); ++n) {
    std::uint32_t o = built.original[n];
    ASSERT_LT(o, original->size());
    EXPECT_EQ(built.tree->name(n), original->name(o));
    EXPECT_EQ(built.Find(o), n);
    if (n > 0) {  // its parent is its nearest kept owner
      std::uint32_t owner = original->parent(o);
      while (built.Find(owner) == hostsim::kNoNode) owner = original->parent(owner);
      EXPECT_EQ(built.original[built.tree->parent(n)], owner) << built.tree->path(n);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CutTreeTest,
    testing::Values(CutRow{"whole", {}, {}, {}, kCase},
                    CutRow{"subtree_cut",
                           {"Top/A"},
                           {},
                           {},
                           R"({"name": "Top", "type": "T", "children": [
                   {"name": "E", "elements": [7, "s", null]}, {"name": "A", "type": "second A"}]})"},
                    CutRow{"node_lifted_in_place",
                           {},
                           {"Top/A"},
                           {},
                           R"({"name": "Top", "type": "T", "children": [
                   {"name": "B", "id": 2.5}, {"name": "B"}, {"name": "C", "children": [{"name": "D"}]},
                   {"name": "E", "elements": [7, "s", null]}, {"name": "A", "type": "second A"}]})"},
                    CutRow{"lifted_twice_and_cut_below",
                           {"Top/A/B\\#2", "Top/E"},
                           {"Top/A", "Top/A/C"},
                           {},
                           R"({"name": "Top", "type": "T", "children": [
                   {"name": "B", "id": 2.5}, {"name": "D"}, {"name": "A", "type": "second A"}]})"},
                    CutRow{"properties_dropped",
                           {"Top/E", "Top/A\\#2"},
                           {},
                           {"Top:type", "Top/A:note", "Top/A/B:id"},
                           R"({"name": "Top", "children": [{"name": "A", "value": 1, "children": [
                   {"name": "B"}, {"name": "B"}, {"name": "C", "children": [{"name": "D"}]}]}]})"},
                    CutRow{"all_but_the_top",
                           {"Top/A", "Top/E", "Top/A\\#2"},
                           {},
                           {"Top:type"},
                           R"({"name": "Top"})"}),
    [](const auto& info) { return std::string(info.param.name); });

// A call's difference is signed by the original nodes it names, whatever their address on a cut
// tree: with the first "A" cut, "Top/A" is the whole tree's "Top/A\#2", and not its "Top/A".
TEST(Signature, NamesTheOriginalNode) {
  auto original = hostsim::LoadCaseText(kCase);
  walk::CutTree cut(original);
  cut.Cut(walk::FindAddress(*original, "Top/A"));
  const walk::CutTree::Built built = cut.Build();
  const walk::CutTree::Built whole = walk::CutTree(original).Build();  // nothing cut
  auto signed_at = [](const walk::CutTree::Built& on, const char* at) {
    const std::vector<walk::DiffLine> lines{{walk::DiffLine::kTargetChanged, 1, "Top",
                                             "call CTA(move 0)", "", kit::Scalar::Text("Top/E"),
                                             kit::Scalar::Text(at)}};
    return walk::Signature({0, 0, false, 0, 0, lines, 0, true}, on);
  };
  EXPECT_EQ(signed_at(built, "Top/A"), signed_at(whole, "Top/A\\#2"));
  EXPECT_NE(signed_at(built, "Top/A"), signed_at(whole, "Top/A"));
}

// The passes against a test that wants some nodes (by name) and properties (by key) present.
struct ShrinkRow {
  const char* name;
  std::vector<const char*> wanted_nodes;  // names that must stand
  std::vector<const char*> wanted_keys;   // property keys that must stand
  std::vector<const char*> targets;       // addresses never removed
  long max_tests;
  const char* expected;
  bool stopped;
};

class ShrinkTest : public testing::TestWithParam<ShrinkRow> {};

TEST_P(ShrinkTest, KeepsWhatTheTestNeeds) {
  const ShrinkRow& row = GetParam();
  auto original = hostsim::LoadCaseText(kCase);
  auto interesting = [&](const walk::CutTree& cut) {
    walk::CutTree::Built built = cut.Build();
    const hostsim::HostTree& t = *built.tree;
    for (const char* name : row.wanted_nodes) {
      bool found = false;
      for (std::uint32_t n = 0; n < t.size() && !found; ++n) found = t.name(n) == name;
      if (!found) return false;
    }
    for (const char* key : row.wanted_keys) {
      bool found = false;
      for (std::uint32_t n = 0; n < t.size() && !found; ++n) found = t.property(n, key) != nullptr;
      if (!found) return false;
    }
    return true;
  };
  std::vector<std::uint32_t> targets;
  for (const char* a : row.targets) targets.push_back(walk::FindAddress(*original, a));
  long tests = 0;
  walk::Shrinker shrinker(
      walk::CutTree(original), targets,
      [&](const walk::CutTree& cut) {
        ++tests;
        return interesting(cut);
      },
      {row.max_tests, 0, 60, std::chrono::steady_clock::now()}, nullptr);
  shrinker.Run();
  EXPECT_TRUE(interesting(shrinker.result()));
  EXPECT_EQ(Written(*shrinker.result().Build().tree), Canonical(row.expected));
  EXPECT_LE(tests, row.max_tests);
  EXPECT_EQ(!shrinker.stopped().empty(), row.stopped) << shrinker.stopped();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ShrinkTest,
    testing::Values(ShrinkRow{"nothing_needed", {}, {}, {}, 1000, R"({"name": "Top"})", false},
                    ShrinkRow{"a_deep_node_lifted_up",
                              {"D"},
                              {},
                              {},
                              1000,
                              R"({"name": "Top", "children": [{"name": "D"}]})",
                              false},
                    ShrinkRow{"a_property_kept",
                              {"B"},
                              {"id"},
                              {},
                              1000,
                              R"({"name": "Top", "children": [{"name": "B", "id": 2.5}]})",
                              false},
                    ShrinkRow{"a_target_and_its_owners_kept",
                              {},
                              {},
                              {"Top/A/C"},
                              1000,
                              R"({"name": "Top", "children": [{"name": "C"}]})",
                              false},
                    ShrinkRow{"an_element_and_a_node",
                              {"Elem1", "E"},
                              {"value"},
                              {},
                              1000,
                              R"({"name": "Top", "children": [{"name": "E", "children": [
                      {"name": "Elem1", "value": "s"}]}]})",
                              false},
                    ShrinkRow{"stopped_at_its_bound", {"D"}, {}, {}, 2, kCase, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A log's first line read once for both its readers: the replay's header line and the reduced
// log's first line tell the same members, a width of 0 (not known) in neither; the reduced log
// keeps the field log's version, which says whether its calls hold their bindings.
struct HeadRow {
  const char* name;
  int version;
  const char* members;  // of the first line, after "log" and "version"
  const char* header;   // the replay's
  const char* line;     // the reduced log's, after "log" and "version"
};

class LogHeadTest : public testing::TestWithParam<HeadRow> {};

TEST_P(LogHeadTest, ReadOnceForBoth) {
  const std::string version = std::to_string(GetParam().version);
  const std::string head = R"({"log": "fintop-trace", "version": )" + version + ", ";
  walk::Document log(head + GetParam().members + "}\n", "log", false);
  const record::LogHead read = walk::ReadHead(log);
  EXPECT_EQ(walk::SessionHead(read), GetParam().header);
  EXPECT_EQ(record::HeaderLine(read),
            R"({"log":"fintop-trace","version":)" + version + "," + GetParam().line + "}");
}

INSTANTIATE_TEST_SUITE_P(
    Heads, LogHeadTest,
    testing::Values(
        HeadRow{
            "whole", 3,
            R"("plugin": "p.dll", "plugin_version": "1.2", "plugin_product_version": "1", "width": 64,)"
            R"( "recorder": "0.9", "started": "S", "host": "h.exe", "host_version": "7")",
            "recorded S by fintop-trace 0.9 in h.exe (version 7), with the real plug-in p.dll "
            "(64-bit, file version 1.2, product version 1)",
            R"("plugin":"p.dll","plugin_version":"1.2","plugin_product_version":"1","width":64,)"
            R"("recorder":"0.9","started":"S","host":"h.exe","host_version":"7")"},
        HeadRow{"width_not_known_version_2", 2,
                R"("plugin": "p.dll", "width": 0, "plugin_version": "1.2")",
                "recorded, with the real plug-in p.dll (file version 1.2)",
                R"("plugin":"p.dll","plugin_version":"1.2")"},
        HeadRow{"a_line_feed", 3, R"("plugin": "p\nq", "started": "")",
                R"(recorded, with the real plug-in p\nq)", R"("plugin":"p\nq")"}),
    [](const auto& info) { return std::string(info.param.name); });

// An argument of a Windows command line, quoted so that the child's runtime reads it back as it
// was: backslashes doubled only before a quote or the closing quote.
class CommandLineArgument
    : public testing::TestWithParam<std::pair<std::string_view, std::string_view>> {};

TEST_P(CommandLineArgument, ReadsBackAsGiven) {
  EXPECT_EQ(kit::CommandLineArgument(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Arguments, CommandLineArgument,
                         testing::Values(std::pair{"", R"("")"},
                                         std::pair{R"(C:\Jürgen\a b)", R"("C:\Jürgen\a b")"},
                                         std::pair{R"(C:\dir\)", R"("C:\dir\\")"},
                                         std::pair{R"(a\"b)", R"("a\\\"b")"},
                                         std::pair{R"(\\server\x)", R"("\\server\x")"}));

}  // namespace
