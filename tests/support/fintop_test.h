// What every test of the plug-in shares: trees written as a few lines of JSON, iterators
// placed on a node by path, readable descriptions of what a callback recorded, and a fixture
// that fails a test which leaves a cloned iterator alive.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "framework/callbacks.h"
#include "iterator/case_loader.h"
#include "iterator/host_iterator.h"

namespace fintop_test {

using hostsim::HostIterator;
using hostsim::IteratorPtr;
using Tree = std::shared_ptr<const hostsim::HostTree>;

// A tree from a case written in JSON (see the case-file format); fails the test on a bad case.
Tree MakeTree(std::string_view json);

// A new iterator on the node at `path` from the top (levels as Down takes them, joined by
// dots; names holding dots in double quotes). Fails the test when the path does not resolve.
IteratorPtr At(const Tree& tree, std::string_view path = {});

// Where an iterator stands, as the names from the top joined by '/'.
inline std::string Where(const FIIterator& it) {
  return static_cast<const HostIterator&>(it).path();
}
// "Name=kind:value; ..." for what was recorded (kinds: int, real, text, empty).
inline std::string Recorded(const FIIterator& it) {
  return hostsim::DescribeAttributes(static_cast<const HostIterator&>(it));
}
// "Generic->Host; ..." for the bindings made.
inline std::string Bound(const FIIterator& it) {
  return hostsim::DescribeAliases(static_cast<const HostIterator&>(it));
}
// The attribute `name` as "kind:value", or "absent".
std::string AttributeOf(FIIterator& it, const char* name);

// The path of a file in the source tree (cases, mapping files).
std::string SourcePath(std::string_view relative);

// Checks after every test that no iterator made during it is left alive.
class CallbackTest : public ::testing::Test {
 protected:
  void SetUp() override { live_before_ = hostsim::LiveIterators(); }
  void TearDown() override {
    EXPECT_EQ(hostsim::LiveIterators(), live_before_) << "an iterator was left alive";
  }

 private:
  long live_before_ = 0;
};

template <class Param>
class CallbackTestWithParam : public CallbackTest, public ::testing::WithParamInterface<Param> {};

}  // namespace fintop_test
