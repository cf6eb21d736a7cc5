#include "studio/texts.h"

#include <QStringList>

namespace {

#ifdef _WIN32
QByteArray Encode(const QString& text) { return text.toLocal8Bit(); }
QString Decode(const char* bytes) { return QString::fromLocal8Bit(bytes); }
#else
QByteArray Encode(const QString& text) { return text.toUtf8(); }
QString Decode(const char* bytes) { return QString::fromUtf8(bytes); }
#endif

// The character at *at (a surrogate pair taken whole), moving past it.
QString NextCharacter(const QString& text, int* at) {
  const bool pair =
      text.at(*at).isHighSurrogate() && *at + 1 < text.size() && text.at(*at + 1).isLowSurrogate();
  const QString character = text.mid(*at, pair ? 2 : 1);
  *at += pair ? 2 : 1;
  return character;
}

QString Described(const QString& character) {
  const uint code = character.size() == 2 ? QChar::surrogateToUcs4(character.at(0), character.at(1))
                                          : character.at(0).unicode();
  const QString code16 = QStringLiteral("U+%1").arg(code, 4, 16, QLatin1Char('0')).toUpper();
  // A lone surrogate cannot be shown, only named.
  if (character.size() == 1 && character.at(0).isSurrogate()) return code16;
  return QStringLiteral("\u201c%1\u201d (%2)").arg(character, code16);
}

}  // namespace

QString ShownText(const char* text) {
  QString shown = Decode(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return shown;
}

std::string SessionText(const QString& text) {
  QString crLf = text;
  // A lone CR already in the text stays as it is; every LF gets its CR.
  crLf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  crLf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return Encode(crLf).toStdString();
}

QString ShownName(const char* name) { return Decode(name); }

std::string SessionName(const QString& name) { return Encode(name).toStdString(); }

QString UnstorableCharacters(const QString& text) {
  QStringList found;
  for (int at = 0; at < text.size();) {
    const QString character = NextCharacter(text, &at);
    // Whatever does not come back as it went in cannot be stored.
    if (Decode(Encode(character).constData()) == character) continue;
    const QString described = Described(character);
    if (!found.contains(described)) found << described;
  }
  return found.join(QStringLiteral(", "));
}
