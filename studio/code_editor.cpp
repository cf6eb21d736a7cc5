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

void CodeEditor::UpdateHighlights() {
  QList<QTextEdit::ExtraSelection> selections;
  QTextEdit::ExtraSelection current;
  current.format.setBackground(kCurrentLine);
  current.format.setProperty(QTextFormat::FullWidthSelection, true);
  current.cursor = textCursor();
  current.cursor.clearSelection();
  selections.append(current);
  const QTextBlock faulty = document()->findBlockByNumber(markedLine_ - 1);
  if (markedLine_ > 0 && faulty.isValid()) {
    QTextEdit::ExtraSelection fault;
    fault.format.setBackground(kFaultBackground);
    fault.format.setProperty(QTextFormat::FullWidthSelection, true);
    fault.cursor = QTextCursor(faulty);
    selections.append(fault);
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
