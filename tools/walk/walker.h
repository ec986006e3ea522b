// The stand-in framework's walk: from the top host node it recognises host nodes with the kind
// tests, the classifier and the host types of the mapping, and for each generic object runs
// its class's steps: values read, element callbacks (tested with move 0, then moved with move
// 1), collections (counted with -1, then each index selected from 0, with the item's steps on
// the iterator of that selection). Every callback gets a clone of the walk's own, so a moving
// callback never moves the walk; every clone is deleted when its step ends. The model goes to a
// ModelSink node by node as it is made; the walk keeps none of it.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "call_record.h"
#include "iterator/case_loader.h"
#include "iterator/host_iterator.h"
#include "mapping.h"
#include "output.h"
#include "plugin.h"

namespace walk {

// Step lists nest in step lists as the walk runs (an element's steps, an item's, the class
// steps of an object found by <objects>); deeper than this the walk stops with MappingError.
// Twice the deepest case: only a mapping that comes back to host nodes it has mapped already,
// or that nests deeply on every level of a very deep case, gets there.
inline constexpr int kMaxWalkDepth = 2 * static_cast<int>(hostsim::kMaxCaseDepth);

struct WalkOptions {
  bool trace = false;       // a trace line per callback call and per move it makes
  bool explain = false;     // keep an explanation per expected step that found nothing
  bool names = false;       // keep the host names the plug-in asks for
  bool host_paths = false;  // give each object its host path
  bool progress = false;    // show progress on stderr when the walk takes longer than a second
};

// A host name the plug-in asked for: a level given to Down or a property key read.
struct NameUse {
  std::string name;
  bool level = false;  // asked as a level of Down; else as a property key
  long asked = 0;
  long found = 0;
  std::vector<std::string> kinds;  // the host types it was asked on (of the node or its owner)
  long missing() const { return asked - found; }
};

struct CallbackUse {
  long calls = 0;
  bool found = false;  // some call answered yes, counted more than 0 or moved
};

struct WalkResult {
  std::vector<std::string> explanations;
  std::vector<NameUse> names;  // the most often missing first
  long host_objects = 0;       // host nodes recognised or asked about
  long generic_objects = 0;    // objects of the generic model
  std::array<CallbackUse, kCallbackCount> callbacks{};
  std::vector<std::string> unreached;      // the callbacks never called
  std::vector<std::string> nothing_found;  // those called that never found anything
};

class Walker final : private hostsim::IteratorObserver {
 public:
  Walker(const Plugin& plugin, const Mapping& mapping, WalkOptions options)
      : plugin_(plugin), mapping_(mapping), options_(options) {}

  // Walks the case under `top` (left where it stands; the walk works on clones), handing the
  // model and the trace to `sink` as they are made. Throws MappingError, naming the mapping
  // file and line, when the steps nest deeper than kMaxWalkDepth. Recurses once per nested step
  // list: run it on a large stack.
  WalkResult Walk(hostsim::HostIterator& top, ModelSink& sink);

 private:
  // A host operation made during a call, as the iterator reported it (IteratorEvent).
  struct Event {
    std::string_view op;  // "Down", "SetAttribute", ...
    std::string text, text2;
    bool has_value;
    Value value;
    int number;
    bool result;
    bool on_caller;  // made on the caller's own iterator, not on a clone of it
    std::uint32_t from, to;
  };

  void OnEvent(const hostsim::HostIterator& iterator, const hostsim::IteratorEvent& event) override;

  void CountName(bool level, std::string_view name, std::uint32_t at, bool found);
  void CountDown(const hostsim::IteratorEvent& event);
  std::string_view KindOf(std::uint32_t node) const;
  std::vector<NameUse> Names() const;

  void VisitNode(hostsim::HostIterator& at, bool top);
  std::string Recognise(hostsim::HostIterator& at);
  void RunSteps(const std::vector<Step>& steps, hostsim::HostIterator& it);
  void Set(const Step& step, hostsim::HostIterator& it);
  void ReadValue(const Step& step, hostsim::HostIterator& it);
  void RunElement(const Step& step, hostsim::HostIterator& it);
  void RunCollection(const Step& step, hostsim::HostIterator& it);
  void RunObjects(const Step& step, hostsim::HostIterator& it);

  // One callback call on `it`, its events recorded, traced and counted: `argument` is a
  // collection's index or an element's move flag, `out` the classifier's and a collection's out
  // attribute. The result as a number (0 or 1 for the boolean shapes).
  int Call(int id, hostsim::HostIterator& it, FIAttribute* out = nullptr, int argument = 0);
  // The call's record from its events, told to the sink.
  void Trace(int id, record::Call call);

  // Explains the last call, made at `where`, which found nothing where data was expected.
  void ExplainLastCall(const Step& step, std::uint32_t where, const char* what);
  void Explain(std::uint32_t where, const std::string& text);

  std::string Path(std::uint32_t node) const { return tree_->path(node); }
  std::string Relative(std::uint32_t node, std::uint32_t base) const;
  std::string ExpandPath(const std::string& path, hostsim::HostIterator& it);
  void Progress();

  const Plugin& plugin_;
  const Mapping& mapping_;
  WalkOptions options_;
  const hostsim::HostTree* tree_ = nullptr;
  ModelSink* sink_ = nullptr;
  WalkResult result_;
  std::map<std::pair<bool, std::string>, NameUse> names_;  // by (level, name)
  bool recording_ = false;
  const hostsim::HostIterator* caller_ = nullptr;
  std::uint32_t call_node_ = 0;
  std::vector<Event> events_;
  long calls_ = 0;
  int depth_ = 0;  // step lists being run, one inside the other
  std::chrono::steady_clock::time_point started_;
  bool progress_shown_ = false;
};

}  // namespace walk
