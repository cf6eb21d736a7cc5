// Timers on a virtual clock: a modal loop with nothing else to do moves the
// clock to the earliest due timer and fires it, so waiting costs no real time.
#include <windows.h>

#include <vector>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

namespace {

// Windows raises shorter intervals to this minimum.
constexpr UINT kMinimumElapse = 10;

struct Timer {
  HWND window;
  UINT_PTR id;
  UINT elapse;
  TIMERPROC proc;
  uint64_t due;
  uint64_t order;  // breaks ties between equal due times: first set, first fired
};

struct TimerState {
  std::vector<Timer> timers;
  uint64_t now = 0;
  uint64_t nextOrder = 0;
  UINT_PTR nextThreadTimerId = 1;
};

TimerState& State() {
  static TimerState state;
  return state;
}

int FindTimer(HWND window, UINT_PTR id) {
  auto& timers = State().timers;
  for (size_t i = 0; i < timers.size(); ++i)
    if (timers[i].window == window && timers[i].id == id) return static_cast<int>(i);
  return -1;
}

int EarliestTimer() {
  auto& timers = State().timers;
  int best = -1;
  for (size_t i = 0; i < timers.size(); ++i) {
    const Timer& t = timers[i];
    if (best < 0 || t.due < timers[best].due ||
        (t.due == timers[best].due && t.order < timers[best].order))
      best = static_cast<int>(i);
  }
  return best;
}

}  // namespace

namespace morfel_platform {

uint64_t VirtualNow() { return State().now; }

bool FireNextTimer() {
  TimerState& state = State();
  int index = EarliestTimer();
  if (index < 0) return false;
  Timer& timer = state.timers[index];
  if (timer.due > state.now) state.now = timer.due;
  timer.due = state.now + timer.elapse;
  timer.order = state.nextOrder++;
  Timer fired = timer;  // the callback may add or kill timers
  if (fired.proc)
    fired.proc(fired.window, WM_TIMER, fired.id, static_cast<DWORD>(state.now));
  else
    SendMessageA(fired.window, WM_TIMER, fired.id, 0);
  return true;
}

void RemoveTimersOf(HWND window) {
  auto& timers = State().timers;
  for (auto it = timers.begin(); it != timers.end();)
    it = it->window == window ? timers.erase(it) : it + 1;
}

}  // namespace morfel_platform

extern "C" UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  TimerState& state = State();
  if (window && !FindWindowRecord(window)) return 0;
  if (!window) id = state.nextThreadTimerId++;
  if (elapse < kMinimumElapse) elapse = kMinimumElapse;
  Timer timer = {window, id, elapse, proc, state.now + elapse, state.nextOrder++};
  int existing = FindTimer(window, id);
  if (existing >= 0)
    state.timers[existing] = timer;  // setting an existing timer again restarts it
  else
    state.timers.push_back(timer);
  return window ? (id ? id : 1) : id;
}

extern "C" BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
  int index = FindTimer(window, id);
  if (index < 0) return FALSE;
  State().timers.erase(State().timers.begin() + index);
  return TRUE;
}

extern "C" DWORD WINAPI GetTickCount(void) { return static_cast<DWORD>(State().now); }
