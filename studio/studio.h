// Morfel Studio: the live editor and preview as a desktop program (Qt
// Widgets) over the session, the second front end beside the Win32 dialogs.
//
// Contracts
// - The studio works on the same base folder as `morfel` and the plug-in
//   (library, settings, data folder): a program saved here is there for
//   them. Its rules and messages are the session's own.
// - The interface thread never runs a program. Previews run on a worker
//   thread, Apply on a thread of its own, each in a session of its own;
//   the interface's session (library, choice, editor check, declarations)
//   is touched only by the interface thread.
// - Previews run on a reduced copy sized to the view, always with Round,
//   and equal the session's own RunPreview of that copy pixel for pixel.
// - Apply runs over the whole image with the chosen interpolation and gives
//   the result that Save writes through the host's image files; a cancelled
//   Apply changes nothing.
// - Nothing the user made is dropped without asking: an edited program
//   before quitting, choosing another, Clear, Import or loading a parameter
//   set; an applied result not written before quitting or opening another
//   image (Save, Discard or Cancel; Cancel leaves everything as it was).
// - The library file is watched: another program's change refreshes the
//   tree, never the editors. A program that cannot be loaded leaves the
//   editors empty, with the reason in the status bar; nothing is stored
//   changed (names and texts are the library's bytes, UTF-8 on Linux).
#ifndef MORFEL_STUDIO_STUDIO_H
#define MORFEL_STUDIO_STUDIO_H

#include <QString>
#include <QStringList>

struct StudioOptions {
  QString baseFolder;   // empty: the default base folder
  QString imagePath;    // opened at the start when given
  QString programName;  // "GROUP/NAME" chosen at the start when given
  QString initText;     // typed into the editor at the start, as given
  QString transformText;
  bool typeInit = false;
  bool typeTransform = false;
  QString screenshotPath;  // take a screenshot once the preview is ready, then quit
  // --trace COLUMN,ROW: the pixel traced at the start; the screenshot then
  // shows the editors and the trace.
  bool trace = false;
  int traceColumn = 0;
  int traceRow = 0;
};

// Reads the arguments (the program's name first). Returns true, or false
// with the reason in *error.
bool ParseStudioArguments(const QStringList& arguments, StudioOptions* options, QString* error);
// The usage text.
QString StudioUsage();

// Runs the studio in a QApplication that exists; returns the exit status.
int RunStudio(const StudioOptions& options);

#endif
