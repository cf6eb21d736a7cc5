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

// The editor's names and texts; *fits is false (after saying why) when a
// text is longer than a program may hold, which would otherwise be cut.
EditedProgram StudioWindow::ReadEditor(bool* fits) {
  EditedProgram edited = {};
  editors_->ReadNames(edited.group, edited.name);
  const std::string init = editors_->InitText();
  const std::string transform = editors_->TransformText();
  const ProgramTextCheck runnable = CheckRunnableTexts(init.c_str(), transform.c_str());
  *fits = runnable == kProgramTextsFit;
  if (!*fits) {
    ShowMessages(this, {{MessageKind::kError, ProgramTextCheckMessage(runnable)}});
    return edited;
  }
  std::memcpy(edited.texts.initText, init.c_str(), init.size() + 1);
  std::memcpy(edited.texts.transformText, transform.c_str(), transform.size() + 1);
  return edited;
}

// What an operation changed, then what it has to say, as the editor shows it.
void StudioWindow::ShowEditorReport(const SessionReport& report) {
  if (report.choiceChanged) tree_->Rebuild(*context_);
  if (report.programShown) ShowChosenProgram();
  ShowMessages(this, report.messages);
  if (report.choiceChanged || report.programShown) CheckEditedProgram();
}

void StudioWindow::OnEditedProgram(EditorOperation operation) {
  bool fits = false;
  const EditedProgram edited = ReadEditor(&fits);
  if (!fits) return;
  QtFrontEnd frontEnd(this);
  ShowEditorReport((context_.get()->*operation)(edited, frontEnd));
}

void StudioWindow::SaveProgram() { OnEditedProgram(&FilterContext::SaveProgram); }

void StudioWindow::DeleteProgram() { OnEditedProgram(&FilterContext::DeleteProgram); }

void StudioWindow::MoveProgram() { OnEditedProgram(&FilterContext::MoveProgramToEnd); }

void StudioWindow::ImportPrograms() {
  QtFrontEnd frontEnd(this);
  ShowEditorReport(context_->ImportProgramFiles(frontEnd));
}

// The small working program, typed in as one step the user can undo; the
// library is not changed.
void StudioWindow::ClearEditor() {
  editors_->TypeProgram(kClearedProgram);
  CheckNow();
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
  context_->ReadDeclarations(kDeclareKeepValues, panel_);
  ShowChosenProgram();
  CheckEditedProgram();
}

void StudioWindow::ShowHelp() {
  HelpDialog help(this);
  help.exec();
}
