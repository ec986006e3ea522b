// fintop-trace.txt read by its parser alone (settings.h): each row a file's text and what it
// must give, the two settings and the complaints, joined by " | "; and the snapshot's limits as
// ReadSettings takes them from the file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>

#include "settings.h"

namespace {

using std::nullopt;
using namespace std::string_literals;

struct SettingsRow {
  const char* what;
  std::string text;
  std::optional<std::string> log;
  std::optional<std::string> plugin;
  std::string complaints;
};

void PrintTo(const SettingsRow& row, std::ostream* out) {
  *out << row.what;
}

// A comment line of `length` bytes ending in `tail`: the line's bytes from 4095 on are the
// tail when `length` is 4095 plus its size.
std::string LongComment(std::size_t length, const std::string& tail) {
  return "#" + std::string(length - 1 - tail.size(), 'x') + tail;
}

// `text` `times` times over.
std::string Repeated(std::string_view text, int times) {
  std::string out;
  while (times-- > 0) out += text;
  return out;
}

const std::string kTail = "FINTOP_TRACE_PLUGIN=libother.so";
const std::string kUnknown =
    " (known: FINTOP_TRACE_LOG, FINTOP_TRACE_PLUGIN, FINTOP_TRACE_SNAPSHOT, "
    "FINTOP_TRACE_SNAPSHOT_NODES, FINTOP_TRACE_SNAPSHOT_DEPTH): the line is ignored";

const SettingsRow kRows[] = {
    {"an empty file", "", nullopt, nullopt, ""},
    {"comments and blank lines only", "# a comment\n\n   \n\t# indented comment\n", nullopt,
     nullopt, ""},
    {"both settings", "FINTOP_TRACE_LOG=a.jsonl\nFINTOP_TRACE_PLUGIN=real.so\n", "a.jsonl",
     "real.so", ""},
    {"the last line without its end", "FINTOP_TRACE_LOG=a.jsonl", "a.jsonl", nullopt, ""},
    {"CRLF line ends",
     "# made with Notepad\r\nFINTOP_TRACE_LOG=a.jsonl\r\nFINTOP_TRACE_PLUGIN=r.dll\r\n", "a.jsonl",
     "r.dll", ""},
    {"CRLF line ends counted once", "# settings\r\nFINTOP_TRACE_LOG=a.jsonl\r\nnonsense\r\n",
     "a.jsonl", nullopt,
     "fintop-trace.txt:3: not a setting (NAME=VALUE, or # before a comment): \"nonsense\" is "
     "ignored"},
    {"CR line ends", "FINTOP_TRACE_LOG=a.jsonl\rFINTOP_TRACE_PLUGIN=r.dll\r", "a.jsonl", "r.dll",
     ""},
    {"a byte-order mark before the first line",
     "\xEF\xBB\xBF"
     "FINTOP_TRACE_LOG=a.jsonl\r\n",
     "a.jsonl", nullopt, ""},
    {"blanks around the name and the value", "  FINTOP_TRACE_LOG = a.jsonl  \n", "a.jsonl", nullopt,
     ""},
    {"tabs around the name and the value", "\tFINTOP_TRACE_PLUGIN\t=\treal.so\t\r\n", nullopt,
     "real.so", ""},
    {"blanks inside the value kept", "FINTOP_TRACE_LOG = C:\\My Logs\\fintop session.jsonl \n",
     "C:\\My Logs\\fintop session.jsonl", nullopt, ""},
    {"a value in double quotes keeps its end blanks", "FINTOP_TRACE_LOG = \" a b \"\n", " a b ",
     nullopt, ""},
    {"a lone double quote is the value", "FINTOP_TRACE_LOG=\"\n", "\"", nullopt, ""},
    {"an equals sign inside the value", "FINTOP_TRACE_LOG=a=b.jsonl\n", "a=b.jsonl", nullopt, ""},
    {"an empty value unsets", "FINTOP_TRACE_LOG=\nFINTOP_TRACE_PLUGIN = \"\"\n", "", "", ""},
    {"a setting given again: the later line wins",
     "FINTOP_TRACE_LOG=a.jsonl\n# between\nFINTOP_TRACE_LOG=b.jsonl\nFINTOP_TRACE_LOG=c.jsonl\n",
     "c.jsonl", nullopt,
     "fintop-trace.txt:3: FINTOP_TRACE_LOG is given again (line 1 gave it before): this line's "
     "value is used | fintop-trace.txt:4: FINTOP_TRACE_LOG is given again (line 3 gave it "
     "before): this line's value is used"},
    {"a line that is not a setting", "FINTOP_TRACE_LOG a.jsonl\n", nullopt, nullopt,
     "fintop-trace.txt:1: not a setting (NAME=VALUE, or # before a comment): "
     "\"FINTOP_TRACE_LOG a.jsonl\" is ignored"},
    {"an unknown name", "\n\nFINTOP_TRACE_LGO=a.jsonl\r\nFINTOP_TRACE_PLUGIN=r.so\r\n", nullopt,
     "r.so", "fintop-trace.txt:3: unknown setting \"FINTOP_TRACE_LGO\"" + kUnknown},
    {"a name in other case is unknown", "fintop_trace_log=a.jsonl\n", nullopt, nullopt,
     "fintop-trace.txt:1: unknown setting \"fintop_trace_log\"" + kUnknown},
    {"an empty name", " = a.jsonl\n", nullopt, nullopt,
     "fintop-trace.txt:1: unknown setting \"\"" + kUnknown},
    {"bytes of a name shown escaped",
     "F\xff\t\"\\\x7f"
     "x=1\n",
     nullopt, nullopt,
     "fintop-trace.txt:1: unknown setting \"F\\xff\\x09\\x22\\x5c\\x7fx\"" + kUnknown},
    {"C1 controls shown escaped, the character after them whole", "N\xc2\x80\xc2\x9f\xc2\xa0=1\n",
     nullopt, nullopt,
     "fintop-trace.txt:1: unknown setting \"N\\xc2\\x80\\xc2\\x9f\xc2\xa0\"" + kUnknown},
    {"a long name shown cut", std::string(5000, 'N') + "=1\n", nullopt, nullopt,
     "fintop-trace.txt:1: unknown setting \"" + std::string(64, 'N') + "\" (cut)" + kUnknown},
    {"a long name cut before a character that would not fit whole",
     Repeated("\xe6\x97\xa5", 30) + "=1\n", nullopt, nullopt,
     "fintop-trace.txt:1: unknown setting \"" + Repeated("\xe6\x97\xa5", 21) + "\" (cut)" +
         kUnknown},
    {"a name of 64 bytes shown whole", std::string(64, 'N') + "=1\n", nullopt, nullopt,
     "fintop-trace.txt:1: unknown setting \"" + std::string(64, 'N') + "\"" + kUnknown},
    {"a NUL byte in a value", "FINTOP_TRACE_LOG=a\0b\nFINTOP_TRACE_PLUGIN=r.so\n"s, nullopt, "r.so",
     "fintop-trace.txt:1: FINTOP_TRACE_LOG holds a NUL byte: the line is ignored"},
    {"a comment longer than 4096 bytes is one line",
     "FINTOP_TRACE_PLUGIN=real.so\n" + LongComment(4095 + kTail.size(), kTail) + "\n", nullopt,
     "real.so", ""},
    {"a comment of 100000 bytes with CRLF",
     "FINTOP_TRACE_PLUGIN=real.so\r\n" + LongComment(100000, kTail) +
         "\r\nFINTOP_TRACE_LOG=a.jsonl\r\n",
     "a.jsonl", "real.so", ""},
    {"a value longer than 4096 bytes kept whole",
     "FINTOP_TRACE_LOG=" + std::string(5000, 'v') + "\nFINTOP_TRACE_PLUGIN=r.so\n",
     std::string(5000, 'v'), "r.so", ""},
    {"twenty complaints, then their count",
     [] {
       std::string text;
       for (int i = 0; i < 25; ++i) text += "x\n";
       return text + "FINTOP_TRACE_LOG=a\n";
     }(),
     "a", nullopt,
     [] {
       std::string complaints;
       for (int i = 1; i <= 20; ++i) {
         complaints += "fintop-trace.txt:" + std::to_string(i) +
                       ": not a setting (NAME=VALUE, or # before a comment): \"x\" is ignored | ";
       }
       return complaints + "fintop-trace.txt: 5 more lines not understood or given again";
     }()},
    {"every complaint, in line order",
     "what\nFINTOP_TRACE_LOG=a\nFINTOP_TRACE_LOGG=b\nFINTOP_TRACE_LOG=c\n", "c", nullopt,
     "fintop-trace.txt:1: not a setting (NAME=VALUE, or # before a comment): \"what\" is ignored "
     "| fintop-trace.txt:3: unknown setting \"FINTOP_TRACE_LOGG\"" +
         kUnknown +
         " | fintop-trace.txt:4: FINTOP_TRACE_LOG is given again (line 2 gave it before): this "
         "line's value is used"},
};

class SettingsText : public ::testing::TestWithParam<SettingsRow> {};

TEST_P(SettingsText, GivesTheSettingsAndOneComplaintPerLineNotUnderstood) {
  const SettingsRow& row = GetParam();
  const trace::SettingsText settings = trace::ParseSettings(row.text);
  EXPECT_EQ(settings.log, row.log);
  EXPECT_EQ(settings.plugin, row.plugin);
  std::string complaints;
  for (const std::string& complaint : settings.complaints)
    complaints += (complaints.empty() ? "" : " | ") + complaint;
  EXPECT_EQ(complaints, row.complaints);
}

INSTANTIATE_TEST_SUITE_P(Files, SettingsText, ::testing::ValuesIn(kRows));

// The snapshot's three settings, taken as written (the proxy reads the limits' numbers).
TEST(SettingsSnapshot, GivenAsWritten) {
  struct Row {
    const char* text;
    std::optional<std::string> snapshot, nodes, depth;
  };
  const Row rows[] = {
      {"FINTOP_TRACE_SNAPSHOT = C:\\My Logs\\case.json\r\n", "C:\\My Logs\\case.json", nullopt,
       nullopt},
      {"FINTOP_TRACE_SNAPSHOT_NODES=1000\nFINTOP_TRACE_SNAPSHOT_DEPTH = 20\n", nullopt, "1000",
       "20"},
      {"FINTOP_TRACE_SNAPSHOT_NODES=many\n", nullopt, "many", nullopt},
      {"FINTOP_TRACE_SNAPSHOT=a.json\nFINTOP_TRACE_SNAPSHOT=\n", "", nullopt, nullopt},
  };
  for (const Row& row : rows) {
    const trace::SettingsText settings = trace::ParseSettings(row.text);
    EXPECT_EQ(settings.snapshot, row.snapshot) << row.text;
    EXPECT_EQ(settings.snapshot_nodes, row.nodes) << row.text;
    EXPECT_EQ(settings.snapshot_depth, row.depth) << row.text;
    EXPECT_EQ(settings.log, nullopt) << row.text;
  }
}

// The snapshot's limits as counts: from 1 to 10^12, else the default with a complaint.
TEST(SettingsLimits, CountsFromOneTo10To12) {
  struct Row {
    const char* text;
    unsigned long long nodes, depth;  // the defaults: 7 and 9
    std::string complaints;
  };
  const std::string kNodes = "FINTOP_TRACE_SNAPSHOT_NODES is not a count from 1 to 10^12 (";
  const std::string kDepth = "FINTOP_TRACE_SNAPSHOT_DEPTH is not a count from 1 to 10^12 (";
  const Row rows[] = {
      {"", 7, 9, ""},
      {"FINTOP_TRACE_SNAPSHOT_NODES=1\nFINTOP_TRACE_SNAPSHOT_DEPTH=1\n", 1, 1, ""},
      {"FINTOP_TRACE_SNAPSHOT_NODES=1000000000000\nFINTOP_TRACE_SNAPSHOT_DEPTH=999999999999\n",
       1000000000000, 999999999999, ""},
      {"FINTOP_TRACE_SNAPSHOT_NODES=0\nFINTOP_TRACE_SNAPSHOT_DEPTH=1000000000001\n", 7, 9,
       kNodes + "0): the default 7 is used | " + kDepth + "1000000000001): the default 9 is used"},
      {"FINTOP_TRACE_SNAPSHOT_NODES=-1\nFINTOP_TRACE_SNAPSHOT_DEPTH=2x\n", 7, 9,
       kNodes + "-1): the default 7 is used | " + kDepth + "2x): the default 9 is used"},
  };
  for (const char* name : {"FINTOP_TRACE_SNAPSHOT_NODES", "FINTOP_TRACE_SNAPSHOT_DEPTH"}) {
#if defined(_WIN32)
    _putenv((std::string(name) + "=").c_str());
#else
    unsetenv(name);
#endif
  }
  const std::filesystem::path folder =
      std::filesystem::path(testing::TempDir()) / "fintop-trace-limits";
  std::filesystem::create_directories(folder);
  for (const Row& row : rows) {
    std::ofstream(folder / trace::kSettingsFileName, std::ios::binary) << row.text;
    const trace::Settings settings = trace::ReadSettings(folder.string() + "/", 7, 9);
    EXPECT_EQ(settings.snapshot_nodes, row.nodes) << row.text;
    EXPECT_EQ(settings.snapshot_depth, row.depth) << row.text;
    std::string complaints;
    for (const std::string& complaint : settings.complaints)
      complaints += (complaints.empty() ? "" : " | ") + complaint;
    EXPECT_EQ(complaints, row.complaints) << row.text;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
