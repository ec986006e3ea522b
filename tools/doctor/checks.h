// The doctor's five checks of a plug-in in the folder a framework loads it from, in order:
// the plug-in file, its exports, its imports, the host's entry points, the real load. With the
// recorder (fintop-trace) in the plug-in's place, a sixth, its settings, follows the first, and
// the others check the recorder and the real plug-in it loads. A plug-in file that is no module
// is the first check's failure, and the only check. Texts hold names as the files give them:
// the writers (main.cpp) escape them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "image.h"
#include "json_writer.h"
#include "settings.h"

namespace doctor {

// What the doctor checks fintop against (names.cpp): the names the plug-in must export (the
// callbacks of FINTOP_CALLBACKS, the rest of fintop/exports.txt, which the build embeds), and
// how a name looks when a compiler has decorated or mangled it.
struct ExpectedExports {
  std::vector<std::string> callbacks;  // the CT callbacks, in list order
  std::vector<std::string> bootstrap;  // the plain C names of exports.txt beyond the callbacks
  std::vector<std::string> members;    // the C++ names (FIMessageFilter, FISolver, FIPath)
  std::vector<std::string> all;        // the three above, in that order
};

// The names fintop exports, from the callback list and exports.txt.
const ExpectedExports& Expected();

// Whether `exported` is `name` as a compiler decorates it: a leading underscore (`_CTStreams`),
// a stdcall suffix (`CTStreams@4`, `_CTStreams@4`), or `name` inside a C++-mangled name
// (GCC's `_Z...9CTStreams...`, the Microsoft compiler's `?CTStreams@@...`).
bool IsDecorated(std::string_view exported, std::string_view name);

// The C++ spelling most of a module's exports use, and its description.
enum class Spelling { kNone, kGcc, kMicrosoft };
Spelling SpellingOf(const std::vector<std::string>& exports);
const char* Describe(Spelling spelling);

// A JSON object for --json: its members, written in the order of their keys (byte order), as
// the document has always had them. Texts are escaped as the text lines are (kit::BytesShown:
// whatever a file holds prints as one line of text and makes valid JSON).
class Object {
 public:
  using Value = std::function<void(kit::JsonWriter&)>;

  Object& Add(std::string key, Value value) {
    members_.emplace(std::move(key), std::move(value));
    return *this;
  }
  // A text, or null for none.
  Object& Text(std::string key, const std::optional<std::string>& text) {
    if (!text) return Add(std::move(key), [](kit::JsonWriter& w) { w.Null(); });
    return Add(std::move(key),
               [text = kit::BytesShown(*text)](kit::JsonWriter& w) { w.Text(text); });
  }
  Object& Texts(std::string key, const std::vector<std::string>& texts) {
    std::vector<std::string> shown;
    for (const std::string& text : texts) shown.push_back(kit::BytesShown(text));
    return Add(std::move(key), [shown = std::move(shown)](kit::JsonWriter& w) { w.Texts(shown); });
  }
  Object& Bool(std::string key, bool value) {
    return Add(std::move(key), [value](kit::JsonWriter& w) { w.Bool(value); });
  }
  Object& Integer(std::string key, long long value) {
    return Add(std::move(key), [value](kit::JsonWriter& w) { w.Integer(value); });
  }
  Object& Objects(std::string key, std::vector<Object> objects) {
    return Add(std::move(key), [objects = std::move(objects)](kit::JsonWriter& w) {
      w.BeginArray();
      for (const Object& object : objects) object.Write(w);
      w.End();
    });
  }

  void Write(kit::JsonWriter& w) const {
    w.BeginObject();
    for (const auto& [key, value] : members_) {
      w.Key(key);
      value(w);
    }
    w.End();
  }

 private:
  std::map<std::string, Value> members_;
};

struct Check {
  // "plug-in", "recorder", "exports", "imports", "host entry points", "load"
  std::string name;
  bool ok = false;
  std::string text;  // one line: what was found, and on a failure what to do
  std::vector<std::string> problems;
  Object details;  // the check's findings in parts
};

// Runs every check on the plug-in file `plugin` for the framework folder `folder`, handing
// each to `decided` as soon as it is decided (before the next one starts).
std::vector<Check> Examine(const std::string& folder, const std::string& plugin,
                           const std::function<void(const Check&)>& decided);

// A check from its problems (none: ok, with `ok_text`), its text the problems joined by "; ".
Check MakeCheck(const char* name, std::vector<std::string> problems, std::string ok_text,
                Object details);

// `names` joined by ", ", each in `quote`; after kShownNames of them the rest are
// counted ("A, B and 7 more").
inline constexpr size_t kShownNames = 8;
std::string JoinNames(const std::vector<std::string>& names, const char* quote = "");

// What the checks' files share (checks.cpp; module_checks.cpp: the imports and the host's entry
// points; recorder.cpp: fintop-trace in the plug-in's place): files and widths as the texts
// name them, and the checks each gives the others.
std::string BaseName(const std::string& path);
std::string Bits(int width);  // "64-bit"
// The zip that holds the plug-in of `width`.
std::string ZipOf(int width);
// The modules checked as the plug-in, by file name: "fintop.dll", "fintop.dll and fintop-real.dll".
std::string Files(const std::vector<const Image*>& subjects);

template <class Range>
bool Contains(const Range& names, const std::string& name) {
  return std::any_of(std::begin(names), std::end(names),
                     [&](const auto& other) { return SameModuleName(other, name); });
}

// The checks of module_checks.cpp. `width_advised` becomes true when the check told the user to
// use the plug-in of the other width, which is said once.
Check Imports(const std::vector<const Image*>& subjects, const std::string& folder,
              bool& width_advised);
Check HostEntryPoints(const Image& plugin, const std::string& folder, bool& width_advised);

// fintop-trace, the recorder, installed in the plug-in's place (INSTALL.txt, "Recording a
// session"): its file name as built (the real plug-in's default name beside it is
// trace::kDefaultRealPlugin), and whether `image` is the recorder, whatever its file is called
// now (by the name it was linked under).
#if defined(_WIN32)
inline constexpr char kRecorderFile[] = "fintop-trace.dll";
#else
inline constexpr char kRecorderFile[] = "libfintop-trace.so";
#endif
bool IsRecorder(const Image& image);

// The "recorder" check: every line of the settings understood, the log's and the snapshot's
// folders writable. `recorder` is the recorder's path as installed.
Check RecorderCheck(const trace::Settings& settings, const std::string& recorder);

}  // namespace doctor
