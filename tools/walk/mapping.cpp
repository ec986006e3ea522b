#include "mapping.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <pugixml.hpp>
#include <set>
#include <sstream>

#include "files.h"
#include "json_writer.h"
#include "plugin.h"

namespace walk {

namespace {

// Messages as one line: a value of the file holding a line end (&#10;) keeps it one line.
using kit::OneLine;

class Reader {
 public:
  Reader(const std::string& text, const std::string& origin) : text_(text), origin_(origin) {}

  Mapping Read() {
    pugi::xml_document doc;
    pugi::xml_parse_result parsed = doc.load_buffer(text_.data(), text_.size());
    if (!parsed)
      Fail(LineOf(parsed.offset), std::string("not well-formed XML: ") + parsed.description());
    pugi::xml_node root = doc.document_element();
    if (std::string_view(root.name()) != "norvanemap")
      Fail(Line(root), "the top element must be <norvanemap>");
    Attributes(root, {"version"});
    if (std::string_view(root.attribute("version").value()) != "1")
      Fail(Line(root), "unsupported version \"" + std::string(root.attribute("version").value()) +
                           "\" (this walk reads version 1)");
    Mapping mapping;
    mapping.file = origin_;
    bool recognise_seen = false;
    for (pugi::xml_node child : root.children()) {
      if (!IsElement(child)) continue;
      std::string_view tag = child.name();
      if (tag == "recognise") {
        if (recognise_seen) Fail(Line(child), "a second <recognise>");
        recognise_seen = true;
        ReadRecognise(child, mapping);
      } else if (tag == "class") {
        Attributes(child, {"name"});
        std::string name = Required(child, "name");
        if (mapping.classes.count(name) != 0)
          Fail(Line(child), "class " + name + " is mapped twice");
        mapping.classes.emplace(name, ReadSteps(child));
      } else {
        Fail(Line(child),
             std::string("unknown element <").append(tag) + "> (expected <recognise> or <class>)");
      }
    }
    if (!recognise_seen || mapping.recognisers.empty())
      Fail(Line(root), "no <recognise> rules: nothing could be mapped");
    return mapping;
  }

 private:
  void ReadRecognise(pugi::xml_node node, Mapping& mapping) {
    Attributes(node, {});
    for (pugi::xml_node child : node.children()) {
      if (!IsElement(child)) continue;
      std::string_view tag = child.name();
      Recogniser r;
      if (tag == "kind") {
        Attributes(child, {"callback", "class"}, false);
        r.kind = Recogniser::kKind;
        r.callback = Callback(child, Shape::kKind);
        r.cls = Required(child, "class");
      } else if (tag == "classifier") {
        Attributes(child, {"callback"}, false);
        r.kind = Recogniser::kClassifier;
        r.callback = Callback(child, Shape::kClassifier);
      } else if (tag == "type") {
        Attributes(child, {"host", "class"}, false);
        r.kind = Recogniser::kType;
        r.host_type = Required(child, "host");
        r.cls = Required(child, "class");
      } else {
        Fail(Line(child), std::string("unknown element <").append(tag) +
                              "> in <recognise> (expected <kind>, <classifier> or <type>)");
      }
      mapping.recognisers.push_back(std::move(r));
    }
  }

  // The steps below `node`, which is nested in `depth` elements and collections. In a
  // collection or element, <set> written before the first other step goes to `sets`, recorded
  // before the callback's first call. Recurses once per nesting level, never beyond
  // kMaxMappingDepth.
  std::vector<Step> ReadSteps(pugi::xml_node node, std::vector<Step>* sets = nullptr,
                              int depth = 0) {
    std::vector<Step> steps;
    std::set<std::string> names;
    for (pugi::xml_node child : node.children()) {
      if (!IsElement(child)) continue;
      std::string_view tag = child.name();
      Step step;
      step.line = Line(child);
      if (tag == "set") {
        Attributes(child, {"attribute", "text", "integer", "real"}, false);
        step.kind = Step::kSet;
        step.name = Required(child, "attribute");
        int given = 0;
        for (const char* type : {"text", "integer", "real"}) {
          if (!child.attribute(type)) continue;
          ++given;
          step.type = type[0];
          step.text = child.attribute(type).value();
        }
        if (given != 1) Fail(step.line, "<set> needs exactly one of text=, integer=, real=");
        if (step.type != 't') CheckNumber(step);
        if (sets != nullptr && steps.empty()) {
          sets->push_back(std::move(step));
          continue;
        }
      } else if (tag == "value") {
        Attributes(child, {"name", "path", "key", "optional"}, false);
        step.kind = Step::kValue;
        step.name = Required(child, "name");
        step.path = child.attribute("path").value();
        if (child.attribute("key")) step.key = child.attribute("key").value();
        step.optional = Optional(child);
      } else if (tag == "element" || tag == "collection") {
        const bool element = tag == "element";  // which alone takes read=
        Attributes(child, {"callback", "name", "optional", element ? "read" : "optional"});
        step.kind = element ? Step::kElement : Step::kCollection;
        step.callback = Callback(child, element ? Shape::kElement : Shape::kCollection);
        step.name = child.attribute("name") ? child.attribute("name").value()
                                            : Callbacks()[step.callback].name;
        if (element && child.attribute("read")) {
          step.read = true;
          step.key = child.attribute("read").value();
        }
        step.optional = Optional(child);
        step.steps = ReadSteps(child, &step.sets, Deeper(child, depth));
      } else if (tag == "objects") {
        Attributes(child, {"path", "optional"}, false);
        step.kind = Step::kObjects;
        step.path = child.attribute("path").value();
        step.optional = Optional(child);
      } else {
        Fail(step.line, std::string("unknown element <").append(tag) +
                            "> (expected <set>, <value>, <element>, <collection> or <objects>)");
      }
      if (step.kind == Step::kValue || step.kind == Step::kElement ||
          step.kind == Step::kCollection) {
        if (step.name.empty()) Fail(step.line, "an empty name");
        if (!names.insert(step.name).second)
          Fail(step.line, "the name \"" + step.name + "\" is used twice at this level");
      }
      steps.push_back(std::move(step));
    }
    return steps;
  }

  // Whether `child` is an element to read; text between elements is refused (it would be
  // ignored, and a value written as text is a value lost).
  bool IsElement(pugi::xml_node child) const {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
      std::string_view text = child.value();
      std::size_t lead = std::min(text.find_first_not_of(" \t\r\n"), text.size());
      text.remove_prefix(lead);
      text = text.substr(0, text.find_first_of("\r\n"));
      std::string shown(text.substr(0, 20));
      if (shown.size() < text.size()) shown += "...";
      Fail(LineOf(child.offset_debug() + static_cast<std::ptrdiff_t>(lead)),
           "unexpected text \"" + shown + "\" in <" + child.parent().name() + ">");
    }
    return child.type() == pugi::node_element;
  }

  // The depth of the steps nested in `node`, refused before they are read when too deep.
  int Deeper(pugi::xml_node node, int depth) const {
    if (depth >= kMaxMappingDepth)
      Fail(Line(node), std::string("<").append(node.name()) + "> nests deeper than " +
                           std::to_string(kMaxMappingDepth) + " elements and collections");
    return depth + 1;
  }

  void CheckNumber(const Step& step) {
    const char* begin = step.text.data();
    const char* end = begin + step.text.size();
    std::from_chars_result r{};
    if (step.type == 'i') {
      int value = 0;
      r = std::from_chars(begin, end, value);
    } else {
      double value = 0;
      r = std::from_chars(begin, end, value);
    }
    if (r.ec != std::errc() || r.ptr != end || begin == end)
      Fail(step.line,
           "\"" + step.text + "\" is not " + (step.type == 'i' ? "an integer" : "a real number"));
  }

  int Callback(pugi::xml_node node, Shape shape) {
    std::string name = Required(node, "callback");
    int id = FindCallback(name);
    if (id == kNoCallback) Fail(Line(node), name + " is not a callback of the plug-in");
    if (Callbacks()[id].shape != shape)
      Fail(Line(node),
           name + " is a " + ShapeName(Callbacks()[id].shape) + ", not a " + ShapeName(shape));
    return id;
  }

  bool Optional(pugi::xml_node node) {
    pugi::xml_attribute a = node.attribute("optional");
    if (!a) return false;
    std::string_view v = a.value();
    if (v == "true") return true;
    if (v == "false") return false;
    Fail(Line(node), "optional= must be true or false");
  }

  std::string Required(pugi::xml_node node, const char* name) {
    pugi::xml_attribute a = node.attribute(name);
    if (!a) Fail(Line(node), std::string("<").append(node.name()) + "> needs " + name + "=");
    return a.value();
  }

  // Refuses an attribute not `known`, then, for an element that takes no `content`, any content.
  void Attributes(pugi::xml_node node, std::initializer_list<std::string_view> known,
                  bool content = true) {
    for (pugi::xml_attribute a : node.attributes()) {
      if (std::find(known.begin(), known.end(), std::string_view(a.name())) == known.end())
        Fail(Line(node),
             std::string("<").append(node.name()) + "> has an unknown attribute " + a.name() + "=");
    }
    if (content) return;
    for (pugi::xml_node child : node.children()) {
      if (child.type() == pugi::node_element || child.type() == pugi::node_pcdata ||
          child.type() == pugi::node_cdata)
        Fail(Line(child), std::string("<").append(node.name()) + "> takes no content");
    }
  }

  int Line(pugi::xml_node node) const { return LineOf(node.offset_debug()); }
  int LineOf(std::ptrdiff_t offset) const {
    if (offset < 0) return 1;
    std::size_t end = std::min<std::size_t>(static_cast<std::size_t>(offset), text_.size());
    return 1 + static_cast<int>(std::count(text_.begin(), text_.begin() + end, '\n'));
  }

  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw MappingError(origin_ + ":" + std::to_string(line) + ": " + OneLine(what));
  }

  const std::string& text_;
  const std::string& origin_;
};

}  // namespace

Mapping ParseMapping(const std::string& text, const std::string& origin) {
  return Reader(text, origin).Read();
}

Mapping LoadMapping(const std::string& file) {
  std::error_code error;
  if (std::filesystem::is_directory(file, error))
    throw MappingError(file + ": cannot open the mapping file: it is a directory");
  errno = 0;
  std::ifstream in(kit::PathOf(file), std::ios::binary);
  if (!in)
    throw MappingError(file + ": cannot open the mapping file" +
                       (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string()));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw MappingError(file + ": cannot read the mapping file");
  return ParseMapping(text.str(), file);
}

}  // namespace walk
