#include "studio/unsaved_question.h"

#include <QMessageBox>
#include <QPushButton>

UnsavedAnswer AskInMessageBox(QWidget* owner, const UnsavedQuestion& question) {
  QMessageBox box(QMessageBox::Warning, question.title, question.text, QMessageBox::NoButton,
                  owner);
  QPushButton* save = box.addButton(question.saveButton, QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(question.discardButton, QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QMessageBox::tr("Cancel"), QMessageBox::RejectRole);
  box.setDefaultButton(save);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == save) return UnsavedAnswer::kSave;
  if (box.clickedButton() == discard) return UnsavedAnswer::kDiscard;
  return UnsavedAnswer::kCancel;
}
