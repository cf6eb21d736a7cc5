// The Edit menu: undo, redo, cut, copy, paste and select all in the box
// being typed into (a name, a value, a program text), and Find in the
// program text edited last.
#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QToolBar>

#include "studio/code_editor.h"
#include "studio/studio_window.h"

namespace {

// One editing command, carried out by a line box when one has the focus,
// else by the program editor.
struct EditCommand {
  const char* name;
  const char* text;
  QKeySequence::StandardKey key;
  void (*inLine)(QLineEdit*);
  void (*inEditor)(QPlainTextEdit*);
};

const EditCommand kEditCommands[] = {
    {"editUndo", QT_TRANSLATE_NOOP("StudioWindow", "&Undo"), QKeySequence::Undo,
     [](QLineEdit* box) { box->undo(); }, [](QPlainTextEdit* editor) { editor->undo(); }},
    {"editRedo", QT_TRANSLATE_NOOP("StudioWindow", "&Redo"), QKeySequence::Redo,
     [](QLineEdit* box) { box->redo(); }, [](QPlainTextEdit* editor) { editor->redo(); }},
    {"editCut", QT_TRANSLATE_NOOP("StudioWindow", "Cu&t"), QKeySequence::Cut,
     [](QLineEdit* box) { box->cut(); }, [](QPlainTextEdit* editor) { editor->cut(); }},
    {"editCopy", QT_TRANSLATE_NOOP("StudioWindow", "&Copy"), QKeySequence::Copy,
     [](QLineEdit* box) { box->copy(); }, [](QPlainTextEdit* editor) { editor->copy(); }},
    {"editPaste", QT_TRANSLATE_NOOP("StudioWindow", "&Paste"), QKeySequence::Paste,
     [](QLineEdit* box) { box->paste(); }, [](QPlainTextEdit* editor) { editor->paste(); }},
    {"editSelectAll", QT_TRANSLATE_NOOP("StudioWindow", "Select &All"), QKeySequence::SelectAll,
     [](QLineEdit* box) { box->selectAll(); }, [](QPlainTextEdit* editor) { editor->selectAll(); }},
};

}  // namespace

void StudioWindow::BuildEditMenu() {
  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  for (const EditCommand& command : kEditCommands) {
    QAction* action = edit->addAction(tr(command.text));
    action->setObjectName(QString::fromLatin1(command.name));
    action->setShortcut(command.key);
    // The widgets' own shortcuts answer while they have the focus; the menu
    // reaches the editor from anywhere else.
    action->setShortcutContext(Qt::WidgetShortcut);
    connect(action, &QAction::triggered, this, [this, command] {
      auto* line = qobject_cast<QLineEdit*>(QApplication::focusWidget());
      if (line != nullptr && line != findText_) {
        command.inLine(line);
      } else if (CodeEditor* editor = EditedEditor()) {
        command.inEditor(editor);
        editor->setFocus();
      }
    });
    if (command.key == QKeySequence::Paste) edit->addSeparator();
  }
  edit->addSeparator();
  QAction* find = edit->addAction(tr("&Find..."));
  find->setObjectName(QStringLiteral("editFind"));
  find->setShortcut(QKeySequence::Find);
  connect(find, &QAction::triggered, this, [this] { ShowFindBar(); });
  QAction* again = edit->addAction(tr("Find &Next"));
  again->setObjectName(QStringLiteral("editFindNext"));
  again->setShortcut(QKeySequence::FindNext);
  connect(again, &QAction::triggered, this, [this] { FindInEditor(findText_->text()); });

  findBar_ = new QToolBar(tr("Find"), this);
  findBar_->setObjectName(QStringLiteral("findBar"));
  findBar_->setMovable(false);
  findBar_->addWidget(new QLabel(tr("Find: "), findBar_));
  findText_ = new QLineEdit(findBar_);
  findText_->setObjectName(QStringLiteral("findText"));
  findText_->setPlaceholderText(tr("text in the program (Return: next, Esc: close)"));
  findText_->setMaximumWidth(320);
  findBar_->addWidget(findText_);
  QAction* close = findBar_->addAction(tr("Close"));
  connect(close, &QAction::triggered, findBar_, &QWidget::hide);
  QAction* escape = new QAction(findText_);
  escape->setShortcut(Qt::Key_Escape);
  escape->setShortcutContext(Qt::WidgetShortcut);
  findText_->addAction(escape);
  connect(escape, &QAction::triggered, this, [this] {
    findBar_->hide();
    if (CodeEditor* editor = EditedEditor()) editor->setFocus();
  });
  connect(findText_, &QLineEdit::returnPressed, this, [this] { FindInEditor(findText_->text()); });
  addToolBar(Qt::BottomToolBarArea, findBar_);
  findBar_->hide();
}

void StudioWindow::ShowFindBar() {
  findBar_->show();
  const QString selected =
      EditedEditor() != nullptr ? EditedEditor()->textCursor().selectedText() : QString();
  if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)) {
    findText_->setText(selected);
  }
  findText_->setFocus();
  findText_->selectAll();
}

bool StudioWindow::FindInEditor(const QString& text) {
  CodeEditor* editor = EditedEditor();
  if (editor == nullptr || text.isEmpty()) return false;
  if (!editor->find(text)) {
    QTextCursor start = editor->textCursor();
    start.movePosition(QTextCursor::Start);
    editor->setTextCursor(start);
    if (!editor->find(text)) {
      Say(tr("\"%1\" is not in the program text.").arg(text), true);
      return false;
    }
  }
  Say(tr("Found \"%1\".").arg(text));
  return true;
}
