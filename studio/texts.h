// The session's texts are 8-bit with CR LF line breaks; Qt's are Unicode
// with LF. These conversions are the only place the two meet, so a text
// read from the library and shown, then read back unchanged, is the same
// bytes.
#ifndef MORFEL_STUDIO_TEXTS_H
#define MORFEL_STUDIO_TEXTS_H

#include <QString>
#include <string>

// An 8-bit session text for showing: Latin-1, CR LF becoming LF.
QString ShownText(const char* text);
// A shown text for the session: LF becoming CR LF, Latin-1 (characters
// outside it become "?").
std::string SessionText(const QString& text);
// A name (group, program, parameter value): Latin-1, no line breaks.
QString ShownName(const char* name);
std::string SessionName(const QString& name);

#endif
