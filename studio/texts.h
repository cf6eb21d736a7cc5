// The session's texts are 8-bit with CR LF line breaks; Qt's are Unicode
// with LF. These conversions are the only place the two meet, so a text
// read from the library and shown, then read back unchanged, is the same
// bytes. The bytes are UTF-8 (the ANSI code page on Windows, where the
// plug-in's dialogs read the same library): what the studio stores, morfel
// lists, and the other way round.
#ifndef MORFEL_STUDIO_TEXTS_H
#define MORFEL_STUDIO_TEXTS_H

#include <QString>
#include <string>

// An 8-bit session text for showing, CR LF becoming LF.
QString ShownText(const char* text);
// A shown text for the session: LF becoming CR LF. A character the 8-bit
// texts cannot hold (UnstorableCharacters) would not read back: refuse the
// text before storing it.
std::string SessionText(const QString& text);
// A name (group, program, parameter value): no line breaks.
QString ShownName(const char* name);
std::string SessionName(const QString& name);
// The characters of text that an 8-bit session text cannot hold, each once
// and quoted with its code ("“ж” (U+0436)"), joined by ", "; empty when
// every character can be stored.
QString UnstorableCharacters(const QString& text);

#endif
