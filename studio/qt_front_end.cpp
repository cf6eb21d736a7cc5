#include "studio/qt_front_end.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include "studio/texts.h"

bool QtFrontEnd::Ask(const char* question) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("message"), ShownName(question),
                  QMessageBox::Yes | QMessageBox::No, owner_);
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
  QMessageBox box(QMessageBox::Critical, QStringLiteral("error"), text, QMessageBox::Ok, owner);
  box.exec();
}

void ShowMessages(QWidget* owner, const UserMessages& messages) {
  for (const UserMessage& message : messages) {
    const bool error = message.kind == MessageKind::kError;
    const QMessageBox::Icon icon =
        message.kind == MessageKind::kResult ? QMessageBox::NoIcon : QMessageBox::Critical;
    QMessageBox box(icon, error ? QStringLiteral("error") : QStringLiteral("message"),
                    ShownName(message.text.c_str()), QMessageBox::Ok, owner);
    box.exec();
  }
}
