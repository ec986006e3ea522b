// Trees of composition tests: a stream "S" below the top node "Case", with array variables
// and phase nodes written as JSON snippets.
#pragma once

#include <initializer_list>
#include <string>

#include "support/fintop_test.h"

namespace fintop_test {

// An array node `name` with `count` elements (values 0, 1, ...).
inline std::string Array(const std::string& name, int count) {
  std::string json = R"({"name": ")" + name + R"(", "elements": [)";
  for (int i = 0; i < count; ++i) json += (i == 0 ? "" : ", ") + std::to_string(i);
  return json + "]}";
}

// A node `name` with the given children.
inline std::string Node(const std::string& name, std::initializer_list<std::string> children) {
  std::string json = R"({"name": ")" + name + R"(", "children": [)";
  bool first = true;
  for (const std::string& child : children) {
    json += (first ? "" : ", ") + child;
    first = false;
  }
  return json + "]}";
}

// "Case" holding the stream "S" with the given children.
inline Tree StreamTree(std::initializer_list<std::string> children) {
  return MakeTree(Node("Case", {Node("S", children)}));
}

// Counts the clones made through an iterator (and its clones) while it is installed.
class CloneCounter : public hostsim::IteratorObserver {
 public:
  void OnEvent(const HostIterator&, const hostsim::IteratorEvent& event) override {
    if (std::string(event.op) == "Clone") ++clones;
  }
  int clones = 0;
};

}  // namespace fintop_test
