// A program text editor: monospaced, numbered lines, and one line that can
// be marked as faulty with the check's message.
#ifndef MORFEL_STUDIO_CODE_EDITOR_H
#define MORFEL_STUDIO_CODE_EDITOR_H

#include <QPlainTextEdit>

class CodeEditor : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit CodeEditor(QWidget* parent = nullptr);

  // Marks line (from 1) as faulty, or clears the mark with 0.
  void MarkLine(int line);
  int MarkedLine() const { return markedLine_; }
  // Replaces the whole text as one step the user can undo.
  void ReplaceText(const QString& text);

  int GutterWidth() const;
  void PaintGutter(QPaintEvent* event);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void UpdateGutter(const QRect& rect, int dy);
  void UpdateHighlights();

  QWidget* gutter_;
  int markedLine_ = 0;
};

#endif
