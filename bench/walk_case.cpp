// fintop_walk_case: the generated cases of the whole-walk benchmark as files, and the
// benchmark's whole walk of such a file, for measuring fintop-walk against it on the same case.
//   fintop_walk_case write OBJECTS FILE   writes the case of OBJECTS host objects (seed 1)
//   fintop_walk_case walk FILE            reads the case as fintop-walk does and walks it once
// "walk" prints "<host objects> host objects, <calls> calls, <found> found" and the peak
// resident memory above the program's start, per host object.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>

#include "bench_support.h"
#include "case_generator.h"
#include "iterator/case_loader.h"
#include "plant_walk.h"

namespace {

int Usage() {
  std::fputs("usage: fintop_walk_case write OBJECTS FILE | walk FILE\n", stderr);
  return 2;
}

int Write(const char* objects, const char* file) {
  char* end = nullptr;
  unsigned long long n = std::strtoull(objects, &end, 10);
  if (end == objects || *end != '\0' || n == 0) return Usage();
  std::string text = bench::GenerateCaseJson(static_cast<std::size_t>(n), 1);
  std::ofstream out(file, std::ios::binary);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "fintop_walk_case: cannot write %s\n", file);
    return 1;
  }
  return 0;
}

int Walk(const char* file) {
  const std::size_t start = bench::StartupPeakResidentBytes();
  auto tree = hostsim::LoadCaseFile(file);
  auto top = hostsim::NewIterator(tree);
  bench::WalkTally tally = bench::WalkPlant(*top);
  const double nodes = static_cast<double>(tree->size());
  std::printf("%u host objects, %ld calls, %ld found, %.0f peak bytes per host object\n",
              tree->size(), tally.calls, tally.found,
              static_cast<double>(bench::PeakResidentBytes() - start) / nodes);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 4 && std::string(argv[1]) == "write") return Write(argv[2], argv[3]);
    if (argc == 3 && std::string(argv[1]) == "walk") return Walk(argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "fintop_walk_case: %s\n", e.what());
    return 1;
  }
  return Usage();
}
