// The utility module's FITopEntry: the top entry of a case, holding the host's context.
#include "framework/fi_context.h"

FITopEntry* FITopEntry::Create(FI::ObjectPtr<FI::Context> context, void* /*reserved*/) {
  return new FITopEntry(context);
}
