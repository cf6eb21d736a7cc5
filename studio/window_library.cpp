// The editor's work on the library, parameter set files and the help: the
// session's operations with its questions and messages, shown as the
// dialogs show them.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <cstring>

#include "studio/help_dialog.h"
#include "studio/library_tree.h"
#include "studio/parameter_panel.h"
#include "studio/program_editors.h"
#include "studio/qt_front_end.h"
#include "studio/studio_window.h"
#include "studio/texts.h"

namespace {

const char kParameterFilter[] = "Parameter (*.mfp);;All files (*)";

}  // namespace

// The editor's names and texts; *fits is false (after saying why) when
// they cannot be stored as typed, or when saving would cut a program that
// is only partly shown.
EditedProgram StudioWindow::ReadEditor(bool* fits) {
  EditedProgram edited = {};
  *fits = false;
  const QString refusal = editors_->StorageRefusal();
  if (!refusal.isEmpty()) {
    ShowError(this, refusal);
    return edited;
  }
  editors_->ReadNames(edited.group, edited.name);
  if (!cutProgram_.isEmpty() &&
      cutProgram_ == QStringList{ShownName(edited.group), ShownName(edited.name)}) {
    ShowError(this, tr("%1/%2 is longer than a program may hold, so only its start is shown; "
                       "saving that would cut the program in the library. Save it under "
                       "another name.")
                        .arg(cutProgram_.at(0), cutProgram_.at(1)));
    return edited;
  }
  const std::string init = editors_->InitText();
  const std::string transform = editors_->TransformText();
  const ProgramTextCheck runnable = CheckRunnableTexts(init.c_str(), transform.c_str());
  if (runnable != kProgramTextsFit) {
    ShowMessages(this, {{MessageKind::kError, ProgramTextCheckMessage(runnable)}});
    return edited;
  }
  *fits = true;
  std::memcpy(edited.texts.initText, init.c_str(), init.size() + 1);
  std::memcpy(edited.texts.transformText, transform.c_str(), transform.size() + 1);
  return edited;
}

// The editors keep what the user typed whatever the operation did to the
// session's choice (its lists may now point at another program, whose names
// must not be put over these texts). A program the library now holds as
// edited is saved; one it held and no longer holds was deleted, and the
// program the session chose in its place is shown.
void StudioWindow::OnEditedProgram(EditorOperation operation) {
  if (!programLoaded_) {
    Say(tr("No program is loaded, so there is nothing to store: choose one in the library, or "
           "Program \u203a Clear to start a new one."),
        true);
    return;
  }
  bool fits = false;
  const EditedProgram edited = ReadEditor(&fits);
  if (!fits) return;
  const SessionBusy busy(this);
  const bool wasStored = StoredNamed(edited);
  QtFrontEnd frontEnd(this);
  const SessionReport report = (context_.get()->*operation)(edited, frontEnd);
  tree_->Rebuild(*context_);
  if (wasStored && !StoredNamed(edited)) {
    LoadChosenProgram(Declarations::kDefaults);
  } else {
    if (StoredAsEdited(edited)) {
      loadedGroup_ = ShownName(edited.group);
      loadedName_ = ShownName(edited.name);
      cutProgram_.clear();
      editors_->KeepAsUnedited();
    }
    tree_->SelectNamed(loadedGroup_, loadedName_);
  }
  ShowMessages(this, report.messages);
}

void StudioWindow::SaveProgram() { OnEditedProgram(&FilterContext::SaveProgram); }

void StudioWindow::DeleteProgram() { OnEditedProgram(&FilterContext::DeleteProgram); }

void StudioWindow::MoveProgram() { OnEditedProgram(&FilterContext::MoveProgramToEnd); }

// The import chooses the library's first program, which the editors then
// show: an edit not saved is asked about first.
void StudioWindow::ImportPrograms() {
  const SessionBusy busy(this);
  if (!MayDropEdit(tr("importing program files"))) return;
  QtFrontEnd frontEnd(this);
  const SessionReport report = context_->ImportProgramFiles(frontEnd);
  if (report.choiceChanged) {
    tree_->Rebuild(*context_);
    LoadChosenProgram(Declarations::kDefaults);
  }
  ShowMessages(this, report.messages);
}

// The small working program, typed in as one step the user can undo; the
// library is not changed.
void StudioWindow::ClearEditor() {
  const SessionBusy busy(this);
  if (!MayDropEdit(tr("clearing the editor"))) return;
  programLoaded_ = true;
  editors_->TypeProgram(kClearedProgram);
  CheckNow();
  Say(tr("A new program, %1: not in the library until saved.").arg(EditedProgramName()));
}

// "Check" says what the live check marks, in a message box.
void StudioWindow::CheckProgram() {
  bool fits = false;
  const EditedProgram edited = ReadEditor(&fits);
  if (!fits) return;
  const CheckReport report = context_->CheckProgram(edited.texts);
  TextsToSlots();
  CheckNow();
  if (report.fault == ProgramFault::kNone) {
    Say(tr("The program has no errors."));
  } else {
    ShowMessages(this, report.messages);
  }
}

void StudioWindow::SaveParameterSet() {
  const QString folder = QString::fromLocal8Bit(context_->ParameterFolder().c_str());
  QDir().mkpath(folder);
  const QString proposed =
      QDir(folder).filePath(ShownName(context_->ProposedParameterFileName().c_str()));
  QString path = QFileDialog::getSaveFileName(this, tr("Save Parameter Set"), proposed,
                                              QString::fromLatin1(kParameterFilter));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".mfp");
  const auto values = panel_->Values();
  const char* texts[kParamSlotCount];
  for (int32_t row = 0; row < kParamSlotCount; ++row) texts[row] = values[row].c_str();
  if (context_->SaveParameterSet(path.toLocal8Bit().constData(), texts)) {
    Say(tr("Parameter set saved: %1").arg(QDir::toNativeSeparators(path)));
  } else {
    Say(tr("The parameter set could not be written to %1.").arg(QDir::toNativeSeparators(path)),
        true);
  }
}

void StudioWindow::LoadParameterSet() {
  const SessionBusy busy(this);
  if (!MayDropEdit(tr("loading a parameter set"))) return;
  const QString folder = QString::fromLocal8Bit(context_->ParameterFolder().c_str());
  const QString path = QFileDialog::getOpenFileName(this, tr("Load Parameter Set"), folder,
                                                    QString::fromLatin1(kParameterFilter));
  if (path.isEmpty()) return;
  const CompileReport report = context_->LoadParameterSet(path.toLocal8Bit().constData());
  if (!report.choiceChanged) {
    Say(tr("The parameter set could not be read from %1.").arg(QDir::toNativeSeparators(path)),
        true);
    return;
  }
  tree_->Rebuild(*context_);
  LoadChosenProgram(Declarations::kKeepValues);
}

// Beside the window, so the reference can be read while typing.
void StudioWindow::ShowHelp() {
  auto* help = new HelpDialog(this);
  help->setObjectName(QStringLiteral("helpDialog"));
  help->setAttribute(Qt::WA_DeleteOnClose);
  help->show();
}
