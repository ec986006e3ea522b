// fintop-walk's output as it goes: the JSON writer lays documents out exactly as nlohmann's
// dump with an indent of 2 (the committed expected outputs were written that way), and stdout
// is held back until its first MiB.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "output.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string Contents(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) out.append(buffer, n);
  return out;
}

class JsonLayout : public testing::TestWithParam<const char*> {};

TEST_P(JsonLayout, AsNlohmannDumpsIt) {
  const auto doc = nlohmann::ordered_json::parse(GetParam());
  File file(std::tmpfile());
  ASSERT_NE(file, nullptr);
  {
    walk::Output out(file.get());
    walk::JsonWriter json(out);
    json.Write(doc);
    ASSERT_TRUE(out.Finish());
  }
  EXPECT_EQ(Contents(file.get()),
            doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace));
}

INSTANTIATE_TEST_SUITE_P(
    Documents, JsonLayout,
    testing::Values("[]", "{}", "7", R"("text")", R"({"a": []})",
                    R"({"a": {}, "b": [1, 2.5, "x"]})",
                    R"([[[]], {"k": {"n": null, "t": true, "f": false}}, -3, 1e300])",
                    R"({"quote\"key": "a\"b\\c\u0001\u00e9", "tab": "\t"})",
                    R"({"z": 1, "a": 2, "m": [{"x": [{}]}]})"));

struct Held {
  std::size_t bytes;  // written in pieces of 100
  bool started;       // whether some of it has reached the file before Finish
};

class HeldBack : public testing::TestWithParam<Held> {};

TEST_P(HeldBack, UntilTheFirstMiB) {
  File file(std::tmpfile());
  ASSERT_NE(file, nullptr);
  std::string written;
  walk::Output out(file.get());
  const std::string piece(100, 'x');
  while (written.size() < GetParam().bytes) {
    std::string_view part(piece.data(), std::min(piece.size(), GetParam().bytes - written.size()));
    out << part;
    written += part;
  }
  EXPECT_EQ(out.started(), GetParam().started);
  if (!GetParam().started) {
    EXPECT_EQ(Contents(file.get()), "");
  }
  ASSERT_TRUE(out.Finish());
  EXPECT_EQ(Contents(file.get()), written);
}

constexpr std::size_t kHold = walk::Output::kHoldBytes;
INSTANTIATE_TEST_SUITE_P(Sizes, HeldBack,
                         testing::Values(Held{0, false}, Held{10, false}, Held{kHold - 1, false},
                                         Held{kHold, true}, Held{3 * kHold + 7, true}));

}  // namespace
