// A plug-in that answers differently by construction, for the replay's and the reducer's tests:
// every export forwards to the real plug-in named by FINTOP_ALTERED_REAL (loaded at the first
// call), but one callback, FINTOP_ALTERED_CALLBACK (default CTHeatStreams), whose answer is
// changed: a yes or no turned round, a count or index one more. With FINTOP_ALTERED_CRASH=1 that
// callback aborts the process instead, with FINTOP_ALTERED_HANG=1 it never returns. With
// FINTOP_ALTERED_FROM=N only its calls from the N-th in the process on are altered (an answer
// that depends on the calls before). With FINTOP_ALTERED_AS=OTHER an altered element callback
// answers as the real OTHER does instead (CTExchangerHot as CTExchangerCold: the cold side
// bound for the hot). With FINTOP_ALTERED_LEAK=1 it answers as the real one does but leaves a
// clone of its iterator alive. A replay with it must name exactly the calls of that callback
// and no other.
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bootstrap/bootstrap.h"
#include "framework/callbacks.h"
#include "framework/qel_com.h"

namespace {

void* Real(const char* name) {
  static void* module = dlopen(std::getenv("FINTOP_ALTERED_REAL"), RTLD_NOW | RTLD_LOCAL);
  return module != nullptr ? dlsym(module, name) : nullptr;
}

bool Set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && std::strcmp(value, "1") == 0;
}

// Whether `name`'s answer is altered; crashes, hangs or leaves a clone of `iterator` there when
// asked to.
bool Altered(const char* name, FIIterator* iterator) {
  static const char* altered = [] {
    const char* chosen = std::getenv("FINTOP_ALTERED_CALLBACK");
    return chosen != nullptr && *chosen != '\0' ? chosen : "CTHeatStreams";
  }();
  if (std::strcmp(name, altered) != 0) return false;
  static const long from = [] {
    const char* n = std::getenv("FINTOP_ALTERED_FROM");
    return n != nullptr ? std::atol(n) : 1;
  }();
  static std::atomic<long> calls{0};
  if (++calls < from) return false;
  if (Set("FINTOP_ALTERED_CRASH")) {
    std::fputs("altered plug-in: aborting\n", stderr);  // as a failed assertion says
    std::abort();
  }
  while (Set("FINTOP_ALTERED_HANG")) pause();
  if (!Set("FINTOP_ALTERED_LEAK")) return true;
  (void)iterator->Clone();
  return false;
}

// The callback an altered one answers as; null: its own answer, changed.
const char* As() {
  static const char* as = [] {
    const char* other = std::getenv("FINTOP_ALTERED_AS");
    return other != nullptr && *other != '\0' ? other : nullptr;
  }();
  return as;
}

}  // namespace

#define ALTERED_KIND(name)                                             \
  FINTOP_SIGNATURE_KIND(name) {                                        \
    bool answer = reinterpret_cast<FIKindTest>(Real(#name))(iterator); \
    return Altered(#name, iterator) ? !answer : answer;                \
  }
#define ALTERED_CLASSIFIER(name)                                              \
  FINTOP_SIGNATURE_CLASSIFIER(name) {                                         \
    bool answer = reinterpret_cast<FIClassifier>(Real(#name))(iterator, out); \
    return Altered(#name, iterator) ? !answer : answer;                       \
  }
#define ALTERED_COLLECTION(name)                                                    \
  FINTOP_SIGNATURE_COLLECTION(name) {                                               \
    int answer = reinterpret_cast<FICollection>(Real(#name))(iterator, out, index); \
    return Altered(#name, iterator) ? answer + 1 : answer;                          \
  }
#define ALTERED_ELEMENT(name)                                               \
  FINTOP_SIGNATURE_ELEMENT(name) {                                          \
    const bool altered = Altered(#name, iterator);                          \
    if (altered && As() != nullptr)                                         \
      return reinterpret_cast<FIElement>(Real(As()))(iterator, move);       \
    bool answer = reinterpret_cast<FIElement>(Real(#name))(iterator, move); \
    return altered ? !answer : answer;                                      \
  }
#define ALTERED_DEFINE(shape, name, ...) ALTERED_##shape(name)

extern "C" {

FINTOP_CALLBACKS(ALTERED_DEFINE)

FINTOP_API QELAggNode* FI_CDECL GetQELNode(void* first, void* second) {
  using Fn = QELAggNode* (*)(void*, void*);
  return reinterpret_cast<Fn>(Real("GetQELNode"))(first, second);
}

}  // extern "C"
