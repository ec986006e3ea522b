// A plug-in that answers differently by construction, for the replay's tests: every export
// forwards to the real plug-in named by FINTOP_ALTERED_REAL (loaded at the first call), but
// CTHeatStreams, whose answer is turned round; with FINTOP_ALTERED=exchanger, CTExchangerHot
// instead, which binds the cold side (the real CTExchangerCold's answer). A replay with it must
// name exactly the calls of that callback and no other.
#include <dlfcn.h>

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

bool Exchanger() {
  static const bool exchanger = std::getenv("FINTOP_ALTERED") != nullptr &&
                                std::strcmp(std::getenv("FINTOP_ALTERED"), "exchanger") == 0;
  return exchanger;
}

bool Altered(const char* name, bool answer) {
  return !Exchanger() && std::strcmp(name, "CTHeatStreams") == 0 ? !answer : answer;
}

// The real entry called for `name`.
const char* Target(const char* name) {
  return Exchanger() && std::strcmp(name, "CTExchangerHot") == 0 ? "CTExchangerCold" : name;
}

}  // namespace

#define ALTERED_KIND(name)                                                      \
  FINTOP_SIGNATURE_KIND(name) {                                                 \
    return Altered(#name, reinterpret_cast<FIKindTest>(Real(#name))(iterator)); \
  }
#define ALTERED_CLASSIFIER(name)                                       \
  FINTOP_SIGNATURE_CLASSIFIER(name) {                                  \
    return reinterpret_cast<FIClassifier>(Real(#name))(iterator, out); \
  }
#define ALTERED_COLLECTION(name)                                              \
  FINTOP_SIGNATURE_COLLECTION(name) {                                         \
    return reinterpret_cast<FICollection>(Real(#name))(iterator, out, index); \
  }
#define ALTERED_ELEMENT(name)                                                \
  FINTOP_SIGNATURE_ELEMENT(name) {                                           \
    return reinterpret_cast<FIElement>(Real(Target(#name)))(iterator, move); \
  }
#define ALTERED_DEFINE(shape, name, ...) ALTERED_##shape(name)

extern "C" {

FINTOP_CALLBACKS(ALTERED_DEFINE)

FINTOP_API QELAggNode* FI_CDECL GetQELNode(void* first, void* second) {
  using Fn = QELAggNode* (*)(void*, void*);
  return reinterpret_cast<Fn>(Real("GetQELNode"))(first, second);
}

}  // extern "C"
