#include "studio/code_editor.h"

#include <QFontDatabase>
#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>
#include <algorithm>

namespace {

const QColor kGutterBackground(0xf3, 0xf4, 0xf6);
const QColor kGutterText(0x8a, 0x90, 0x99);
const QColor kFaultBackground(0xfd, 0xe2, 0xe1);
const QColor kFaultMark(0xd9, 0x3f, 0x3f);
const QColor kCurrentLine(0xf5, 0xf8, 0xff);
const QColor kWarningBackground(0xff, 0xf6, 0xd5);
const QColor kWarningMark(0xc7, 0x8a, 0x00);
const QColor kTracedBackground(0xdf, 0xf3, 0xdc);

// Where the token that starts at `from` in a line ends: a name or number
// runs on, anything else is one character.
int TokenEnd(const QString& line, int from) {
  auto isName = [](QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.');
  };
  int end = from;
  while (end < line.size() && isName(line.at(end))) ++end;
  return end > from ? end : std::min<int>(from + 1, line.size());
}

// The character position in a line of the byte column the session gives
// (its texts are 8-bit; the editor's are Unicode).
int CharacterAt(const QString& line, int column) {
  int bytes = 0;
  for (int k = 0; k < line.size(); ++k) {
    if (bytes >= column - 1) return k;
    bytes += line.mid(k, 1).toLocal8Bit().size();
  }
  return line.size();
}

class Gutter : public QWidget {
 public:
  explicit Gutter(CodeEditor* editor) : QWidget(editor), editor_(editor) {}
  QSize sizeHint() const override { return QSize(editor_->GutterWidth(), 0); }

 protected:
  void paintEvent(QPaintEvent* event) override { editor_->PaintGutter(event); }

 private:
  CodeEditor* editor_;
};

}  // namespace

CodeEditor::CodeEditor(QWidget* parent) : QPlainTextEdit(parent), gutter_(new Gutter(this)) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSizeF(std::max(9.0, font.pointSizeF()));
  setFont(font);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 2);
  connect(this, &QPlainTextEdit::blockCountChanged, this,
          [this] { setViewportMargins(GutterWidth(), 0, 0, 0); });
  connect(this, &QPlainTextEdit::updateRequest, this,
          [this](const QRect& rect, int dy) { UpdateGutter(rect, dy); });
  connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] { UpdateHighlights(); });
  setViewportMargins(GutterWidth(), 0, 0, 0);
  UpdateHighlights();
}

int CodeEditor::GutterWidth() const {
  int digits = 2;
  for (int lines = std::max(1, blockCount()); lines >= 100; lines /= 10) ++digits;
  return 14 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void CodeEditor::MarkLine(int line) {
  if (line == markedLine_) return;
  markedLine_ = line;
  UpdateHighlights();
  gutter_->update();
}

void CodeEditor::MarkColumn(int column) {
  if (column == markedColumn_) return;
  markedColumn_ = column;
  UpdateHighlights();
}

void CodeEditor::MarkWarningLines(const QList<int>& lines) {
  if (lines == warningLines_) return;
  warningLines_ = lines;
  UpdateHighlights();
  gutter_->update();
}

void CodeEditor::ReplaceText(const QString& text) {
  if (text == toPlainText()) return;
  QTextCursor cursor(document());
  cursor.beginEditBlock();
  cursor.select(QTextCursor::Document);
  cursor.insertText(text);
  cursor.endEditBlock();
}

void CodeEditor::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect area = contentsRect();
  gutter_->setGeometry(QRect(area.left(), area.top(), GutterWidth(), area.height()));
}

void CodeEditor::keyPressEvent(QKeyEvent* event) {
  if (keyFilter_ && keyFilter_(event)) return;
  QPlainTextEdit::keyPressEvent(event);
  if (keyFollower_) keyFollower_(event);
}

void CodeEditor::UpdateGutter(const QRect& rect, int dy) {
  if (dy != 0) {
    gutter_->scroll(0, dy);
  } else {
    gutter_->update(0, rect.y(), gutter_->width(), rect.height());
  }
}

void CodeEditor::MarkTraced(const QList<Span>& spans) {
  traced_ = spans;
  UpdateHighlights();
}

void CodeEditor::UpdateHighlights() {
  QList<QTextEdit::ExtraSelection> selections;
  QTextEdit::ExtraSelection current;
  current.format.setBackground(kCurrentLine);
  current.format.setProperty(QTextFormat::FullWidthSelection, true);
  current.cursor = textCursor();
  current.cursor.clearSelection();
  selections.append(current);
  for (const Span& span : traced_) {
    const QTextBlock first = document()->findBlockByNumber(span.line - 1);
    const QTextBlock last = document()->findBlockByNumber(span.endLine - 1);
    if (!first.isValid() || !last.isValid()) continue;
    QTextEdit::ExtraSelection ran;
    ran.format.setBackground(kTracedBackground);
    ran.cursor = QTextCursor(first);
    ran.cursor.setPosition(first.position() + CharacterAt(first.text(), span.column));
    ran.cursor.setPosition(last.position() + CharacterAt(last.text(), span.endColumn),
                           QTextCursor::KeepAnchor);
    selections.append(ran);
  }
  for (int line : warningLines_) {
    const QTextBlock warned = document()->findBlockByNumber(line - 1);
    if (line == markedLine_ || !warned.isValid()) continue;
    QTextEdit::ExtraSelection warning;
    warning.format.setBackground(kWarningBackground);
    warning.format.setProperty(QTextFormat::FullWidthSelection, true);
    warning.cursor = QTextCursor(warned);
    selections.append(warning);
  }
  const QTextBlock faulty = document()->findBlockByNumber(markedLine_ - 1);
  if (markedLine_ > 0 && faulty.isValid()) {
    QTextEdit::ExtraSelection fault;
    fault.format.setBackground(kFaultBackground);
    fault.format.setProperty(QTextFormat::FullWidthSelection, true);
    fault.cursor = QTextCursor(faulty);
    selections.append(fault);
    if (markedColumn_ > 0) {
      const QString line = faulty.text();
      const int from = CharacterAt(line, markedColumn_);
      const int to = std::max(TokenEnd(line, from), from);
      QTextEdit::ExtraSelection underline;
      underline.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
      underline.format.setUnderlineColor(kFaultMark);
      underline.cursor = QTextCursor(faulty);
      // At the end of the line there is nothing to underline: the line's
      // last character takes the mark.
      const int start = from < line.size() ? from : std::max(0, static_cast<int>(line.size()) - 1);
      underline.cursor.setPosition(faulty.position() + start);
      underline.cursor.setPosition(faulty.position() + std::max(to, start + 1),
                                   QTextCursor::KeepAnchor);
      selections.append(underline);
    }
  }
  setExtraSelections(selections);
}

void CodeEditor::PaintGutter(QPaintEvent* event) {
  QPainter painter(gutter_);
  painter.fillRect(event->rect(), kGutterBackground);
  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  const int lineHeight = fontMetrics().height();
  while (block.isValid() && top <= event->rect().bottom()) {
    const int number = block.blockNumber() + 1;
    if (block.isVisible()) {
      if (number == markedLine_) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(kFaultMark);
        painter.setPen(Qt::NoPen);
        const int diameter = std::min(lineHeight - 4, 10);
        painter.drawEllipse(QRect(3, top + (lineHeight - diameter) / 2, diameter, diameter));
        painter.setPen(kFaultMark);
      } else if (warningLines_.contains(number)) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(kWarningMark);
        painter.setPen(Qt::NoPen);
        const int side = std::min(lineHeight - 4, 10);
        const int y = top + (lineHeight - side) / 2;
        const QPointF triangle[3] = {QPointF(3 + side / 2.0, y), QPointF(3, y + side),
                                     QPointF(3 + side, y + side)};
        painter.drawPolygon(triangle, 3);
        painter.setPen(kWarningMark);
      } else {
        painter.setPen(kGutterText);
      }
      painter.drawText(0, top, gutter_->width() - 5, lineHeight, Qt::AlignRight,
                       QString::number(number));
    }
    top += qRound(blockBoundingRect(block).height());
    block = block.next();
  }
}
