#include "studio/texts.h"

QString ShownText(const char* text) {
  QString shown = QString::fromLatin1(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return shown;
}

std::string SessionText(const QString& text) {
  QString crLf = text;
  // A lone CR already in the text stays as it is; every LF gets its CR.
  crLf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  crLf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return crLf.toLatin1().toStdString();
}

QString ShownName(const char* name) { return QString::fromLatin1(name); }

std::string SessionName(const QString& name) { return name.toLatin1().toStdString(); }
