// What the proxy's tests share: the proxy's file name, its callbacks as a host resolves them,
// and the log read back line by line.
#pragma once

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "attribute_value.h"
#include "framework/module_loader.h"
#include "support/callback_driver.h"
#include "support/fintop_test.h"

namespace fintop_test {

#if defined(_WIN32)
inline constexpr char kProxy[] = "fintop-trace.dll";
inline constexpr char kRealPlugin[] = "fintop.dll";
#else
inline constexpr char kProxy[] = "libfintop-trace.so";
inline constexpr char kRealPlugin[] = "libfintop.so";
#endif

// The callbacks as the module `file` (default: the proxy beside the program) exports them,
// with their facts.
inline std::vector<CallbackEntry> ProxyCallbacks(const std::string& file = kProxy) {
  HMODULE proxy = LoadLibraryA(file.c_str());
  EXPECT_NE(proxy, nullptr) << file;
  std::vector<CallbackEntry> entries = AllCallbacks();
  for (CallbackEntry& entry : entries) {
    entry.function = proxy ? reinterpret_cast<void*>(GetProcAddress(proxy, entry.name)) : nullptr;
    EXPECT_NE(entry.function, nullptr) << entry.name;
  }
  return entries;
}

template <class Function>
Function ProxyEntry(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(LoadLibraryA(kProxy), name)));
}

// The log's lines, each parsed whole (a broken line fails the test).
inline std::vector<record::Json> LogLines(const std::string& file) {
  std::vector<record::Json> lines;
  std::ifstream in(file, std::ios::binary);
  EXPECT_TRUE(in) << file;
  std::string line;
  while (std::getline(in, line)) {
    record::Json object = record::Json::parse(line, nullptr, false);
    EXPECT_FALSE(object.is_discarded()) << "a broken line: " << line;
    lines.push_back(std::move(object));
  }
  return lines;
}

// The lines but the begin lines, after checking that each begin line is followed, on its
// thread, by the record of the call it began (a begin line left open fails the test).
inline std::vector<record::Json> WithoutBegins(const std::vector<record::Json>& lines) {
  std::vector<record::Json> out;
  std::map<unsigned long long, std::string> open;  // thread -> the callback begun
  for (const record::Json& line : lines) {
    const unsigned long long thread = line.value("thread", 0ull);
    if (line.contains("begin")) {
      EXPECT_EQ(open.count(thread), 0u) << "two begin lines of one thread: " << line.dump();
      open[thread] = line.value("begin", "");
      continue;
    }
    if (line.contains("callback")) {
      EXPECT_EQ(open[thread], line.value("callback", "")) << line.dump();
      open.erase(thread);
    }
    out.push_back(line);
  }
  EXPECT_TRUE(open.empty()) << "a call begun and never recorded";
  return out;
}

}  // namespace fintop_test
