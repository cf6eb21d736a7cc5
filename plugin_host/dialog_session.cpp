#include "plugin_host/plugin_host.h"

#include "platform/scripted_user/scripted_user.h"

namespace {

ScriptedAction ActionFor(const DialogStep& step) {
  ScriptedAction action;
  action.control = step.control;
  action.text = step.text;
  action.value = step.index;
  switch (step.kind) {
    case DialogStep::kSelectText:
      action.kind = ScriptedAction::kSelectComboText;
      break;
    case DialogStep::kSelectIndex:
      action.kind = ScriptedAction::kSelectComboIndex;
      break;
    case DialogStep::kType:
      action.kind = ScriptedAction::kTypeText;
      break;
    case DialogStep::kClick:
      action.kind = ScriptedAction::kClickButton;
      break;
  }
  return action;
}

// Questions end with a question mark; every other box has only OK.
bool IsQuestion(const std::string& text) { return !text.empty() && text.back() == '?'; }

}  // namespace

void RunWithScriptedUser(DialogSession* session, const std::function<void()>& call) {
  ScriptedUser user;
  for (const DialogStep& step : session->steps) user.Add(ActionFor(step));
  user.SetBoxAnswerer([session](const MessageBoxRecord& box) {
    if (!IsQuestion(box.text)) return IDOK;
    return session->answerQuestion(box.text) ? IDYES : IDNO;
  });
  bool started = user.Start();
  call();
  if (started) user.Stop();
  for (const MessageBoxRecord& box : user.MessageBoxes()) {
    session->shown.push_back(ShownMessage{box.title, box.text, box.action});
  }
  session->failures = user.Failures();
  session->stepsDone = static_cast<int>(user.ActionsDone());
}
