#include "studio/language_words.h"

#include <QRegularExpression>

#include "script/script.h"

namespace {

const BuiltinEntry* FindFunction(const QString& name) {
  const QByteArray bytes = name.toLatin1();
  for (const BuiltinEntry* entry = BuiltinTable; entry->name != nullptr; ++entry) {
    if (bytes == entry->name) return entry;
  }
  return nullptr;
}

const BuiltinVariableEntry* FindVariable(const QString& name) {
  const QByteArray bytes = name.toLatin1();
  for (const BuiltinVariableEntry& variable : kBuiltinVariableTable) {
    if (bytes == variable.name) return &variable;
  }
  return nullptr;
}

}  // namespace

QStringList LanguageKeywords() {
  return {QStringLiteral("if"), QStringLiteral("else"), QStringLiteral("while")};
}

QStringList BuiltinFunctionNames() {
  QStringList names;
  for (const BuiltinEntry* entry = BuiltinTable; entry->name != nullptr; ++entry) {
    names << QString::fromLatin1(entry->name);
  }
  return names;
}

QStringList BuiltinVariableNames() {
  QStringList names;
  for (const BuiltinVariableEntry& variable : kBuiltinVariableTable) {
    names << QString::fromLatin1(variable.name);
  }
  return names;
}

bool IsBuiltinFunction(const QString& name) { return FindFunction(name) != nullptr; }

bool IsBuiltinVariable(const QString& name) { return FindVariable(name) != nullptr; }

QString FunctionSignature(const QString& name) {
  const BuiltinEntry* entry = FindFunction(name);
  if (entry == nullptr) return {};
  if (entry->arguments[0] != '\0') {
    return QStringLiteral("%1(%2)").arg(name, QString::fromLatin1(entry->arguments));
  }
  return QStringLiteral("%1(%2 values)").arg(name).arg(entry->argCount);
}

QString FunctionHelp(const QString& name) {
  const QString signature = FunctionSignature(name);
  if (signature.isEmpty()) return {};
  const BuiltinEntry* entry = FindFunction(name);
  return QStringLiteral("%1 \u2014 %2").arg(signature, QString::fromLatin1(entry->help));
}

QString VariableHelp(const QString& name) {
  const BuiltinVariableEntry* variable = FindVariable(name);
  if (variable == nullptr) return {};
  return QStringLiteral("%1 \u2014 %2").arg(name, QString::fromLatin1(variable->help));
}

QStringList DeclaredParameters(const QString& initText) {
  static const QRegularExpression declaration(QStringLiteral("^\\?([^,\\r\\n]+),"),
                                              QRegularExpression::MultilineOption);
  QStringList names;
  for (auto match = declaration.globalMatch(initText); match.hasNext();) {
    names << match.next().captured(1);
  }
  return names;
}

QStringList AssignedVariables(const QString& text) {
  static const QRegularExpression assignment(
      QStringLiteral("(?<![A-Za-z0-9_])([A-Za-z_][A-Za-z0-9_]*)\\s*=(?!=)"));
  QStringList names;
  for (auto match = assignment.globalMatch(text); match.hasNext();) {
    const QString name = match.next().captured(1);
    if (!IsBuiltinVariable(name) && !names.contains(name)) names << name;
  }
  return names;
}
