// The question asked before work the user has not saved would be thrown
// away: Save, Discard or Cancel, each button saying what it does. The window
// asks through an UnsavedAsker, which the tests replace to answer without a
// modal loop.
#ifndef MORFEL_STUDIO_UNSAVED_QUESTION_H
#define MORFEL_STUDIO_UNSAVED_QUESTION_H

#include <QString>
#include <functional>

class QWidget;

enum class UnsavedAnswer { kSave, kDiscard, kCancel };

struct UnsavedQuestion {
  QString title;  // what is asked
  QString text;   // what would be lost, and by what
  QString saveButton;
  QString discardButton;
};

using UnsavedAsker = std::function<UnsavedAnswer(const UnsavedQuestion&)>;

// Asks in a message box over owner; Escape and closing the box cancel.
UnsavedAnswer AskInMessageBox(QWidget* owner, const UnsavedQuestion& question);

#endif
