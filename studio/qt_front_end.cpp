#include "studio/qt_front_end.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <cstring>

#include "studio/texts.h"

namespace {

// The session's questions keep their own words; the box around each is
// titled by what it asks, and its buttons say what they do.
struct QuestionWords {
  const char* question;
  const char* title;
  const char* yes;
  const char* no;
};

const QuestionWords kQuestionWords[] = {
    {"Do you overwrite?", "Overwrite the program in the library?", "Overwrite",
     "Keep the stored one"},
    {"Do you save as a new program?", "Save as a new program?", "Save as new", "Do not save"},
    {"Do you delete this program?", "Delete the program from the library?", "Delete", "Keep it"},
    {"Do you move this program at last?", "Move the program to the end?", "Move to end",
     "Leave it"},
    {"Do you want to add new functions?", "Import the program files?", "Import", "Do not import"},
};

}  // namespace

bool QtFrontEnd::Ask(const char* question) {
  QuestionWords words = {question, "Question", "Yes", "No"};
  for (const QuestionWords& known : kQuestionWords) {
    if (std::strcmp(known.question, question) == 0) words = known;
  }
  QMessageBox box(QMessageBox::Question, QObject::tr(words.title), ShownName(question),
                  QMessageBox::Yes | QMessageBox::No, owner_);
  box.button(QMessageBox::Yes)->setText(QObject::tr(words.yes));
  box.button(QMessageBox::No)->setText(QObject::tr(words.no));
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

bool QtFrontEnd::ListFiles(const char* pattern, std::vector<std::string>* names) {
  const QFileInfo where(QString::fromLocal8Bit(pattern));
  const QDir folder = where.dir();
  const QStringList found = folder.entryList(
      {where.fileName()},
      QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
      QDir::Unsorted);
  for (const QString& name : found) names->push_back(name.toLocal8Bit().toStdString());
  return !found.isEmpty();
}

void ShowError(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::Critical, QObject::tr("Morfel Studio: error"), text, QMessageBox::Ok,
                  owner);
  box.exec();
}

void ShowMessages(QWidget* owner, const UserMessages& messages) {
  for (const UserMessage& message : messages) {
    const bool error = message.kind == MessageKind::kError;
    const QMessageBox::Icon icon =
        message.kind == MessageKind::kResult ? QMessageBox::NoIcon : QMessageBox::Critical;
    QMessageBox box(icon,
                    error ? QObject::tr("Morfel Studio: error") : QObject::tr("Morfel Studio"),
                    ShownName(message.text.c_str()), QMessageBox::Ok, owner);
    box.exec();
  }
}
