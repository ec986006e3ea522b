// fintop-trace.txt's parser (tools/trace/settings.h) on any bytes: it always answers; a value
// never holds a line end or a NUL, and every complaint is one line of printable text (ASCII and
// valid UTF-8 without control characters) naming the file and its line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "json_writer.h"
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
    for (std::size_t i = 0; i < complaint.size();) {
      const auto byte = static_cast<unsigned char>(complaint[i]);
      const int length = byte >= 0x80 ? kit::Utf8Length(complaint, i) : 1;
      fuzz::Check(length > 0 && (byte >= 0x80 || (byte >= 0x20 && byte < 0x7f)) &&
                      !(byte == 0xc2 && static_cast<unsigned char>(complaint[i + 1]) < 0xa0),
                  "a complaint holds a byte that is not printable", complaint);
      i += static_cast<std::size_t>(length);
    }
  }
  return 0;
}
