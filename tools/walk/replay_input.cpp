// What the replay reads before it makes any call: the log's checks (its version, its sessions,
// its snapshot's digest), whether its calls hold their bindings, and who recorded it.
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "document_names.h"
#include "input_kind.h"
#include "iterator/case_loader.h"
#include "replay.h"

namespace walk {

namespace names = document_names;

bool RecordsBindings(const Document& log) {
  return log.source() == Document::kWalk || log.log_version() >= names::kLogVersionBindings;
}

record::LogHead ReadHead(const Document& log) {
  record::LogHead head;
  if (log.head_line() == Document::kNoOffset) return head;
  head.version = log.log_version();
  const Details d = log.ReadDetails(log.head_line());
  for (auto [key, text] :
       {std::pair{names::kPlugin, &head.plugin},
        std::pair{names::kPluginVersion, &head.plugin_version},
        std::pair{names::kPluginProduct, &head.plugin_product},
        std::pair{names::kRecorder, &head.recorder}, std::pair{names::kStarted, &head.started},
        std::pair{names::kHost, &head.host}, std::pair{names::kHostVersion, &head.host_version}})
    *text = d.Get(key).text;
  if (const Scalar& width = d.Get(names::kWidth); width.type == Scalar::kInteger)
    head.width = std::atoi(width.text.c_str());
  return head;
}

std::string SessionHead(const record::LogHead& head) {
  std::string line = "recorded";
  if (!head.started.empty()) line += " " + OneLine(head.started);
  if (!head.recorder.empty()) line += " by fintop-trace " + OneLine(head.recorder);
  if (!head.host.empty()) {
    line += " in " + OneLine(head.host);
    if (!head.host_version.empty()) line += " (version " + OneLine(head.host_version) + ")";
  }
  line += ", with the real plug-in " + OneLine(head.plugin);
  std::string about;
  if (head.width != 0) about += std::to_string(head.width) + "-bit";
  for (auto [text, what] : {std::pair{&head.plugin_version, "file version "},
                            std::pair{&head.plugin_product, "product version "}}) {
    if (!text->empty()) about += (about.empty() ? "" : ", ") + std::string(what) + OneLine(*text);
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
