#include "reduce.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <new>

#if defined(_WIN32)
#include <windows.h>

#include "files.h"
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace walk {

namespace {

// Ends a whole answer, so that one cut short by the child's death is told apart.
constexpr char kAnswerEnd[] = "\n<end of answer>\n";

std::string Work(const std::function<std::string()>& work) {
  try {
    return work();
  } catch (const std::exception& e) {
    return std::string("error: ") + e.what();
  } catch (...) {
    return "error: an unexpected error";
  }
}

}  // namespace

#if defined(_WIN32)

ChildEnd RunSelf(const std::vector<std::string>& arguments, double seconds) {
  const std::string self = kit::Utf8(kit::ProgramPath());
  std::string command = kit::CommandLineArgument(self);
  for (const std::string& argument : arguments) command += " " + kit::CommandLineArgument(argument);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE nothing =
      CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  &inherit, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nothing;
  PROCESS_INFORMATION process{};
  // Wide, so that a program in any folder starts with arguments naming any file.
  std::wstring wide_command = kit::PathOf(command).wstring();
  bool started = CreateProcessW(kit::PathOf(self).c_str(), wide_command.data(), nullptr, nullptr,
                                TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process) != 0;
  if (nothing != INVALID_HANDLE_VALUE) CloseHandle(nothing);
  if (!started) return {ChildEnd::kAnswered, "error: cannot start " + self};
  CloseHandle(process.hThread);
  double limit = std::min(seconds * 1000.0, 4.0e9);
  bool ended = WaitForSingleObject(process.hProcess, static_cast<DWORD>(std::max(limit, 0.0))) ==
               WAIT_OBJECT_0;
  if (!ended) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  if (!ended) return {ChildEnd::kHung, {}};
  if (code > 2) return {ChildEnd::kCrashed, std::to_string(code)};
  return {ChildEnd::kAnswered, std::to_string(code)};
}

ChildEnd RunInChild(const std::function<std::string()>& work, double /*seconds*/,
                    const std::atomic<std::uint64_t>* /*progress*/, double /*stall_seconds*/) {
  return {ChildEnd::kAnswered, Work(work)};
}

std::shared_ptr<void> SharedBytes(std::size_t size) {
  return std::shared_ptr<void>(::operator new(size), [](void* p) { ::operator delete(p); });
}

#else

std::shared_ptr<void> SharedBytes(std::size_t size) {
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  return std::shared_ptr<void>(p, [size](void* q) { munmap(q, size); });
}

ChildEnd RunInChild(const std::function<std::string()>& work, double seconds,
                    const std::atomic<std::uint64_t>* progress, double stall_seconds) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return {ChildEnd::kAnswered, "error: cannot make a pipe"};
  pid_t child = fork();
  if (child < 0) {
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    return {ChildEnd::kAnswered, "error: cannot start a child process"};
  }
  if (child == 0) {
    close(pipe_ends[0]);
    int nowhere = open("/dev/null", O_WRONLY);
    if (nowhere >= 0) {
      dup2(nowhere, STDOUT_FILENO);
      dup2(nowhere, STDERR_FILENO);
    }
    std::string answer = Work(work) + kAnswerEnd;
    for (std::size_t sent = 0; sent < answer.size();) {
      ssize_t n = write(pipe_ends[1], answer.data() + sent, answer.size() - sent);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    _exit(0);  // no destructors, no buffers flushed, no leak check: the parent owns all that
  }
  close(pipe_ends[1]);
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  auto stall_deadline = Clock::now() + std::chrono::duration<double>(stall_seconds);
  std::uint64_t seen = progress != nullptr ? progress->load() : 0;
  std::string received;
  bool hung = false;
  char buffer[4096];
  for (;;) {
    auto now = Clock::now();
    if (progress != nullptr && progress->load() != seen) {
      seen = progress->load();
      stall_deadline = now + std::chrono::duration<double>(stall_seconds);
    }
    auto until = progress != nullptr ? std::min(deadline, stall_deadline) : deadline;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count();
    if (left <= 0) {
      hung = true;
      break;
    }
    pollfd wait_for{pipe_ends[0], POLLIN, 0};
    // With a counter to watch, it is looked at every tenth of a second.
    int ready = poll(&wait_for, 1,
                     static_cast<int>(progress != nullptr ? std::min<long long>(left, 100) : left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) continue;  // the deadline is checked again
    ssize_t n = read(pipe_ends[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the child closed its end: it ended
    received.append(buffer, static_cast<std::size_t>(n));
  }
  close(pipe_ends[0]);
  if (hung) kill(child, SIGKILL);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  constexpr std::size_t kEndSize = sizeof kAnswerEnd - 1;
  if (hung) return {ChildEnd::kHung, {}};
  bool whole = received.size() >= kEndSize &&
               received.compare(received.size() - kEndSize, kEndSize, kAnswerEnd) == 0;
  if (!whole || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {ChildEnd::kCrashed, {}};
  received.resize(received.size() - kEndSize);
  return {ChildEnd::kAnswered, std::move(received)};
}

#endif

}  // namespace walk
