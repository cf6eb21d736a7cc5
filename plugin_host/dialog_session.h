// What the morfel host does in the plug-in's dialogs, as a user would: a
// list of steps performed on the dialog when it appears, answers to the
// message boxes, and a record of every message box shown.
#ifndef MORFEL_PLUGIN_HOST_DIALOG_SESSION_H
#define MORFEL_PLUGIN_HOST_DIALOG_SESSION_H

#include <functional>
#include <string>
#include <vector>

struct DialogStep {
  enum Kind { kSelectText, kSelectIndex, kType, kClick };
  Kind kind;
  int control;
  std::string text;
  int index = 0;
};

struct ShownMessage {
  std::string title;
  std::string text;
  int step;  // index of the step being performed when it appeared, -1 before any
};

struct DialogSession {
  std::vector<DialogStep> steps;  // on the first dialog that appears
  // Answer to a question box (Yes and No buttons): true answers Yes.
  std::function<bool(const std::string& text)> answerQuestion = [](const std::string&) {
    return false;
  };
  std::vector<ShownMessage> shown;
  std::vector<std::string> failures;  // steps that could not be done
  int stepsDone = 0;
};

// Runs call (which opens the plug-in's dialogs) while the scripted user
// performs the session's steps and answers its boxes.
void RunWithScriptedUser(DialogSession* session, const std::function<void()>& call);

#endif
