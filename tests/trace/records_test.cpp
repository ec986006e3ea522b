// fintop-trace with the real plug-in and a log (the ctest entry trace.records gives both):
// - RecordsNames: node names at and past the proxy's first name buffer (256 bytes), and an
//   empty top name, read whole into the record's node and "at";
// - RecordsHeld: an attribute the caller's iterator already held before the call;
// - RecordsBindings: the bindings a call makes, as the record holds them;
// - RecordsBootstrap: GetTopNorvaneEntry and TestIterator reach the stand-in host through the
//   real plug-in's forwarders with every argument and result intact; GetQELNode and Find1.
// Every call is made twice, through the proxy and directly on a twin iterator: the result,
// the attributes recorded, the aliases bound and where the iterator stands must agree, and no
// clone may be left alive. And fintop-trace.txt beside copies of the proxy (SettingsFile, the
// ctest entry trace.settings_file, without the two variables in the environment).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "aggnode/agg_node.h"
#include "bootstrap/bootstrap.h"
#include "hostmods/entry_shapes.h"
#include "proxy_test.h"
#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fintop_test {
namespace {

namespace fs = std::filesystem;

const CallbackEntry& Direct(const char* name) {
  for (const CallbackEntry& entry : AllCallbacks()) {
    if (std::string(entry.name) == name) return entry;
  }
  ADD_FAILURE() << "no callback " << name;
  return AllCallbacks().front();
}

// The callback `name` of the module `file`.
const CallbackEntry& Proxied(const char* name, const std::string& file = kProxy) {
  static std::vector<std::pair<std::string, std::vector<CallbackEntry>>> modules;
  auto found = modules.begin();
  for (; found != modules.end() && found->first != file; ++found) {
  }
  if (found == modules.end()) found = modules.emplace(modules.end(), file, ProxyCallbacks(file));
  const CallbackEntry& direct = Direct(name);
  return found->second[&direct - AllCallbacks().data()];
}

// The lines a log got since the last call for the same file.
std::vector<LogLine> NewLines(const std::string& file) {
  static std::vector<std::pair<std::string, std::size_t>> seen;
  auto found = seen.begin();
  for (; found != seen.end() && found->first != file; ++found) {
  }
  if (found == seen.end()) found = seen.emplace(seen.end(), file, 0);
  std::vector<LogLine> lines = LogLines(file);
  std::vector<LogLine> fresh(lines.begin() + std::min(found->second, lines.size()), lines.end());
  found->second = lines.size();
  return fresh;
}

struct TwinCall {
  int result = 0;
  std::string where;  // of the proxied iterator after the call
};

// `name` with `argument` on two iterators at `path`, directly and through `proxy`, each
// prepared by `prepare` first. Checks that both agree in result, out, attributes, bindings and
// position, and that no clone is left alive.
template <class Prepare>
TwinCall CallTwice(const Tree& tree, std::string_view path, const char* name, int argument,
                   Prepare prepare, const std::string& proxy = kProxy) {
  const CallbackEntry& direct = Direct(name);
  const CallbackEntry& proxied = Proxied(name, proxy);
  IteratorPtr a = At(tree, path), b = At(tree, path);
  prepare(*a);
  prepare(*b);
  const long live = hostsim::LiveIterators();
  FIAttribute out_a, out_b;
  const int ra = fintop::CallByShape(direct.shape, direct.function, a.get(), &out_a, argument);
  const int rb = fintop::CallByShape(proxied.shape, proxied.function, b.get(), &out_b, argument);
  EXPECT_EQ(hostsim::LiveIterators(), live) << name << ": a clone is left alive";
  EXPECT_EQ(ra, rb) << name;
  EXPECT_TRUE(record::SameValue(out_a, out_b)) << name;
  EXPECT_EQ(Where(*a), Where(*b)) << name;
  EXPECT_EQ(Recorded(*a), Recorded(*b)) << name;
  EXPECT_EQ(Bound(*a), Bound(*b)) << name;
  return {rb, Where(*b)};
}

void Nothing(FIIterator&) {}

// The one record a call added to `log`, which written again gives its line.
record::Call OnlyRecord(const std::string& log) {
  std::vector<LogLine> lines = WithoutBegins(NewLines(log));
  EXPECT_EQ(lines.size(), 1u);
  if (lines.empty()) return {};
  std::optional<record::Call> call = lines.back().Call();
  EXPECT_TRUE(call) << lines.back().text;
  if (call) {
    EXPECT_EQ(record::Line(*call), lines.back().text);
  }
  return call.value_or(record::Call{});
}

std::string AttributesOf(const record::Call& call) {
  return ObjectText(call.attributes);
}

// The scenario's log, removed before the first call of the process makes the proxy open it.
class RecordsTest : public CallbackTest {
 protected:
  static void SetUpTestSuite() {
    static bool removed = false;
    if (!removed) std::remove(Log().c_str());
    removed = true;
  }
  void TearDown() override {
    QELForgetAggNodes();
    CallbackTest::TearDown();
  }
  static std::string Log() {
    const char* log = std::getenv("FINTOP_TRACE_LOG");
    EXPECT_NE(log, nullptr) << "FINTOP_TRACE_LOG is not set";
    return log != nullptr ? log : "";
  }
};

// A stream of two components under a top node, both named by the row.
struct NameRow {
  const char* what;
  std::string top;
  std::string stream;
};

void PrintTo(const NameRow& row, std::ostream* out) {
  *out << row.what;
}

class RecordsNames : public RecordsTest, public ::testing::WithParamInterface<NameRow> {};

TEST_P(RecordsNames, NodeAndWhereTheIteratorStandsAreReadWhole) {
  const NameRow& row = GetParam();
  Tree tree = MakeTree(R"({"name": ")" + row.top + R"(", "children": [{"name": ")" + row.stream +
                       R"(", "type": "MaterialStreamObject", "children": [
                         {"name": "Comp Mole Frac", "elements": [0.25, 0.75]}]}]})");
  const std::string stream = row.top + "/" + row.stream;
  const std::string log = Log();
  NewLines(log);  // the log's first line, or earlier rows'

  // The top itself, the stream, then the move onto a component.
  TwinCall top = CallTwice(tree, "", "CTStreams", 0, Nothing);
  EXPECT_EQ(top.result, 0);
  record::Call call = OnlyRecord(log);
  EXPECT_EQ(call.callback, "CTStreams");
  EXPECT_EQ(call.node, row.top);
  EXPECT_EQ(call.at, row.top);

  const std::string at_stream = "\"" + row.stream + "\"";
  TwinCall count = CallTwice(tree, at_stream, "CTComponentArray", 1, Nothing);
  EXPECT_EQ(count.result, 1);
  EXPECT_EQ(count.where, stream);
  call = OnlyRecord(log);
  EXPECT_EQ(call.node, stream);
  EXPECT_EQ(call.at, stream);
  EXPECT_EQ(AttributesOf(call), R"({"CmpCnt":1})");

  TwinCall move = CallTwice(tree, at_stream, "CTComponent", 1,
                            [](FIIterator& it) { it.SetAttribute("CmpCnt", FIAttribute(1)); });
  EXPECT_EQ(move.result, 1);
  EXPECT_EQ(move.where, stream + "/Comp Mole Frac/Elem1");
  call = OnlyRecord(log);
  EXPECT_EQ(call.callback, "CTComponent");
  EXPECT_EQ(call.node, stream);
  EXPECT_EQ(call.at, move.where);
}

const NameRow kNameRows[] = {
    {"short names", "T", "S"},
    {"an empty top name", "", "S"},
    {"a stream name of 254 bytes", "T", std::string(254, 'n')},
    {"a stream name of 255 bytes: the buffer's last byte", "T", std::string(255, 'n')},
    {"a stream name of 256 bytes: one past the buffer", "T", std::string(256, 'n')},
    {"a stream name of 257 bytes", "T", std::string(257, 'n')},
    {"a stream name of 511 bytes: the doubled buffer's last byte", "T", std::string(511, 'n')},
    {"a stream name of 512 bytes", "T", std::string(512, 'n')},
    {"a stream name of 70000 bytes", "T", std::string(70000, 'n')},
    {"a top name of 300 bytes", std::string(300, 't'), "S"},
    {"an empty top name and a stream name of 256 bytes", "", std::string(256, 'n')},
};

INSTANTIATE_TEST_SUITE_P(Lengths, RecordsNames, ::testing::ValuesIn(kNameRows));

// "CmpCnt" as the caller's iterator holds it before CTComponentArray records the index.
struct HeldRow {
  const char* what;
  bool held;
  FIAttribute before;
  int index;
  const char* recorded;  // the record's attributes
};

void PrintTo(const HeldRow& row, std::ostream* out) {
  *out << row.what;
}

class RecordsHeld : public RecordsTest, public ::testing::WithParamInterface<HeldRow> {};

TEST_P(RecordsHeld, TheRecordHoldsWhatTheCallRecorded) {
  const HeldRow& row = GetParam();
  Tree tree = MakeTree(R"({"name": "T", "children": [{"name": "S", "type": "MaterialStreamObject",
                           "children": [{"name": "Comp Mole Frac", "elements": [1, 2, 3]}]}]})");
  const std::string log = Log();
  NewLines(log);
  TwinCall call = CallTwice(tree, "S", "CTComponentArray", row.index, [&](FIIterator& it) {
    if (row.held) it.SetAttribute("CmpCnt", row.before);
  });
  EXPECT_EQ(call.result, row.index);
  EXPECT_EQ(call.where, "T/S");
  record::Call record = OnlyRecord(log);
  EXPECT_EQ(record.callback, "CTComponentArray");
  EXPECT_EQ(record.value, row.index);
  EXPECT_EQ(AttributesOf(record), row.recorded);
}

const HeldRow kHeldRows[] = {
    {"not held before", false, FIAttribute(), 2, R"({"CmpCnt":2})"},
    {"held with another integer", true, FIAttribute(1), 2, R"({"CmpCnt":2})"},
    {"held with the same integer: written again", true, FIAttribute(2), 2, R"({"CmpCnt":2})"},
    {"held as a real of the same number", true, FIAttribute(2.0), 2, R"({"CmpCnt":2})"},
    {"held as a text of the same number", true, FIAttribute("2"), 2, R"({"CmpCnt":2})"},
    {"held empty", true, FIAttribute(), 0, R"({"CmpCnt":0})"},
};

INSTANTIATE_TEST_SUITE_P(Before, RecordsHeld, ::testing::ValuesIn(kHeldRows));

// A call that binds, on a node of `tree`, and the record's "bindings" it must give.
struct BindingRow {
  const char* what;
  const char* tree;
  const char* path;
  const char* callback;
  int argument;
  const char* bindings;
};

void PrintTo(const BindingRow& row, std::ostream* out) {
  *out << row.what;
}

class RecordsBindings : public RecordsTest, public ::testing::WithParamInterface<BindingRow> {};

TEST_P(RecordsBindings, TheRecordHoldsTheBindingsInTheOrderMade) {
  const BindingRow& row = GetParam();
  Tree tree = MakeTree(row.tree);
  const std::string log = Log();
  NewLines(log);
  CallTwice(tree, row.path, row.callback, row.argument, Nothing);
  record::Call record = OnlyRecord(log);
  EXPECT_EQ(record.callback, row.callback);
  EXPECT_EQ(record.bindings ? ObjectText(*record.bindings) : "null", row.bindings);
}

constexpr char kExchanger[] = R"({"name": "T", "children": [{"name": "E", "children": [
    {"name": "Tube Inlet Temperature", "value": 120.0},
    {"name": "Shell Inlet Temperature", "value": 40.0}]}]})";
constexpr char kTubeSide[] =
    R"({"DeltaT":"Tube Side Delta T","DeltaP":"Tube Side Pressure Drop",)"
    R"("OutletT":"Tube Outlet Temperature","OutletP":"Tube Outlet Pressure"})";
constexpr char kShellSide[] =
    R"({"DeltaT":"Shell Side Delta T","DeltaP":"Shell Side Pressure Drop",)"
    R"("OutletT":"Shell Outlet Temperature","OutletP":"Shell Outlet Pressure"})";

const BindingRow kBindingRows[] = {
    {"the hot side: the tube", kExchanger, "E", "CTExchangerHot", 1, kTubeSide},
    {"the cold side: the shell", kExchanger, "E", "CTExchangerCold", 1, kShellSide},
    {"move 0 binds nothing", kExchanger, "E", "CTExchangerHot", 0, "{}"},
    {"NPSH of point 2", R"({"name": "T", "children": [{"name": "C"}]})", "C", "CTNPSHCurvePoint", 1,
     R"({"NPSH":"Point 2 NPSH","Flow":"Point 2 Vol Flow"})"},
    {"a kind test binds nothing", kExchanger, "E", "CTStreams", 0, "{}"},
};

INSTANTIATE_TEST_SUITE_P(Calls, RecordsBindings, ::testing::ValuesIn(kBindingRows));

// The host's entry points through the proxy's forwarders, then the real plug-in's.
using Forwarder = std::intptr_t(FI_CDECL*)(std::intptr_t, std::intptr_t, std::intptr_t,
                                           std::intptr_t);

class RecordsBootstrap : public RecordsTest {};

TEST_F(RecordsBootstrap, TheForwardersReachTheHostThroughTheRealPlugin) {
  const std::string path = SourcePath("tests/bootstrap/tiny_case.json");
  auto* entry = reinterpret_cast<FITopEntry*>(ProxyEntry<Forwarder>("GetTopNorvaneEntry")(
      reinterpret_cast<std::intptr_t>(path.c_str()), 0, 0, 0));
  ASSERT_NE(entry, nullptr);
  IteratorPtr it(static_cast<HostIterator*>(CreateBaseFIIterator(entry, 1)));
  ASSERT_NE(it, nullptr);
  EXPECT_EQ(Where(*it), "Tiny");
  ASSERT_TRUE(it->Down("Feed"));
  char name[16] = {};
  const Forwarder test_iterator = ProxyEntry<Forwarder>("TestIterator");
  EXPECT_EQ(test_iterator(reinterpret_cast<std::intptr_t>(it.get()),
                          reinterpret_cast<std::intptr_t>(name), sizeof name, 0),
            1);
  EXPECT_STREQ(name, "Feed");
  EXPECT_EQ(test_iterator(0, 0, 0, 0), 0);
  const std::string missing = SourcePath("tests/bootstrap/no_such_case.json");
  EXPECT_EQ(ProxyEntry<Forwarder>("GetTopNorvaneEntry")(
                reinterpret_cast<std::intptr_t>(missing.c_str()), 0, 0, 0),
            0);
}

TEST_F(RecordsBootstrap, GetQELNodeAndFind1AnswerAsTheRealPlugin) {
  const std::string path = SourcePath("tests/bootstrap/tiny_case.json");
  int key = 0;
  using GetQELNodeFn = QELAggNode*(FI_CDECL*)(void*, void*);
  QELAggNode* node = ProxyEntry<GetQELNodeFn>("GetQELNode")(const_cast<char*>(path.c_str()), &key);
  ASSERT_NE(node, nullptr);
  FIIterator* top = QELAggNodeIterator(node);
  EXPECT_EQ(Where(*top), "Tiny");
  Tree tree = MakeTree(R"({"name": "Tiny", "children": [{"name": "Feed"}]})");
  IteratorPtr feed = At(tree, "Feed");
  const long live = hostsim::LiveIterators();
  EXPECT_TRUE(ProxyEntry<FIElement>("Find1")(feed.get(), 1));
  EXPECT_EQ(Where(*feed), "Tiny/Feed");
  EXPECT_EQ(Recorded(*feed), "");
  EXPECT_EQ(Bound(*feed), "");
  EXPECT_EQ(hostsim::LiveIterators(), live);
}

// Entry points of the stand-in host of other shapes (hostmods/entry_shapes.h), reached through
// both forwarders: what they received and what came back.
struct ShapeRow {
  const char* shape;
  std::string (*call)(Forwarder forwarder);
  const char* received;
  const char* result;
};

void PrintTo(const ShapeRow& row, std::ostream* out) {
  *out << row.shape;
}

template <class Shape>
Shape As(Forwarder forwarder) {
  return reinterpret_cast<Shape>(reinterpret_cast<void (*)()>(forwarder));
}

std::string Text(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

const ShapeRow kShapeRows[] = {
    {"EightMixed",
     [](Forwarder f) {
       using Shape =
           double(FI_CDECL*)(int, double, std::int64_t, double, const char*, double, int, double);
       return Text(As<Shape>(f)(11, 0.5, -4294967296, -1.25, "feed", 1e300, 13, -1024.125));
     },
     "11 0.5 -4294967296 -1.25 feed 1.0000000000000001e+300 13 -1024.125", "-1024.125"},
    {"IntAndNineDoubles",
     [](Forwarder f) {
       using Shape = double(FI_CDECL*)(int, double, double, double, double, double, double, double,
                                       double, double);
       return Text(As<Shape>(f)(-9, 1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5, 8.5, 9.75));
     },
     "-9 1.5 2.5 3.5 4.5 5.5 6.5 7.5 8.5 9.75", "9.75"},
    {"LargeStruct",
     [](Forwarder f) {
       using Shape = hostsim::ShapeBig(FI_CDECL*)(std::int64_t, hostsim::ShapeBig, double);
       const hostsim::ShapeBig in = {{1, -2, std::int64_t{1} << 40, -(std::int64_t{1} << 50)},
                                     0.25};
       const hostsim::ShapeBig out = As<Shape>(f)(77, in, -1.5);
       std::string text = "{";
       for (std::int64_t value : out.values) text += std::to_string(value) + " ";
       return text + Text(out.real) + "}";
     },
     "77 {1 -2 1099511627776 -1125899906842624 0.25} -1.5",
     "{1 -2 1099511627776 -1125899906842624 -1.5}"},
    {"Variadic",
     [](Forwarder f) {
       using Shape = double(FI_CDECL*)(const char*, ...);
       return Text(As<Shape>(f)("ididd", 7, 0.5, -8, 1.5, -10.5));
     },
     "ididd 7 0.5 -8 1.5 -10.5", "-10.5"},
};

class RecordsShapes : public RecordsTest, public ::testing::WithParamInterface<ShapeRow> {};

TEST_P(RecordsShapes, EveryArgumentArrivesAndTheResultComesBack) {
  const ShapeRow& row = GetParam();
  HMODULE engine = LoadLibraryA("norvaneeng.dll");
  ASSERT_NE(engine, nullptr);
  auto use_shape = reinterpret_cast<int(FI_CDECL*)(const char*, const char*)>(
      reinterpret_cast<void (*)()>(GetProcAddress(engine, "HostsimUseShape")));
  auto received = reinterpret_cast<const char*(FI_CDECL*)()>(
      reinterpret_cast<void (*)()>(GetProcAddress(engine, "HostsimReceived")));
  ASSERT_NE(use_shape, nullptr);
  ASSERT_NE(received, nullptr);
  for (const auto& [host_name, proxy_name] :
       {std::pair{"GetTopFIEntryV", "GetTopNorvaneEntry"}, {"TestIteratorX", "TestIterator"}}) {
    SCOPED_TRACE(proxy_name);
    ASSERT_EQ(use_shape(host_name, row.shape), 1);
    EXPECT_EQ(row.call(ProxyEntry<Forwarder>(proxy_name)), row.result);
    EXPECT_STREQ(received(), row.received);
    use_shape(host_name, nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, RecordsShapes, ::testing::ValuesIn(kShapeRows));

// fintop-trace.txt beside a copy of the proxy in a folder of its own; each row its own copy,
// so each reads its own file. "{REAL}" in a file stands for the real plug-in's path.
struct SettingsFileRow {
  const char* what;
  std::string text;
  const char* log;  // the log's file name in the folder; "" for none
  std::vector<std::string> errors;
  const char* stderr_text;
};

void PrintTo(const SettingsFileRow& row, std::ostream* out) {
  *out << row.what;
}

std::string ProgramFolder() {
#if defined(_WIN32)
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return fs::path(std::string(path, n)).parent_path().string();
#else
  return fs::canonical("/proc/self/exe").parent_path().string();
#endif
}

long ProcessId() {
#if defined(_WIN32)
  return static_cast<long>(GetCurrentProcessId());
#else
  return static_cast<long>(getpid());
#endif
}

void Unset(const char* name) {
#if defined(_WIN32)
  _putenv((std::string(name) + "=").c_str());
#else
  unsetenv(name);
#endif
}

// Whether `text` has the shape `shape`: each "[xy]" in it one byte from x to y, every other byte
// itself (no <regex>, a third of the program's compile time).
bool Shaped(std::string_view text, std::string_view shape) {
  std::size_t at = 0;
  for (std::size_t s = 0; s < shape.size(); ++s, ++at) {
    if (at == text.size()) return false;
    if (shape[s] != '[') {
      if (text[at] != shape[s]) return false;
      continue;
    }
    if (s + 3 >= shape.size() || text[at] < shape[s + 1] || text[at] > shape[s + 2]) return false;
    s += 3;
  }
  return at == text.size();
}

// Whether `text` is a version resource's "N.N.N.N".
bool IsVersion(std::string_view text) {
  int parts = 0;
  for (std::size_t from = 0; from <= text.size(); ++parts) {
    std::size_t end = std::min(text.find('.', from), text.size());
    if (end == from || text.find_first_not_of("0123456789", from) < end) return false;
    from = end + 1;
  }
  return parts == 4;
}

std::string Replaced(std::string text, const std::string& real) {
  for (std::size_t at; (at = text.find("{REAL}")) != std::string::npos;) text.replace(at, 6, real);
  return text;
}

class SettingsFile : public CallbackTestWithParam<SettingsFileRow> {};

TEST_P(SettingsFile, TheProxyReadsItAndSaysWhatItDidNotUnderstand) {
  const SettingsFileRow& row = GetParam();
  Unset("FINTOP_TRACE_LOG");
  Unset("FINTOP_TRACE_PLUGIN");
  const fs::path bin = ProgramFolder();
  const std::string real = (bin / kRealPlugin).string();
  const fs::path folder = fs::temp_directory_path() /
                          ("fintop-trace-settings-" + std::to_string(ProcessId()) + "-" + row.what);
  // Removed at the end, failed or not (Windows keeps a loaded module's file: a copy may stay).
  struct Removed {
    fs::path path;
    ~Removed() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  } removed{folder};
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  fs::create_directories(folder);
  fs::copy_file(bin / kProxy, folder / kProxy);
  {
    std::ofstream file(folder / "fintop-trace.txt", std::ios::binary);
    file << Replaced(row.text, real);
  }
  Tree tree = MakeTree(R"({"name": "T", "children": [{"name": "S", "type": "MaterialStreamObject",
                           "children": [{"name": "Comp Mole Frac", "elements": [1, 2, 3]}]}]})");
  testing::internal::CaptureStderr();
  TwinCall call = CallTwice(tree, "S", "CTComponentArray", 2, Nothing, (folder / kProxy).string());
  const std::string stderr_text = testing::internal::GetCapturedStderr();
  EXPECT_EQ(call.result, 2);
  EXPECT_EQ(stderr_text, row.stderr_text);

  std::vector<std::string> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    files.push_back(entry.path().filename().string());
  std::sort(files.begin(), files.end());
  std::vector<std::string> expected_files = {"fintop-trace.txt", kProxy};
  if (*row.log) expected_files.push_back(row.log);
  std::sort(expected_files.begin(), expected_files.end());
  EXPECT_EQ(files, expected_files);
  if (*row.log) {
    std::vector<LogLine> lines = LogLines((folder / row.log).string());
    ASSERT_EQ(lines.size(), row.errors.size() + 3);  // the first line, the begin line, the call
    // Who recorded it: the real plug-in, the process's width, this recorder, when, in what.
    const LogLine& head = lines[0];
    const std::string started = head.Text("started"), host = head.Text("host");
    EXPECT_TRUE(Shaped(started, "20[09][09]-[01][09]-[03][09]T[02][09]:[05][09]:[06][09]Z"))
        << head.text;
    EXPECT_NE(host.find("test_trace"), std::string::npos) << head.text;
    // The real plug-in's version resource, where the system keeps one (Windows).
    std::string versions;
    for (const char* version : {"plugin_version", "plugin_product_version"}) {
      if (!head.Has(version)) continue;
      EXPECT_TRUE(IsVersion(head.Text(version))) << head.text;
      versions += ",\"" + std::string(version) + "\":" + kit::JsonText(head.Text(version));
    }
    EXPECT_EQ(head.text, R"({"log":"fintop-trace","version":3,"plugin":)" + kit::JsonText(real) +
                             versions + R"(,"width":)" + std::to_string(sizeof(void*) * 8) +
                             R"(,"recorder":"1.0.0","started":)" + kit::JsonText(started) +
                             R"(,"host":)" + kit::JsonText(host) + "}");
    for (std::size_t i = 0; i < row.errors.size(); ++i)
      EXPECT_EQ(lines[i + 1].text, "{\"error\":" + kit::JsonText(row.errors[i]) + "}");
    std::optional<record::Call> record = lines.back().Call();
    ASSERT_TRUE(record) << lines.back().text;
    EXPECT_EQ(record->callback, "CTComponentArray");
    EXPECT_EQ(record->result.Shown(), "2");
    EXPECT_EQ(AttributesOf(*record), R"({"CmpCnt":2})");
    EXPECT_EQ(lines[lines.size() - 2].Get("begin"), TextScalar("CTComponentArray"));
  }
}

const std::string kLongComment =
    "#" + std::string(4094, 'x') + "FINTOP_TRACE_PLUGIN=libno-such-plugin.so";

const SettingsFileRow kSettingsFileRows[] = {
    {"CrLf",
     "# made on Windows\r\nFINTOP_TRACE_LOG=session.jsonl\r\nFINTOP_TRACE_PLUGIN={REAL}\r\n",
     "session.jsonl",
     {},
     ""},
    {"Blanks",
     "  FINTOP_TRACE_LOG = my session.jsonl \n\tFINTOP_TRACE_PLUGIN =\t{REAL}\n",
     "my session.jsonl",
     {},
     ""},
    {"LongComment",
     "FINTOP_TRACE_PLUGIN={REAL}\nFINTOP_TRACE_LOG=session.jsonl\n" + kLongComment + "\n",
     "session.jsonl",
     {},
     ""},
    {"UnknownLinesInTheLog",
     "FINTOP_TRACE_LOG=session.jsonl\nFINTOP_TRACE_PLUGN=x.so\nFINTOP_TRACE_PLUGIN={REAL}"
     "\nnonsense\n",
     "session.jsonl",
     {"fintop-trace.txt:2: unknown setting \"FINTOP_TRACE_PLUGN\" (known: FINTOP_TRACE_LOG, "
      "FINTOP_TRACE_PLUGIN, FINTOP_TRACE_SNAPSHOT, FINTOP_TRACE_SNAPSHOT_NODES, "
      "FINTOP_TRACE_SNAPSHOT_DEPTH): the line is ignored",
      "fintop-trace.txt:4: not a setting (NAME=VALUE, or # before a comment): \"nonsense\" is "
      "ignored"},
     ""},
    {"SnapshotLimitNotACount",
     "FINTOP_TRACE_LOG=session.jsonl\nFINTOP_TRACE_PLUGIN={REAL}\nFINTOP_TRACE_SNAPSHOT_NODES="
     "lots\n",
     "session.jsonl",
     {"FINTOP_TRACE_SNAPSHOT_NODES is not a count from 1 to 10^12 (lots): the default 5000000 is "
      "used"},
     ""},
    {"NoLogComplaintsOnStderr",
     "FINTOP_TRACE_LOG: session.jsonl\r\nFINTOP_TRACE_PLUGIN={REAL}\r\n",
     "",
     {},
     "fintop-trace: fintop-trace.txt:1: not a setting (NAME=VALUE, or # before a comment): "
     "\"FINTOP_TRACE_LOG: session.jsonl\" is ignored\n"},
};

INSTANTIATE_TEST_SUITE_P(Files, SettingsFile, ::testing::ValuesIn(kSettingsFileRows));

}  // namespace
}  // namespace fintop_test
