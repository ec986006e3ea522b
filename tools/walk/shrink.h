// Delta debugging over a host tree (cut_tree.h), for the reducer (reduce.h): passes from the
// largest pieces down, each a delta over a list (try removing all of it, then halves, quarters,
// ... down to single items, keeping each removal the test still finds interesting):
//   subtrees   level by level from the top, each node with all below it;
//   nodes      each node alone, its children lifted into its place;
//   properties each property of each node.
// The passes run again until a round of all three removes nothing, or a bound is reached.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cut_tree.h"

namespace walk {

struct ShrinkLimits {
  long tests;      // at most this many tests
  long made;       // of which this many were made before
  double seconds;  // stop trying once this long has passed since `start`
  std::chrono::steady_clock::time_point start;
};

class Shrinker {
 public:
  // `test` says whether a tree is still interesting; `start` must be. The nodes of `targets`
  // are never removed, nor, with all below them, their owners. `progress` hears of every test.
  using Test = std::function<bool(const CutTree&)>;
  using Progress = std::function<void(const Shrinker&)>;
  Shrinker(CutTree start, std::vector<std::uint32_t> targets, Test test, ShrinkLimits limits,
           Progress progress);

  void Run();

  const CutTree& result() const { return current_; }
  long kept() const { return kept_; }             // tests that kept their removal
  std::uint32_t nodes() const { return nodes_; }  // that stand in the result
  const char* pass() const { return pass_; }
  // Empty when the passes ran to their end; else which bound stopped them.
  const std::string& stopped() const { return stopped_; }

 private:
  using Apply = void (CutTree::*)(std::uint32_t);
  bool Subtrees();
  bool Nodes();
  bool Properties();
  // Removes what it can of `items` with `apply`; whether anything went.
  bool Delta(std::vector<std::uint32_t> items, Apply apply);
  bool Try(const CutTree& candidate);

  CutTree current_;
  std::vector<std::uint8_t> target_;     // by original node: never removed
  std::vector<std::uint8_t> protected_;  // by original node: never cut (a target's owner)
  Test test_;
  ShrinkLimits limits_;
  Progress progress_;
  long tests_ = 0, kept_ = 0;
  std::uint32_t nodes_ = 0;
  const char* pass_ = "subtrees";
  std::string stopped_;
};

}  // namespace walk
