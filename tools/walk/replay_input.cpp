// What the replay reads before it makes any call: the log's checks (its version, its sessions,
// its snapshot's digest), whether its calls hold their bindings, and who recorded it.
#include <stdexcept>
#include <utility>

#include "case_writer.h"
#include "document_names.h"
#include "input_kind.h"
#include "iterator/case_loader.h"
#include "replay.h"

namespace walk {

namespace names = document_names;

bool RecordsBindings(const Document& log) {
  return log.source() == Document::kWalk || log.log_version() >= names::kLogVersionBindings;
}

std::string SessionHead(const Details& head) {
  auto text = [&](const char* key) { return OneLine(head.Get(key).text); };
  std::string line = "recorded";
  if (!text(names::kStarted).empty()) line += " " + text(names::kStarted);
  if (!text(names::kRecorder).empty()) line += " by fintop-trace " + text(names::kRecorder);
  if (!text(names::kHost).empty()) {
    line += " in " + text(names::kHost);
    if (!text(names::kHostVersion).empty()) line += " (version " + text(names::kHostVersion) + ")";
  }
  line += ", with the real plug-in " + text(names::kPlugin);
  std::string about;
  if (!text(names::kWidth).empty()) about += text(names::kWidth) + "-bit";
  for (auto [key, what] : {std::pair{names::kPluginVersion, "file version "},
                           std::pair{names::kPluginProduct, "product version "}}) {
    if (!text(key).empty()) about += (about.empty() ? "" : ", ") + std::string(what) + text(key);
  }
  if (!about.empty()) line += " (" + about + ")";
  return line;
}

ReplayInput OpenReplay(const ReplayOptions& options,
                       const std::function<void(const std::string&)>& warn) {
  ReplayInput input;
  input.tree = kit::Reading(options.snapshot, kit::InputRole::kSnapshot,
                            [&] { return hostsim::LoadCaseFile(options.snapshot); });
  input.log = kit::Reading(options.log, kit::InputRole::kLog,
                           [&] { return OpenDocument(options.log, false); });
  const std::unique_ptr<Document>& log = input.log;
  for (const std::string& warning : log->warnings()) warn(warning);
  const std::string& name = log->name();
  if (!log->has_trace())
    throw std::runtime_error(name +
                             ": holds no calls: give a fintop-trace log (or a document of "
                             "fintop-walk --json --trace)");
  if (log->source() == Document::kLog) {
    if (log->log_version() == 0)
      throw std::runtime_error(name +
                               ": lacks the log's first line ({\"log\": \"fintop-trace\", ...})");
    if (log->log_version() < names::kLogVersionBefore)
      throw std::runtime_error(
          name + ": a log of fintop-trace version " + std::to_string(log->log_version()) +
          ", written before calls held the attributes the iterator held before them: it "
          "cannot be replayed; record the session again with this fintop-trace");
    if (log->sessions() > 1)
      throw std::runtime_error(name + ": " + SessionsText(*log) +
                               ": replay one session: cut the log at a session's first line");
  }
  if (!RecordsBindings(*log))
    warn(name + ": a log of fintop-trace version " + std::to_string(log->log_version()) +
         ", which recorded no bindings: the calls' bindings are not compared");
  if (log->snapshot_line() != Document::kNoOffset) {
    Details d = log->ReadDetails(log->snapshot_line());
    input.cut = d.Get(names::kCut).text;
    std::string recorded = d.Get(names::kDigest).text;
    std::string digest = TreeDigest(*input.tree);
    if (recorded != digest)
      throw std::runtime_error(
          name + ": recorded with the snapshot " + OneLine(d.Get(names::kSnapshot).text) +
          " (digest " + OneLine(recorded) + "), and " + options.snapshot + " is another (digest " +
          digest + "): replay the log against its own snapshot");
  }
  return input;
}

}  // namespace walk
