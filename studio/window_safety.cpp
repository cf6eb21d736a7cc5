// Nothing the user made is lost: an edit or an applied result not yet saved
// is asked about before it would be dropped, and a library file changed by
// another program (morfel, the plug-in, a second studio) is read again, so
// the tree shows what is on disk while the editors keep what they hold.
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <cstring>
#include <memory>

#include "studio/library_tree.h"
#include "studio/program_editors.h"
#include "studio/studio_window.h"
#include "studio/texts.h"

namespace {

// The library file as it is on disk now; null when it cannot be read.
std::unique_ptr<ProgramLibrary> LibraryOnDisk(const std::string& baseFolder) {
  auto library = std::make_unique<ProgramLibrary>();
  if (!LoadProgramLibrary(baseFolder.c_str(), library.get())) return nullptr;
  return library;
}

bool SameText(const char* stored, const char* edited) {
  return std::strcmp(stored != nullptr ? stored : "", edited) == 0;
}

}  // namespace

StudioWindow::SessionBusy::SessionBusy(StudioWindow* window) : window_(window) {
  ++window_->sessionBusy_;
}

StudioWindow::SessionBusy::~SessionBusy() {
  if (--window_->sessionBusy_ > 0 || !window_->refreshWaiting_) return;
  // After the work that held it back has returned, not inside it.
  StudioWindow* window = window_;
  QTimer::singleShot(0, window, [window] {
    if (window->refreshWaiting_) window->RefreshLibrary();
  });
}

bool StudioWindow::MayDropEdit(const QString& occasion) {
  if (!editors_->Edited()) return true;
  char group[kNameTextSize];
  char name[kNameTextSize];
  editors_->ReadNames(group, name);
  UnsavedQuestion question;
  question.title = tr("Save the edited program?");
  question.text = tr("The program %1/%2 has changes that are not saved to the library. Save "
                     "them before %3?")
                      .arg(ShownName(group), ShownName(name), occasion);
  question.saveButton = tr("Save to library");
  question.discardButton = tr("Discard changes");
  const UnsavedAnswer answer = asker_ ? asker_(question) : AskInMessageBox(this, question);
  if (answer == UnsavedAnswer::kCancel) return false;
  if (answer == UnsavedAnswer::kDiscard) return true;
  SaveProgram();
  // Not saved (refused, answered No, not written): nothing is dropped.
  return !editors_->Edited();
}

bool StudioWindow::MayDropResult(const QString& occasion) {
  if (!resultUpToDate_ || resultSaved_) return true;
  UnsavedQuestion question;
  question.title = tr("Save the result?");
  question.text = tr("The result applied to %1 is not saved to a file. Save it before %2?")
                      .arg(QFileInfo(picturePath_).fileName(), occasion);
  question.saveButton = tr("Save result...");
  question.discardButton = tr("Discard result");
  const UnsavedAnswer answer = asker_ ? asker_(question) : AskInMessageBox(this, question);
  if (answer == UnsavedAnswer::kCancel) return false;
  if (answer == UnsavedAnswer::kDiscard) return true;
  SaveResultChosen();
  return resultSaved_;
}

// Saves replace the library file by a rename, which ends the watch on the
// file itself: the folder is watched too, and the file watched again.
void StudioWindow::WatchLibrary() {
  char path[kPathBufferSize];
  if (LibraryPath(path, sizeof path, baseFolder_.c_str()) == 0) return;
  libraryPath_ = QString::fromLocal8Bit(path);
  watcher_ = new QFileSystemWatcher(this);
  watcher_->addPath(QFileInfo(libraryPath_).absolutePath());
  if (QFileInfo::exists(libraryPath_)) watcher_->addPath(libraryPath_);
  connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] { LibraryFileTouched(); });
  connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { LibraryFileTouched(); });
}

// A writer touches the folder several times for one save: one refresh
// follows them.
void StudioWindow::LibraryFileTouched() {
  if (!watcher_->files().contains(libraryPath_) && QFileInfo::exists(libraryPath_)) {
    watcher_->addPath(libraryPath_);
  }
  if (refreshQueued_) return;
  refreshQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    refreshQueued_ = false;
    RefreshLibrary();
  });
}

void StudioWindow::RefreshLibrary() {
  // An operation or a question of the session holds positions in its
  // library: the refresh waits for it.
  if (sessionBusy_ > 0) {
    refreshWaiting_ = true;
    return;
  }
  refreshWaiting_ = false;
  // A file that cannot be opened leaves the library as it was read last.
  LoadProgramLibrary(baseFolder_.c_str(), &context_->library);
  const std::string group = SessionName(loadedGroup_);
  const std::string name = SessionName(loadedName_);
  context_->ListGroups(group.c_str());
  context_->ListPrograms(name.c_str());
  tree_->Rebuild(*context_);
  tree_->SelectNamed(loadedGroup_, loadedName_);
  const UserMessages warnings = context_->LibraryReadWarning();
  if (!warnings.empty()) Say(ShownName(warnings.front().text.c_str()), true);
  Q_EMIT libraryRefreshed();
}

bool StudioWindow::StoredNamed(const EditedProgram& edited) const {
  const std::unique_ptr<ProgramLibrary> stored = LibraryOnDisk(baseFolder_);
  return stored != nullptr && stored->FindProgram(edited.group, edited.name) >= 0;
}

bool StudioWindow::StoredAsEdited(const EditedProgram& edited) const {
  const std::unique_ptr<ProgramLibrary> stored = LibraryOnDisk(baseFolder_);
  if (stored == nullptr) return false;
  const int index = stored->FindProgram(edited.group, edited.name);
  return index >= 0 && SameText(stored->ProgramField(index, "Init"), edited.texts.initText) &&
         SameText(stored->ProgramField(index, "Prog"), edited.texts.transformText);
}
