// Hosting the plug-in as an image editor does: loading it, exchanging rows, the host's window, a
// dialog session and scratch base folders.
#ifndef MORFEL_PLUGIN_HOST_PLUGIN_HOST_H
#define MORFEL_PLUGIN_HOST_PLUGIN_HOST_H

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "files/files.h"
#include "plugin/exports.h"

// Loads the plug-in library and resolves its three exports by name, as an
// image editor does.

struct PluginExports {
  decltype(&FilterGetTitle) getTitle = nullptr;
  decltype(&FilterProc) proc = nullptr;
  decltype(&FilterOption) option = nullptr;
};

class LoadedPlugin {
 public:
  LoadedPlugin() = default;
  ~LoadedPlugin();
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;
  // False with a reason.
  bool Load(const std::string& path, std::string* error);
  const PluginExports& exports() const { return exports_; }

 private:
  void* handle_ = nullptr;
  PluginExports exports_;
};

// The host's side of the row exchange: the row callbacks that the plug-in
// calls to read the picture and to hand the result back.

// Binds the callbacks to a source picture (read) and a result picture
// (written). Rows outside the pictures or with other column ranges are
// refused (the callback returns 0) and counted, so a plug-in fault shows.
class RowExchange {
 public:
  RowExchange(const Picture& source, Picture* result);
  ~RowExchange();
  const RowCallbackTable* readTable() const { return &readTable_; }
  const RowCallbackTable* writeTable() const { return &writeTable_; }
  // Rows written back: RGB and T rows, and requests that were refused.
  long rgbRowsWritten() const;
  long tRowsWritten() const;
  long refused() const;
  // Seconds on a steady clock at the first and last row read and written
  // (0 when none was), for the --timings report.
  struct Times {
    double firstRead = 0, lastRead = 0, firstWrite = 0, lastWrite = 0;
  };
  Times times() const;

 private:
  RowCallbackTable readTable_;
  RowCallbackTable writeTable_;
};

// The morfel host's own window: the plug-in sends it the progress of the
// final run and the completion message, and owns its dialogs by it.

struct HostMessageLog {
  std::vector<int> progress;  // percentages in the order received
  int completions = 0;
  // Called on each progress report and on completion when set: how the
  // program shows progress is its own affair.
  std::function<void(int percent)> onProgress;
  std::function<void()> onCompleted;
};

// Creates the (hidden) host window; its messages go to log, which must
// outlive it. Returns null when the window cannot be created.
HWND CreateHostWindow(HostMessageLog* log);
void DestroyHostWindow(HWND window);

// What the morfel host does in the plug-in's dialogs, as a user would: a
// list of steps performed on the dialog when it appears, answers to the
// message boxes, and a record of every message box shown.

struct DialogStep {
  enum Kind { kSelectText, kSelectIndex, kType, kClick };
  Kind kind;
  int control;
  std::string text;
  int index = 0;
};

struct ShownMessage {
  std::string title;
  std::string text;
  int step;  // index of the step being performed when it appeared, -1 before any
};

struct DialogSession {
  std::vector<DialogStep> steps;  // on the first dialog that appears
  // Answer to a question box (Yes and No buttons): true answers Yes.
  std::function<bool(const std::string& text)> answerQuestion = [](const std::string&) {
    return false;
  };
  std::vector<ShownMessage> shown;
  std::vector<std::string> failures;  // steps that could not be done
  int stepsDone = 0;
};

// Runs call (which opens the plug-in's dialogs) while the scripted user
// performs the session's steps and answers its boxes.
void RunWithScriptedUser(DialogSession* session, const std::function<void()>& call);

// What a host of the plug-in needs beside the plug-in itself: where the
// plug-in library is, and scratch base folders for programs that do not
// come from the user's library (the plug-in reads programs from a library
// file only).

// The plug-in library ("libmorfel.so" or "morfel.dll"): beside the running
// program, as in the build tree, else in the installed tree's plug-in folder
// found relative to the program.
std::string PluginPath();

// A temporary base folder holding a library of exactly one program, whose
// data folder links to the images of the user's data folder so that LoadBmp
// still finds them. Removed with everything in it on destruction, or when
// the process is interrupted; a later run removes it when this process was
// killed outright (see RunFolder in files/files.h).
class ScratchBase {
 public:
  ScratchBase() = default;
  ~ScratchBase();
  ScratchBase(const ScratchBase&) = delete;
  ScratchBase& operator=(const ScratchBase&) = delete;
  // False with a reason.
  bool Create(const std::string& userBaseFolder, const AdHocProgram* program, std::string* error);
  const std::string& folder() const { return folder_; }

 private:
  RunFolder runFolder_;  // declared first: the lock outlives the folder
  std::string folder_;
  std::unique_ptr<InterruptCleanup> cleanup_;
};

#endif
