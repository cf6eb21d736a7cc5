// The image: open, Apply with its progress and Cancel, Save of the result
// through the host's image files.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>

#include "studio/image_view.h"
#include "studio/qt_front_end.h"
#include "studio/save_options_dialog.h"
#include "studio/studio_window.h"
#include "studio/texts.h"

namespace {

struct FormatEntry {
  ImageFormat format;
  const char* name;
  const char* extensions;  // blank-separated
};

const FormatEntry kFormats[] = {
#define MORFEL_FORMAT_ENTRY(format, name, extensions, alpha, codec, help) \
  {ImageFormat::format, name, extensions},
    MORFEL_IMAGE_FORMATS(MORFEL_FORMAT_ENTRY)
#undef MORFEL_FORMAT_ENTRY
};

QString Patterns(const char* extensions) {
  QStringList patterns;
  for (const QString& extension : QString::fromLatin1(extensions).split(QLatin1Char(' '))) {
    patterns << QStringLiteral("*.") + extension;
  }
  return patterns.join(QLatin1Char(' '));
}

// Every format the image files read, in one entry and one by one.
QString OpenFilter() {
  QStringList all;
  QStringList each;
  for (const FormatEntry& entry : kFormats) {
    all << Patterns(entry.extensions);
    each << QStringLiteral("%1 (%2)").arg(QLatin1String(entry.name), Patterns(entry.extensions));
  }
  return QStringLiteral("Images (%1);;").arg(all.join(QLatin1Char(' '))) +
         each.join(QStringLiteral(";;")) + QStringLiteral(";;All files (*)");
}

// The formats this build writes, PNG first.
QString SaveFilter() {
  QStringList each;
  for (const FormatEntry& entry : kFormats) {
    std::string refusal;
    if (!CanWrite(entry.format, &refusal)) continue;
    each << QStringLiteral("%1 (%2)").arg(QLatin1String(entry.name), Patterns(entry.extensions));
  }
  return each.join(QStringLiteral(";;"));
}

QString Reason(const std::string& error) { return QString::fromLocal8Bit(error.c_str()); }

// "chelsea-twirl" from "chelsea.png" and the program "Twirl".
QString FileWord(const QString& text) {
  QString word;
  for (const QChar c : text.toLower()) {
    if (c.isLetterOrNumber()) {
      word += c;
    } else if (!word.isEmpty() && !word.endsWith(QLatin1Char('-'))) {
      word += QLatin1Char('-');
    }
  }
  while (word.endsWith(QLatin1Char('-'))) word.chop(1);
  return word;
}

}  // namespace

bool StudioWindow::OpenImage(const QString& path, QString* error) {
  auto picture = std::make_shared<Picture>();
  std::string reason;
  if (!ReadPicture(path.toLocal8Bit().toStdString(), picture.get(), &reason)) {
    if (error != nullptr) {
      *error = Reason(reason);
    } else {
      ShowMessages(this, {{MessageKind::kError, reason}});
    }
    return false;
  }
  if (!MayDropResult(tr("opening another image"))) {
    if (error != nullptr)
      *error = tr("The result applied before is kept; %1 is not opened.").arg(path);
    return false;
  }
  if (job_ != nullptr) CancelApply();
  picture_ = std::move(picture);
  picturePath_ = path;
  result_ = Picture();
  resultUpToDate_ = false;
  preview_ = QImage();
  lastSavePath_.clear();
  view_->SetOriginal(PictureToImage(*picture_));
  setWindowTitle(tr("%1 — Morfel Studio").arg(QFileInfo(path).fileName()));
  Say(tr("Opened %1 (%2 × %3).")
          .arg(QDir::toNativeSeparators(path))
          .arg(picture_->width)
          .arg(picture_->height));
  RememberRecent(path);
  RequestPreview();
  return true;
}

void StudioWindow::OpenImageChosen() {
  const QString folder = picturePath_.isEmpty()
                             ? QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)
                             : QFileInfo(picturePath_).absolutePath();
  const QString path = QFileDialog::getOpenFileName(this, tr("Open Image"), folder, OpenFilter());
  if (!path.isEmpty()) OpenImage(path);
}

void StudioWindow::Apply() {
  if (job_ != nullptr) return;
  if (picture_ == nullptr) {
    Say(tr("Open an image first."), true);
    return;
  }
  if (!programLoaded_) {
    Say(tr("No program is loaded: choose one in the library."), true);
    return;
  }
  if (!programRuns_) {
    Say(tr("The program has an error; mend it before applying."), true);
    return;
  }
  job_ =
      std::make_unique<ApplyJob>(baseFolder_, picture_, Snapshot(), this,
                                 [this](const ApplyOutcome& outcome) { ApplyDelivered(outcome); });
  progress_->setRange(0, 0);
  progress_->show();
  cancel_->show();
  applyAction_->setEnabled(false);
  progressTick_.start();
  Say(tr("Applying %1/%2 to the whole image...")
          .arg(ShownName(context_->ChosenGroupName()), ShownName(context_->ChosenProgramName())));
}

// The image and the result stay as they were; a save waiting for this run
// is dropped.
void StudioWindow::CancelApply() {
  if (job_ == nullptr) return;
  job_->Cancel();
  job_.reset();
  pendingSave_.clear();
  progressTick_.stop();
  progress_->hide();
  cancel_->hide();
  applyAction_->setEnabled(true);
  Say(tr("Apply cancelled; the image is unchanged."));
  Q_EMIT applyEnded(false);
}

void StudioWindow::ShowApplyProgress() {
  if (job_ == nullptr) return;
  const ApplyProgress progress = job_->Progress();
  if (progress.total <= 0) return;
  progress_->setRange(0, progress.total);
  progress_->setValue(progress.rows);
}

void StudioWindow::ApplyDelivered(const ApplyOutcome& outcome) {
  job_.reset();
  progressTick_.stop();
  progress_->hide();
  cancel_->hide();
  applyAction_->setEnabled(true);
  const QString waitingSave = pendingSave_;
  pendingSave_.clear();
  if (!outcome.finished) {
    ShowMessages(this, outcome.messages);
    Say(tr("The program could not be applied."), true);
    Q_EMIT applyEnded(false);
    return;
  }
  result_ = outcome.result;
  resultUpToDate_ = true;
  resultSaved_ = false;
  ShowProcessed();
  ShowMessages(this, outcome.messages);  // a run that ended but has something to say
  Say(tr("Applied %1/%2 in %3 s.")
          .arg(ShownName(context_->ChosenGroupName()), ShownName(context_->ChosenProgramName()))
          .arg(outcome.milliseconds / 1000.0, 0, 'f', 2));
  Q_EMIT applyEnded(true);
  if (!waitingSave.isEmpty()) WriteResult(waitingSave);
}

QString StudioWindow::ProposedResultName() const {
  const QFileInfo source(picturePath_);
  const QString name = FileWord(source.completeBaseName()) + QLatin1Char('-') +
                       FileWord(EditedNameOnly()) + QStringLiteral(".png");
  return source.absoluteDir().filePath(name);
}

void StudioWindow::SaveResultChosen() {
  if (picture_ == nullptr) {
    Say(tr("Open an image first."), true);
    return;
  }
  const QString path = QFileDialog::getSaveFileName(
      this, tr("Save Result"), lastSavePath_.isEmpty() ? ProposedResultName() : lastSavePath_,
      SaveFilter());
  if (!path.isEmpty()) SaveResultAs(path);
}

void StudioWindow::SaveResultAs(const QString& path) {
  if (picture_ == nullptr) return;
  const ImageFormat format = FormatByName(path.toLocal8Bit().toStdString());
  std::string refusal;
  if (format == ImageFormat::kUnknown || !CanWrite(format, &refusal)) {
    if (format == ImageFormat::kUnknown) {
      refusal =
          QStringLiteral("%1: the name's extension is none of the formats written (%2).")
              .arg(QDir::toNativeSeparators(path), QString::fromStdString(WritableExtensions()))
              .toLocal8Bit()
              .toStdString();
    }
    ShowMessages(this, {{MessageKind::kError, refusal}});
    return;
  }
  if (resultUpToDate_) {
    WriteResult(path);
    return;
  }
  pendingSave_ = path;  // written once the result is there
  Apply();
  if (job_ == nullptr) pendingSave_.clear();
}

void StudioWindow::WriteResult(const QString& path) {
  std::string error;
  if (!WritePicture(path.toLocal8Bit().toStdString(), result_, &error, ImageFormat::kUnknown,
                    writeSettings_)) {
    ShowMessages(this, {{MessageKind::kError, error}});
    return;
  }
  lastSavePath_ = path;
  resultSaved_ = true;
  Say(tr("Saved %1.").arg(QDir::toNativeSeparators(path)));
  Q_EMIT saved(path);
}

void StudioWindow::ChooseSaveOptions() {
  SaveOptionsDialog options(writeSettings_, this);
  if (options.exec() == QDialog::Accepted) writeSettings_ = options.Settings();
}
