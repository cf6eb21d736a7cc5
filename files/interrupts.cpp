#include "files/files.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace {

std::mutex registryLock;
std::vector<std::string>& Registry() {
  static std::vector<std::string> paths;
  return paths;
}

// Removes what is registered; the lock stays taken, so nothing else is
// registered or released while the process ends.
void RemoveRegistered() {
  registryLock.lock();
  for (const std::string& path : Registry()) {
    std::error_code error;
    std::filesystem::remove_all(path, error);
  }
}

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  RemoveRegistered();
  ExitProcess(130);
  return TRUE;
}
#endif

}  // namespace

void WatchInterrupts() {
#ifdef _WIN32
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread([signals] {
    int signal = 0;
    while (sigwait(&signals, &signal) != 0) {
    }
    RemoveRegistered();
    _exit(128 + signal);
  }).detach();
#endif
}

void StopAfter(double seconds, const std::string& message) {
  const auto wait = std::chrono::duration<double>(seconds);
  std::thread([wait, message] {
    std::this_thread::sleep_for(wait);
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    RemoveRegistered();
    std::_Exit(1);
  }).detach();
}

void EndAsClosedPipe() {
  RemoveRegistered();
#ifndef _WIN32
  std::signal(SIGPIPE, SIG_DFL);
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_UNBLOCK, &pipe, nullptr);
  raise(SIGPIPE);
  _exit(128 + SIGPIPE);
#else
  std::_Exit(1);
#endif
}

InterruptCleanup::InterruptCleanup(const std::string& path) : path_(path) {
  std::lock_guard<std::mutex> hold(registryLock);
  Registry().push_back(path_);
}

InterruptCleanup::~InterruptCleanup() {
  std::lock_guard<std::mutex> hold(registryLock);
  std::vector<std::string>& paths = Registry();
  auto found = std::find(paths.begin(), paths.end(), path_);
  if (found != paths.end()) paths.erase(found);
}
