#include "platform/scripted_user/scripted_user.h"

#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace {

// The one started scripted user; hook and timer procedures carry no pointer.
ScriptedUser* g_active = nullptr;

constexpr UINT_PTR kActTimerId = 0x5C07;
// Long enough for a real dialog to finish appearing before the user acts.
constexpr UINT kActDelayMs = 50;
constexpr UINT_PTR kGiveUpTimerId = 0x5C08;
constexpr int kMessageTextId = 0xFFFF;
constexpr int kTextCapacity = 4096;

std::string WindowText(HWND window) {
  char text[kTextCapacity];
  GetWindowTextA(window, text, kTextCapacity);
  return text;
}

std::string ItemText(HWND dialog, int id) {
  char text[kTextCapacity];
  GetDlgItemTextA(dialog, id, text, kTextCapacity);
  return text;
}

bool IsDialogClass(HWND window) {
  char name[64];
  return GetClassNameA(window, name, sizeof name) > 0 && std::strcmp(name, "#32770") == 0;
}

bool IsDialogAction(ScriptedAction::Kind kind) {
  return kind != ScriptedAction::kAnswerMessageBox && kind != ScriptedAction::kFillFileDialog &&
         kind != ScriptedAction::kCancelFileDialog;
}

void NotifyCommand(HWND dialog, HWND control, WORD code) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
               reinterpret_cast<LPARAM>(control));
}

// The one button of a box that wears the default push button style; 0 if none.
int DefaultButtonOf(HWND box) {
  for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
    HWND button = GetDlgItem(box, id);
    if (button && (GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) return id;
  }
  return 0;
}

// The slider clamps the position to its range; the dialog hears where it went.
void SlideTo(HWND dialog, HWND slider, int position) {
  SendMessageA(slider, TBM_SETPOS, TRUE, position);
  LRESULT reached = SendMessageA(slider, TBM_GETPOS, 0, 0);
  SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, reached),
               reinterpret_cast<LPARAM>(slider));
}

}  // namespace

ScriptedUser::~ScriptedUser() { Stop(); }

void ScriptedUser::SelectComboText(int control, const std::string& text) {
  Add({ScriptedAction::kSelectComboText, control, text, 0});
}
void ScriptedUser::SelectComboIndex(int control, int index) {
  Add({ScriptedAction::kSelectComboIndex, control, "", index});
}
void ScriptedUser::TypeText(int control, const std::string& text) {
  Add({ScriptedAction::kTypeText, control, text, 0});
}
void ScriptedUser::MoveSlider(int control, int position) {
  Add({ScriptedAction::kMoveSlider, control, "", position});
}
void ScriptedUser::SetCheck(int control, bool checked) {
  Add({ScriptedAction::kSetCheck, control, "", checked ? 1 : 0});
}
void ScriptedUser::ClickButton(int control) { Add({ScriptedAction::kClickButton, control, "", 0}); }
void ScriptedUser::AnswerMessageBox(int button) {
  Add({ScriptedAction::kAnswerMessageBox, 0, "", button});
}
void ScriptedUser::FillFileDialog(const std::string& name) {
  Add({ScriptedAction::kFillFileDialog, 0, name, 0});
}
void ScriptedUser::CancelFileDialog() { Add({ScriptedAction::kCancelFileDialog, 0, "", 0}); }
void ScriptedUser::CallWithDialog(std::function<void(HWND dialog)> call) {
  ScriptedAction action{ScriptedAction::kCallWithDialog, 0, "", 0};
  action.call = std::move(call);
  Add(action);
}
void ScriptedUser::Add(const ScriptedAction& action) { actions_.push_back(action); }
void ScriptedUser::SetBoxAnswerer(BoxAnswerer answerer) { answerer_ = std::move(answerer); }

bool ScriptedUser::Start() {
  if (g_active) return false;
  thread_ = GetCurrentThreadId();
  hook_ = SetWindowsHookExA(WH_CBT, HookProc, nullptr, thread_);
  if (!hook_) return false;
  g_active = this;
  Done();
  return true;
}

void ScriptedUser::Stop() {
  if (g_active != this) return;
  UnhookWindowsHookEx(hook_);
  hook_ = nullptr;
  g_active = nullptr;
  for (HWND window : open_)
    if (IsWindow(window)) {
      KillTimer(window, kActTimerId);
      KillTimer(window, kGiveUpTimerId);
    }
}

LRESULT CALLBACK ScriptedUser::HookProc(int code, WPARAM wParam, LPARAM lParam) {
  ScriptedUser* user = g_active;
  if (!user) return 0;
  if (code == HCBT_ACTIVATE) user->OnActivate(reinterpret_cast<HWND>(wParam));
  return CallNextHookEx(user->hook_, code, wParam, lParam);
}

void CALLBACK ScriptedUser::TimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  if (!g_active) return;
  g_active->ForgetClosedWindows();
  g_active->Act(window);
}

// Windows may reuse the handle of a closed window for a new one, which must
// then count as new (a second message box is recorded too).
void ScriptedUser::ForgetClosedWindows() {
  open_.erase(
      std::remove_if(open_.begin(), open_.end(), [](HWND window) { return !IsWindow(window); }),
      open_.end());
}

// A file dialog is told by its file name box first: a template of its own
// may well hold a static with the message box's text id.
ScriptedUser::WindowKind ScriptedUser::KindOf(HWND window) {
  if (GetDlgItem(window, cmb13)) return WindowKind::kFileDialog;
  if (GetDlgItem(window, kMessageTextId)) return WindowKind::kMessageBox;
  return WindowKind::kDialog;
}

bool ScriptedUser::IsOpenAndKnown(HWND window) const {
  return std::find(open_.begin(), open_.end(), window) != open_.end();
}

void ScriptedUser::OnActivate(HWND window) {
  // Wine also reports a window of another process that this thread's own
  // closing window hands the activation to (a test program running beside
  // this one): it is no window of this call, and no box this user saw.
  if (GetWindowThreadProcessId(window, nullptr) != thread_) return;
  if (!IsDialogClass(window)) return;
  ForgetClosedWindows();
  if (!IsOpenAndKnown(window)) {
    open_.push_back(window);
    seen_.push_back(window);
    // A message box is recorded when it first appears; it never changes.
    if (KindOf(window) == WindowKind::kMessageBox)
      boxes_.push_back({WindowText(window), ItemText(window, kMessageTextId),
                        static_cast<int>(next_) - 1, window});
  }
  SetTimer(window, kActTimerId, kActDelayMs, TimerProc);
}

void ScriptedUser::Act(HWND window) {
  // A window under a modal box cannot be used; it comes back when the box closes.
  if (!IsWindow(window) || !IsWindowEnabled(window)) return;
  // A modal dialog is shown when its loop first runs out of messages, and a
  // timer already due comes before that (a loaded machine): a window not
  // shown yet is out of the user's reach until it is.
  if (!IsWindowVisible(window)) {
    SetTimer(window, kActTimerId, kActDelayMs, TimerProc);
    if (giveUpMs_) ArmGiveUp(window);
    return;
  }
  WindowKind kind = KindOf(window);
  switch (kind) {
    case WindowKind::kMessageBox:
      ActOnMessageBox(window);
      break;
    case WindowKind::kFileDialog:
      ActOnFileDialog(window);
      break;
    case WindowKind::kDialog:
      ActOnDialog(window);
      break;
  }
  // A box always ends with an answer; a dialog may wait for ever.
  if (giveUpMs_ && kind != WindowKind::kMessageBox && IsWindow(window)) ArmGiveUp(window);
}

void CALLBACK ScriptedUser::GiveUpTimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  if (g_active) g_active->GiveUpOn(window);
}

// Counts from the last action done, so a dialog that another window kept
// busy is not cancelled the moment it comes back.
void ScriptedUser::ArmGiveUp(HWND window) {
  DWORD idle = GetTickCount() - doneAt_;
  UINT left = idle < giveUpMs_ ? giveUpMs_ - static_cast<UINT>(idle) : 0;
  SetTimer(window, kGiveUpTimerId, std::max<UINT>(left, 1), GiveUpTimerProc);
}

void ScriptedUser::GiveUpOn(HWND window) {
  // Under a modal box: the window is acted on again, and armed again, when it closes.
  if (!IsWindow(window) || !IsWindowEnabled(window)) return;
  if (IsBusy(window)) {
    SetTimer(window, kGiveUpTimerId, giveUpMs_, GiveUpTimerProc);
    return;
  }
  if (GetTickCount() - doneAt_ < giveUpMs_) {
    ArmGiveUp(window);
    return;
  }
  Fail(window, "still open " + std::to_string(giveUpMs_) + " ms after the last action, cancelled");
  PostMessageA(window, WM_COMMAND, IDCANCEL,
               reinterpret_cast<LPARAM>(GetDlgItem(window, IDCANCEL)));
}

bool ScriptedUser::IsBusy(HWND window) const {
  return std::find(busy_.begin(), busy_.end(), window) != busy_.end();
}

void ScriptedUser::ActOnMessageBox(HWND box) {
  const ScriptedAction* action = NextAction();
  int answer = 0;
  if (action && action->kind == ScriptedAction::kAnswerMessageBox) {
    ++next_;
    answer = action->value;
  } else if (answerer_) {
    // The latest record: an earlier box may have had the same handle.
    auto record = std::find_if(boxes_.rbegin(), boxes_.rend(),
                               [box](const MessageBoxRecord& r) { return r.window == box; });
    if (record != boxes_.rend()) answer = answerer_(*record);
  }
  if (answer && !GetDlgItem(box, answer)) {
    Fail(box, "the message box has no button " + std::to_string(answer));
    answer = 0;
  }
  // Unanswered, the box gets its default button: what our Linux layer gives a
  // box nobody answers, and real Windows would otherwise wait for ever.
  if (!answer) answer = DefaultButtonOf(box);
  if (!answer) return;
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
  Done();
}

void ScriptedUser::ActOnFileDialog(HWND dialog) {
  const ScriptedAction* action = NextAction();
  if (!action) return;
  if (action->kind == ScriptedAction::kFillFileDialog) {
    ++next_;
    if (!SetDlgItemTextA(dialog, cmb13, action->text.c_str())) {
      Fail(dialog, "the file name box refused \"" + action->text + "\"");
      return;
    }
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    Done();
  } else if (action->kind == ScriptedAction::kCancelFileDialog) {
    ++next_;
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    Done();
  }
}

void ScriptedUser::ActOnDialog(HWND dialog) {
  while (const ScriptedAction* action = NextAction()) {
    if (!IsDialogAction(action->kind)) return;
    ScriptedAction current = *action;  // the list may grow while the action runs
    ++next_;
    busy_.push_back(dialog);
    bool clicked = Perform(dialog, current);
    busy_.pop_back();
    Done();
    if (!IsWindow(dialog)) return;
    if (clicked) {
      // A click may open or close windows: continue on a fresh turn.
      SetTimer(dialog, kActTimerId, kActDelayMs, TimerProc);
      return;
    }
  }
}

// Performs one dialog action; true when it clicked something.
bool ScriptedUser::Perform(HWND dialog, const ScriptedAction& action) {
  if (action.kind == ScriptedAction::kCallWithDialog) {
    if (action.call) action.call(dialog);
    return false;
  }
  HWND control = GetDlgItem(dialog, action.control);
  if (!control) {
    Fail(dialog, "no control " + std::to_string(action.control));
    return false;
  }
  if (!IsWindowEnabled(control)) {
    Fail(dialog, "control " + std::to_string(action.control) + " is disabled");
    return false;
  }
  if (!IsWindowVisible(control)) {  // out of a user's reach, as a disabled one
    Fail(dialog, "control " + std::to_string(action.control) + " is hidden");
    return false;
  }
  switch (action.kind) {
    case ScriptedAction::kSelectComboText:
    case ScriptedAction::kSelectComboIndex:
      SelectComboItem(dialog, control, action);
      return false;
    case ScriptedAction::kTypeText:
      TypeInto(dialog, control, action);
      return false;
    case ScriptedAction::kMoveSlider:
      SlideTo(dialog, control, action.value);
      return false;
    case ScriptedAction::kSetCheck:
      if ((IsDlgButtonChecked(dialog, action.control) == BST_CHECKED) == (action.value != 0))
        return false;
      SendMessageA(control, BM_CLICK, 0, 0);
      return true;
    case ScriptedAction::kClickButton:
      SendMessageA(control, BM_CLICK, 0, 0);
      return true;
    default:
      return false;
  }
}

void ScriptedUser::SelectComboItem(HWND dialog, HWND combo, const ScriptedAction& action) {
  bool byText = action.kind == ScriptedAction::kSelectComboText;
  LRESULT index = byText ? SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(action.text.c_str()))
                         : action.value;
  if (index < 0 || index >= SendMessageA(combo, CB_GETCOUNT, 0, 0)) {
    std::string item = byText ? "\"" + action.text + "\"" : std::to_string(action.value);
    Fail(dialog, "combo box " + std::to_string(action.control) + " has no item " + item);
    return;
  }
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  NotifyCommand(dialog, combo, CBN_SELCHANGE);  // selecting by code does not notify
}

// Typing replaces the whole text, and the box's limit applies as to a user.
void ScriptedUser::TypeInto(HWND dialog, HWND edit, const ScriptedAction& action) {
  if (GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) {
    Fail(dialog, "edit box " + std::to_string(action.control) + " is read-only");
    return;
  }
  SendMessageA(edit, EM_SETSEL, 0, -1);
  SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(action.text.c_str()));
}

void ScriptedUser::Fail(HWND dialog, const std::string& what) {
  failures_.push_back("action " + std::to_string(static_cast<long>(next_) - 1) + " in \"" +
                      WindowText(dialog) + "\": " + what);
}
