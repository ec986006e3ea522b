// The --diff documents (tools/common/document.h, tools/walk/diff.h) on any bytes: the input split
// at its first NUL into the old and the new document (without one, the new is empty), each read,
// then compared, then every difference's line and the summary written. A DocumentError of
// one line naming its document is an answer; anything else thrown, a crash or a hang stops
// the fuzzer. The new document is also read as the replay reads a log: each begin line and call
// record read again, and each address in them split into levels, which written again must give
// the address back; and each call record as the tests read it back (call_reader.h), whose line
// read back and written again must give that line.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "call_record.h"
#include "diff.h"
#include "document.h"
#include "fuzz_check.h"
#include "support/call_reader.h"

namespace {

// The document `name` read from `bytes`, or null after its one-line refusal.
std::unique_ptr<walk::Document> Read(std::string_view bytes, const char* name) {
  try {
    return std::make_unique<walk::Document>(std::string(bytes), name);
  } catch (const walk::DocumentError& e) {
    fuzz::CheckOneLine(e.what(), name);
    return nullptr;
  }
}

// The log's lines as the replay reads them (replay.cpp): details, "before" and addresses.
void ReadAsLog(const walk::Document& doc) {
  std::vector<std::uint64_t> offsets;
  for (const walk::Document::Begin& begin : doc.begins()) offsets.push_back(begin.offset);
  for (const walk::Record& r : doc.trace()) {
    if (r.kind != walk::Record::kCall) continue;
    offsets.push_back(r.offset);
    if (std::optional<record::Call> call = walk::CallOf(doc.ReadDetails(r.offset))) {
      const std::string line = record::Line(*call);
      std::optional<record::Call> again = walk::ParseCall(line);
      fuzz::Check(again && record::Line(*again) == line,
                  "a call record's line read back and written again differs", line);
    }
  }
  if (doc.snapshot_line() != walk::Document::kNoOffset) offsets.push_back(doc.snapshot_line());
  std::vector<record::Level> levels;
  for (std::uint64_t offset : offsets) {
    walk::Details d = doc.ReadDetails(offset);
    for (const char* key : {"node", "at"}) {
      const std::string& address = d.Get(key).text;
      if (!record::SplitAddress(address, levels)) continue;
      std::string again;
      for (std::size_t i = 0; i < levels.size(); ++i)
        record::AppendLevel(again, levels[i].name, levels[i].place, i == 0);
      fuzz::Check(again == address, "an address written again differs", address);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  const std::string_view all(input);
  const std::string_view old_bytes = all.substr(0, nul);
  const std::string_view new_bytes = nul == std::string::npos ? "" : all.substr(nul + 1);
  std::unique_ptr<walk::Document> old_doc = Read(old_bytes, "old.json");
  std::unique_ptr<walk::Document> new_doc = Read(new_bytes, "new.json");
  if (new_doc) {
    try {
      ReadAsLog(*new_doc);
    } catch (const walk::DocumentError& e) {
      fuzz::CheckOneLine(e.what(), "new.json");
    }
  }
  if (!old_doc || !new_doc) return 0;
  walk::DiffResult result;
  try {
    result = walk::Compare(*old_doc, *new_doc);
  } catch (const walk::DocumentError& e) {
    const std::string_view message = e.what();
    fuzz::CheckOneLine(message, message.starts_with("old.json") ? "old.json" : "new.json");
    return 0;
  }
  std::size_t bytes = 0;
  for (const walk::DiffLine& line : result.lines) {
    const std::string text = line.Text();
    fuzz::Check(text.find('\n') == std::string::npos, "a difference of more than one line", text);
    bytes += text.size();
  }
  const std::string summary = result.Summary();
  fuzz::Check(result.lines.empty() == (bytes == 0), "difference lines without text");
  fuzz::Check(summary.starts_with("differences: "), "a summary of another shape", summary);
  return 0;
}
