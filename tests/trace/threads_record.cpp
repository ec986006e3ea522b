// threads_record PROXY CASE MAP: four threads walk CASE at once through the plug-in PROXY (the
// proxy, which records them as its settings in the environment say), each on its own iterator
// of one host tree, as a host whose framework maps on several threads does. Exit status 0 when
// every walk ended and left no clone alive.
#include <cstdio>
#include <exception>
#include <thread>
#include <vector>

#include "iterator/case_loader.h"
#include "iterator/host_iterator.h"
#include "mapping.h"
#include "plugin.h"
#include "walker.h"

namespace {

class NoSink final : public walk::ModelSink {
 public:
  void Open(const walk::ModelNode&) override {}
  void Close(const walk::ModelNode&) override {}
  void Trace(record::Entry) override {}
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: threads_record PROXY CASE MAP\n");
    return 2;
  }
  try {
    walk::Plugin plugin(argv[1]);
    walk::Mapping mapping = walk::LoadMapping(argv[3]);
    auto tree = hostsim::LoadCaseFile(argv[2]);
    const long live = hostsim::LiveIterators();
    std::vector<std::thread> threads;
    std::vector<int> failed(4, 0);
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([&, t] {
        try {
          hostsim::IteratorPtr top = hostsim::NewIterator(tree);
          NoSink sink;
          walk::Walker(plugin, mapping, {}).Walk(*top, sink);
        } catch (...) {
          failed[t] = 1;
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    for (int f : failed) {
      if (f != 0) return 1;
    }
    return hostsim::LiveIterators() == live ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "threads_record: %s\n", e.what());
    return 2;
  }
}
