#include "large_stack.h"

#include <cstddef>

#if defined(_WIN32)
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace walk {

namespace {

// Reserved, not committed: only the pages the walk touches are used.
constexpr std::size_t kStackBytes =
    sizeof(void*) >= 8 ? std::size_t{512} << 20 : std::size_t{192} << 20;

struct Job {
  const std::function<int()>* body;
  int result = 0;
};

#if defined(_WIN32)
DWORD WINAPI Start(LPVOID job) {
#else
void* Start(void* job) {
#endif
  auto* j = static_cast<Job*>(job);
  j->result = (*j->body)();
  return {};
}

}  // namespace

int RunOnLargeStack(const std::function<int()>& body) {
  Job job{&body};
#if defined(_WIN32)
  HANDLE thread =
      CreateThread(nullptr, kStackBytes, Start, &job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == nullptr) return body();
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
#else
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return body();
  pthread_t thread;
  bool started = pthread_attr_setstacksize(&attributes, kStackBytes) == 0 &&
                 pthread_create(&thread, &attributes, Start, &job) == 0;
  pthread_attr_destroy(&attributes);
  if (!started) return body();
  pthread_join(thread, nullptr);
#endif
  return job.result;
}

}  // namespace walk
