#include "platform/ChildProcess.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>

extern char** environ;

std::string FindProgram(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : std::string();
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    const size_t end = std::min(folders.find(':', start), folders.size());
    const std::string folder = folders.substr(start, end - start);
    start = end + 1;
    if (folder.empty()) continue;
    const std::string candidate = folder + "/" + name;
    struct stat info {};
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
  }
  return {};
}

bool StartProgram(const std::vector<std::string>& argv, bool captureOutput, TChildProcess& child) {
  child = {};
  if (argv.empty()) return false;
  const std::string program = FindProgram(argv[0]);
  if (program.empty()) return false;
  int pipeEnds[2] = {-1, -1};
  if (captureOutput && pipe2(pipeEnds, O_CLOEXEC) != 0) return false;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (captureOutput) {
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  // The host's own files (audio devices, sockets) are none of the helper's business.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (captureOutput) close(pipeEnds[1]);
  if (error != 0) {
    if (captureOutput) close(pipeEnds[0]);
    return false;
  }
  child.pid = pid;
  if (captureOutput) {
    child.output = pipeEnds[0];
    fcntl(child.output, F_SETFL, fcntl(child.output, F_GETFL) | O_NONBLOCK);
  }
  CollectLater(-1);  // collect what ended before
  return true;
}

namespace {

std::atomic<size_t> gWaitingCount{0};  // the children left to be collected

// True once the child has ended and is collected, or was collected by the host already.
bool Collected(pid_t pid) {
  int status = 0;
  const pid_t r = waitpid(pid, &status, WNOHANG);
  return r == pid || r < 0;
}

}  // namespace

void CollectLater(pid_t pid) {
  static std::mutex lock;
  static std::vector<pid_t> waiting;
  std::lock_guard<std::mutex> guard(lock);
  if (pid > 0) waiting.push_back(pid);
  std::erase_if(waiting, Collected);
  gWaitingCount.store(waiting.size(), std::memory_order_relaxed);
}

void CollectEnded() {
  if (gWaitingCount.load(std::memory_order_relaxed) > 0) CollectLater(-1);
}

void EndProgram(pid_t pid) {
  if (pid <= 0) return;
  constexpr int kChecks = 50;
  constexpr timespec kBetweenChecks{0, 1000000};  // 1 ms
  // Checked before each signal: a child already collected (by the host, say) is no longer ours
  // to signal, since its number may belong to another process by now.
  for (const int signal : {SIGTERM, SIGKILL}) {
    if (Collected(pid)) return;
    kill(pid, signal);
    for (int i = 0; i < kChecks; ++i) {
      if (Collected(pid)) return;
      nanosleep(&kBetweenChecks, nullptr);
    }
  }
  CollectLater(pid);
}
#endif
