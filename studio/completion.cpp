#include "studio/completion.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTextBlock>
#include <QToolTip>

#include "studio/code_editor.h"
#include "studio/language_words.h"

namespace {

constexpr int kLettersBeforeOffer = 2;
// What a row inserts: the name alone, while the list shows a signature.
constexpr int kNameRole = Qt::UserRole + 1;

// The word of text around position: [start, end).
QString WordAround(const QTextBlock& block, int position, int* start) {
  const QString text = block.text();
  int begin = position - block.position();
  int end = begin;
  while (begin > 0 && IsNameCharacter(text[begin - 1])) --begin;
  while (end < text.size() && IsNameCharacter(text[end])) ++end;
  *start = block.position() + begin;
  return text.mid(begin, end - begin);
}

QStandardItem* Item(const QString& name, const QString& shown, const QString& help) {
  auto* item = new QStandardItem(shown);
  item->setData(name, kNameRole);
  item->setToolTip(help);
  return item;
}

}  // namespace

CodeAssist::CodeAssist(CodeEditor* editor, std::function<QStringList()> programNames)
    : QObject(editor),
      editor_(editor),
      viewport_(editor->viewport()),
      programNames_(std::move(programNames)),
      completer_(new QCompleter(this)),
      model_(new QStandardItemModel(this)) {
  completer_->setModel(model_);
  completer_->setCompletionRole(kNameRole);
  completer_->setCaseSensitivity(Qt::CaseSensitive);
  completer_->setCompletionMode(QCompleter::PopupCompletion);
  completer_->setWidget(editor_);
  connect(completer_, qOverload<const QString&>(&QCompleter::activated), this,
          [this](const QString& completion) { Insert(completion); });
  editor_->SetKeyFilter([this](QKeyEvent* event) { return FilterKey(event); });
  editor_->SetKeyFollower([this](QKeyEvent* event) { FollowKey(event); });
  viewport_->installEventFilter(this);
}

QString CodeAssist::WordTyped() const {
  const QTextCursor cursor = editor_->textCursor();
  const QString before = cursor.block().text().left(cursor.positionInBlock());
  int start = before.size();
  while (start > 0 && IsNameCharacter(before[start - 1])) --start;
  return before.mid(start);
}

// Every name the editor knows, the program's own first; a function shows its
// arguments, and inserting it writes only its name.
void CodeAssist::FillModel() {
  model_->clear();
  QStringList seen;
  for (const QString& name : programNames_()) {
    if (seen.contains(name)) continue;
    seen << name;
    model_->appendRow(Item(name, name, {}));
  }
  for (const QString& keyword : LanguageKeywords()) model_->appendRow(Item(keyword, keyword, {}));
  for (const QString& name : BuiltinFunctionNames()) {
    model_->appendRow(Item(name, FunctionSignature(name), FunctionHelp(name)));
  }
  for (const QString& name : BuiltinVariableNames()) {
    if (!seen.contains(name)) model_->appendRow(Item(name, name, VariableHelp(name)));
  }
  model_->sort(0);
}

void CodeAssist::Offer() {
  const QString word = WordTyped();
  FillModel();
  completer_->setCompletionPrefix(word);
  if (completer_->completionCount() == 0) {
    completer_->popup()->hide();
    return;
  }
  completer_->popup()->setCurrentIndex(completer_->completionModel()->index(0, 0));
  QRect where = editor_->cursorRect();
  where.setWidth(completer_->popup()->sizeHintForColumn(0) +
                 completer_->popup()->verticalScrollBar()->sizeHint().width() + 8);
  completer_->complete(where);
}

void CodeAssist::Insert(const QString& completion) {
  QTextCursor cursor = editor_->textCursor();
  const int typed = WordTyped().size();
  cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, typed);
  cursor.insertText(completion);
  editor_->setTextCursor(cursor);
}

// While the list is open, the keys that choose from it are its own.
bool CodeAssist::FilterKey(QKeyEvent* event) {
  if (completer_->popup()->isVisible()) {
    switch (event->key()) {
      case Qt::Key_Enter:
      case Qt::Key_Return:
      case Qt::Key_Escape:
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
        event->ignore();
        return true;
      default:
        break;
    }
  }
  if (event->key() == Qt::Key_Space && (event->modifiers() & Qt::ControlModifier)) {
    Offer();
    return true;
  }
  return false;
}

void CodeAssist::FollowKey(QKeyEvent* event) {
  const QString text = event->text();
  const bool typesName = !text.isEmpty() && IsNameCharacter(text.back());
  const bool erases = event->key() == Qt::Key_Backspace;
  if ((typesName || erases) && WordTyped().size() >= kLettersBeforeOffer &&
      !WordTyped().front().isDigit()) {
    Offer();
  } else if (completer_->popup()->isVisible()) {
    completer_->popup()->hide();
  }
}

bool CodeAssist::eventFilter(QObject* watched, QEvent* event) {
  // Compared by the pointer kept: the editor may be half destroyed here.
  if (watched == viewport_ && event->type() == QEvent::ToolTip) {
    return ShowHelpAt(event);
  }
  return QObject::eventFilter(watched, event);
}

// A built-in under the pointer is explained; anything else hides the tip.
bool CodeAssist::ShowHelpAt(QEvent* event) {
  auto* help = static_cast<QHelpEvent*>(event);
  const QTextCursor cursor = editor_->cursorForPosition(help->pos());
  int start = 0;
  const QString word = WordAround(cursor.block(), cursor.position(), &start);
  QString text = FunctionHelp(word);
  if (text.isEmpty()) text = VariableHelp(word);
  if (text.isEmpty()) {
    QToolTip::hideText();
    event->ignore();
  } else {
    QToolTip::showText(help->globalPos(), text, editor_->viewport());
  }
  return true;
}
