// What the proxy's tests share: the proxy's file name, its callbacks as a host resolves them,
// and the log read back line by line (by the documents' reader, call_reader.h).
#pragma once

#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "attribute_value.h"
#include "framework/module_loader.h"
#include "support/call_reader.h"
#include "support/callback_driver.h"
#include "support/fintop_test.h"

namespace kit {
inline void PrintTo(const Scalar& scalar, std::ostream* out) {
  *out << scalar.Shown();
}
}  // namespace kit

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

// A line of a log: its text and its members.
struct LogLine {
  std::string text;
  walk::Details members;

  const kit::Scalar& Get(const char* key) const { return members.Get(key); }
  bool Has(const char* key) const { return Get(key).type != kit::Scalar::kNone; }
  // The member's text as written ("" when there is none).
  const std::string& Text(const char* key) const { return Get(key).text; }
  std::optional<record::Call> Call() const { return walk::CallOf(members); }
};

inline kit::Scalar TextScalar(std::string text) {
  return {kit::Scalar::kText, std::move(text)};
}

// An object of a record (its attributes or bindings) as its line writes it.
template <typename Value>
std::string ObjectText(const std::vector<std::pair<std::string, Value>>& fields) {
  std::string text;
  for (const auto& [name, value] : fields) {
    text += (text.empty() ? "{" : ",") + kit::JsonText(name) + ":";
    if constexpr (std::is_same_v<Value, std::string>) {
      text += kit::JsonText(value);
    } else {
      text += value.Shown();
    }
  }
  return text.empty() ? "{}" : text + "}";
}

// The log's lines, each read whole (a broken line fails the test).
inline std::vector<LogLine> LogLines(const std::string& file) {
  std::vector<LogLine> lines;
  std::ifstream in(file, std::ios::binary);
  EXPECT_TRUE(in) << file;
  std::string text;
  while (std::getline(in, text)) {
    LogLine line{text, {}};
    EXPECT_TRUE(walk::ReadLine(text, line.members)) << "a broken line: " << text;
    lines.push_back(std::move(line));
  }
  return lines;
}

// The lines but the begin lines, after checking that each begin line is followed, on its
// thread, by the record of the call it began (a begin line left open fails the test).
inline std::vector<LogLine> WithoutBegins(const std::vector<LogLine>& lines) {
  std::vector<LogLine> out;
  std::map<std::string, kit::Scalar> open;  // thread -> the callback begun
  for (const LogLine& line : lines) {
    const std::string thread = line.Get("thread").Shown();
    if (line.Has("begin")) {
      EXPECT_EQ(open.count(thread), 0u) << "two begin lines of one thread: " << line.text;
      open[thread] = line.Get("begin");
      continue;
    }
    if (line.Has("callback")) {
      EXPECT_EQ(open[thread], line.Get("callback")) << line.text;
      open.erase(thread);
    }
    out.push_back(line);
  }
  EXPECT_TRUE(open.empty()) << "a call begun and never recorded";
  return out;
}

}  // namespace fintop_test
