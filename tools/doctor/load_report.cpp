#include "image.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace doctor {

namespace {

// Longest line kept from the child's output; its report lines are far shorter.
constexpr size_t kMaxLine = 1000;

std::string_view Trimmed(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
  return line.substr(0, kMaxLine);
}

}  // namespace

int LoadSeconds() {
  const char* text = std::getenv("FINTOP_DOCTOR_LOAD_SECONDS");
  if (text == nullptr) return kLoadSeconds;
  const std::string_view value = text;
  int seconds = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
  if (error != std::errc() || end != value.data() + value.size() || seconds < 1 || seconds > 3600) {
    return kLoadSeconds;
  }
  return seconds;
}

LoadResult ReadLoadReport(std::string_view output, const ChildEnd& end) {
  LoadResult result;
  bool done = false, answered = false;
  while (!output.empty()) {
    const size_t cut = std::min(output.find('\n'), output.size());
    const std::string_view line = Trimmed(output.substr(0, cut));
    output.remove_prefix(std::min(cut + 1, output.size()));
    if (!line.starts_with(kReportPrefix)) {
      if (!line.empty()) result.output = line;
      continue;
    }
    std::string_view rest = line.substr(kReportPrefix.size());
    const size_t space = std::min(rest.find(' '), rest.size());
    const std::string_view word = rest.substr(0, space);
    const std::string_view text = rest.substr(std::min(space + 1, rest.size()));
    if (done) continue;  // nothing counts after the end
    if (word == "step" && !text.empty()) {
      result.step = text;
    } else if (word == "loaded" && !answered) {
      answered = true;
      result.outcome = LoadResult::Outcome::kLoaded;
    } else if (word == "refused" && !answered) {
      answered = true;
      result.outcome = LoadResult::Outcome::kRefused;
      result.message = text.empty() ? "no message" : text;
    } else if (word == "unresolved" && !text.empty()) {
      result.unresolved.emplace_back(text);
    } else if (word == "stubbed" && !text.empty()) {
      result.stubbed.emplace_back(text);
    } else if (word == "done" && text.empty()) {
      done = true;
    }
  }
  if (end.how == ChildEnd::How::kExited && end.status == 0 && done && answered) return result;
  // The report is not whole: how the child ended says what happened, and its message is the
  // crash's or the abort's signal or exception, or why there is no report; none for a hang (a
  // refusal printed before it is no answer).
  constexpr LoadResult::Outcome kOutcomes[] = {
      LoadResult::Outcome::kNoReport, LoadResult::Outcome::kCrashed, LoadResult::Outcome::kAborted,
      LoadResult::Outcome::kTimedOut, LoadResult::Outcome::kNoReport};  // ChildEnd::How's order
  result.outcome = kOutcomes[static_cast<int>(end.how)];
  result.message = end.what;
  result.unresolved.clear();
  result.stubbed.clear();
  if (end.how == ChildEnd::How::kNotStarted) {
    result.message = "the load check could not be started: " + end.what;
  } else if (end.how == ChildEnd::How::kExited) {
    result.message = "the process that loads it ended (exit status " + std::to_string(end.status) +
                     ") without finishing its report";
  }
  return result;
}

void Report(std::string_view line) {
  std::string text(kReportPrefix);
  text.append(line.substr(0, kMaxLine));
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace doctor
