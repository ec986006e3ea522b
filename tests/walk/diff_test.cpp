// The reader of saved documents and logs and --diff over them:
// - Grammar: the JSON the reader accepts and refuses, and where it says the fault is.
// - Classify: how a change between two documents is named and counted.
// - Command: fintop-walk --diff on pipes, on a log whose last line is cut, and walking a case
//   with no temporary folder to write to.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "diff.h"
#include "document.h"
#include "output.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

// ---- Grammar ------------------------------------------------------------------------------------

struct GrammarRow {
  const char* name;
  std::string document;
  const char* refused;  // the end of the error message ("line:column: what"); null: accepted
  const char* warned = nullptr;  // the end of the one warning; null: none
  std::size_t calls = 0;         // the trace records read
};

// A walk's document with `value` as the member "case", which takes any scalar.
std::string WithCase(const std::string& value) {
  return "{\"case\": " + value + ", \"model\": []}";
}
// ... and with `value` as "names", which the reader passes over whatever it holds.
std::string WithNames(const std::string& value) {
  return "{\"case\": \"c\", \"model\": [], \"names\": " + value + "}";
}
// Model nodes nested `levels` deep: each node's "contents" holds the next (the last one's
// empty, or none when `leaf`).
std::string Nested(int levels, bool leaf = false) {
  std::string out = "{\"case\": \"c\", \"model\": [";
  for (int i = 0; i < levels; ++i) out += "{\"object\": \"C\", \"host\": \"h\", \"contents\": [";
  if (leaf) out.resize(out.size() - 15);  // the last ", \"contents\": ["
  for (int i = 0; i < levels; ++i) out += i == 0 && leaf ? "}" : "]}";
  return out + "]}";
}

// A walk's document holding only these trace entries.
std::string Trace(const std::string& entries) {
  return "{\"case\": \"c\", \"model\": [], \"trace\": [" + entries + "]}";
}

const std::string kLogHeader = "{\"log\": \"fintop-trace\", \"version\": 1, \"plugin\": \"p\"}\n";
const std::string kCallA =
    "{\"callback\": \"CTA\", \"node\": \"P\", \"result\": true, \"attributes\": {}, \"at\": "
    "\"P\"}\n";

class Grammar : public testing::TestWithParam<GrammarRow> {};

TEST_P(Grammar, AcceptsOrRefuses) {
  const GrammarRow& row = GetParam();
  try {
    walk::Document doc(row.document, "doc");
    EXPECT_EQ(row.refused, nullptr) << "accepted";
    ASSERT_EQ(doc.warnings().size(), row.warned != nullptr ? 1u : 0u);
    if (row.warned != nullptr) {
      EXPECT_TRUE(doc.warnings()[0].ends_with(row.warned)) << doc.warnings()[0];
    }
    EXPECT_EQ(doc.trace().size(), row.calls);
  } catch (const walk::DocumentError& e) {
    ASSERT_NE(row.refused, nullptr) << e.what();
    std::string what = e.what();
    EXPECT_TRUE(what.ends_with(row.refused)) << what;
    EXPECT_TRUE(what.starts_with("doc:")) << what;
  }
}

const GrammarRow kGrammar[] = {
    // Blanks: space, tab, CR and LF between any two tokens; no others.
    {"blanks", "\t{ \"case\"\r\n:\t\"c\" ,\n\"model\" : [ ] }\r\n", nullptr},
    {"form_feed", "{\"case\":\f1, \"model\": []}", "1:8: not valid JSON: invalid literal"},
    {"nbsp",
     "{\"case\":\xc2\xa0"
     "1, \"model\": []}",
     "1:8: not valid JSON: invalid literal"},
    // Numbers.
    {"zero", WithCase("0"), nullptr},
    {"minus_zero", WithCase("-0"), nullptr},
    {"real", WithCase("-12.5e+10"), nullptr},
    {"exponent", WithCase("1E-2"), nullptr},
    {"leading_zero", WithCase("01"), "1:11: not valid JSON: invalid number"},
    {"leading_zero_minus", WithCase("-01.5"), "1:14: not valid JSON: invalid number"},
    {"two_points", WithCase("1.2.3"), "1:14: not valid JSON: invalid number"},
    {"no_fraction", WithCase("1."), "1:11: not valid JSON: invalid number"},
    {"no_exponent", WithCase("1e"), "1:11: not valid JSON: invalid number"},
    {"bare_minus", WithCase("-"), "1:10: not valid JSON: invalid number"},
    {"plus", WithCase("+1"), "1:9: not valid JSON: invalid literal"},
    {"point_first", WithCase(".5"), "1:9: not valid JSON: invalid literal"},
    {"garbage_after_number", WithCase("12abc"), "1:11: not valid JSON: expected ',' or '}'"},
    // Literals.
    {"literals", WithNames("[true, false, null]"), nullptr},
    {"short_literal", WithCase("tru"), "1:12: not valid JSON: invalid literal"},
    {"capital_literal", WithCase("True"), "1:9: not valid JSON: invalid literal"},
    // Texts and their escapes.
    {"escapes", WithCase(R"("\"\\\/\b\f\n\r\t\u00e9\u20AC")"), nullptr},
    {"surrogate_pair", WithCase(R"("\ud83d\ude00")"), nullptr},
    {"lone_high", WithCase(R"("\ud83d")"),
     "1:16: not valid JSON: a \\u escape of a lone surrogate"},
    {"high_then_other", WithCase(R"("\ud83d\u0041")"),
     "1:22: not valid JSON: a \\u escape of a lone surrogate"},
    {"lone_low", WithCase(R"("\ude00")"), "1:16: not valid JSON: a \\u escape of a lone surrogate"},
    {"bad_hex", WithCase(R"("\u12g4")"),
     "1:15: not valid JSON: a \\u escape without four hex digits"},
    {"short_hex", WithCase(R"("\u12")"),
     "1:15: not valid JSON: a \\u escape without four hex digits"},
    {"unknown_escape", WithCase(R"("\x41")"), "1:12: not valid JSON: an unknown escape in a text"},
    {"raw_tab", WithCase("\"a\tb\""), "1:12: not valid JSON: a control character in a text"},
    {"raw_newline", WithCase("\"a\nb\""), "1:12: not valid JSON: a control character in a text"},
    {"open_text", "{\"case\": \"abc",
     "1:13: not valid JSON: unexpected end of input in a text: the document is cut short"},
    {"cut_after_a_backslash", "{\"case\": \"a\\",
     "1:12: not valid JSON: unexpected end of input in a text: the document is cut short"},
    {"single_quotes", "{'case': 1}", "1:1: not valid JSON: expected a key in double quotes"},
    // Containers.
    {"empty_containers", WithNames("[[], {}, [[{}]]]"), nullptr},
    {"trailing_comma_object", "{\"case\": 1, \"model\": [],}",
     "1:24: not valid JSON: expected a key in double quotes"},
    {"trailing_comma_array", WithNames("[1, 2,]"), "1:42: not valid JSON: invalid literal"},
    {"missing_colon", "{\"case\" 1}", "1:8: not valid JSON: expected ':' after a key"},
    {"missing_comma", WithNames("[1 2]"), "1:39: not valid JSON: expected ',' or ']'"},
    {"unclosed", "{\"case\": 1, \"model\": [",
     "1:22: not valid JSON: unexpected end of input: the document is cut short"},
    {"empty", "", "1:1: not valid JSON: unexpected end of input"},
    {"after_document", WithCase("1") + " x", "1:26: unexpected text after the document"},
    // A log's last line cut: read up to the line before, with a warning. Any other fault in a
    // log, or a walk's document cut, is refused.
    {"log", kLogHeader + kCallA, nullptr, nullptr, 1},
    {"log_cut", kLogHeader + kCallA + "{\"callback\": \"CTB\", \"no", nullptr,
     "doc:3: the log's last line is cut off (its writer stopped in the middle of it): compared up "
     "to line 2",
     1},
    {"log_cut_in_a_text", kLogHeader + kCallA + kCallA.substr(0, 30), nullptr,
     "compared up to line 2", 1},
    {"log_cut_header", "{\"log\": \"fintop-tr", nullptr, "compared up to line 0", 0},
    {"log_broken_middle_line", kLogHeader + "{\"callback\": \"CTB\", \"no\n" + kCallA,
     "2:24: not valid JSON: a control character in a text"},
    {"log_garbage_middle_line", kLogHeader + "{\"callback\": x}\n" + kCallA,
     "2:13: not valid JSON: invalid literal"},
    {"log_whole_last_line_without_newline", kLogHeader + kCallA.substr(0, kCallA.size() - 1),
     nullptr, nullptr, 1},
    {"walk_cut", "{\"case\": \"c\", \"model\": [{\"object\": \"C\"",
     "1:38: not valid JSON: unexpected end of input: the document is cut short"},
    // The depth limit: 200000 levels, two a model node.
    {"deep", Nested(1000), nullptr},
    {"too_deep", Nested(100001), "nests deeper than 200000 levels"},
    {"as_deep_as_allowed", Nested(99999), nullptr},
    {"one_level_too_deep", Nested(100000, true), "nests deeper than 200000 levels"},
    // A model node's kind and key.
    {"node_of_no_kind", "{\"case\": \"c\", \"model\": [{\"colour\": \"red\"}]}",
     "1:33: a model node starts with \"object\", \"value\", \"collection\", \"item\" or "
     "\"element\", not \"colour\""},
    {"object_without_host", "{\"case\": \"c\", \"model\": [{\"object\": \"C\", \"name\": \"n\"}]}",
     "1:52: a model node of kind \"object\" without its \"host\""},
    {"empty_node", "{\"case\": \"c\", \"model\": [{}]}", "1:26: a model node must not be empty"},
    // A scalar where a node or a call belongs.
    {"scalar_in_model", "{\"case\": \"c\", \"model\": [1.5]}",
     "1:27: expected a model node, found 1.5"},
    {"scalar_in_trace", Trace("null"), "expected a trace entry, found null"},
    {"text_in_trace", Trace("\"CTA\""),
     "the trace holds lines of text, not call records (an older fintop-walk wrote it)"},
    // Each member where its table puts it, of the type its row gives.
    {"unknown_top_member", "{\"case\": \"c\", \"model\": [], \"colour\": 1}",
     "unknown member \"colour\" in the document"},
    {"model_as_object", "{\"case\": \"c\", \"model\": {}}", "\"model\" must not be an object"},
    {"model_as_text", "{\"case\": \"c\", \"model\": \"m\"}", "\"model\" must be an array"},
    {"summary_as_number", "{\"case\": \"c\", \"model\": [], \"summary\": 1}",
     "\"summary\" must be an object"},
    {"node_name_as_object",
     "{\"case\": \"c\", \"model\": [{\"object\": \"C\", \"host\": \"h\", \"name\": {}}]}",
     "\"name\" must be a text, not an object"},
    {"node_attributes_as_array",
     "{\"case\": \"c\", \"model\": [{\"value\": \"V\", \"attributes\": []}]}",
     "\"attributes\" must be an object, not an array"},
    {"trace_entry_of_no_kind", Trace("{\"node\": \"P\"}"),
     "a trace entry starts with \"callback\" or \"framework\", not \"node\""},
    {"unknown_call_member", Trace("{\"callback\": \"CTA\", \"colour\": 1}"),
     "unknown member \"colour\" in a call"},
    {"unknown_framework_member", Trace("{\"framework\": \"set\", \"colour\": 1}"),
     "unknown member \"colour\" in a framework record"},
    {"log_of_another_name", "{\"log\": \"other\", \"version\": 1}\n",
     "not a fintop-trace log (\"log\": \"other\")"},
    {"document_in_a_log", kLogHeader + "{\"case\": \"c\", \"model\": []}\n",
     "a fintop-trace log line holds a document"},
    {"binding_not_a_text",
     kLogHeader + "{\"callback\": \"CTA\", \"node\": \"P\", \"bindings\": {\"T\": 1}}\n",
     "a binding's host name must be a text, not 1"},
};

INSTANTIATE_TEST_SUITE_P(Json, Grammar, testing::ValuesIn(kGrammar),
                         [](const auto& info) { return std::string(info.param.name); });

// A log of two sessions names the lines they start at, its last line cut or not.
TEST(Sessions, NamedByTheirLines) {
  for (const std::string end : {"", "{\"callback\": \"CT"}) {
    walk::Document log(kLogHeader + kCallA + kLogHeader + kCallA + end, "log");
    EXPECT_EQ(walk::SessionsText(log),
              "holds 2 sessions (one {\"log\": ...} line each, at lines 1 and 3)");
  }
}

// A text's escapes undone, as a node's "name" read again: each escape, each class of hex digit,
// the ends of UTF-8's lengths and surrogate pairs.
struct DecodedRow {
  const char* name;
  const char* escaped;  // between the quotes
  std::string text;
};

class Decoded : public testing::TestWithParam<DecodedRow> {};

TEST_P(Decoded, AsTheEscapesSay) {
  walk::Document doc(
      std::string(R"({"case": "c", "model": [{"object": "C", "host": "P/C", "name": ")") +
          GetParam().escaped + "\"}]}",
      "doc");
  ASSERT_EQ(doc.model().size(), 1u);
  const walk::Details details = doc.ReadDetails(doc.model()[0].offset);
  const walk::Scalar& name = details.Get("name");
  EXPECT_EQ(name.type, walk::Scalar::kText);
  EXPECT_EQ(name.text, GetParam().text);
}

const DecodedRow kDecoded[] = {
    {"quote", R"(a\"b)", "a\"b"},
    {"backslash", R"(a\\b\\)", "a\\b\\"},
    {"slash", R"(\/a\/)", "/a/"},
    {"backspace_form_feed", R"(\b\f)", "\b\f"},
    {"line_feed", R"(a\nb)", "a\nb"},
    {"carriage_return", R"(a\rb\r\n)", "a\rb\r\n"},
    {"tab", R"(\ta\t)", "\ta\t"},
    {"digits", R"(\u0123\u4567\u0089)", "\xc4\xa3\xe4\x95\xa7\xc2\x89"},
    {"lower_hex", R"(\u0abc\u0def)", "\xe0\xaa\xbc\xe0\xb7\xaf"},
    {"upper_hex", R"(\u0ABC\u0DEF)", "\xe0\xaa\xbc\xe0\xb7\xaf"},
    {"control_as_written", R"(\u001f\u001F\u0000)", std::string("\x1f\x1f\0", 3)},
    {"utf8_lengths", R"(\u007f\u0080\u07ff\u0800\uffff)",
     "\x7f\xc2\x80\xdf\xbf\xe0\xa0\x80\xef\xbf\xbf"},
    {"surrogate_pair", R"(\ud83d\ude00)", "\xf0\x9f\x98\x80"},
    {"surrogate_pair_upper", R"(\uD83D\uDE00x)", "\xf0\x9f\x98\x80x"},
    {"surrogate_ends", R"(\ud800\udc00\uDBFF\uDFFF)", "\xf0\x90\x80\x80\xf4\x8f\xbf\xbf"},
};

INSTANTIATE_TEST_SUITE_P(Texts, Decoded, testing::ValuesIn(kDecoded),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Classify
// -------------------------------------------------------------------------------------

struct ClassifyRow {
  const char* name;
  std::string old_doc, new_doc;
  std::vector<std::string> lines;  // the text, "" lines left out
  const char* summary;
  const char* json;  // a piece of the --json output; null: not checked
};

std::string Model(const std::string& nodes) {
  return "{\"case\": \"c\", \"model\": [" + nodes + "]}";
}
std::string Object(const std::string& cls, const std::string& contents = "") {
  return "{\"object\": \"" + cls + "\", \"name\": \"C\", \"host\": \"P/C\"" +
         (contents.empty() ? "" : ", \"contents\": [" + contents + "]") + "}";
}
std::string Value(const std::string& name, const std::string& data) {
  return "{\"value\": \"" + name + "\", \"data\": " + data + "}";
}
// A walk's document with no model nodes and this summary.
std::string Summary(const std::string& members) {
  return "{\"case\": \"c\", \"model\": [], \"summary\": {" + members + "}}";
}
std::string Element(const std::string& members) {
  return "{\"element\": \"Out\", \"callback\": \"CTCondDistillate\", " + members + "}";
}
std::string Collection(const std::string& callback, int count, const std::string& items) {
  return "{\"collection\": \"Reactions\", \"callback\": \"" + callback +
         "\", \"count\": " + std::to_string(count) + ", \"items\": [" + items + "]}";
}
std::string Call(const std::string& callback, int index, const std::string& attributes,
                 const std::string& tail = "") {
  return "{\"callback\": \"" + callback +
         "\", \"node\": \"P/C\", \"index\": " + std::to_string(index) +
         ", \"result\": 1, \"attributes\": {" + attributes + "}, \"at\": \"P/C\"" + tail + "}";
}
// The same call as a fintop-trace log line.
std::string LogLine(const std::string& callback, int index, const std::string& attributes) {
  return Call(callback, index, attributes, ", \"thread\": 1") + "\n";
}
class Classify : public testing::TestWithParam<ClassifyRow> {};

TEST_P(Classify, NamesAndCountsTheChange) {
  const ClassifyRow& row = GetParam();
  walk::Document a(row.old_doc, "old"), b(row.new_doc, "new");
  walk::DiffResult result = walk::Compare(a, b);
  std::vector<std::string> lines;
  for (const walk::DiffLine& line : result.lines) lines.push_back(line.Text());
  EXPECT_EQ(lines, row.lines);
  EXPECT_EQ(result.Summary(), row.summary);
  if (row.json != nullptr) {
    walk::Output out;
    walk::WriteDiffJson(out, result);
    EXPECT_NE(out.text().find(row.json), std::string::npos) << out.text();
  }
}

const ClassifyRow kClassify[] = {
    {"object_class",
     Model(Object("QELHeaterCooler")),
     Model(Object("QELValve")),
     {"P/C: class QELHeaterCooler -> QELValve"},
     "differences: 1 (1 class changed)",
     R"("kind": "class changed",)"},
    {"item_class",
     Model(Object("R", Collection("CTReactions", 1, R"({"item": 0, "class": "A"})"))),
     Model(Object("R", Collection("CTReactions", 1, R"({"item": 0, "class": "B"})"))),
     {"P/C: Reactions[0]: class A -> B"},
     "differences: 1 (1 class changed)",
     R"("classes changed": 1)"},
    // A selection that returned another index than its item's; none said: the item's own.
    {"item_selection_returned",
     Model(Object("R", Collection("CTReactions", 1, R"({"item": 0, "class": "A", "result": 1})"))),
     Model(Object("R", Collection("CTReactions", 1, R"({"item": 0, "class": "A"})"))),
     {"P/C: Reactions[0]: selection returned 1 -> 0"},
     "differences: 1 (1 result changed)",
     nullptr},
    {"collection_callback",
     Model(Object("R", Collection("CTReactions", 0, ""))),
     Model(Object("R", Collection("CTActiveReactions", 0, ""))),
     {"P/C: Reactions: callback CTReactions -> CTActiveReactions"},
     "differences: 1 (1 callback changed)",
     R"("kind": "callback changed",)"},
    {"item_target",
     Model(Object("R", Collection("CTReactions", 1, R"({"item": 0, "class": "A", "at": "P/X"})"))),
     Model(Object("R", Collection("CTReactions", 1, R"({"item": 0, "class": "A", "at": "P/Y"})"))),
     {"P/C: Reactions[0]: target P/X -> P/Y"},
     "differences: 1 (1 target changed)",
     nullptr},
    {"element_callback",
     Model(Object("S", Element(R"("found": false)"))),
     Model(Object("S", R"({"element": "Out", "callback": "CTCondVapour", "found": false})")),
     {"P/C: Out: callback CTCondDistillate -> CTCondVapour"},
     "differences: 1 (1 callback changed)",
     nullptr},
    {"element_not_found",
     Model(Object("S", Element(R"("found": true, "at": "P/D")"))),
     Model(Object("S", Element(R"("found": false)"))),
     {"P/C: Out: target P/D -> (not found)"},
     "differences: 1 (1 target changed)",
     R"~("new": "(not found)")~"},
    {"element_found",
     Model(Object("S", Element(R"("found": false)"))),
     Model(Object("S", Element(R"("found": true)"))),
     {"P/C: Out: target (not found) -> (not moved)"},
     "differences: 1 (1 target changed)",
     nullptr},
    {"element_found_with_a_value",
     Model(Object("S", Element(R"("found": false)"))),
     Model(Object("S", Element(R"("found": true, "data": 2)"))),
     {"P/C: Out: target (not found) -> (not moved)"},
     "differences: 1 (1 target changed)",
     nullptr},
    {"element_value_false",
     Model(Object("S", Element(R"("found": true, "data": true)"))),
     Model(Object("S", Element(R"("found": true, "data": false)"))),
     {"P/C: Out: value true -> false"},
     "differences: 1 (1 value changed)",
     R"("old": true,
      "new": false)"},
    {"element_value",
     Model(Object("S", Element(R"("found": true, "data": 1.5)"))),
     Model(Object("S", Element(R"("found": true, "data": 2)"))),
     {"P/C: Out: value 1.5 -> 2"},
     "differences: 1 (1 value changed)",
     R"("old": 1.5,)"},
    {"count",
     Model(Object("R", Collection("CTReactions", 3, ""))),
     Model(Object("R", Collection("CTReactions", 1, ""))),
     {"P/C: Reactions: count 3 -> 1 (items 1..2 removed)"},
     "differences: 1 (1 count changed)",
     nullptr},
    {"count_by_one",
     Model(Object("R", Collection("CTReactions", 1, ""))),
     Model(Object("R", Collection("CTReactions", 2, ""))),
     {"P/C: Reactions: count 1 -> 2 (item 1 added)"},
     "differences: 1 (1 count changed)",
     nullptr},
    // Items told apart by index even where the count stays.
    {"items_differ_count_same",
     Model(Object("R", Collection("CTReactions", 2, R"({"item": 0}, {"item": 1})"))),
     Model(Object("R", Collection("CTActiveReactions", 2, R"({"item": 0})"))),
     {"P/C: Reactions: callback CTReactions -> CTActiveReactions",
      "P/C: Reactions[1]: item removed"},
     "differences: 2 (1 step removed, 1 callback changed)",
     nullptr},
    // A step only in the old document comes after the step it followed there.
    {"steps_in_order",
     Model(Object("S", Value("A", "1") + "," + Value("B", "1"))),
     Model(Object("S", Value("A", "2") + "," + Value("C", "1"))),
     {"P/C: A: value 1 -> 2", "P/C: B: value removed", "P/C: C: value added"},
     "differences: 3 (1 step added, 1 step removed, 1 value changed)",
     nullptr},
    {"callbacks",
     Summary(R"("not_reached": ["CTC"], "nothing_found_by": [])"),
     Summary(R"("not_reached": [], "nothing_found_by": ["CTA", "CTB"])"),
     {"callbacks: CTC: reached (not reached before)",
      "callbacks: CTA: found nothing (found something before)",
      "callbacks: CTB: found nothing (found something before)"},
     "differences: 3 (1 callback reached, 2 callbacks found nothing)",
     R"("callbacks reached": 1,
      "callbacks found nothing": 2)"},
    {"callbacks_back",
     Summary(R"("not_reached": [], "nothing_found_by": ["CTA"])"),
     Summary(R"("not_reached": ["CTB"], "nothing_found_by": [])"),
     {"callbacks: CTB: not reached (reached before)",
      "callbacks: CTA: found something (nothing before)"},
     "differences: 2 (1 callback not reached, 1 callback found something)",
     R"("callbacks not reached": 1,
      "callbacks found something": 1)"},
    {"framework_records_removed",
     Trace(R"({"framework": "P/C", "attribute": "A", "value": 1},
              {"framework": "P/C", "attribute": "B", "value": 2})"),
     Trace(""),
     {"P/C: framework A: framework record removed", "P/C: framework B: framework record removed"},
     "differences: 2 (2 framework records removed)",
     R"("framework records removed": 2)"},
    {"object_removed",
     Model(Object("S")),
     Model(""),
     {"P/C: object removed (S)"},
     "differences: 1 (1 object removed)",
     nullptr},
    // Calls against a log: a call the log lacks is removed; the walk's attribute the log lacks
    // is not counted (the log holds only what a call changed), the log's that the walk lacks is.
    {"log_lacks_call",
     Trace(Call("CTA", 0, "") + "," + Call("CTB", 1, "")),
     kLogHeader + LogLine("CTA", 0, ""),
     {"P/C: call CTB(1): call removed"},
     "differences: 1 (1 call removed)",
     nullptr},
    {"log_lacks_attribute",
     Trace(Call("CTA", 0, R"("Seen": 1)")),
     kLogHeader + LogLine("CTA", 0, ""),
     {},
     "differences: 0",
     nullptr},
    {"walk_lacks_attribute",
     Trace(Call("CTA", 0, "")),
     kLogHeader + LogLine("CTA", 0, R"("N": 1)"),
     {"P/C: call CTA(0): attribute N (none) -> 1"},
     "differences: 1 (1 attribute changed)",
     R"("old": null,
      "new": 1)"},
    {"walks_differ_in_attribute",
     Trace(Call("CTA", 0, R"("N": 1)")),
     Trace(Call("CTA", 0, "")),
     {"P/C: call CTA(0): attribute N 1 -> (none)"},
     "differences: 1 (1 attribute changed)",
     R"("old": 1,
      "new": null)"},
    // Integers written again as integers, below zero and beyond the signed 64 bits.
    {"integer_attribute",
     Trace(Call("CTA", 0, R"("N": -3)")),
     Trace(Call("CTA", 0, R"("N": 18446744073709551615)")),
     {"P/C: call CTA(0): attribute N -3 -> 18446744073709551615"},
     "differences: 1 (1 attribute changed)",
     R"("old": -3,
      "new": 18446744073709551615)"},
    {"integer_beyond_64_bits",
     Trace(Call("CTA", 0, R"("N": 100000000000000000000)")),
     Trace(Call("CTA", 0, R"("N": 1)")),
     {"P/C: call CTA(0): attribute N 100000000000000000000 -> 1"},
     "differences: 1 (1 attribute changed)",
     R"("old": 1e+20,)"},
    {"result",
     Trace(Call("CTA", 0, "")),
     Trace(Call("CTA", 0, "", ", \"out\": \"X\"")),
     {"P/C: call CTA(0): out (none) -> \"X\""},
     "differences: 1 (1 result changed)",
     nullptr},
    // Texts that differ only in an escape: a CR is no LF, a \u escape no other character.
    {"text_cr_not_lf",
     Model(Object("S", Element(R"("found": true, "data": "a\rb")"))),
     Model(Object("S", Element(R"("found": true, "data": "a\nb")"))),
     {R"(P/C: Out: value "a\rb" -> "a\nb")"},
     "differences: 1 (1 value changed)",
     nullptr},
    {"text_escape_not_another",
     Trace(Call("CTA", 0, R"("N": "\u001f\u00e9\/")")),
     Trace(Call("CTA", 0, R"("N": "\u001e\u00c9/")")),
     {"P/C: call CTA(0): attribute N \"\\u001f\xc3\xa9/\" -> \"\\u001e\xc3\x89/\""},
     "differences: 1 (1 attribute changed)",
     nullptr},
};

INSTANTIATE_TEST_SUITE_P(Documents, Classify, testing::ValuesIn(kClassify),
                         [](const auto& info) { return std::string(info.param.name); });

#if !defined(_WIN32)
// ---- Command ----------------------------------------------------------------------------------

struct CommandRow {
  const char* name;
  const char* command;  // for bash; $WALK, $DIR (the row's folder), $CASE (a small case)
  int status;
  const char* out;     // stdout, whole
  const char* err;     // a part of stderr's one line ("" : stderr empty)
  bool left_no_files;  // nothing left in $DIR/tmp
};

class Command : public testing::TestWithParam<CommandRow> {};

// What a walk or a comparison says when its output cannot be written.
constexpr const char* kFullDisk =
    "fintop-walk: cannot write the output (No space left on device): it is incomplete; send it "
    "where it can be written\n";

std::string ReadAll(std::FILE* pipe) {
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  return out;
}

TEST_P(Command, AnswersAsItShould) {
  const CommandRow& row = GetParam();
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(testing::TempDir()) / (std::string("walk_diff_") + row.name);
  fs::remove_all(dir);
  fs::create_directories(dir / "tmp");
  auto write = [&](const char* name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
  };
  write("old.json", Model(Object("QELHeaterCooler")));
  write("new.json", Model(Object("QELValve")));
  write("bad.json", "{\"case\": \"c\",\n \"model\": [\n  {\"object\": 01}]}\n");
  write("trace.json", Trace(Call("CTA", 0, "") + "," + Call("CTB", 1, "")));
  // A log cut while its third line was written.
  write("cut.jsonl", kLogHeader + LogLine("CTA", 0, "") + "{\"callback\": \"CTB\", \"no");
  const std::string command = std::string("WALK='") + FINTOP_WALK + "' DIR='" + dir.string() +
                              "' CASE='" + FINTOP_SMALL_CASE + "'\n" + row.command + "\n";
  write("command.sh", command);
  const fs::path err = dir / "stderr";
  const std::string shell = "bash '" + (dir / "command.sh").string() + "' 2>'" + err.string() + "'";
  std::FILE* pipe = popen(shell.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out = ReadAll(pipe);
  int status = pclose(pipe);
  ASSERT_TRUE(WIFEXITED(status)) << command;
  EXPECT_EQ(WEXITSTATUS(status), row.status) << command;
  EXPECT_EQ(out, row.out) << command;
  std::ifstream err_file(err);
  std::string err_text((std::istreambuf_iterator<char>(err_file)), {});
  if (row.err[0] == 0) {
    EXPECT_EQ(err_text, "");
  } else {  // one line
    EXPECT_TRUE(err_text.starts_with("fintop-walk: ")) << err_text;
    EXPECT_NE(err_text.find(row.err), std::string::npos) << err_text;
    EXPECT_EQ(std::count(err_text.begin(), err_text.end(), '\n'), 1) << err_text;
  }
  if (row.left_no_files) {
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
  }
}

const CommandRow kCommands[] = {
    {"two_pipes", R"($WALK --diff <(cat $DIR/old.json) --new <(cat $DIR/new.json))", 1,
     "P/C: class QELHeaterCooler -> QELValve\ndifferences: 1 (1 class changed)\n", "", false},
    {"pipes_alike", R"($WALK --diff <(cat $DIR/old.json) --new <(cat $DIR/old.json))", 0, "", "",
     false},
    {"bad_pipe_position", R"($WALK --diff <(cat $DIR/bad.json) --new $DIR/old.json)", 2, "",
     ":3:15: not valid JSON: invalid number: give a document saved by fintop-walk CASE --json (or "
     "a "
     "fintop-trace log)\n",
     false},
    {"cut_log", R"($WALK --diff $DIR/trace.json --new $DIR/cut.jsonl)", 1,
     "P/C: call CTB(1): call removed\ndifferences: 1 (1 call removed)\n",
     "/cut.jsonl:3: the log's last line is cut off (its writer stopped in the middle of it): "
     "compared up to line 2\n",
     false},
    {"cut_log_on_a_pipe", R"($WALK --diff $DIR/trace.json --new <(cat $DIR/cut.jsonl))", 1,
     "P/C: call CTB(1): call removed\ndifferences: 1 (1 call removed)\n",
     ":3: the log's last line is cut off", false},
    // Output that cannot be written: the walk's status 1, --diff's 2 (a difference is 1).
    {"walk_to_a_full_disk", R"($WALK $CASE > /dev/full)", 1, "", kFullDisk, false},
    {"diff_to_a_full_disk", R"($WALK --diff $DIR/old.json --new $DIR/new.json > /dev/full)", 2, "",
     kFullDisk, false},
    {"walk_with_tmpdir", R"(TMPDIR=$DIR/tmp $WALK $CASE --json > $DIR/saved.json &&
                            TMPDIR=$DIR/tmp $WALK $CASE --diff $DIR/saved.json)",
     0, "", "", true},
    // The walk's document is compared as it is made: no temporary file, no temporary folder.
    {"walk_tmpdir_missing", R"(TMPDIR=$DIR/none $WALK $CASE --diff $DIR/old.json)", 1,
     "P/C: object removed (QELHeaterCooler)\nSmall: object added (QELFlowsheet)\n"
     "Small/Exchanger: object added (QELHeatExchanger)\nSmall/Feed: object added (QELStream)\n"
     "Small/Splitter: object added (QELTee)\n"
     "differences: 5 (4 objects added, 1 object removed)\n",
     "", true},
};

INSTANTIATE_TEST_SUITE_P(Walk, Command, testing::ValuesIn(kCommands),
                         [](const auto& info) { return std::string(info.param.name); });
#endif

}  // namespace
