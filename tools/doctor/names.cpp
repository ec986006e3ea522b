#include "checks.h"

#include <algorithm>
#include <cctype>

#include "framework/callback_table.h"

namespace doctor {

// fintop/exports.txt as the build found it (exports_txt.cpp, generated).
extern const char kExportsTxt[];

namespace {

ExpectedExports Build() {
  ExpectedExports expected;
  for (const fintop::CallbackInfo& info : fintop::kCallbackTable) {
    expected.callbacks.emplace_back(info.name);
  }
  std::string_view text = kExportsTxt;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    line = line.substr(0, line.find_last_not_of(" \t\n\v\f\r") + 1);
    if (line.empty() || line.front() == '#') continue;
    // The callbacks' lines are FINTOP_CALLBACKS' names (test_exports holds them equal).
    if (fintop::FindCallback(line) != fintop::kNoCallback) continue;
    (line.starts_with("_Z") ? expected.members : expected.bootstrap).emplace_back(line);
  }
  for (const auto* part : {&expected.callbacks, &expected.bootstrap, &expected.members})
    expected.all.insert(expected.all.end(), part->begin(), part->end());
  return expected;
}

// The C++ spelling of one name.
Spelling SpellingOf(std::string_view name) {
  while (name.starts_with('_') && !name.starts_with("_Z")) name.remove_prefix(1);
  if (name.starts_with("_Z")) return Spelling::kGcc;
  if (name.starts_with('?') && name.find("@@") != std::string_view::npos) {
    return Spelling::kMicrosoft;
  }
  return Spelling::kNone;
}

}  // namespace

const ExpectedExports& Expected() {
  static const ExpectedExports expected = Build();
  return expected;
}

bool IsDecorated(std::string_view exported, std::string_view name) {
  if (exported == name || name.empty()) return false;
  std::string_view rest = exported;
  while (rest.starts_with('_') && !rest.starts_with("_Z")) rest.remove_prefix(1);
  if (rest.starts_with("_Z") && !name.starts_with("_Z")) {
    // GCC's mangling holds an identifier as its length and its characters.
    return exported.find(std::to_string(name.size()) + std::string(name)) != std::string::npos;
  }
  if (rest.starts_with('?')) return rest.substr(1).starts_with(std::string(name) + "@");
  if (!rest.starts_with(name)) return false;
  rest.remove_prefix(name.size());
  if (rest.empty()) return true;  // only leading underscores
  return rest.size() > 1 && rest.front() == '@' &&
         std::all_of(rest.begin() + 1, rest.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

Spelling SpellingOf(const std::vector<std::string>& exports) {
  auto count = [&](Spelling spelling) {
    return std::count_if(exports.begin(), exports.end(),
                         [&](const std::string& name) { return SpellingOf(name) == spelling; });
  };
  const auto gcc = count(Spelling::kGcc), microsoft = count(Spelling::kMicrosoft);
  if (gcc == 0 && microsoft == 0) return Spelling::kNone;
  return gcc >= microsoft ? Spelling::kGcc : Spelling::kMicrosoft;
}

const char* Describe(Spelling spelling) {
  static constexpr const char* kSpellings[] = {"no C++ names", "GCC's (_Z...)",
                                               "the Microsoft compiler's (?...@@...)"};
  return kSpellings[static_cast<int>(spelling)];
}

}  // namespace doctor
