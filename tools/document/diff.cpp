#include "diff.h"

#include "document_names.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

namespace walk {

namespace {

namespace names = document_names;

struct Pair {
  std::uint32_t a = kNoRecord, b = kNoRecord;
  std::uint32_t rank = 0;    // among the records of one key on its side
  std::int64_t anchor = -1;  // only in the old document: the new record it goes after
};

// Matches the records `a` of one document with the records `b` of the other by kind and key;
// records of one key are paired in the order they come. The pairs come in the order of the new
// document, each one only in the old one after the pair it followed there.
std::vector<Pair> Match(const std::vector<Record>& ra, std::vector<std::uint32_t> a,
                        const std::vector<Record>& rb, std::vector<std::uint32_t> b) {
  auto by_key = [](const std::vector<Record>& r) {
    return [&r](std::uint32_t x, std::uint32_t y) {
      return std::tie(r[x].kind, r[x].key, x) < std::tie(r[y].kind, r[y].key, y);
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
  std::sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) { return x.a < y.a; });
  std::int64_t last = -1;
  for (Pair& p : pairs) {
    if (p.a == kNoRecord) break;  // those only in the new document, last
    if (p.b != kNoRecord) {
      last = p.b;
    } else {
      p.anchor = last;
    }
  }
  auto place = [](const Pair& p) {
    return p.b != kNoRecord ? std::make_tuple(std::int64_t{p.b}, 0, std::uint32_t{0})
                            : std::make_tuple(p.anchor, 1, p.a);
  };
  std::sort(pairs.begin(), pairs.end(),
            [&](const Pair& x, const Pair& y) { return place(x) < place(y); });
  return pairs;
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

enum Section { kModel, kCalls, kFramework, kCallbacks };

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
    std::stable_sort(
        result_.lines.begin(), result_.lines.end(), [](const DiffLine& x, const DiffLine& y) {
          return std::tie(x.section, x.group, x.order) < std::tie(y.section, y.group, y.order);
        });
    return std::move(result_);
  }

 private:
  // ---- the model ----
  void CompareModel() {
    auto objects = [](const Document& doc) {
      std::vector<std::uint32_t> out;
      for (std::uint32_t i = 0; i < doc.model().size(); ++i) {
        if (doc.model()[i].kind == Record::kObject) out.push_back(i);
      }
      return out;
    };
    for (const Pair& p : Match(a_.model(), objects(a_), b_.model(), objects(b_))) ComparePair(p);
  }

  // A pair of model records of one key: their own members, then what is below them. Or one
  // record only in one document (its items not told apart when `count_changed` tells of them).
  void ComparePair(const Pair& p, bool count_changed = false) {
    if (p.a != kNoRecord && p.b != kNoRecord) {
      const Record& ra = a_.model()[p.a];
      const Record& rb = b_.model()[p.b];
      if (ra.subtree == rb.subtree) return;
      const bool count = ra.content != rb.content && CompareOwn(p.a, p.b);
      for (const Pair& below : Match(a_.model(), Children(a_.model(), p.a, false), b_.model(),
                                     Children(b_.model(), p.b, false)))
        ComparePair(below, count);
      return;
    }
    const bool removed = p.b == kNoRecord;
    const Document& doc = removed ? a_ : b_;
    const std::uint32_t i = removed ? p.a : p.b;
    const Record& r = doc.model()[i];
    if (r.kind == Record::kObject) {
      const Details d = doc.ReadDetails(r.offset);
      Add(removed ? DiffLine::kObjectRemoved : DiffLine::kObjectAdded, kModel,
          d.Get(names::kHost).text, "",
          std::string(removed ? "object removed (" : "object added (") +
              d.Get(names::kObject).text + ")");
    } else if (r.kind == Record::kAttribute || r.kind == Record::kBinding) {
      Fields(p);
    } else if (r.kind != Record::kItem || !count_changed) {
      const auto [group, where] = Place(doc, i);
      Add(removed ? DiffLine::kStepRemoved : DiffLine::kStepAdded, kModel, group, where,
          std::string(RecordKindName(r.kind)) + (removed ? " removed" : " added"));
    }
  }

  // The own members of a pair that differ; true when a collection's count changed.
  bool CompareOwn(std::uint32_t a, std::uint32_t b) {
    const Record& r = b_.model()[b];
    const Details da = a_.ReadDetails(a_.model()[a].offset);
    const Details db = b_.ReadDetails(r.offset);
    std::string group, where;
    std::tie(group, where) = Place(b_, b);
    auto changed = [&](const char* key) { return !(da.Get(key) == db.Get(key)); };
    auto line = [&](DiffLine::Kind kind, const char* label, const Scalar& o, const Scalar& n,
                    bool bare) {
      Add(kind, kModel, group, where, Change(label, o, n, bare), o, n);
    };
    // A name changed: an object's or item's class, a step's callback.
    auto name = [&](DiffLine::Kind kind, const char* key, const char* label) {
      line(kind, label, da.Get(key), db.Get(key), true);
    };
    switch (r.kind) {
      case Record::kObject:
        if (changed(names::kObject)) name(DiffLine::kClassChanged, names::kObject, "class");
        return false;
      case Record::kValue:
        if (changed(names::kData))
          line(DiffLine::kValueChanged, "value", Missing(da.Get(names::kData)),
               Missing(db.Get(names::kData)), false);
        return false;
      case Record::kCollection: {
        if (changed(names::kCallback))
          name(DiffLine::kCallbackChanged, names::kCallback, "callback");
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
        Add(DiffLine::kCountChanged, kModel, group, where, Change("count", o, n, false) + items, o,
            n);
        return true;
      }
      case Record::kItem:
        if (changed(names::kClass)) name(DiffLine::kClassChanged, names::kClass, "class");
        if (changed(names::kResult))
          line(DiffLine::kResultChanged, "selection returned",
               Or(da.Get(names::kResult), da.Get(names::kItem)),
               Or(db.Get(names::kResult), db.Get(names::kItem)), false);
        if (changed(names::kAt))
          line(DiffLine::kTargetChanged, "target", Target(da, true), Target(db, true), true);
        return false;
      case Record::kElement:
        if (changed(names::kCallback))
          name(DiffLine::kCallbackChanged, names::kCallback, "callback");
        if (changed(names::kFound) || changed(names::kAt))
          line(DiffLine::kTargetChanged, "target", Target(da, false), Target(db, false), true);
        if (!changed(names::kFound) && changed(names::kData))
          line(DiffLine::kValueChanged, "value", da.Get(names::kData), db.Get(names::kData), false);
        return false;
      default:
        return false;
    }
  }

  // An attribute or binding only in one document, or in both with other values. `a` or `b` is
  // the record, or kNoRecord; the owner's members are read for the name.
  void Fields(const Pair& f, bool calls = false, std::uint32_t rank = 0) {
    const std::vector<Record>& ra = calls ? a_.trace() : a_.model();
    const std::vector<Record>& rb = calls ? b_.trace() : b_.model();
    const Record& r = f.b != kNoRecord ? rb[f.b] : ra[f.a];
    const bool attribute = r.kind == Record::kAttribute;
    std::string name;
    auto find = [&](const Document& doc, const std::vector<Record>& records,
                    std::uint32_t i) -> Scalar {
      if (i == kNoRecord) return {};
      const Details d = doc.ReadDetails(records[i].offset);
      for (const auto& [n, v] : attribute ? d.attributes : d.bindings) {
        if (NameKey(n) == r.key) {
          name = n;
          return v;
        }
      }
      return {};
    };
    const Scalar o = find(a_, ra, f.a), n = find(b_, rb, f.b);
    const Document& doc = f.b != kNoRecord ? b_ : a_;
    const auto [group, where] = calls ? CallPlace(doc, r.parent, rank) : Place(doc, r.parent);
    Add(attribute ? DiffLine::kAttributeChanged : DiffLine::kBindingChanged,
        calls ? kCalls : kModel, group, where,
        Change((attribute ? "attribute " : "binding ") + name, o, n, false), o, n);
  }

  // ---- the calls ----
  void CompareTrace() {
    bool log = a_.source() == Document::kLog || b_.source() == Document::kLog;
    // A log before version 3 holds no bindings, and of a call's attributes only those it changed.
    auto partial = [](const Document& d) {
      return d.source() == Document::kLog && d.log_version() < names::kLogVersionBindings;
    };
    bool older = partial(a_) || partial(b_);
    const std::vector<Record>& ra = a_.trace();
    const std::vector<Record>& rb = b_.trace();
    for (const Pair& p :
         Match(ra, Children(ra, kNoRecord, true), rb, Children(rb, kNoRecord, true))) {
      if (p.a == kNoRecord || p.b == kNoRecord) {
        const bool removed = p.b == kNoRecord;
        const Document& doc = removed ? a_ : b_;
        const std::uint32_t i = removed ? p.a : p.b;
        const bool framework = doc.trace()[i].kind == Record::kFramework;
        if (framework && log) continue;  // a log cannot see the framework's own records
        const auto [group, where] = CallPlace(doc, i, p.rank);
        Add(framework ? (removed ? DiffLine::kFrameworkRemoved : DiffLine::kFrameworkAdded)
                      : (removed ? DiffLine::kCallRemoved : DiffLine::kCallAdded),
            framework ? kFramework : kCalls, group, where,
            std::string(framework ? "framework record" : "call") +
                (removed ? " removed" : " added"));
        continue;
      }
      if (ra[p.a].subtree == rb[p.b].subtree) continue;
      if (ra[p.a].content != rb[p.b].content) {
        const Details da = a_.ReadDetails(ra[p.a].offset);
        const Details db = b_.ReadDetails(rb[p.b].offset);
        const auto [group, where] = CallPlace(b_, p.b, p.rank);
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
          if (!(o == n))
            Add(kind, section, group, where, Change(key, o, n, kind == DiffLine::kTargetChanged), o,
                n);
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
        Fields(f, true, p.rank);
      }
    }
  }

  // The node of a call (its group) and the call as shown: "CTComponentArray(3)", "#2" after it
  // for the second call of that node, callback and argument (`rank`: the calls of that key
  // before it on its side).
  std::pair<std::string, std::string> CallPlace(const Document& doc, std::uint32_t i,
                                                std::uint32_t rank) {
    std::string group, where;
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
    if (rank > 0) where += " #" + std::to_string(rank + 1);
    return {group, where};
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
  // The host path of the object a model record is in (its group), and the steps from the object
  // down to the record (where in the group): "Holdup[3].MoleFraction".
  std::pair<std::string, std::string> Place(const Document& doc, std::uint32_t i) {
    const std::vector<Record>& r = doc.model();
    std::vector<std::uint32_t> chain;
    while (i != kNoRecord && r[i].kind != Record::kObject) {
      chain.push_back(i);
      i = r[i].parent;
    }
    std::string where;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      std::string segment = Segment(doc, *it);
      if (!where.empty() && segment[0] != '[') where += '.';
      where += segment;
    }
    return {i == kNoRecord ? "" : Segment(doc, i), std::move(where)};
  }

  // A record's part of a path: an object's host path, a step's name, an item's "[index]".
  std::string Segment(const Document& doc, std::uint32_t i) {
    auto& cache = &doc == &a_ ? cache_a_ : cache_b_;
    if (auto it = cache.find(i); it != cache.end()) return it->second;
    const Record& r = doc.model()[i];
    const Details d = doc.ReadDetails(r.offset);
    std::string segment = r.kind == Record::kObject ? d.Get(names::kHost).text
                          : r.kind == Record::kItem ? "[" + d.Get(names::kItem).text + "]"
                                                    : d.Get(RecordKindName(r.kind)).text;
    return cache.emplace(i, std::move(segment)).first->second;
  }

  // "label old -> new": names and places `bare`, without quotes.
  static std::string Change(const std::string& label, const Scalar& o, const Scalar& n, bool bare) {
    return label + " " + (bare ? o.Bare() : o.Shown()) + " -> " + (bare ? n.Bare() : n.Shown());
  }
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
    result_.lines.push_back({kind, section, std::move(group), std::move(where), std::move(what),
                             std::move(o), std::move(n), result_.lines.size()});
  }

  const Document& a_;
  const Document& b_;
  DiffResult result_;
  std::unordered_map<std::uint32_t, std::string> cache_a_, cache_b_;
};

}  // namespace

DiffResult Compare(const Document& old_doc, const Document& new_doc) {
  return Comparer(old_doc, new_doc).Run();
}

}  // namespace walk
