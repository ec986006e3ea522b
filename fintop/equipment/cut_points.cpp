// Assay cut points and the viscosity reference temperatures, two fixed lists the library
// holds itself, and the host's list of entrainment results.
#include <iterator>
#include <string>

#include "framework/walks.h"
#include "framework/workers.h"

namespace {

// Host variable of the node under the iterator: one element per entrainment result.
const std::string kCoResultsLabel = "CO results label";

// Attributes recorded on the caller's iterator.
constexpr char kCutPercent[] = "CutPercent";
constexpr char kCutPoint[] = "CutPoint";
constexpr char kViscosityName[] = "ViscosityName";
constexpr char kReferenceTemp[] = "ReferenceTemp";
constexpr char kEntrainmentElem[] = "EntrainmentElem";

// A row of a fixed list: the text recorded and the real recorded after it.
struct Row {
  const char* text;
  double real;
};

// The first text has one decimal place, all others two, as the host spells them.
// The cut points: "Cut Pt-", the percentage as the host spells it, "%", and the percentage.
constexpr Row kCuts[] = {
    {"Cut Pt-0.0%", 0.0},      {"Cut Pt-1.00%", 1.0},   {"Cut Pt-2.00%", 2.0},
    {"Cut Pt-3.50%", 3.5},     {"Cut Pt-5.00%", 5.0},   {"Cut Pt-7.50%", 7.5},
    {"Cut Pt-10.00%", 10.0},   {"Cut Pt-12.50%", 12.5}, {"Cut Pt-15.00%", 15.0},
    {"Cut Pt-17.50%", 17.5},   {"Cut Pt-20.00%", 20.0}, {"Cut Pt-25.00%", 25.0},
    {"Cut Pt-30.00%", 30.0},   {"Cut Pt-35.00%", 35.0}, {"Cut Pt-40.00%", 40.0},
    {"Cut Pt-45.00%", 45.0},   {"Cut Pt-50.00%", 50.0}, {"Cut Pt-55.00%", 55.0},
    {"Cut Pt-60.00%", 60.0},   {"Cut Pt-65.00%", 65.0}, {"Cut Pt-70.00%", 70.0},
    {"Cut Pt-75.00%", 75.0},   {"Cut Pt-80.00%", 80.0}, {"Cut Pt-85.00%", 85.0},
    {"Cut Pt-90.00%", 90.0},   {"Cut Pt-92.50%", 92.5}, {"Cut Pt-95.00%", 95.0},
    {"Cut Pt-96.50%", 96.5},   {"Cut Pt-98.00%", 98.0}, {"Cut Pt-99.00%", 99.0},
    {"Cut Pt-100.00%", 100.0},
};
static_assert(std::size(kCuts) == 31);

// The viscosity reference temperatures: the name and the temperature.
constexpr Row kViscosities[] = {
    {"Viscosity at 100 F", 100.0},
    {"Viscosity at 210 F", 210.0},
};
static_assert(std::size(kViscosities) == 2);

// Index -1 returns the number of rows without reading the host. A row's index records
// `text_name` (its text) and then `real_name` (its real) and returns the index. Any other
// index has no row: it records nothing and returns 0.
template <int kCount>
int SelectRow(FIIterator& it, int index, const Row (&rows)[kCount], const char* text_name,
              const char* real_name) {
  if (index == -1) return kCount;
  if (index < 0 || index >= kCount) return 0;
  const Row& row = rows[index];
  FIAttribute value(row.text);
  it.SetAttribute(text_name, value);
  value = row.real;
  it.SetAttribute(real_name, value);
  return index;
}

}  // namespace

// The workers; framework/entries.cpp exports each as its callback (FINTOP_CALLBACKS).
namespace fintop::workers {

// Index -1 returns 31 without reading the host. Index 0 to 30 records "CutPercent" (text
// "Cut Pt-<row>%") and then "CutPoint" (the row's percentage, a real) and returns the index.
// Any other index has no row: it records nothing and returns 0.
int CTCutPercent(FIIterator& it, FIAttribute* /*out*/, int index) {
  return SelectRow(it, index, kCuts, kCutPercent, kCutPoint);
}

// Index -1 returns 2 without reading the host. Index 0 or 1 records "ViscosityName" (text)
// and then "ReferenceTemp" (a real) and returns the index. Any other index records nothing
// and returns 0.
int CTViscosity(FIIterator& it, FIAttribute* /*out*/, int index) {
  return SelectRow(it, index, kViscosities, kViscosityName, kReferenceTemp);
}

// Index -1 counts the elements of "CO results label" (0 without it). Any other index records
// "EntrainmentElem" and returns the index. The iterator does not move.
int CTEntrainment(FIIterator& it, FIAttribute* /*out*/, int index) {
  if (index == -1) return fintop::CountElements(it, kCoResultsLabel);
  fintop::RecordElementName(it, kEntrainmentElem, index);
  return index;
}

}  // namespace fintop::workers
