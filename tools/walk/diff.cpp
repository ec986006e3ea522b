#include "diff.h"

#include "document_names.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <unordered_map>

namespace walk {

namespace {

namespace names = document_names;

struct KindName {
  const char* one;
  const char* many;
};

// In the order the summary line counts them.
constexpr KindName kKindNames[DiffLine::kKinds] = {
    {"object added", "objects added"},
    {"object removed", "objects removed"},
    {"class changed", "classes changed"},
    {"step added", "steps added"},
    {"step removed", "steps removed"},
    {"value changed", "values changed"},
    {"count changed", "counts changed"},
    {"callback changed", "callbacks changed"},
    {"result changed", "results changed"},
    {"target changed", "targets changed"},
    {"attribute changed", "attributes changed"},
    {"binding changed", "bindings changed"},
    {"call added", "calls added"},
    {"call removed", "calls removed"},
    {"framework record added", "framework records added"},
    {"framework record removed", "framework records removed"},
    {"callback reached", "callbacks reached"},
    {"callback not reached", "callbacks not reached"},
    {"callback found something", "callbacks found something"},
    {"callback found nothing", "callbacks found nothing"},
    {"call never returned", "calls never returned"},
    {"clones left alive", "clones left alive"},
};

enum Section { kModel, kCalls, kFramework, kCallbacks };

struct Pair {
  std::uint32_t a = kNoRecord, b = kNoRecord;
  std::uint32_t rank = 0;  // among the records of one key on its side
};

// Matches the records `a` of one document with the records `b` of the other by kind and key;
// records of one key are paired in the order they come. The pairs come in the order of the new
// document, each one only in the old one after the pair it followed there.
std::vector<Pair> Match(const std::vector<Record>& ra, std::vector<std::uint32_t> a,
                        const std::vector<Record>& rb, std::vector<std::uint32_t> b) {
  auto by_key = [](const std::vector<Record>& r) {
    return [&r](std::uint32_t x, std::uint32_t y) {
      if (r[x].kind != r[y].kind) return r[x].kind < r[y].kind;
      if (r[x].key != r[y].key) return r[x].key < r[y].key;
      return x < y;
    };
  };
  std::sort(a.begin(), a.end(), by_key(ra));
  std::sort(b.begin(), b.end(), by_key(rb));
  std::vector<Pair> pairs;
  pairs.reserve(std::max(a.size(), b.size()));
  auto less = [&](const Record& x, const Record& y) {
    return x.kind != y.kind ? x.kind < y.kind : x.key < y.key;
  };
  std::size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    // The next key, and the runs of it on both sides.
    const Record& next =
        j == b.size() || (i < a.size() && less(ra[a[i]], rb[b[j]])) ? ra[a[i]] : rb[b[j]];
    std::size_t ia = i, jb = j;
    while (ia < a.size() && !less(ra[a[ia]], next) && !less(next, ra[a[ia]])) ++ia;
    while (jb < b.size() && !less(rb[b[jb]], next) && !less(next, rb[b[jb]])) ++jb;
    for (std::uint32_t rank = 0; i < ia || j < jb; ++rank) {
      pairs.push_back({i < ia ? a[i] : kNoRecord, j < jb ? b[j] : kNoRecord, rank});
      if (i < ia) ++i;
      if (j < jb) ++j;
    }
  }
  // Order: by the new document's position; one only in the old document goes after the record
  // of the new one that its predecessor in the old document was paired with.
  std::vector<std::uint32_t> by_a;
  for (std::uint32_t p = 0; p < pairs.size(); ++p) {
    if (pairs[p].a != kNoRecord) by_a.push_back(p);
  }
  std::sort(by_a.begin(), by_a.end(),
            [&](std::uint32_t x, std::uint32_t y) { return pairs[x].a < pairs[y].a; });
  std::vector<std::int64_t> anchor(pairs.size());
  std::int64_t last = -1;
  for (std::uint32_t p : by_a) {
    if (pairs[p].b != kNoRecord) {
      last = pairs[p].b;
    } else {
      anchor[p] = last;
    }
  }
  std::vector<std::uint32_t> order(pairs.size());
  for (std::uint32_t p = 0; p < pairs.size(); ++p) order[p] = p;
  auto place = [&](std::uint32_t p) {
    return pairs[p].b != kNoRecord ? std::make_tuple(std::int64_t{pairs[p].b}, 0, std::uint32_t{0})
                                   : std::make_tuple(anchor[p], 1, pairs[p].a);
  };
  std::sort(order.begin(), order.end(),
            [&](std::uint32_t x, std::uint32_t y) { return place(x) < place(y); });
  std::vector<Pair> sorted;
  sorted.reserve(pairs.size());
  for (std::uint32_t p : order) sorted.push_back(pairs[p]);
  return sorted;
}

// The records directly below `parent` (all records at the top for kNoRecord), objects left
// out when `objects` is false.
std::vector<std::uint32_t> Children(const std::vector<Record>& r, std::uint32_t parent,
                                    bool objects) {
  std::vector<std::uint32_t> out;
  std::uint32_t j = parent == kNoRecord ? 0 : parent + 1;
  std::uint32_t end = parent == kNoRecord ? static_cast<std::uint32_t>(r.size()) : r[parent].end;
  while (j < end) {
    if (objects || r[j].kind != Record::kObject) out.push_back(j);
    j = r[j].end;
  }
  return out;
}

class Comparer {
 public:
  Comparer(const Document& a, const Document& b) : a_(a), b_(b) {}

  DiffResult Run() {
    for (const Document* d : {&a_, &b_}) {
      if (d->sessions() > 1)
        throw DocumentError(d->name() + ": " + SessionsText(*d) +
                            ": compare one session: cut the log at a session's first line");
    }
    bool model = a_.has_model() && b_.has_model();
    bool trace = a_.has_trace() && b_.has_trace();
    if (!model && !trace) {
      const Document& log = a_.has_model() ? b_ : a_;
      const Document& other = a_.has_model() ? a_ : b_;
      throw DocumentError("nothing to compare: " + log.name() + " holds only a trace and " +
                          other.name() + " none");
    }
    if (model) CompareModel();
    if (trace) CompareTrace();
    if (a_.has_summary() && b_.has_summary()) CompareCallbacks();
    std::stable_sort(result_.lines.begin(), result_.lines.end(),
                     [](const DiffLine& x, const DiffLine& y) {
                       if (x.section != y.section) return x.section < y.section;
                       if (x.group != y.group) return x.group < y.group;
                       return x.order < y.order;
                     });
    return std::move(result_);
  }

 private:
  // ---- the model ----
  void CompareModel() {
    std::vector<std::uint32_t> oa, ob;
    for (std::uint32_t i = 0; i < a_.model().size(); ++i) {
      if (a_.model()[i].kind == Record::kObject) oa.push_back(i);
    }
    for (std::uint32_t i = 0; i < b_.model().size(); ++i) {
      if (b_.model()[i].kind == Record::kObject) ob.push_back(i);
    }
    for (const Pair& p : Match(a_.model(), std::move(oa), b_.model(), std::move(ob))) {
      if (p.b == kNoRecord) {
        Details d = a_.ReadDetails(ModelA(p.a).offset);
        Add(DiffLine::kObjectRemoved, kModel, d.Get(names::kHost).text, "",
            "object removed (" + d.Get(names::kObject).text + ")");
      } else if (p.a == kNoRecord) {
        Details d = b_.ReadDetails(ModelB(p.b).offset);
        Add(DiffLine::kObjectAdded, kModel, d.Get(names::kHost).text, "",
            "object added (" + d.Get(names::kObject).text + ")");
      } else {
        ComparePair(p.a, p.b);
      }
    }
  }

  const Record& ModelA(std::uint32_t i) const { return a_.model()[i]; }
  const Record& ModelB(std::uint32_t i) const { return b_.model()[i]; }

  // A pair of model records of one key: their own members, then what is below them.
  void ComparePair(std::uint32_t a, std::uint32_t b) {
    const Record& ra = ModelA(a);
    const Record& rb = ModelB(b);
    if (ra.subtree == rb.subtree) return;
    bool count_changed = false;
    if (ra.content != rb.content) count_changed = CompareOwn(a, b);
    std::vector<Pair> pairs = Match(a_.model(), Children(a_.model(), a, false), b_.model(),
                                    Children(b_.model(), b, false));
    for (const Pair& p : pairs) {
      if (p.a != kNoRecord && p.b != kNoRecord) {
        ComparePair(p.a, p.b);
        continue;
      }
      bool removed = p.b == kNoRecord;
      const Document& doc = removed ? a_ : b_;
      std::uint32_t i = removed ? p.a : p.b;
      const Record& r = doc.model()[i];
      if (r.kind == Record::kAttribute || r.kind == Record::kBinding) {
        Fields(r.kind, removed ? i : kNoRecord, removed ? kNoRecord : i, r.key);
      } else if (r.kind != Record::kItem || !count_changed) {
        Add(removed ? DiffLine::kStepRemoved : DiffLine::kStepAdded, kModel, Group(doc, i),
            Where(doc, i), std::string(RecordKindName(r.kind)) + (removed ? " removed" : " added"));
      }
    }
  }

  // The own members of a pair that differ; true when a collection's count changed.
  bool CompareOwn(std::uint32_t a, std::uint32_t b) {
    const Record& r = ModelB(b);
    Details da = a_.ReadDetails(ModelA(a).offset);
    Details db = b_.ReadDetails(r.offset);
    std::string group = Group(b_, b);
    std::string where = r.kind == Record::kObject ? std::string() : Where(b_, b);
    auto changed = [&](const char* key) { return !(da.Get(key) == db.Get(key)); };
    auto line = [&](DiffLine::Kind kind, const std::string& label, const Scalar& o,
                    const Scalar& n) {
      Add(kind, kModel, group, where, label + " " + o.Shown() + " -> " + n.Shown(), o, n);
    };
    auto target = [&](const Scalar& o, const Scalar& n) {
      Add(DiffLine::kTargetChanged, kModel, group, where, "target " + Bare(o) + " -> " + Bare(n), o,
          n);
    };
    // A name changed, shown without quotes: an object's or item's class, a step's callback.
    auto names = [&](const char* key, DiffLine::Kind kind, const char* label) {
      Scalar o = da.Get(key), n = db.Get(key);
      Add(kind, kModel, group, where, std::string(label) + " " + Bare(o) + " -> " + Bare(n), o, n);
    };
    auto class_of = [&](const char* key) { names(key, DiffLine::kClassChanged, "class"); };
    auto callback = [&] { names(names::kCallback, DiffLine::kCallbackChanged, "callback"); };
    switch (r.kind) {
      case Record::kObject:
        if (changed(names::kObject)) class_of(names::kObject);
        return false;
      case Record::kValue:
        if (changed(names::kData))
          line(DiffLine::kValueChanged, "value", Missing(da.Get(names::kData)),
               Missing(db.Get(names::kData)));
        return false;
      case Record::kCollection: {
        if (changed(names::kCallback)) callback();
        if (!changed(names::kCount)) return false;
        const Scalar& o = da.Get(names::kCount);
        const Scalar& n = db.Get(names::kCount);
        long long from = std::atoll(o.text.c_str()), to = std::atoll(n.text.c_str());
        std::string items;
        if (from != to) {
          long long low = std::min(from, to), high = std::max(from, to) - 1;
          items = " (" + std::string(high > low ? "items " : "item ") + std::to_string(low) +
                  (high > low ? ".." + std::to_string(high) : "") +
                  (to < from ? " removed)" : " added)");
        }
        Add(DiffLine::kCountChanged, kModel, group, where,
            "count " + o.Shown() + " -> " + n.Shown() + items, o, n);
        return true;
      }
      case Record::kItem:
        if (changed(names::kClass)) class_of(names::kClass);
        if (changed(names::kResult))
          line(DiffLine::kResultChanged, "selection returned",
               Or(da.Get(names::kResult), da.Get(names::kItem)),
               Or(db.Get(names::kResult), db.Get(names::kItem)));
        if (changed(names::kAt)) target(Target(da, true), Target(db, true));
        return false;
      case Record::kElement:
        if (changed(names::kCallback)) callback();
        if (changed(names::kFound) || changed(names::kAt)) {
          target(Target(da, false), Target(db, false));
        }
        if (!changed(names::kFound) && changed(names::kData)) {
          line(DiffLine::kValueChanged, "value", da.Get(names::kData), db.Get(names::kData));
        }
        return false;
      default:
        return false;
    }
  }

  // An attribute or binding only in one document, or in both with other values. `a` or `b` is
  // the record, or kNoRecord; the owner's members are read for the name.
  void Fields(Record::Kind kind, std::uint32_t a, std::uint32_t b, std::uint64_t key,
              bool calls = false, std::uint32_t rank = kNoRecord) {
    const std::vector<Record>& ra = calls ? a_.trace() : a_.model();
    const std::vector<Record>& rb = calls ? b_.trace() : b_.model();
    auto find = [&](const Document& doc, const std::vector<Record>& r, std::uint32_t i,
                    std::string& name) -> Scalar {
      if (i == kNoRecord) return {};
      Details d = doc.ReadDetails(r[i].offset);
      for (const auto& [n, v] : kind == Record::kAttribute ? d.attributes : d.bindings) {
        if (NameKey(n) == key) {
          name = n;
          return v;
        }
      }
      return {};
    };
    std::string name;
    Scalar o = find(a_, ra, a, name);
    Scalar n = find(b_, rb, b, name);
    const Document& doc = b != kNoRecord ? b_ : a_;
    std::uint32_t owner = (b != kNoRecord ? rb[b] : ra[a]).parent;
    std::string group, where;
    if (calls) {
      CallPlace(doc, owner, group, where, rank);
    } else {
      group = Group(doc, owner);
      where = doc.model()[owner].kind == Record::kObject ? std::string() : Where(doc, owner);
    }
    bool attribute = kind == Record::kAttribute;
    Add(attribute ? DiffLine::kAttributeChanged : DiffLine::kBindingChanged,
        calls ? kCalls : kModel, group, where,
        std::string(attribute ? "attribute " : "binding ") + name + " " + o.Shown() + " -> " +
            n.Shown(),
        o, n);
  }

  // ---- the calls ----
  void CompareTrace() {
    bool log = a_.source() == Document::kLog || b_.source() == Document::kLog;
    // A log before version 3 holds no bindings, and of a call's attributes only those it changed.
    auto partial = [](const Document& d) {
      return d.source() == Document::kLog && d.log_version() < names::kLogVersionBindings;
    };
    bool older = partial(a_) || partial(b_);
    std::vector<Pair> pairs = Match(a_.trace(), Children(a_.trace(), kNoRecord, true), b_.trace(),
                                    Children(b_.trace(), kNoRecord, true));
    for (const Pair& p : pairs) {
      const std::vector<Record>& ra = a_.trace();
      const std::vector<Record>& rb = b_.trace();
      if (p.a == kNoRecord || p.b == kNoRecord) {
        bool removed = p.b == kNoRecord;
        const Document& doc = removed ? a_ : b_;
        std::uint32_t i = removed ? p.a : p.b;
        bool framework = doc.trace()[i].kind == Record::kFramework;
        if (framework && log) continue;  // a log cannot see the framework's own records
        std::string group, where;
        CallPlace(doc, i, group, where, p.rank);
        Add(framework ? (removed ? DiffLine::kFrameworkRemoved : DiffLine::kFrameworkAdded)
                      : (removed ? DiffLine::kCallRemoved : DiffLine::kCallAdded),
            framework ? kFramework : kCalls, group, where,
            std::string(framework ? "framework record" : "call") +
                (removed ? " removed" : " added"));
        continue;
      }
      if (ra[p.a].subtree == rb[p.b].subtree) continue;
      std::string group, where;
      if (ra[p.a].content != rb[p.b].content) {
        Details da = a_.ReadDetails(ra[p.a].offset);
        Details db = b_.ReadDetails(rb[p.b].offset);
        CallPlace(b_, p.b, group, where, p.rank);
        Section section = rb[p.b].kind == Record::kFramework ? kFramework : kCalls;
        // The call's own members; a framework record's value.
        static constexpr std::pair<const char*, DiffLine::Kind> kMembers[] = {
            {names::kResult, DiffLine::kResultChanged},
            {names::kOut, DiffLine::kResultChanged},
            {names::kValue, DiffLine::kValueChanged},
            {names::kAt, DiffLine::kTargetChanged}};
        for (const auto& [key, kind] : kMembers) {
          const Scalar& o = da.Get(key);
          const Scalar& n = db.Get(key);
          if (o == n) continue;
          bool at = kind == DiffLine::kTargetChanged;
          Add(kind, section, group, where,
              std::string(key) + " " + (at ? Bare(o) : o.Shown()) + " -> " +
                  (at ? Bare(n) : n.Shown()),
              o, n);
        }
      }
      // The attributes and bindings of the call.
      for (const Pair& f : Match(ra, Children(ra, p.a, true), rb, Children(rb, p.b, true))) {
        bool both = f.a != kNoRecord && f.b != kNoRecord;
        const Record& r = f.a != kNoRecord ? ra[f.a] : rb[f.b];
        if (both && ra[f.a].content == rb[f.b].content) continue;
        if (older && r.kind == Record::kBinding) continue;
        if (older && !both) {
          // One the other side alone holds is not counted against the older log.
          const Document& holder = f.a != kNoRecord ? a_ : b_;
          if (!partial(holder)) continue;
        }
        Fields(r.kind, f.a, f.b, r.key, true, p.rank);
      }
    }
  }

  // The node of a call (its group) and the call as shown: "CTComponentArray(3)", "#2" after it
  // for the second call of that node, callback and argument.
  void CallPlace(const Document& doc, std::uint32_t i, std::string& group, std::string& where,
                 std::uint32_t rank = kNoRecord) {
    Details d = doc.ReadDetails(doc.trace()[i].offset);
    if (doc.trace()[i].kind == Record::kFramework) {
      group = d.Get(names::kFramework).text;
      where = "framework " + d.Get(names::kAttribute).text;
    } else {
      group = d.Get(names::kNode).text;
      where = "call " + d.Get(names::kCallback).text;
      if (d.Get(names::kIndex).type != Scalar::kNone)
        where += "(" + d.Get(names::kIndex).text + ")";
      if (d.Get(names::kMove).type != Scalar::kNone)
        where += "(move " + d.Get(names::kMove).text + ")";
    }
    if (rank == kNoRecord) rank = RankOf(doc, i);
    if (rank > 0) where += " #" + std::to_string(rank + 1);
  }

  // How many calls of the same key came before call `i` (for an attribute's owner).
  std::uint32_t RankOf(const Document& doc, std::uint32_t i) {
    const std::vector<Record>& r = doc.trace();
    std::uint32_t n = 0;
    for (std::uint32_t j = 0; j < i; j = r[j].end) {
      if (r[j].kind == r[i].kind && r[j].key == r[i].key) ++n;
    }
    return n;
  }

  // ---- the callbacks of the summary ----
  void CompareCallbacks() {
    auto lists = [&](const std::vector<std::string>& o, const std::vector<std::string>& n,
                     DiffLine::Kind now, DiffLine::Kind again, const char* now_text,
                     const char* again_text) {
      for (const std::string& name : n) {
        if (std::find(o.begin(), o.end(), name) == o.end())
          Add(now, kCallbacks, "callbacks", name, now_text);
      }
      for (const std::string& name : o) {
        if (std::find(n.begin(), n.end(), name) == n.end())
          Add(again, kCallbacks, "callbacks", name, again_text);
      }
    };
    lists(a_.not_reached(), b_.not_reached(), DiffLine::kNotReached, DiffLine::kReached,
          "not reached (reached before)", "reached (not reached before)");
    lists(a_.nothing_found_by(), b_.nothing_found_by(), DiffLine::kFoundNothing,
          DiffLine::kFoundSomething, "found nothing (found something before)",
          "found something (nothing before)");
  }

  // ---- paths ----
  // The host path of the object a model record is in.
  std::string Group(const Document& doc, std::uint32_t i) {
    const std::vector<Record>& r = doc.model();
    while (i != kNoRecord && r[i].kind != Record::kObject) i = r[i].parent;
    if (i == kNoRecord) return "";
    return Segment(doc, i);
  }

  // The steps from the object down to record `i`: "Holdup[3].MoleFraction".
  std::string Where(const Document& doc, std::uint32_t i) {
    const std::vector<Record>& r = doc.model();
    std::vector<std::uint32_t> chain;
    while (i != kNoRecord && r[i].kind != Record::kObject) {
      chain.push_back(i);
      i = r[i].parent;
    }
    std::string out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      std::string segment = Segment(doc, *it);
      if (!out.empty() && segment[0] != '[') out += '.';
      out += segment;
    }
    return out;
  }

  // A record's part of a path: an object's host path, a step's name, an item's "[index]".
  std::string Segment(const Document& doc, std::uint32_t i) {
    auto& cache = &doc == &a_ ? cache_a_ : cache_b_;
    if (auto it = cache.find(i); it != cache.end()) return it->second;
    const Record& r = doc.model()[i];
    Details d = doc.ReadDetails(r.offset);
    std::string segment;
    switch (r.kind) {
      case Record::kObject:
        segment = d.Get(names::kHost).text;
        break;
      case Record::kItem:
        segment = "[" + d.Get(names::kItem).text + "]";
        break;
      default:
        segment = d.Get(RecordKindName(r.kind)).text;
    }
    return cache.emplace(i, segment).first->second;
  }

  static std::string Bare(const Scalar& s) { return s.type == Scalar::kText ? s.text : s.Shown(); }
  static Scalar Missing(const Scalar& s) {
    return s.type == Scalar::kNull ? Scalar{Scalar::kNone, ""} : s;
  }
  static Scalar Or(const Scalar& s, const Scalar& otherwise) {
    return s.type == Scalar::kNone ? otherwise : s;
  }
  // Where an element or item left the iterator, as a scalar to show.
  static Scalar Target(const Details& d, bool item) {
    if (!item && d.Get(names::kFound).text != "true") return {Scalar::kText, "(not found)"};
    const Scalar& at = d.Get(names::kAt);
    return at.type == Scalar::kNone ? Scalar{Scalar::kText, "(not moved)"} : at;
  }

  void Add(DiffLine::Kind kind, int section, std::string group, std::string where, std::string what,
           Scalar o = {}, Scalar n = {}) {
    DiffLine line{
        kind,         section,      std::move(group),    std::move(where), std::move(what),
        std::move(o), std::move(n), result_.lines.size()};
    result_.lines.push_back(std::move(line));
  }

  const Document& a_;
  const Document& b_;
  DiffResult result_;
  std::unordered_map<std::uint32_t, std::string> cache_a_, cache_b_;
};

}  // namespace

std::string DiffLine::Text() const {
  std::string out = group;
  if (!where.empty()) out += (out.empty() ? "" : ": ") + where;
  out += (out.empty() ? "" : ": ") + what;
  return OneLine(out);  // host names may hold line ends
}

std::string DiffResult::Summary() const {
  std::size_t counts[DiffLine::kKinds] = {};
  for (const DiffLine& line : lines) ++counts[line.kind];
  std::string out = "differences: " + std::to_string(lines.size());
  std::string parts;
  for (int k = 0; k < DiffLine::kKinds; ++k) {
    if (counts[k] == 0) continue;
    parts += (parts.empty() ? "" : ", ") + std::to_string(counts[k]) + " " +
             (counts[k] == 1 ? kKindNames[k].one : kKindNames[k].many);
  }
  if (!parts.empty()) out += " (" + parts + ")";
  return out;
}

DiffResult Compare(const Document& old_doc, const Document& new_doc) {
  return Comparer(old_doc, new_doc).Run();
}

void WriteDiff(Output& out, const DiffResult& result) {
  if (result.lines.empty()) return;
  std::string text;
  for (const DiffLine& line : result.lines) {
    text.clear();
    kit::AppendTextLine(line.Text(), text);  // names from the documents may hold any byte
    text += '\n';
    out << text;
  }
  out << result.Summary() << '\n';
}

namespace {

// A scalar as read, written again as the document's JSON writes it (a number in its
// canonical form).
void WriteScalar(JsonWriter& json, const Scalar& s) {
  const char* first = s.text.data();
  const char* last = first + s.text.size();
  switch (s.type) {
    case Scalar::kNone:
    case Scalar::kNull:
      json.Null();
      return;
    case Scalar::kText:
      json.Text(s.text);
      return;
    case Scalar::kBool:
      json.Bool(s.text == "true");
      return;
    case Scalar::kInteger: {
      long long integer = 0;
      if (auto r = std::from_chars(first, last, integer); r.ec == std::errc() && r.ptr == last) {
        json.Integer(integer);
        return;
      }
      unsigned long long natural = 0;
      if (auto r = std::from_chars(first, last, natural); r.ec == std::errc() && r.ptr == last) {
        json.Integer(natural);
        return;
      }
      break;  // beyond 64 bits: a real
    }
    case Scalar::kReal:
      break;
  }
  double real = 0;
  std::from_chars(first, last, real);
  json.Real(real);
}

}  // namespace

void WriteDiffLine(JsonWriter& json, const DiffLine& line) {
  json.BeginObject();
  json.Member(names::kGroup, line.group);
  json.Member(names::kWhere, line.where);
  json.Member(names::kKind, kKindNames[line.kind].one);
  json.Member(names::kText, line.Text());
  if (line.old_value.type != Scalar::kNone || line.new_value.type != Scalar::kNone) {
    json.Key(names::kOld);
    WriteScalar(json, line.old_value);
    json.Key(names::kNew);
    WriteScalar(json, line.new_value);
  }
  json.End();
}

void WriteDiffJson(Output& out, const DiffResult& result) {
  JsonWriter json(out);
  json.BeginObject();
  json.Key(names::kDifferences);
  json.BeginArray();
  for (const DiffLine& line : result.lines) WriteDiffLine(json, line);
  json.End();
  std::size_t counts[DiffLine::kKinds] = {};
  std::vector<int> order;  // the kinds in the order first met
  for (const DiffLine& line : result.lines) {
    if (counts[line.kind]++ == 0) order.push_back(line.kind);
  }
  json.Key(names::kSummary);
  json.BeginObject();
  json.Member(names::kDifferences, result.lines.size());
  json.Key(names::kByKind);
  json.BeginObject();
  for (int kind : order) {
    json.Member(kKindNames[kind].many, counts[kind]);
  }
  json.End();
  json.End();
  json.End();
  out << '\n';
}

}  // namespace walk
