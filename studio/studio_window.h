// The studio's one window: the library tree, the image view, the parameter
// panel and the program editors around the interface's session; previews on
// the worker, Apply as a job. Private to the studio and its tests.
#ifndef MORFEL_STUDIO_STUDIO_WINDOW_H
#define MORFEL_STUDIO_STUDIO_WINDOW_H

#include <QMainWindow>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "session/session.h"
#include "studio/apply_job.h"
#include "studio/picture_planes.h"
#include "studio/preview_worker.h"
#include "studio/program_snapshot.h"
#include "studio/unsaved_question.h"

class CodeAssist;
class CodeEditor;
class ImageView;
class LibraryTree;
class ParameterPanel;
class ProgramEditors;
class QAction;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolBar;

class StudioWindow : public QMainWindow {
  Q_OBJECT

 public:
  // baseFolder ends with a separator and holds a library (prepared).
  explicit StudioWindow(const std::string& baseFolder);
  ~StudioWindow() override;

  // Reads an image file. True when open; a failure is said in a message box,
  // or given in *error when error is not null.
  bool OpenImage(const QString& path, QString* error = nullptr);
  // Chooses a program of the library by its names. False when not listed.
  bool ChooseProgramNamed(const QString& group, const QString& name);
  // Saves the result to path, applying first when it is not up to date.
  void SaveResultAs(const QString& path);

  // ---- for the screenshot and the tests

  ImageView* View() const { return view_; }
  ParameterPanel* Panel() const { return panel_; }
  ProgramEditors* Editors() const { return editors_; }
  LibraryTree* Tree() const { return tree_; }
  FilterContext& Session() { return *context_; }
  SharedPicture Image() const { return picture_; }
  const Picture& Result() const { return result_; }
  bool ResultUpToDate() const { return resultUpToDate_; }
  bool Applying() const { return job_ != nullptr; }
  // The latest preview asked for has been shown (or none was asked for,
  // or the program has a fault the editor shows).
  bool PreviewSettled() const { return shownSerial_ == requestedSerial_; }
  // Checks the edited texts now, without waiting for the typing pause.
  void CheckNow();
  // Whether the editors hold a program (false when the chosen one could not
  // be loaded: nothing in them may be stored).
  bool ProgramLoaded() const { return programLoaded_; }
  // The typing help of the Init (false) or Transform (true) editor.
  CodeAssist* Assist(bool transform) const { return transform ? transformAssist_ : initAssist_; }
  // The editor the Edit menu works on: the one that had the focus last.
  CodeEditor* EditedEditor() const;
  // Finds text in that editor from its cursor on, round to its start; false
  // when the text is nowhere in it.
  bool FindInEditor(const QString& text);
  // The image files opened lately, newest first.
  QStringList RecentFiles() const;
  // Who answers the question asked before unsaved work would be dropped.
  void SetUnsavedAsker(UnsavedAsker asker) { asker_ = std::move(asker); }
  // The clock the previews' time budget is measured by (seconds).
  void SetPreviewClock(std::function<double()> clock);
  // Traces the edited program on the image's pixel at (column, row), from
  // the top-left, as a click on the view does: the trace beside the
  // editors, the statements it ran shaded in them.
  void TracePixelAt(int column, int row);
  // The trace shown (morfel trace's text), "" before any.
  QString TraceText() const;
  // The editors with the trace beside them.
  QWidget* TraceArea() const { return tracePanel_->parentWidget(); }

 public Q_SLOTS:
  void Apply();
  void CancelApply();
  // Reads the library file again, as another program left it: the tree
  // follows, the editors keep what they hold. The file watcher calls it.
  void RefreshLibrary();

 Q_SIGNALS:
  void previewShown();
  void applyEnded(bool finished);
  void saved(const QString& path);
  void libraryRefreshed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // ---- building (studio_window.cpp, studio_actions.cpp)
  void BuildLayout();
  void BuildActions();
  void ConnectParts();
  void Say(const QString& text, bool trouble = false);
  // ---- typing help, Edit and View (editor_assist.cpp, edit_menu.cpp,
  // recent_files.cpp)
  void BuildEditorAssist();
  void BuildEditMenu();
  void BuildViewMenu(QMenu* view);
  void ShowFindBar();
  void RememberRecent(const QString& path);
  void FillRecentMenu();
  void ShowZoom();
  void ResetParameters();
  QString EditedProgramName() const;
  QString EditedNameOnly() const;
  void ShowOutOfDate(bool stale);
  void RememberShownParameters();
  void ForgetValuesOfOtherParameters();

  // ---- the program and its parameters (window_program.cpp)
  enum class Declarations { kOnOpening, kDefaults, kKeepValues };
  void ProgramChosen(int group, int program);
  void LoadChosenProgram(Declarations declarations);
  void ShowUnloadable(const QString& why);
  void ShowChosenProgram();
  void CheckEditedProgram();
  void ParametersChanged();
  void ValueCommitted();
  void InterpolationChosen(int position);
  void TextsToSlots();
  ProgramSnapshot Snapshot() const;
  void ResultOutOfDate();
  void RequestPreview();
  void PreviewDelivered(const PreviewResult& result);
  void ShowProcessed();

  // ---- the library (window_library.cpp)
  EditedProgram ReadEditor(bool* fits);
  // Runs one of the session's operations on the editor's program.
  using EditorOperation = SessionReport (FilterContext::*)(const EditedProgram&, FrontEnd&);
  void OnEditedProgram(EditorOperation operation);
  void SaveProgram();
  void DeleteProgram();
  void MoveProgram();
  void ImportPrograms();
  void ClearEditor();
  void CheckProgram();
  void SaveParameterSet();
  void LoadParameterSet();
  void ShowHelp();

  // ---- unsaved work and other writers (window_safety.cpp)
  // While the interface's session works on its library (an operation or a
  // question waiting for the user), a refresh waits for it to end.
  class SessionBusy {
   public:
    explicit SessionBusy(StudioWindow* window);
    ~SessionBusy();

   private:
    StudioWindow* window_;
  };
  // True when the edited program may be dropped: it is unchanged, or the
  // user saved it (and the library holds it) or chose to discard it.
  bool MayDropEdit(const QString& occasion);
  // The same for an applied result that is not written to a file.
  bool MayDropResult(const QString& occasion);
  void WatchLibrary();
  void LibraryFileTouched();
  // Whether the library file holds a program of these names, and whether
  // with exactly these texts.
  bool StoredNamed(const EditedProgram& edited) const;
  bool StoredAsEdited(const EditedProgram& edited) const;

  // ---- the pixel tracer (window_trace.cpp)
  void BuildTracePanel();
  void ShowTrace(const PixelTrace& trace);
  void ClearTrace();

  // ---- the image (window_image.cpp)
  void OpenImageChosen();
  void SaveResultChosen();
  void ApplyDelivered(const ApplyOutcome& outcome);
  void ShowApplyProgress();
  void WriteResult(const QString& path);
  QString ProposedResultName() const;
  void ChooseSaveOptions();

  std::string baseFolder_;
  std::unique_ptr<FilterContext> context_;
  std::unique_ptr<PreviewWorker> worker_;
  std::unique_ptr<ApplyJob> job_;

  SharedPicture picture_;
  QString picturePath_;
  QImage preview_;  // the latest preview shown
  Picture result_;
  bool resultUpToDate_ = false;
  bool resultSaved_ = false;  // the result was written to a file
  QString pendingSave_;       // written once the running Apply finishes
  QString lastSavePath_;
  WriteSettings writeSettings_;  // as morfel's --quality, --compression, --lossless

  bool programRuns_ = false;  // the edited program passed its check
  uint64_t requestedSerial_ = 0;
  uint64_t shownSerial_ = 0;
  QTimer checkPause_;    // the typing pause before a check
  QTimer progressTick_;  // Apply's progress bar

  bool programLoaded_ = false;  // the editors hold a program, not nothing
  // The library program the editors were filled from (or saved to), as the
  // tree shows its names; empty when none.
  QString loadedGroup_;
  QString loadedName_;
  // A program too long to load whole: only its start is shown, which must
  // not be saved over it. {group, name}, or empty.
  QStringList cutProgram_;
  UnsavedAsker asker_;
  QFileSystemWatcher* watcher_ = nullptr;
  QString libraryPath_;
  int sessionBusy_ = 0;
  bool refreshWaiting_ = false;  // a refresh to run once the session is free
  bool refreshQueued_ = false;   // the watcher's refresh is on its way

  LibraryTree* tree_ = nullptr;
  ImageView* view_ = nullptr;
  ParameterPanel* panel_ = nullptr;
  ProgramEditors* editors_ = nullptr;
  QWidget* tracePanel_ = nullptr;
  class QPlainTextEdit* trace_ = nullptr;
  QLabel* timing_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QAction* applyAction_ = nullptr;
  QAction* showOriginal_ = nullptr;
  QAction* splitView_ = nullptr;
  QLabel* zoom_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  CodeAssist* initAssist_ = nullptr;
  CodeAssist* transformAssist_ = nullptr;
  CodeEditor* lastEditor_ = nullptr;
  QToolBar* findBar_ = nullptr;
  QLineEdit* findText_ = nullptr;
  // The parameter names of the rows last shown, so that a value stays with
  // its parameter and a newly declared one starts from its default.
  QStringList shownParameters_;
};

#endif
