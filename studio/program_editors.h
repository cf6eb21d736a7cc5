// The program being edited: its group and name, the Init and Transform
// texts side by side, and the check's word on them. A change made by the
// user is told (textsEdited) so that the window can check it as the user
// types; texts shown by the window are not.
#ifndef MORFEL_STUDIO_PROGRAM_EDITORS_H
#define MORFEL_STUDIO_PROGRAM_EDITORS_H

#include <QStringList>
#include <QWidget>

#include "session/session.h"

class CodeEditor;
class QLabel;
class QLineEdit;

class ProgramEditors : public QWidget {
  Q_OBJECT

 public:
  explicit ProgramEditors(QWidget* parent = nullptr);

  // Shows a program's names and texts; a text that is already shown is left
  // alone, so its undo history stays.
  void ShowProgram(const char* group, const char* name, const CurrentProgram& texts);
  // Empties and disables the editors: no program could be loaded into them,
  // and nothing in them may be stored over one.
  void ShowNothing();
  // Why the names or texts cannot be stored as the user typed them (a
  // character the library's texts cannot hold, a name too long); empty when
  // they can.
  QString StorageRefusal() const;
  // The names as the user left them; StorageRefusal says first whether they
  // fit.
  void ReadNames(char group[kNameTextSize], char name[kNameTextSize]) const;
  // The texts as the session holds them (CR LF, 8-bit), not cut.
  std::string InitText() const;
  std::string TransformText() const;
  // As typed by the user: one step to undo.
  void TypeProgram(const EditedProgram& program);

  // Whether the names or texts differ from what KeepAsUnedited last saw.
  bool Edited() const;
  // What the editors hold now is what the library holds.
  void KeepAsUnedited();

  // Marks the faulty line of a text with message, or clears every mark;
  // with a detail, underlines its column and shows its reason too.
  void ShowFault(ProgramFault fault, int line, const QString& message,
                 const ProgramNote* detail = nullptr);
  void ClearFault();
  // Marks the lines with warnings and lists the warnings under the texts.
  void ShowWarnings(const std::vector<ProgramNote>& warnings);

  CodeEditor* InitEditor() const { return init_; }
  CodeEditor* TransformEditor() const { return transform_; }

 Q_SIGNALS:
  void textsEdited();

 private:
  QLineEdit* group_;
  QLineEdit* name_;
  CodeEditor* init_;
  CodeEditor* transform_;
  QLabel* faultIcon_;
  QLabel* fault_;
  QLabel* detail_;  // the reason of a fault, or the warnings
  bool showing_ = false;
  QStringList unedited_;  // group, name, Init and Transform as last kept
};

#endif
