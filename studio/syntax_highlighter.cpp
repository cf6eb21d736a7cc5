#include "studio/syntax_highlighter.h"

#include "studio/language_words.h"

namespace {

// A block that ends inside "/* ..." passes this state to the next one.
constexpr int kInComment = 1;

QTextCharFormat Coloured(const QColor& colour, bool bold = false, bool italic = false) {
  QTextCharFormat format;
  format.setForeground(colour);
  if (bold) format.setFontWeight(QFont::Bold);
  format.setFontItalic(italic);
  return format;
}

// Where the string starting at start ends (after its closing quote, or at
// the end of the line); a backslash takes the next character as it is.
int StringEnd(const QString& text, int start) {
  int at = start + 1;
  while (at < text.size() && text[at] != QLatin1Char('"'))
    at += text[at] == QLatin1Char('\\') ? 2 : 1;
  return std::min<int>(text.size(), at + 1);
}

}  // namespace

SyntaxHighlighter::SyntaxHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

QTextCharFormat SyntaxHighlighter::FormatOf(WordKind kind) {
  switch (kind) {
    case WordKind::kKeyword:
      return Coloured(QColor(0x1f, 0x3f, 0xa8), true);
    case WordKind::kFunction:
      return Coloured(QColor(0x00, 0x6e, 0x7a));
    case WordKind::kVariable:
      return Coloured(QColor(0x7b, 0x2f, 0xa8));
    case WordKind::kParameter:
      return Coloured(QColor(0xb0, 0x5a, 0x00), true);
    case WordKind::kNumber:
      return Coloured(QColor(0xa3, 0x1f, 0x34));
    case WordKind::kString:
      return Coloured(QColor(0x2e, 0x7d, 0x32));
    case WordKind::kComment:
      return Coloured(QColor(0x80, 0x86, 0x8e), false, true);
    case WordKind::kPlain:
      break;
  }
  return {};
}

void SyntaxHighlighter::SetParameters(const QStringList& names) {
  if (names == parameters_) return;
  parameters_ = names;
  rehighlight();
}

void SyntaxHighlighter::highlightBlock(const QString& text) {
  setCurrentBlockState(0);
  int at = 0;
  if (previousBlockState() == kInComment) {
    const int close = text.indexOf(QStringLiteral("*/"));
    at = close < 0 ? text.size() : close + 2;
    setFormat(0, at, FormatOf(WordKind::kComment));
    if (close < 0) setCurrentBlockState(kInComment);
  }
  // A declaration line's name is the parameter it declares.
  if (at == 0 && text.startsWith(QLatin1Char('?'))) {
    const int comma = text.indexOf(QLatin1Char(','));
    if (comma > 1) setFormat(1, comma - 1, FormatOf(WordKind::kParameter));
    return;
  }
  while (at < text.size()) {
    const QChar c = text[at];
    if (text.mid(at, 2) == QStringLiteral("//")) {
      setFormat(at, text.size() - at, FormatOf(WordKind::kComment));
      return;
    }
    if (text.mid(at, 2) == QStringLiteral("/*")) {
      const int close = text.indexOf(QStringLiteral("*/"), at + 2);
      const int end = close < 0 ? text.size() : close + 2;
      setFormat(at, end - at, FormatOf(WordKind::kComment));
      if (close < 0) setCurrentBlockState(kInComment);
      at = end;
    } else if (c == QLatin1Char('"')) {
      const int end = StringEnd(text, at);
      setFormat(at, end - at, FormatOf(WordKind::kString));
      at = end;
    } else if (c.isDigit() ||
               (c == QLatin1Char('.') && at + 1 < text.size() && text[at + 1].isDigit())) {
      at = HighlightNumber(text, at);
    } else if (c.isLetter() || c == QLatin1Char('_')) {
      at = HighlightWord(text, at);
    } else {
      ++at;
    }
  }
}

int SyntaxHighlighter::HighlightWord(const QString& text, int start) {
  int end = start;
  while (end < text.size() && IsNameCharacter(text[end])) ++end;
  const QString word = text.mid(start, end - start);
  int next = end;
  while (next < text.size() && text[next].isSpace()) ++next;
  const bool called = next < text.size() && text[next] == QLatin1Char('(');
  WordKind kind = WordKind::kPlain;
  if (LanguageKeywords().contains(word)) {
    kind = WordKind::kKeyword;
  } else if (called && IsBuiltinFunction(word)) {
    kind = WordKind::kFunction;
  } else if (parameters_.contains(word)) {
    kind = WordKind::kParameter;
  } else if (IsBuiltinVariable(word)) {
    kind = WordKind::kVariable;
  }
  if (kind != WordKind::kPlain) setFormat(start, end - start, FormatOf(kind));
  return end;
}

// Digits with a point and an exponent, or 0x and hexadecimal digits.
int SyntaxHighlighter::HighlightNumber(const QString& text, int start) {
  int end = start;
  if (text.mid(start, 2) == QStringLiteral("0x")) {
    end += 2;
    while (end < text.size() && QStringLiteral("0123456789abcdefABCDEF").contains(text[end])) ++end;
  } else {
    while (end < text.size() && (text[end].isDigit() || text[end] == QLatin1Char('.'))) ++end;
    if (end < text.size() && (text[end] == QLatin1Char('e') || text[end] == QLatin1Char('E'))) {
      int exponent = end + 1;
      if (exponent < text.size() &&
          (text[exponent] == QLatin1Char('+') || text[exponent] == QLatin1Char('-')))
        ++exponent;
      if (exponent < text.size() && text[exponent].isDigit()) {
        end = exponent;
        while (end < text.size() && text[end].isDigit()) ++end;
      }
    }
  }
  setFormat(start, end - start, FormatOf(WordKind::kNumber));
  return end;
}
