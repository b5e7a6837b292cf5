#pragma once
// A FIFO standing at a file's name, for tests of readers that must never wait for one. Made at
// construction, removed with its holder. A reader that opens it and waits for a writer would
// hang the test for ever: a watchdog opens it for writing once `patience` has passed, so that
// the test goes on and fails on Released().
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class TFifo {
 public:
  explicit TFifo(std::string at, std::chrono::milliseconds patience = std::chrono::seconds(5))
      : path(std::move(at)), made(::mkfifo(path.c_str(), 0644) == 0) {
    watchdog = std::thread([this, patience] {
      std::unique_lock<std::mutex> lock(mutex);
      if (wake.wait_for(lock, patience, [this] { return stopping; })) return;
      // Whoever waits for a writer gets one; keep at it until the test is done.
      while (!stopping) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
          released = true;
          ::close(fd);
        }
        wake.wait_for(lock, std::chrono::milliseconds(50), [this] { return stopping; });
      }
    });
  }
  ~TFifo() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stopping = true;
    }
    wake.notify_all();
    watchdog.join();
    ::unlink(path.c_str());
  }
  TFifo(const TFifo&) = delete;
  TFifo& operator=(const TFifo&) = delete;

  bool Made() const { return made; }
  // A reader waited for a writer until the watchdog gave it one.
  bool Released() const { return released; }
  const std::string& Path() const { return path; }

 private:
  std::string path;
  bool made;
  std::atomic<bool> released{false};
  std::mutex mutex;
  std::condition_variable wake;
  bool stopping = false;
  std::thread watchdog;
};
#endif
