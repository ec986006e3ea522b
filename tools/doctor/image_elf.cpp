// The platform side on Linux: a module is read with elf_read.cpp, libraries are looked for as
// the dynamic linker does, and the real load (dlopen, dlsym, dlclose) runs in a child process:
// the doctor itself again, started with posix_spawn, whose report comes back on a pipe.
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>

#include "checks.h"
#include "files.h"
#include "image.h"

extern char** environ;

namespace doctor {

namespace {

bool IsFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string OwnPath() {
  const std::string path = kit::ProgramPath().string();
  return path.empty() ? "fintop-doctor" : path;
}

std::string SignalName(int signal) {
  static constexpr std::pair<int, const char*> kNames[] = {
      {SIGSEGV, "SIGSEGV"}, {SIGBUS, "SIGBUS"},   {SIGILL, "SIGILL"}, {SIGFPE, "SIGFPE"},
      {SIGABRT, "SIGABRT"}, {SIGTRAP, "SIGTRAP"}, {SIGSYS, "SIGSYS"}, {SIGKILL, "SIGKILL"}};
  for (const auto& [known, name] : kNames) {
    if (known == signal) return name;
  }
  return "signal " + std::to_string(signal);
}

// How a child that has ended ended. ld.so ends a process with status 127 on a failed
// assertion ("Inconsistency detected by ld.so"): an abort of the loader like SIGABRT.
ChildEnd Ended(int status) {
  ChildEnd end;
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    end.how = signal == SIGABRT ? ChildEnd::How::kAborted : ChildEnd::How::kCrashed;
    end.what = SignalName(signal);
  } else {
    end.status = WEXITSTATUS(status);
    if (end.status == 127) {
      end.how = ChildEnd::How::kAborted;
      end.what = "exit status 127";
    }
  }
  return end;
}

// The child's environment: the doctor's, with the sanitizers (in a sanitizer build) told to
// let a crash end the process by its signal and to skip the leak check.
std::vector<std::string> ChildEnvironment() {
  std::vector<std::string> variables;
  std::string sanitizer = "ASAN_OPTIONS=";
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string_view text = *variable;
    if (text.starts_with("ASAN_OPTIONS=")) {
      sanitizer = std::string(text) + ":";
    } else {
      variables.emplace_back(text);
    }
  }
  variables.push_back(sanitizer +
                      "handle_segv=0:handle_sigbus=0:handle_sigill=0:handle_sigfpe=0:"
                      "handle_abort=0:detect_leaks=0");
  return variables;
}

}  // namespace

Image ReadImage(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) throw BadFile(path, "cannot be read");
  if (!S_ISREG(info.st_mode)) throw BadFile(path, "is not a file");
  // Not zeroed first: fread fills it, and a file that shrank since is read as far as it goes.
  const auto size = static_cast<size_t>(info.st_size);
  const std::unique_ptr<unsigned char[]> bytes(new unsigned char[size]);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw BadFile(path, "cannot be read");
  const size_t got = std::fread(bytes.get(), 1, size, file);
  std::fclose(file);
  return ReadElf({bytes.get(), got}, path);
}

std::optional<Found> FindModule(const std::string& module, const Image& importer,
                                const std::string& folder) {
  if (module.find('/') != std::string::npos) {
    return IsFile(module) ? std::optional(Found{module, FolderOf(module), false}) : std::nullopt;
  }
  // The dynamic linker's order: LD_LIBRARY_PATH, the importer's RUNPATH (for the plug-in
  // loaded from `folder`, its $ORIGIN), then the system's libraries.
  // LD_LIBRARY_PATH's folders are parted by ':' or ';'.
  const char* library_path = std::getenv("LD_LIBRARY_PATH");
  std::vector<std::string> folders = SplitFolders(library_path ? library_path : "", ":;");
  folders.insert(folders.end(), importer.run_path.begin(), importer.run_path.end());
  for (const std::string& place : folders) {
    const std::string path = place + "/" + module;
    if (!IsFile(path)) continue;
    return Found{path, FolderOf(path) == folder || place == folder ? "the folder" : place, false};
  }
  // A system library: the one this process has loaded already (RTLD_NOLOAD loads nothing and
  // runs nothing), else the default folders.
  if (void* handle = dlopen(module.c_str(), RTLD_LAZY | RTLD_NOLOAD)) {
    link_map* map = nullptr;
    std::string path;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr) {
      path = map->l_name;
    }
    dlclose(handle);
    if (!path.empty() && IsFile(path)) return Found{path, FolderOf(path), true};
  }
  const char* multiarch = importer.width == 64 ? "x86_64-linux-gnu" : "i386-linux-gnu";
  for (const std::string& place :
       {std::string("/lib/") + multiarch, std::string("/usr/lib/") + multiarch, std::string("/lib"),
        std::string("/usr/lib")}) {
    if (IsFile(place + "/" + module)) return Found{place + "/" + module, place, true};
  }
  return std::nullopt;
}

LoadResult LoadInChild(const std::string& path, const std::string& folder, int seconds) {
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) {
    return ReadLoadReport("", {ChildEnd::How::kNotStarted, 0, std::strerror(errno)});
  }
  // The child's stdout and stderr are the pipe (the loader's own messages come back too), its
  // stdin nothing; the pipe's own ends close at exec.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 2);
  std::vector<std::string> arguments = {OwnPath(), "--load-only", path, folder};
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment = ChildEnvironment();
  std::vector<char*> envp;
  for (std::string& variable : environment) envp.push_back(variable.data());
  envp.push_back(nullptr);
  pid_t child = 0;
  const int spawned =
      posix_spawn(&child, "/proc/self/exe", &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  if (spawned != 0) {
    close(pipe_ends[0]);
    return ReadLoadReport("", {ChildEnd::How::kNotStarted, 0, std::strerror(spawned)});
  }
  // Read until the child has ended and the pipe is drained, or until the time is up. A
  // process the child left behind may hold the pipe open: the child's end decides.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  std::string output;
  bool open = true;
  std::optional<int> status;
  while (true) {
    if (!status) {
      int value = 0;
      if (waitpid(child, &value, WNOHANG) == child) status = value;
    }
    if ((!open && status) || std::chrono::steady_clock::now() >= deadline) break;
    if (!open) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    pollfd poll_fd{pipe_ends[0], POLLIN, 0};
    const int ready = poll(&poll_fd, 1, status ? 0 : 50);
    if (ready < 0 && errno != EINTR) open = false;
    if (ready <= 0) {
      if (status) open = false;  // ended, and nothing more is waiting
      continue;
    }
    char buffer[4096];
    const ssize_t got = read(pipe_ends[0], buffer, sizeof buffer);
    if (got > 0) {
      if (output.size() < (1u << 20)) output.append(buffer, static_cast<size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      open = false;
    }
  }
  close(pipe_ends[0]);
  if (status) return ReadLoadReport(output, Ended(*status));
  kill(child, SIGKILL);
  int value = 0;
  while (waitpid(child, &value, 0) < 0 && errno == EINTR) {
  }
  return ReadLoadReport(output, {ChildEnd::How::kTimedOut, 0, ""});
}

int LoadOnly(const std::string& path, const std::string& /*folder*/) {
  // The folder is searched through the plug-in's own RUNPATH ($ORIGIN), as the framework's
  // load does.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  Report("step loading");
  dlerror();
  void* plugin = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (plugin == nullptr) {
    const char* message = dlerror();
    Report(std::string("refused ") + (message != nullptr ? message : "dlopen failed"));
    Report("done");
    return 0;
  }
  Report("loaded");
  Report("step resolving the exports of");
  for (const std::string& name : Expected().all) {
    if (dlsym(plugin, name.c_str()) == nullptr) Report("unresolved " + name);
  }
  Report("step unloading");
  dlclose(plugin);
  Report("done");
  return 0;
}

}  // namespace doctor
