// Ends the test program with a failure when a call that only a stop can end
// is still going on after a given time: a stop that never arrives would
// otherwise hang the whole run instead of failing one test. The time is a
// limit for a broken stop, never part of a passing test's outcome.
#ifndef MORFEL_TESTS_PLUGIN_HOST_WATCHDOG_H
#define MORFEL_TESTS_PLUGIN_HOST_WATCHDOG_H

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

class Watchdog {
 public:
  Watchdog() = default;
  ~Watchdog() { Disarm(); }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // From now on, `what` must be over within `seconds`.
  void Arm(std::string what, int seconds) {
    Disarm();
    done_ = false;
    thread_ = std::thread([this, what = std::move(what), seconds] {
      std::unique_lock<std::mutex> lock(mutex_);
      if (ended_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) return;
      std::fprintf(stderr, "FAILED: %s: still going on after %d s\n", what.c_str(), seconds);
      std::fflush(stderr);
      std::_Exit(1);
    });
  }

  void Disarm() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    ended_.notify_all();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable ended_;
  bool done_ = false;
  std::thread thread_;
};

#endif
