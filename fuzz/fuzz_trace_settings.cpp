// fintop-trace.txt's parser (tools/trace/settings.h) on any bytes: it always answers; a value
// never holds a line end or a NUL, and every complaint is one line of printable ASCII naming
// the file and its line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "settings.h"

namespace {

void CheckValue(const std::optional<std::string>& value) {
  if (!value) return;
  fuzz::Check(value->find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
              "a value holds a line end or a NUL", *value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const trace::SettingsText settings = trace::ParseSettings(text);
  CheckValue(settings.log);
  CheckValue(settings.plugin);
  for (const std::string& complaint : settings.complaints) {
    fuzz::CheckOneLine(complaint, "fintop-trace.txt:");
    for (char c : complaint)
      fuzz::Check(c >= 0x20 && c < 0x7f, "a complaint holds a byte that is not printable",
                  complaint);
  }
  return 0;
}
