// trace_log_check WALK_JSON LOG: the call records of a walk's --json --trace document against
// the records of fintop-trace's log of the same walk, record for record: callback, node, index
// or move, the attributes held before it, result, out, the attributes it recorded and the
// bindings it made (each in the order made) and where the iterator stands after the call
// alike. Lines of the log that are no call (its first line, {"error": ...}) are skipped; both are
// read as fintop-walk --diff reads them (document.h), so a line it would refuse is refused. Prints
// one line; exit status 0 when they agree, 1 when not, 2 on unreadable input.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "call_record.h"
#include "document.h"
#include "support/call_reader.h"

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
  if (walk.result != log.result) return differs("result", walk.result.Shown(), log.result.Shown());
  if (walk.out != log.out) return differs("out", walk.out.Shown(), log.out.Shown());
  if (walk.at != log.at) return differs("at", walk.at, log.at);
  // What the iterator held before the call: the same on both sides, every name of it.
  auto shown = [](const record::Call& call) {
    std::string text = call.before ? "" : "(none)";
    for (const auto& [name, value] : call.before.value_or(decltype(call.before)::value_type{}))
      text += name + "=" + value.Shown() + " ";
    return text;
  };
  if (shown(walk) != shown(log)) return differs("before", shown(walk), shown(log));
  // What the call recorded and bound: every one, in the order made.
  auto recorded = [](const record::Call& call) {
    std::string text;
    for (const auto& [name, value] : call.attributes) text += name + "=" + value.Shown() + " ";
    return text;
  };
  if (recorded(walk) != recorded(log)) return differs("attributes", recorded(walk), recorded(log));
  auto bound = [](const record::Call& call) {
    if (!call.bindings) return std::string("(not recorded)");
    std::string text;
    for (const auto& [generic, host] : *call.bindings) text += generic + "->" + host + " ";
    return text;
  };
  if (bound(walk) != bound(log)) return differs("bindings", bound(walk), bound(log));
  return true;
}

std::string ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error(std::string("cannot read ") + path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: trace_log_check WALK_JSON LOG\n";
    return 2;
  }
  std::vector<record::Call> walk, log;
  std::size_t log_attributes = 0, log_bindings = 0, other_lines = 0;
  try {
    walk = walk::CallsOf(walk::Document(ReadFile(argv[1]), argv[1]));
    std::string log_text = ReadFile(argv[2]);
    log = walk::CallsOf(walk::Document(log_text, argv[2]));  // every line whole, or refused
    for (const record::Call& call : log) {
      log_attributes += call.attributes.size();
      log_bindings += call.bindings ? call.bindings->size() : 0;
    }
    std::size_t lines = std::count(log_text.begin(), log_text.end(), '\n');
    other_lines = lines - std::min(lines, log.size());
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
  std::cout << walk.size() << " records agree (" << log_attributes << " attributes recorded, "
            << log_bindings << " bindings, " << other_lines << " other lines)\n";
  return 0;
}
