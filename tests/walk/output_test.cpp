// The kit's output as it goes: the JSON writer lays documents out exactly as nlohmann's dump
// with an indent of 2, or on one line (the committed expected outputs and the logs were written
// that way), a text escaped for a line of text output, and stdout held back until its first MiB.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "document.h"
#include "json_reader.h"
#include "json_writer.h"
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

// Writes `doc` through the writer's scalar interface, as the tools write their documents.
void Feed(kit::JsonWriter& json, const nlohmann::ordered_json& doc) {
  switch (doc.type()) {
    case nlohmann::json::value_t::object:
      json.BeginObject();
      for (const auto& [key, member] : doc.items()) {
        json.Key(key);
        Feed(json, member);
      }
      json.End();
      return;
    case nlohmann::json::value_t::array:
      json.BeginArray();
      for (const auto& element : doc) Feed(json, element);
      json.End();
      return;
    case nlohmann::json::value_t::string:
      json.Text(doc.get_ref<const std::string&>());
      return;
    case nlohmann::json::value_t::boolean:
      json.Bool(doc.get<bool>());
      return;
    case nlohmann::json::value_t::number_integer:
      json.Integer(doc.get<long long>());
      return;
    case nlohmann::json::value_t::number_unsigned:
      json.Integer(doc.get<unsigned long long>());
      return;
    case nlohmann::json::value_t::number_float:
      json.Real(doc.get<double>());
      return;
    default:
      json.Null();
  }
}

// Each document laid out by the writer, indented and on one line, against nlohmann's dump.
class JsonLayout : public testing::TestWithParam<const char*> {};

TEST_P(JsonLayout, AsNlohmannDumpsIt) {
  const auto doc = nlohmann::ordered_json::parse(GetParam());
  for (auto [layout, indent] :
       {std::pair{kit::JsonWriter::kIndented, 2}, std::pair{kit::JsonWriter::kLine, -1}}) {
    File file(std::tmpfile());
    ASSERT_NE(file, nullptr);
    {
      walk::Output out(file.get());
      walk::JsonWriter json(out, layout);
      Feed(json, doc);
      ASSERT_TRUE(out.Finish());
    }
    EXPECT_EQ(Contents(file.get()),
              doc.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace))
        << "indent " << indent;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Documents, JsonLayout,
    testing::Values("[]", "{}", "7", R"("text")", R"({"a": []})",
                    R"({"a": {}, "b": [1, 2.5, "x"]})",
                    R"([[[]], {"k": {"n": null, "t": true, "f": false}}, -3, 1e300])",
                    R"({"quote\"key": "a\"b\\c\u0001\u00e9", "tab": "\t"})",
                    R"({"z": 1, "a": 2, "m": [{"x": [{}]}]})",
                    R"(["\b\f\n\r\/\u001f\u007f", "\ud83d\ude00"])",
                    // Reals: whole, the fixed range's ends, exponents of one, two, three digits.
                    R"([38.0, 0.05, -0.0, 0.0, 39.5, 1e-4, 1.5e-5, 1e-7, 123456789012345.6,
                        1e15, 1e16, 2.5e16, 1.7976931348623157e308, 5e-324, -2.2250738585072014e-308,
                        0.1, 0.30000000000000004, 100000.0, 1234.5678e10])",
                    // Integers at the ends of 64 bits.
                    R"([-9223372036854775808, 9223372036854775807, 18446744073709551615, 0])"));

// Texts valid UTF-8 or not: each broken sequence written as U+FFFD, as nlohmann's replacing dump
// does, and the text told valid as its strict dump tells it.
class JsonTextReplaced : public testing::TestWithParam<const char*> {};

// Each event as one text: a container with its offset, a key, a value with its type.
struct Told : kit::JsonEvents {
  std::vector<std::string> seen;
  // Appended, not "{" + ...: g++ 12 at -O3 takes the latter for an overlapping copy.
  void Start(std::uint64_t at, bool object) override {
    seen.push_back(std::string(object ? "{" : "[") += std::to_string(at));
  }
  void End() override { seen.push_back("end"); }
  void Key(std::string_view key) override { seen.push_back("k" + std::string(key)); }
  void Value(char type, std::string_view text) override {
    seen.push_back(type + std::string(text));
  }
};

// The same from a reader of the text written.
struct Reads {
  kit::Cursor* cursor;
  std::vector<std::string> seen;
  bool scalar(kit::Scalar::Type type, std::string& text) {
    return seen.push_back(static_cast<char>(type) + text), true;
  }
  void syntax_error(const std::string& what) { seen.push_back("error " + what); }
  bool start_object(std::size_t) { return Open('{'); }
  bool start_array(std::size_t) { return Open('['); }
  bool end_object() { return seen.push_back("end"), true; }
  bool end_array() { return seen.push_back("end"), true; }
  bool key(std::string& key) { return seen.push_back("k" + key), true; }
  bool Open(char bracket) {
    return seen.push_back(bracket + std::to_string(cursor->offset() - 1)), true;
  }
};

TEST_P(JsonTextReplaced, AsNlohmannReplacesIt) {
  const std::string text = GetParam();
  EXPECT_EQ(kit::JsonText(text),
            nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  bool valid = true;  // as nlohmann's strict dump judges it
  try {
    (void)nlohmann::json(text).dump();
  } catch (const nlohmann::json::exception&) {
    valid = false;
  }
  EXPECT_EQ(kit::IsUtf8(text), valid);
  // What the writer tells (--diff reads the walk's document so) is what its text reads.
  for (auto layout : {kit::JsonWriter::kIndented, kit::JsonWriter::kLine}) {
    kit::Output out;
    Told told;
    kit::JsonWriter json(out, layout);
    json.Tell(&told);
    json.BeginObject();
    json.Member(text, text);
    json.Key("n");
    json.BeginArray();
    json.Real(0.5);
    json.Real(1e16);
    json.Real(std::nan(""));
    json.Integer(-3);
    json.Bool(false);
    json.Null();
    json.BeginObject();
    json.End();
    json.End();
    json.End();
    kit::Cursor cursor(out.text());
    Reads reads{&cursor, {}};
    EXPECT_TRUE(kit::JsonReader<Reads>(cursor, reads).Value());
    EXPECT_EQ(told.seen, reads.seen) << out.text();
  }
}

INSTANTIATE_TEST_SUITE_P(Bytes, JsonTextReplaced,
                         testing::Values("\xff",
                                         "a\xff"
                                         "b",
                                         "\xc3(", "\xc3", "\xe2\x82", "\xe2\x82(", "\xe0\x80\x80",
                                         "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xf0\x9f\x98",
                                         "\xc0\xaf", "\x80\x80", "\xf8\x88\x80\x80\x80",
                                         "ok \xc3\xa9 \xe2\x82\xac", "\xf0\x9f\x98\x80",
                                         "\xef\xbf\xbf", "\xf4\x8f\xbf\xbf", "\xc3\xa9\xc3\xa9"));

// A text as part of a line of text output (a difference line, a message): control bytes as JSON
// escapes, invalid UTF-8 as U+FFFD, everything else, backslashes and quotes too, as it is.
struct LineRow {
  std::string text;
  std::string line;
};

class TextLine : public testing::TestWithParam<LineRow> {};

TEST_P(TextLine, KeepsOneLine) {
  std::string out = "at: ";
  kit::AppendTextLine(GetParam().text, out);
  EXPECT_EQ(out, "at: " + GetParam().line);
  EXPECT_EQ(walk::OneLine(GetParam().text), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, TextLine,
    testing::Values(
        LineRow{R"(C:\dir\"a")", R"(C:\dir\"a")"}, LineRow{"C:\\dir\\a\nb\tc", R"(C:\dir\a\nb\tc)"},
        LineRow{"\\\\\r\x01\x1f", R"(\\\r\u0001\u001f)"}, LineRow{"\\\"\b\f\\", R"(\"\b\f\)"},
        LineRow{"\\ \xc3\xa9 \\", "\\ \xc3\xa9 \\"},
        LineRow{"\\\xff\\\xe2\x82", "\\\xef\xbf\xbd\\\xef\xbf\xbd"}, LineRow{"\x7f\\", "\x7f\\"},
        LineRow{"\\\xf0\x9f\x98\x80\n\"", "\\\xf0\x9f\x98\x80\\n\""}));

// A value in the tree and the text trace: as JSON writes it, an empty attribute as "empty".
class TreeValue : public testing::TestWithParam<std::pair<kit::Scalar, std::string>> {};

TEST_P(TreeValue, AsTheTreeShowsIt) {
  EXPECT_EQ(walk::Format(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Values, TreeValue,
    testing::Values(std::pair{kit::Scalar::Null(), "empty"}, std::pair{kit::Scalar{}, "empty"},
                    std::pair{kit::Scalar::Integer(-3), "-3"},
                    std::pair{kit::Scalar::Real(NAN), "nan"},
                    std::pair{kit::Scalar::Text("a b"), "\"a b\""},
                    std::pair{kit::Scalar::Text("a\"b\n\xc3\xa9"), "\"a\\\"b\\n\xc3\xa9\""}));

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
  EXPECT_EQ(!Contents(file.get()).empty(), GetParam().started);  // nothing before the first MiB
  ASSERT_TRUE(out.Finish());
  EXPECT_EQ(Contents(file.get()), written);
}

constexpr std::size_t kHold = walk::Output::kHoldBytes;
INSTANTIATE_TEST_SUITE_P(Sizes, HeldBack,
                         testing::Values(Held{0, false}, Held{10, false}, Held{kHold - 1, false},
                                         Held{kHold, true}, Held{3 * kHold + 7, true}));

}  // namespace
