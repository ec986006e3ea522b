// The mapping rules, read from the mapping file "norvanemap.xml": how a host node is
// recognised, and for each generic class which collections, element callbacks and values it
// has and which attributes the framework records before a call. The format is described in
// README.md, "Mapping file".
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace walk {

// An <element> or <collection> nests in others at most this deep; a deeper file is refused
// before its steps are read.
inline constexpr int kMaxMappingDepth = 64;

// A mapping file that cannot be used: what() is "<file>:<line>: <what is wrong>", or
// "<file>: <what is wrong>" when the file cannot be read at all.
class MappingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One step of a class, an item or an element, run in the order written.
struct Step {
  enum Kind {
    kSet,         // <set attribute= text=|integer=|real=>: record an attribute
    kValue,       // <value name= path= key=>: read a host value into the model
    kElement,     // <element callback= name= read=>: test, then move, then the nested steps
    kCollection,  // <collection callback= name=>: count, then select each index
    kObjects,     // <objects path=>: recognise the children of a node as objects
  };
  Kind kind = kSet;
  std::string name;           // model name (value, element, collection) or attribute name (set)
  int callback = -1;          // position in Callbacks() (element, collection)
  std::string path;           // value and objects: Down path from the current node, may be empty
  std::string key = "value";  // value: the property read; element: the property `read`
  bool read = false;          // element: read `key` of the node moved onto
  std::string text;           // set: the value as written
  char type = 't';            // set: 't' text, 'i' integer, 'r' real
  bool optional = false;      // finding nothing here is not worth explaining
  int line = 0;               // in the mapping file
  std::vector<Step> sets;     // element, collection: recorded before the first call
  std::vector<Step> steps;    // element: after a move; collection: on each selected item
};

struct Recogniser {
  enum Kind { kKind, kClassifier, kType };
  Kind kind = kKind;
  int callback = -1;      // kind test or classifier
  std::string host_type;  // kType: the host's "type" property, compared whole
  std::string cls;        // the generic class (kClassifier: written by the callback)
};

struct Mapping {
  std::string file;
  std::vector<Recogniser> recognisers;               // asked in order; the first that answers wins
  std::map<std::string, std::vector<Step>> classes;  // the steps of each generic class
  // The steps of `cls`, or null when it is not mapped.
  const std::vector<Step>* Find(const std::string& cls) const {
    auto found = classes.find(cls);
    return found == classes.end() ? nullptr : &found->second;
  }
};

// Throws MappingError for a missing, malformed or inconsistent file.
Mapping LoadMapping(const std::string& file);
// The same from text; `origin` names it in messages.
Mapping ParseMapping(const std::string& text, const std::string& origin);

}  // namespace walk
