#include "tests/windows/support/scripted_dialogs.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr UINT_PTR kStepTimer = 0x5EED;
constexpr UINT kStepMilliseconds = 40;
// A message box's text is the static control without an id.
constexpr int kBoxTextId = 0xFFFF;

// One user at a time: the hook and timer procedures find it here.
ScriptedDialogs* activeUser = nullptr;

std::string WindowText(HWND window) {
  char text[4096] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// Index of the combo box item whose text is exactly item, or -1;
// CB_FINDSTRINGEXACT would ignore letter case.
int FindItem(HWND combo, const std::string& item) {
  const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, i, 0);
    if (length < 0 || length >= 4096) continue;
    char text[4096] = "";
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    if (item == text) return i;
  }
  return -1;
}

}  // namespace

UserStep Select(int combo, const std::string& item) {
  return {UserStep::kSelect, combo, item, 0, nullptr};
}
UserStep Type(int edit, const std::string& text) { return {UserStep::kType, edit, text, 0, nullptr}; }
UserStep Click(int button) { return {UserStep::kClick, button, "", 0, nullptr}; }
UserStep Slide(int slider, int position) { return {UserStep::kSlide, slider, "", position, nullptr}; }
UserStep Call(std::function<void(HWND)> call) {
  return {UserStep::kCall, 0, "", 0, std::move(call)};
}

void ScriptedDialogs::On(const std::string& caption, std::vector<UserStep> steps) {
  scripts_[caption].steps = std::move(steps);
}

void ScriptedDialogs::AnswerQuestions(std::function<bool(const std::string&)> answer) {
  answer_ = std::move(answer);
}

void ScriptedDialogs::Run(const std::function<void()>& call) {
  activeUser = this;
  hook_ = SetWindowsHookExA(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
  if (hook_ == nullptr) problems_.push_back("the CBT hook could not be installed");
  call();
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  hook_ = nullptr;
  activeUser = nullptr;
  running_.clear();
}

LRESULT CALLBACK ScriptedDialogs::HookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (activeUser != nullptr && code == HCBT_ACTIVATE) {
    activeUser->Activated(reinterpret_cast<HWND>(wParam));
  } else if (activeUser != nullptr && code == HCBT_DESTROYWND) {
    activeUser->Destroyed(reinterpret_cast<HWND>(wParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void ScriptedDialogs::Activated(HWND window) {
  if (ClassOf(window) != "#32770") return;
  if (std::find(handled_.begin(), handled_.end(), window) != handled_.end()) return;
  handled_.push_back(window);
  const std::string caption = WindowText(window);
  auto script = scripts_.find(caption);
  if (script != scripts_.end()) {
    seen_.push_back(caption);
    running_[window] = caption;
    script->second.next = 0;
    script->second.idleSince = 0;
    SetTimer(window, kStepTimer, kStepMilliseconds, TimerProc);
  } else if (GetDlgItem(window, kBoxTextId) != nullptr && GetDlgItem(window, IDOK) != nullptr) {
    AnswerBox(window);
  } else if (GetDlgItem(window, IDYES) != nullptr) {
    AnswerBox(window);
  } else {
    // A dialog nobody scripted (a file dialog, say) would wait for ever.
    problems_.push_back("unscripted dialog \"" + caption + "\" cancelled");
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  }
}

// A later window may be given the same handle: it must be new to us then.
void ScriptedDialogs::Destroyed(HWND window) {
  handled_.erase(std::remove(handled_.begin(), handled_.end(), window), handled_.end());
  running_.erase(window);
}

void ScriptedDialogs::AnswerBox(HWND box) {
  char text[4096] = "";
  GetDlgItemTextA(box, kBoxTextId, text, sizeof text);
  shown_.push_back({WindowText(box), text});
  WPARAM answer = IDOK;
  if (GetDlgItem(box, IDYES) != nullptr) answer = answer_(text) ? IDYES : IDNO;
  PostMessageA(box, WM_COMMAND, answer, 0);
}

void CALLBACK ScriptedDialogs::TimerProc(HWND dialog, UINT, UINT_PTR, DWORD) {
  if (activeUser != nullptr) activeUser->Tick(dialog);
}

void ScriptedDialogs::Tick(HWND dialog) {
  auto running = running_.find(dialog);
  if (running == running_.end()) {
    KillTimer(dialog, kStepTimer);
    return;
  }
  Script& script = scripts_[running->second];
  // A step may open a modal box whose loop delivers this timer again: the
  // step in progress must finish first.
  KillTimer(dialog, kStepTimer);
  if (script.next < script.steps.size()) {
    const UserStep step = script.steps[script.next++];
    Perform(dialog, step);
  } else if (script.idleSince == 0) {
    script.idleSince = GetTickCount();
  } else if (GetTickCount() - script.idleSince > static_cast<DWORD>(kGiveUpMilliseconds)) {
    problems_.push_back("dialog \"" + running->second + "\" still open after its last step");
    running_.erase(running);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  if (IsWindow(dialog) && running_.count(dialog) != 0) {
    SetTimer(dialog, kStepTimer, kStepMilliseconds, TimerProc);
  }
}

void ScriptedDialogs::Perform(HWND dialog, const UserStep& step) {
  HWND control = step.kind == UserStep::kCall ? nullptr : GetDlgItem(dialog, step.control);
  if (step.kind != UserStep::kCall && control == nullptr) {
    problems_.push_back("no control " + std::to_string(step.control));
    return;
  }
  switch (step.kind) {
    case UserStep::kSelect: {
      const int index = FindItem(control, step.text);
      if (index < 0) {
        problems_.push_back("no item \"" + step.text + "\" in combo box " +
                            std::to_string(step.control));
        return;
      }
      // Setting the selection does not notify the dialog; a user's click does.
      SendMessageA(control, CB_SETCURSEL, index, 0);
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(step.control, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(control));
      return;
    }
    case UserStep::kType:
      SetWindowTextA(control, step.text.c_str());
      return;
    case UserStep::kClick:
      SendMessageA(control, BM_CLICK, 0, 0);
      return;
    case UserStep::kSlide:
      SendMessageA(control, TBM_SETPOS, TRUE, step.position);
      SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, step.position),
                   reinterpret_cast<LPARAM>(control));
      return;
    case UserStep::kCall:
      step.call(dialog);
      return;
  }
}
