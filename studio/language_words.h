// The words of the program language as the editor colours, completes and
// explains them: keywords, the compiler's built-in functions with their
// argument counts, the built-in variables, and the names a program
// declares or assigns. Built-in names come from the script's own tables,
// so a new built-in reaches the editor without being named here.
#ifndef MORFEL_STUDIO_LANGUAGE_WORDS_H
#define MORFEL_STUDIO_LANGUAGE_WORDS_H

#include <QString>
#include <QStringList>

QStringList LanguageKeywords();
QStringList BuiltinFunctionNames();
QStringList BuiltinVariableNames();
bool IsBuiltinFunction(const QString& name);
bool IsBuiltinVariable(const QString& name);

// "sin(n)", or "SetMatrix3(11 values)" where no help line names the
// arguments; empty for a name that is no built-in function.
QString FunctionSignature(const QString& name);
// The signature and its help line; empty for a name that is no built-in.
QString FunctionHelp(const QString& name);
QString VariableHelp(const QString& name);

// The parameter names an Init text declares ("?name,..." lines).
QStringList DeclaredParameters(const QString& initText);
// The names a text assigns ("name =" but not "=="), built-ins left out.
QStringList AssignedVariables(const QString& text);

// Whether c may be part of a name.
inline bool IsNameCharacter(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

#endif
