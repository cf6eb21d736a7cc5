// The scripted user: plays a user in the dialogs and message boxes that a call
// opens, through Win32 calls only, so that the same script drives our Linux
// platform layer and real Windows dialogs alike.
//
// How it works: Start() installs a WH_CBT hook on the calling thread. Each time
// a "#32770" window (dialog, message box, file dialog) is activated, it sets a
// timer on that window; the window's modal loop runs the timer, and the timer
// performs the next actions of the list that fit that kind of window:
// - a dialog: combo selections, typing, slider moves, check boxes, clicks;
//   a click ends the turn (it may open or close windows), the rest of the list
//   continues on the next activation or timer;
// - a message box: AnswerMessageBox, else the box answerer, else its default
//   button (what our Linux layer gives a box nobody answers; real Windows
//   would wait for ever);
// - a file dialog: FillFileDialog or CancelFileDialog.
// CallWithDialog runs the caller's function with the dialog in front, to read
// its controls or to hold it open; it ends no turn.
// Actions are performed strictly in list order. A window is activated again
// each time a box over it closes; the user recognizes windows it has seen and
// records each message box once; a closed window is forgotten, so a new window
// that gets its handle counts as new. Actions that cannot be done (no such
// control, no such combo item, a disabled or hidden control, a refused file
// name) are skipped and reported in Failures().
//
// One scripted user may be started per thread at a time; it is not copyable.
// Windows it has not been given actions for are left alone, and so is every
// window of another thread or process, even one the system reports to it.
#ifndef MORFEL_PLATFORM_SCRIPTED_USER_SCRIPTED_USER_H
#define MORFEL_PLATFORM_SCRIPTED_USER_SCRIPTED_USER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct ScriptedAction {
  enum Kind {
    kSelectComboText,   // control, text: the item whose text matches ignoring case
    kSelectComboIndex,  // control, value
    kTypeText,          // control, text: replaces the box's text as typed (the box's limit applies)
    kMoveSlider,        // control, value
    kSetCheck,          // control, value 0 or 1: clicks the box when it differs
    kClickButton,       // control
    kAnswerMessageBox,  // value: IDOK, IDYES, IDNO, IDCANCEL
    kFillFileDialog,    // text: the file name typed into the dialog
    kCancelFileDialog,
    kCallWithDialog,  // call: runs with the dialog
  };
  Kind kind;
  int control = 0;
  std::string text;
  int value = 0;
  std::function<void(HWND dialog)> call = nullptr;
};

struct MessageBoxRecord {
  std::string title;
  std::string text;
  int action;  // index of the action being performed when the box appeared; -1 before any
  HWND window;
};

class ScriptedUser {
 public:
  // Returns the button to press in a box that no AnswerMessageBox action
  // covers, or 0 for the box's default button.
  using BoxAnswerer = std::function<int(const MessageBoxRecord& box)>;

  ScriptedUser() = default;
  ~ScriptedUser();
  ScriptedUser(const ScriptedUser&) = delete;
  ScriptedUser& operator=(const ScriptedUser&) = delete;

  void SelectComboText(int control, const std::string& text);
  void SelectComboIndex(int control, int index);
  void TypeText(int control, const std::string& text);
  void MoveSlider(int control, int position);
  void SetCheck(int control, bool checked);
  void ClickButton(int control);
  void AnswerMessageBox(int button);
  void FillFileDialog(const std::string& name);
  void CancelFileDialog();
  void CallWithDialog(std::function<void(HWND dialog)> call);
  void Add(const ScriptedAction& action);
  void SetBoxAnswerer(BoxAnswerer answerer);
  // 0 turns the give-up off.
  void GiveUpAfter(UINT milliseconds) { giveUpMs_ = milliseconds; }

  // Starts watching for windows on this thread; false when another scripted
  // user is already started or the hook cannot be set.
  bool Start();
  void Stop();

  size_t ActionsDone() const { return next_; }
  bool Finished() const { return next_ >= actions_.size(); }
  const std::vector<MessageBoxRecord>& MessageBoxes() const { return boxes_; }
  const std::vector<std::string>& Failures() const { return failures_; }
  // Every "#32770" window seen, in the order of first activation.
  const std::vector<HWND>& WindowsSeen() const { return seen_; }

 private:
  enum class WindowKind { kDialog, kMessageBox, kFileDialog };

  static WindowKind KindOf(HWND window);
  static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK TimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
  static void CALLBACK GiveUpTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);

  void OnActivate(HWND window);
  void Act(HWND window);
  void ActOnDialog(HWND dialog);
  void ActOnMessageBox(HWND box);
  void ActOnFileDialog(HWND dialog);
  bool Perform(HWND dialog, const ScriptedAction& action);
  void SelectComboItem(HWND dialog, HWND combo, const ScriptedAction& action);
  void TypeInto(HWND dialog, HWND edit, const ScriptedAction& action);
  void Fail(HWND dialog, const std::string& what);
  void Done() { doneAt_ = GetTickCount(); }
  void ArmGiveUp(HWND window);
  void GiveUpOn(HWND window);
  bool IsBusy(HWND window) const;
  const ScriptedAction* NextAction() const { return Finished() ? nullptr : &actions_[next_]; }
  void ForgetClosedWindows();
  bool IsOpenAndKnown(HWND window) const;

  std::vector<ScriptedAction> actions_;
  size_t next_ = 0;
  BoxAnswerer answerer_;
  std::vector<MessageBoxRecord> boxes_;
  std::vector<std::string> failures_;
  std::vector<HWND> seen_;
  std::vector<HWND> open_;  // seen and not yet closed
  HHOOK hook_ = nullptr;
  DWORD thread_ = 0;  // the thread it was started on, whose windows it plays
  UINT giveUpMs_ = 0;
  DWORD doneAt_ = 0;        // when the last action was done
  std::vector<HWND> busy_;  // dialogs whose action is still running, innermost last
};

#endif
