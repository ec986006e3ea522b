// trace_log_check WALK_JSON LOG: the call records of a walk's --json --trace document against
// the records of fintop-trace's log of the same walk, record for record: callback, node, index
// or move, result, out and where the iterator stands after the call alike, and every attribute
// of the log's record held with the same value by the walk's (the log holds only what a call
// changed; the walk every attribute recorded). Lines of the log that are no call (its first
// line, {"error": ...}) are skipped. Prints one line; exit status 0 when they agree, 1 when not,
// 2 on unreadable input.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "call_record.h"

namespace {

bool Agree(const record::Call& walk, const record::Call& log, std::string& why) {
  auto differs = [&](const char* member, const std::string& a, const std::string& b) {
    why = std::string(member) + ": walk " + a + ", log " + b;
    return false;
  };
  if (walk.callback != log.callback) return differs("callback", walk.callback, log.callback);
  if (walk.node != log.node) return differs("node", walk.node, log.node);
  if (walk.argument != log.argument || walk.value != log.value)
    return differs("argument", std::to_string(walk.value), std::to_string(log.value));
  if (walk.result != log.result) return differs("result", walk.result.dump(), log.result.dump());
  if (walk.out != log.out) return differs("out", walk.out.dump(), log.out.dump());
  if (walk.at != log.at) return differs("at", walk.at, log.at);
  for (const auto& [name, value] : log.attributes) {
    std::string held = "none";
    for (const auto& [known, walk_value] : walk.attributes) {
      if (known == name) held = walk_value.dump();
    }
    if (held != value.dump()) return differs(("attribute " + name).c_str(), held, value.dump());
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: trace_log_check WALK_JSON LOG\n";
    return 2;
  }
  std::vector<record::Call> walk, log;
  std::size_t log_attributes = 0, other_lines = 0;
  try {
    std::ifstream walk_file(argv[1]);
    record::Json document = record::Json::parse(walk_file);
    for (const record::Json& entry : document.at("trace")) {
      if (auto call = record::FromJson(entry)) walk.push_back(std::move(*call));
    }
    std::ifstream log_file(argv[2], std::ios::binary);
    if (!log_file) throw std::runtime_error(std::string("cannot read ") + argv[2]);
    std::string line;
    while (std::getline(log_file, line)) {
      record::Json object = record::Json::parse(line);  // every line whole
      if (auto call = record::FromJson(object)) {
        log_attributes += call->attributes.size();
        log.push_back(std::move(*call));
      } else {
        ++other_lines;
      }
    }
  } catch (const std::exception& e) {
    std::cerr << "trace_log_check: " << e.what() << "\n";
    return 2;
  }
  if (walk.size() != log.size()) {
    std::cout << "the walk made " << walk.size() << " calls, the log records " << log.size()
              << "\n";
    return 1;
  }
  for (std::size_t i = 0; i < walk.size(); ++i) {
    std::string why;
    if (!Agree(walk[i], log[i], why)) {
      std::cout << "record " << i << " (" << walk[i].callback << " on " << walk[i].node
                << ") differs: " << why << "\n";
      return 1;
    }
  }
  std::cout << walk.size() << " records agree (" << log_attributes << " attributes changed, "
            << other_lines << " other lines)\n";
  return 0;
}
