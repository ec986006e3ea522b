#include "framework/named_stream.h"

#include "framework/walks.h"

namespace fintop {

namespace {

bool NamesNoStream(const FIAttribute& value, StreamNameTest test) {
  switch (test) {
    case StreamNameTest::kNullText:
      return value.c_str() == nullptr;
    case StreamNameTest::kEmptyValue:
      return value.empty();
  }
  return true;
}

}  // namespace

bool HopToNamedStream(FIIterator& it, const std::string& variable, StreamNameTest test) {
  if (!it.Down(variable)) return false;
  const FIAttribute name = ReadValue(it);
  if (NamesNoStream(name, test)) return false;
  // From the variable to the unit, then to the unit's parent. A unit without a parent has no
  // siblings: stop rather than look among the unit's own children.
  if (!it.Up() || !it.Up()) return false;
  return DownByName(it, name.c_str());
}

bool NamedStream(FIIterator& caller, int move, const std::string& variable, StreamNameTest test) {
  WorkingIterator work(caller, move);
  return work && HopToNamedStream(*work, variable, test);
}

}  // namespace fintop
