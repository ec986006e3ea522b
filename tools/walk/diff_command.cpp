// fintop-walk --diff: two saved documents compared, or the walk of a case compared with a saved
// one. The walk's document is laid out as --json writes it, so a saved file of the very same
// bytes has nothing to show and is never read as records.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <string_view>

#include "command.h"
#include "diff.h"
#include "document.h"
#include "document_names.h"
#include "files.h"
#include "input_kind.h"

namespace walk {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

constexpr std::size_t kBlock = std::size_t{1} << 16;

// Whether the saved file looks as if it holds a trace: a fintop-trace log, or --json's member
// "trace" at the top (the only place where a line starts with two blanks and that key: a text
// holds no line break). What the walk is asked for; the document, once read, decides. The key's
// line ends in '[', a byte rare in a document, so only the places of that byte are compared:
// under a tenth of the instructions of searching for the whole key (8 M against 110 M in 38 MB).
bool LooksTraced(std::FILE* file) {
  const std::string kLog = std::string("{\"") + document_names::kLog + '"';
  const std::string kTrace = std::string("\n  \"") + document_names::kTrace + "\": [";
  const std::size_t keep = kTrace.size() - 1;  // the bytes before a '[' that its block may lack
  std::string block(keep + kBlock, '\0');
  std::size_t kept = 0;
  bool first = true;
  for (std::size_t n; (n = std::fread(block.data() + kept, 1, kBlock, file)) > 0; first = false) {
    std::string_view text(block.data(), kept + n);
    if (first && text.starts_with(kLog)) return true;
    for (std::size_t at = text.find('[', kept); at != std::string_view::npos;
         at = text.find('[', at + 1)) {
      if (at >= keep && text.substr(at - keep, kTrace.size()) == kTrace) return true;
    }
    kept = std::min(text.size(), keep);
    std::memmove(block.data(), text.data() + text.size() - kept, kept);
  }
  return false;
}

// Whether the whole of `file` is `text`.
bool SameBytes(std::FILE* file, std::string_view text) {
  std::string block(kBlock, '\0');
  std::size_t at = 0;
  for (std::size_t n; (n = std::fread(block.data(), 1, block.size(), file)) > 0; at += n) {
    if (n > text.size() - at || std::memcmp(block.data(), text.data() + at, n) != 0) return false;
  }
  return std::ferror(file) == 0 && at == text.size();
}

std::unique_ptr<Document> ReadSaved(const std::string& path) {
  return kit::Reading(path, kit::InputRole::kDocument, [&] { return OpenDocument(path); });
}

// The walk's document, read as it is written: its records made from the writer's events, its
// text held in `text` for the members of the records that differ.
std::unique_ptr<Document> WalkDocument(const Options& options, bool trace, kit::Output& text) {
  Options walk_options = options;
  walk_options.json = true;
  walk_options.trace = trace;
  DocumentBuilder builder(options.case_file);
  if (Walk(walk_options, text, builder.events()) != 0) return nullptr;
  return builder.Finish(text.Release());
}

}  // namespace

int Diff(Options options, kit::Output& out) {
  auto report = [&](const DiffResult& result) {
    if (options.json) {
      WriteDiffJson(out, result);
    } else {
      WriteDiff(out, result);
    }
    return result.lines.empty() ? 0 : 1;
  };
  std::unique_ptr<Document> saved, now;
  if (!options.new_file.empty()) {
    // The two documents are read at once, the new one on a thread of its own (which a refusal
    // of the saved one waits for).
    auto reader = std::async(std::launch::async, [&] { return ReadSaved(options.new_file); });
    saved = ReadSaved(options.diff_file);
    now = reader.get();
  } else {
    // A saved file that can be read again is looked at as bytes first; a pipe is read as a
    // document at once, and tells whether to walk with the trace.
    std::error_code error;
    File bytes(std::filesystem::is_regular_file(kit::PathOf(options.diff_file), error)
                   ? kit::OpenFile(options.diff_file, "rb")
                   : nullptr);
    bool trace = options.trace;
    if (bytes == nullptr) {
      saved = ReadSaved(options.diff_file);
      trace = trace || saved->has_trace();
    } else if (!trace) {
      trace = LooksTraced(bytes.get());
    }
    kit::Output text;
    std::uintmax_t size = std::filesystem::file_size(kit::PathOf(options.diff_file), error);
    if (!error) text.Reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(size, 1u << 30)));
    now = WalkDocument(options, trace, text);
    if (now == nullptr) return kBadInput;
    if (bytes != nullptr) {
      std::rewind(bytes.get());
      if (SameBytes(bytes.get(), now->bytes())) return report(DiffResult{});
      bytes.reset();
      saved = ReadSaved(options.diff_file);
      // Walked with or without the trace on a guess the document proves wrong: again, as it says.
      if (!options.trace && saved->has_trace() != trace) {
        now = WalkDocument(options, saved->has_trace(), text);
        if (now == nullptr) return kBadInput;
      }
    }
  }
  for (const Document* doc : {saved.get(), now.get()}) {
    for (const std::string& warning : doc->warnings()) Warn(warning);
  }
  return report(Compare(*saved, *now));
}

}  // namespace walk
