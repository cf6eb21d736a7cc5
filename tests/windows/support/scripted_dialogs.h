// A user acting on real Win32 dialogs from inside the modal loop that shows
// them: a per-dialog list of steps run one per timer tick, and answers to
// the message boxes the plug-in shows, each of which is recorded.
//
// Dialogs are recognised by their caption when a CBT hook sees them
// activated; a dialog runs its steps only on its first activation, since it
// is activated again each time a box over it closes. A dialog that has run
// out of steps and is still open after kGiveUpMilliseconds is cancelled and
// recorded as stuck, so a broken plug-in fails a test instead of hanging
// the whole stage.
#ifndef MORFEL_TESTS_WINDOWS_SCRIPTED_DIALOGS_H
#define MORFEL_TESTS_WINDOWS_SCRIPTED_DIALOGS_H

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

struct UserStep {
  enum Kind { kSelect, kType, kClick, kSlide, kCall };
  Kind kind;
  int control;
  std::string text;                   // kSelect: item text (exact); kType: the text
  int position;                       // kSlide: slider position
  std::function<void(HWND)> call;     // kCall: runs with the dialog
};

UserStep Select(int combo, const std::string& item);
UserStep Type(int edit, const std::string& text);
UserStep Click(int button);
UserStep Slide(int slider, int position);
UserStep Call(std::function<void(HWND)> call);

struct ShownBox {
  std::string title;
  std::string text;
};

class ScriptedDialogs {
 public:
  static constexpr int kGiveUpMilliseconds = 15000;

  ScriptedDialogs() = default;
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  // The steps for the dialog whose caption is exactly caption.
  void On(const std::string& caption, std::vector<UserStep> steps);
  // Answer to questions (boxes with Yes and No); the default answers No.
  void AnswerQuestions(std::function<bool(const std::string&)> answer);

  // Runs call (which shows the dialogs) with the user at work.
  void Run(const std::function<void()>& call);

  const std::vector<ShownBox>& shown() const { return shown_; }
  // Problems met: an item not found, a dialog with no steps, a stuck one.
  const std::vector<std::string>& problems() const { return problems_; }
  // Captions of the scripted dialogs seen, in order of appearance.
  const std::vector<std::string>& seen() const { return seen_; }

 private:
  struct Script {
    std::vector<UserStep> steps;
    size_t next = 0;
    DWORD idleSince = 0;
  };

  static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK TimerProc(HWND dialog, UINT message, UINT_PTR id, DWORD time);
  void Activated(HWND window);
  void Destroyed(HWND window);
  void AnswerBox(HWND box);
  void Tick(HWND dialog);
  void Perform(HWND dialog, const UserStep& step);

  std::map<std::string, Script> scripts_;
  std::map<HWND, std::string> running_;  // dialog -> caption of its script
  std::vector<HWND> handled_;
  std::function<bool(const std::string&)> answer_ = [](const std::string&) { return false; };
  std::vector<ShownBox> shown_;
  std::vector<std::string> problems_;
  std::vector<std::string> seen_;
  HHOOK hook_ = nullptr;
};

#endif
