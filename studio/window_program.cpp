// The chosen program, its live check and its parameters, and the previews
// that follow every change.
#include <QLabel>
#include <QTreeWidgetItem>
#include <cstring>

#include "studio/code_editor.h"
#include "studio/image_view.h"
#include "studio/library_tree.h"
#include "studio/parameter_panel.h"
#include "studio/program_editors.h"
#include "studio/studio_window.h"
#include "studio/texts.h"

namespace {

// Which text a failed runnable-size check is about.
ProgramFault TooLongText(const std::string& init) {
  return init.size() >= static_cast<size_t>(kProgramTextSize) ? ProgramFault::kInit
                                                              : ProgramFault::kTransform;
}

}  // namespace

// The user chose a program in the tree. An edit not saved is not dropped
// without asking; Cancel keeps the program shown selected.
void StudioWindow::ProgramChosen(int group, int program) {
  const SessionBusy busy(this);
  const QTreeWidgetItem* groupItem = tree_->topLevelItem(group);
  const QTreeWidgetItem* item = groupItem != nullptr ? groupItem->child(program) : nullptr;
  if (item == nullptr) return;
  const QString groupName = groupItem->text(0);
  const QString name = item->text(0);
  if (!MayDropEdit(tr("choosing another program")) ||
      !tree_->Refind(groupName, name, &group, &program)) {
    tree_->SelectNamed(loadedGroup_, loadedName_);
    return;
  }
  tree_->Select(group, program);
  context_->ChooseGroup(group);
  context_->ChooseProgram(program);
  LoadChosenProgram(Declarations::kDefaults);
}

bool StudioWindow::ChooseProgramNamed(const QString& group, const QString& name) {
  int32_t groupPosition = 0;
  int32_t programPosition = 0;
  if (!tree_->Find(group, name, &groupPosition, &programPosition)) return false;
  tree_->Select(groupPosition, programPosition);
  ProgramChosen(groupPosition, programPosition);
  return true;
}

// The chosen program's stored texts into the editors, with its parameters:
// defaults for another program, the values last used on opening.
void StudioWindow::LoadChosenProgram(Declarations declarations) {
  const CompileReport report = context_->CompileCurrentProgram();
  // Set only when no program has the chosen names: the texts then hold the
  // session's word on it, which is no program.
  if (report.choiceChanged) {
    ShowUnloadable(ShownText(context_->program.initText));
    return;
  }
  programLoaded_ = true;
  loadedGroup_ = ShownName(context_->ChosenGroupName());
  loadedName_ = ShownName(context_->ChosenProgramName());
  cutProgram_.clear();
  if (report.status == CompileStatus::kTooLongToRun) cutProgram_ = {loadedGroup_, loadedName_};
  if (declarations == Declarations::kOnOpening) {
    context_->ReadDeclarationsOnOpening(panel_);
  } else {
    context_->ReadDeclarations(
        declarations == Declarations::kDefaults ? kDeclareDefaults : kDeclareKeepValues, panel_);
  }
  RememberShownParameters();
  ShowChosenProgram();
  editors_->KeepAsUnedited();
  tree_->SelectNamed(loadedGroup_, loadedName_);
  CheckEditedProgram();
  if (report.status == CompileStatus::kTooLongToRun && !report.messages.empty()) {
    Say(ShownName(report.messages.front().text.c_str()), true);
  }
}

// No program could be loaded (the settings name one the library lacks, or
// the library could not be read): the editors stay empty and disabled, so
// nothing can be stored over a real program, and why is said where
// messages go.
void StudioWindow::ShowUnloadable(const QString& why) {
  programLoaded_ = false;
  programRuns_ = false;
  loadedGroup_.clear();
  loadedName_.clear();
  cutProgram_.clear();
  context_->TakeProgramTexts("", "");
  context_->CompileProgramTexts();
  context_->ReadDeclarations(kDeclareDefaults, panel_);
  RememberShownParameters();
  tree_->Rebuild(*context_);
  tree_->Select(-1, -1);
  editors_->ShowNothing();
  editors_->KeepAsUnedited();
  Say(tr("%1 Choose a program in the library.").arg(why.simplified()), true);
}

void StudioWindow::ShowChosenProgram() {
  editors_->ShowProgram(context_->ChosenGroupName(), context_->ChosenProgramName(),
                        context_->program);
}

// The texts as they stand now: checked as the editor's Check does, the
// fault marked at its line; a program that passes becomes the current one,
// its declarations the parameter rows, and the preview follows.
void StudioWindow::CheckEditedProgram() {
  checkPause_.stop();
  const std::string init = editors_->InitText();
  const std::string transform = editors_->TransformText();
  programRuns_ = false;
  const ProgramTextCheck runnable = CheckRunnableTexts(init.c_str(), transform.c_str());
  if (runnable != kProgramTextsFit) {
    const QString message = ShownName(ProgramTextCheckMessage(runnable));
    editors_->ShowFault(TooLongText(init), 0, message);
    Say(message, true);
    return;
  }
  CurrentProgram texts = {};
  std::memcpy(texts.initText, init.c_str(), init.size() + 1);
  std::memcpy(texts.transformText, transform.c_str(), transform.size() + 1);
  const CheckReport report = context_->CheckProgram(texts);
  // The check leaves the declared defaults in the slots; the boxes hold the
  // values the user has, each kept only by the parameter it was given to.
  TextsToSlots();
  if (report.fault != ProgramFault::kNone) {
    const QString message = ShownName(report.messages.front().text.c_str());
    editors_->ShowFault(report.fault, report.line, message, &report.detail);
    Say(message, true);
    ShowOutOfDate(true);
    return;  // the view keeps the last good program's preview, dimmed
  }
  editors_->ClearFault();
  editors_->ShowWarnings(report.warnings);
  ForgetValuesOfOtherParameters();
  context_->ReadDeclarations(kDeclareKeepValues, panel_);
  RememberShownParameters();
  ShowOutOfDate(false);
  programRuns_ = true;
  ResultOutOfDate();
  RequestPreview();
}

void StudioWindow::ParametersChanged() {
  ResultOutOfDate();
  RequestPreview();
}

// A value committed in its box places the slider, as "Preview" does in the
// dialog; the run takes the text itself, not the slider's position.
void StudioWindow::ValueCommitted() {
  panel_->TextsToSliders(
      [this](const char* text) { return context_->EvaluateParameterText(text); });
  ParametersChanged();
}

void StudioWindow::InterpolationChosen(int position) {
  context_->ChooseInterpolation(position);
  ResultOutOfDate();
  ShowProcessed();
}

void StudioWindow::TextsToSlots() {
  const auto values = panel_->Values();
  for (int32_t row = 0; row < kParamSlotCount; ++row) {
    context_->SetParameterText(row, values[row].c_str());
  }
}

ProgramSnapshot StudioWindow::Snapshot() const {
  ProgramSnapshot snapshot;
  snapshot.texts = context_->program;
  snapshot.values = panel_->Values();
  snapshot.interpolation = context_->settings.Interp;
  return snapshot;
}

void StudioWindow::ResultOutOfDate() {
  if (!resultUpToDate_) return;
  resultUpToDate_ = false;
  ShowProcessed();
}

void StudioWindow::RequestPreview() {
  if (picture_ == nullptr || !programRuns_) return;
  const QSize area = view_->PreviewArea();
  PreviewRequest request;
  request.serial = ++requestedSerial_;
  request.picture = picture_;
  request.program = Snapshot();
  request.areaWidth = area.width();
  request.areaHeight = area.height();
  worker_->Request(std::move(request));
}

void StudioWindow::PreviewDelivered(const PreviewResult& result) {
  if (result.serial <= shownSerial_ || result.serial > requestedSerial_) return;
  shownSerial_ = result.serial;
  // A stopped run leaves the last preview; its notice says why.
  if (!result.stopped) preview_ = result.image;
  ShowProcessed();
  if (result.stopped) {
    timing_->setText(tr("Preview stopped"));
  } else {
    timing_->setText(tr("Preview %1 × %2 · %3 ms")
                         .arg(result.image.width())
                         .arg(result.image.height())
                         .arg(result.milliseconds, 0, 'f', 0));
  }
  if (!result.messages.empty()) {
    Say(ShownName(result.messages.front().text.c_str()), true);
  } else if (programRuns_) {
    Say(EditedProgramName());
  }
  if (shownSerial_ == requestedSerial_) Q_EMIT previewShown();
}

// The view shows the whole-size result while it matches the program, else
// the latest preview.
void StudioWindow::ShowProcessed() {
  if (resultUpToDate_) {
    view_->SetProcessed(PictureToImage(result_), tr("Result"));
  } else {
    view_->SetProcessed(preview_, view_->Stale()
                                      ? tr("Preview (out of date: the program has an error)")
                                      : tr("Preview"));
  }
}

void StudioWindow::ShowOutOfDate(bool stale) {
  view_->SetStale(stale);
  ShowProcessed();
}

// The group and name the editors hold, as a program is named: what the
// status bar and the proposed file names speak of, not the program the
// library chose last (a cleared or renamed editor holds another).
QString StudioWindow::EditedProgramName() const {
  char group[kNameTextSize];
  char name[kNameTextSize];
  editors_->ReadNames(group, name);
  return tr("%1/%2").arg(ShownName(group), ShownName(name));
}

QString StudioWindow::EditedNameOnly() const {
  char group[kNameTextSize];
  char name[kNameTextSize];
  editors_->ReadNames(group, name);
  return ShownName(name);
}

void StudioWindow::RememberShownParameters() {
  shownParameters_.clear();
  for (int32_t row = 0; row < context_->DeclaredRows(); ++row) {
    shownParameters_ << QString::fromLatin1(context_->slots[row].name);
  }
}

// A row now declaring another parameter than the one shown there starts
// from its default: a value belongs to its parameter, not to its row.
void StudioWindow::ForgetValuesOfOtherParameters() {
  for (int32_t row = 0; row < kParamSlotCount; ++row) {
    const QString name = QString::fromLatin1(context_->slots[row].name);
    if (row >= shownParameters_.size() || shownParameters_.at(row) != name) {
      context_->SetParameterText(row, "");
    }
  }
}

void StudioWindow::ResetParameters() {
  if (!programRuns_) {
    Say(tr("The program has an error, so its defaults cannot be read: mend it first."), true);
    return;
  }
  context_->ReadDeclarations(kDeclareDefaults, panel_);
  RememberShownParameters();
  ParametersChanged();
  Say(tr("The parameters have their declared defaults."));
}
