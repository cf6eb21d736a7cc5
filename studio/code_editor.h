// A program text editor: monospaced, numbered lines, and one line that can
// be marked as faulty with the check's message.
#ifndef MORFEL_STUDIO_CODE_EDITOR_H
#define MORFEL_STUDIO_CODE_EDITOR_H

#include <QPlainTextEdit>
#include <functional>

class CodeEditor : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit CodeEditor(QWidget* parent = nullptr);

  // Marks line (from 1) as faulty, or clears the mark with 0.
  void MarkLine(int line);
  int MarkedLine() const { return markedLine_; }
  // Underlines the token at column (from 1, bytes of the line as the
  // session counts them) of the marked line; 0 underlines nothing.
  void MarkColumn(int column);
  int MarkedColumn() const { return markedColumn_; }
  // Marks the lines (from 1) that have warnings; an empty list clears them.
  void MarkWarningLines(const QList<int>& lines);
  const QList<int>& WarningLines() const { return warningLines_; }
  // Shades the statements a traced pixel ran: each from its line and
  // column to its end line and column (from 1, columns in the session's
  // bytes, the end just past the statement); an empty list clears them.
  struct Span {
    int line;
    int column;
    int endLine;
    int endColumn;
  };
  void MarkTraced(const QList<Span>& spans);
  const QList<Span>& TracedSpans() const { return traced_; }
  // Replaces the whole text as one step the user can undo.
  void ReplaceText(const QString& text);

  // Sees every key before the editor does (completion); true when it took
  // the key, which the editor then never gets.
  void SetKeyFilter(std::function<bool(QKeyEvent*)> filter) { keyFilter_ = std::move(filter); }
  // Told after the editor has handled a key.
  void SetKeyFollower(std::function<void(QKeyEvent*)> follower) {
    keyFollower_ = std::move(follower);
  }

  int GutterWidth() const;
  void PaintGutter(QPaintEvent* event);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void UpdateGutter(const QRect& rect, int dy);
  void UpdateHighlights();

  QWidget* gutter_;
  int markedLine_ = 0;
  int markedColumn_ = 0;
  QList<int> warningLines_;
  QList<Span> traced_;
  std::function<bool(QKeyEvent*)> keyFilter_;
  std::function<void(QKeyEvent*)> keyFollower_;
};

#endif
