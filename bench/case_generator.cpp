#include "case_generator.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace bench {

namespace {

using hostsim::PropValue;

// splitmix64: the same numbers for the same seed on every platform and library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
  }
  int Between(int low, int high) {  // inclusive
    return low + static_cast<int>(Next() % static_cast<std::uint64_t>(high - low + 1));
  }
  double Real() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

 private:
  std::uint64_t state_;
};

// Where the generator writes: a tree builder or a JSON text. Properties of a node are given
// right after it is opened, before its children; keys are "type", "value" and "id" only.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual void Open(std::string_view name) = 0;
  virtual void Property(std::string_view key, PropValue value) = 0;
  virtual void Close() = 0;
  std::size_t nodes = 0;
};

class TreeSink final : public Sink {
 public:
  void Open(std::string_view name) override {
    ++nodes;
    builder.Open(name);
  }
  void Property(std::string_view key, PropValue value) override {
    builder.Property(key, std::move(value));
  }
  void Close() override { builder.Close(); }
  hostsim::TreeBuilder builder;
};

class JsonSink final : public Sink {
 public:
  void Open(std::string_view name) override {
    ++nodes;
    if (!open_.empty()) {
      text += open_.back() ? "," : ",\"children\":[";
      open_.back() = true;
    }
    open_.push_back(false);
    text += "{\"name\":\"";
    text += name;  // generated names need no escapes
    text += '"';
  }
  void Property(std::string_view key, PropValue value) override {
    text += ",\"";
    text += key;
    text += "\":";
    char digits[32];
    switch (value.kind) {
      case PropValue::kText:
        text += '"';
        text += value.text;
        text += '"';
        break;
      case PropValue::kInteger:
        text += std::to_string(value.integer);
        break;
      case PropValue::kReal:
        std::snprintf(digits, sizeof digits, "%.17g", value.real);
        text += digits;
        break;
    }
  }
  void Close() override {
    text += open_.back() ? "]}" : "}";
    open_.pop_back();
  }
  std::string text;

 private:
  std::vector<bool> open_;  // per open node: whether it has a child yet
};

constexpr const char* kReactionTypes[] = {"ConversionRxnObject", "LHKineticRxnObject",
                                          "SimpleRateRxnObject", "EquilibriumRxnObject",
                                          "KineticRxnObject"};

class Plant {
 public:
  Plant(Sink& sink, std::uint64_t seed) : out_(sink), random_(seed) {}

  PlantCensus Write(std::size_t objects) {
    out_.Open("Case");
    out_.Open("Plant");
    out_.Property("type", PropValue::Text("TemplateOpObject"));
    // One round of the cycle: half of the units are streams, as in a plant.
    static constexpr char kCycle[] = "SPSLSHSRSTSS";
    for (std::size_t unit = 0; out_.nodes < objects; ++unit) {
      switch (kCycle[unit % (sizeof kCycle - 1)]) {
        case 'S':
          Stream();
          break;
        case 'P':
          Pump();
          break;
        case 'L':
          Pipe();
          break;
        case 'H':
          Heater();
          break;
        case 'R':
          Reactor();
          break;
        case 'T':
          Column();
          break;
      }
    }
    out_.Close();
    out_.Close();
    census_.nodes = out_.nodes;
    return census_;
  }

 private:
  void Scalar(std::string_view name, PropValue value) {
    out_.Open(name);
    out_.Property("value", std::move(value));
    out_.Close();
  }
  void Real(std::string_view name) { Scalar(name, PropValue::Real(random_.Real() * 100.0)); }
  void Open(std::string_view name, const char* type) {
    out_.Open(name);
    out_.Property("type", PropValue::Text(type));
  }
  // An array variable: elements "Elem0".. with a real "value" each.
  void Array(std::string_view name, int count, const char* id_prefix = nullptr) {
    out_.Open(name);
    for (int i = 0; i < count; ++i) {
      out_.Open("Elem" + std::to_string(i));
      out_.Property("value", PropValue::Real(random_.Real()));
      if (id_prefix != nullptr) {
        out_.Property("id", PropValue::Text(id_prefix + std::to_string(i)));
      }
      out_.Close();
    }
    out_.Close();
  }
  std::string Name(char prefix, std::size_t number) {
    return std::string(1, prefix) + "-" + std::to_string(number);
  }

  void Stream() {
    Open(Name('S', ++census_.streams), "MaterialStreamObject");
    Real("Temperature");
    Real("Pressure");
    Real("Molar Flow");
    const int components = random_.Between(10, 50);
    Array("Comp Mole Frac", components, "Comp");
    Array("Comp Mass Frac", components);
    Array("Comp Volume Frac", components);
    out_.Close();
  }

  void Pump() {
    Open(Name('P', ++census_.pumps), "PumpOpObject");
    Real("Efficiency");
    out_.Open("Pump Curve");
    const int curves = random_.Between(1, 4);
    for (int c = 0; c < curves; ++c) {
      out_.Open("Elem" + std::to_string(c));
      Scalar("Object Name", PropValue::Text("Curve " + std::to_string(c)));
      Array("Head", 8);
      Array("Flow", 8);
      out_.Close();
    }
    out_.Close();
    out_.Open("NPSH Curve");
    const int npsh = random_.Between(1, 3);
    for (int c = 0; c < npsh; ++c) {
      out_.Open("Elem" + std::to_string(c));
      Real("Point 1 NPSH");
      Real("Point 1 Vol Flow");
      Real("Point 2 NPSH");
      Real("Point 2 Vol Flow");
      out_.Close();
    }
    out_.Close();
    out_.Close();
  }

  void Pipe() {
    Open(Name('L', ++census_.pipes), "PipeSegObject");
    const int segments = random_.Between(3, 12);
    Array("Pipe Length", segments);
    out_.Open("No of Increments");
    int cells = 0;
    for (int s = 0; s < segments; ++s) {
      const int increments = random_.Between(5, 20);
      cells += increments;
      out_.Open("Elem" + std::to_string(s));
      out_.Property("value", PropValue::Integer(increments));
      out_.Close();
    }
    out_.Close();
    Array("Cell Pressure", cells);
    Array("Profile Length", segments + 1);
    out_.Close();
  }

  void Heater() {
    Open(Name('H', ++census_.heaters), "HeaterOpObject");
    const int zones = random_.Between(3, 10);
    Array("Zone duty", zones);
    Array("Zone pressures", zones + 1);
    Array("Zone vapour frac", zones);
    out_.Close();
  }

  void Reactor() {
    Open(Name('R', ++census_.reactors), "ConversionReactorOpObject");
    out_.Open("ReactionList");
    const int reactions = random_.Between(2, 8);
    for (int r = 0; r < reactions; ++r) {
      out_.Open("Reaction");
      Scalar("ReactionType", PropValue::Text(kReactionTypes[random_.Between(0, 4)]));
      Array("Stoich Coeffs", 5);
      out_.Close();
    }
    out_.Close();
    out_.Close();
  }

  void Column() {
    const std::string column = Name('T', ++census_.columns);
    Open(column, "ColumnOpObject");
    Real("Reflux Ratio");
    const int sections = random_.Between(1, 3);
    for (int t = 0; t < sections; ++t) {
      Open("TS-" + std::to_string(t + 1), "TraySectionObject");
      out_.Property("id", PropValue::Text(column + "/TS-" + std::to_string(t + 1)));
      const int stages = random_.Between(10, 60);
      Scalar("Number of Stages", PropValue::Integer(stages));
      out_.Open("Traysection Feeds");
      const int feeds = random_.Between(1, 4);
      for (int f = 0; f < feeds; ++f) {
        out_.Open("Elem" + std::to_string(f));
        out_.Property("value", PropValue::Text("Feed " + std::to_string(f)));
        out_.Close();
      }
      out_.Close();
      Array("Stage Temperature", stages);
      Array("Stage Pressure", stages);
      out_.Close();
    }
    out_.Close();
  }

  Sink& out_;
  Random random_;
  PlantCensus census_;
};

}  // namespace

GeneratedCase GenerateCase(std::size_t objects, std::uint64_t seed) {
  TreeSink sink;
  GeneratedCase generated;
  generated.census = Plant(sink, seed).Write(objects);
  generated.tree = sink.builder.Finish();
  return generated;
}

std::string GenerateCaseJson(std::size_t objects, std::uint64_t seed, PlantCensus* census) {
  JsonSink sink;
  PlantCensus written = Plant(sink, seed).Write(objects);
  if (census != nullptr) *census = written;
  return std::move(sink.text);
}

}  // namespace bench
