// Colours a program text as the compiler reads it: keywords, built-in
// functions, built-in (pixel) variables, the program's parameters,
// numbers (hexadecimal too), strings and comments, a block comment
// running on over lines.
#ifndef MORFEL_STUDIO_SYNTAX_HIGHLIGHTER_H
#define MORFEL_STUDIO_SYNTAX_HIGHLIGHTER_H

#include <QStringList>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

enum class WordKind {
  kPlain,
  kKeyword,
  kFunction,
  kVariable,
  kParameter,
  kNumber,
  kString,
  kComment
};

class SyntaxHighlighter : public QSyntaxHighlighter {
  Q_OBJECT

 public:
  explicit SyntaxHighlighter(QTextDocument* document);

  // The names the program declares as parameters; coloured again when they
  // change.
  void SetParameters(const QStringList& names);
  static QTextCharFormat FormatOf(WordKind kind);

 protected:
  void highlightBlock(const QString& text) override;

 private:
  int HighlightWord(const QString& text, int start);
  int HighlightNumber(const QString& text, int start);

  QStringList parameters_;
};

#endif
