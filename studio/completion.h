// Help while typing a program: a list of the names that fit the word being
// typed (after two letters, or at once with Ctrl+Space) - built-in
// functions with their arguments, built-in variables, the program's
// parameters and variables - and a tooltip over a built-in that says what
// it does.
#ifndef MORFEL_STUDIO_COMPLETION_H
#define MORFEL_STUDIO_COMPLETION_H

#include <QObject>
#include <QStringList>
#include <functional>

class CodeEditor;
class QCompleter;
class QKeyEvent;
class QStandardItemModel;
class QWidget;

class CodeAssist : public QObject {
  Q_OBJECT

 public:
  // programNames gives the names the program declares and assigns now.
  CodeAssist(CodeEditor* editor, std::function<QStringList()> programNames);

  QCompleter* Completer() const { return completer_; }
  // The word before the cursor.
  QString WordTyped() const;
  // Shows the names fitting the word typed; hides the list when none does.
  void Offer();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool FilterKey(QKeyEvent* event);
  void FollowKey(QKeyEvent* event);
  void FillModel();
  void Insert(const QString& completion);
  bool ShowHelpAt(QEvent* event);

  CodeEditor* editor_;
  QWidget* viewport_;
  std::function<QStringList()> programNames_;
  QCompleter* completer_;
  QStandardItemModel* model_;
};

#endif
