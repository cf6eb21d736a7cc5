#include "studio/help_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "session/session.h"
#include "studio/texts.h"

HelpDialog::HelpDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Help"));
  auto* text = new QPlainTextEdit(this);
  text->setObjectName(QStringLiteral("helpText"));
  text->setReadOnly(true);
  text->setLineWrapMode(QPlainTextEdit::NoWrap);
  text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text->setPlainText(ShownText(kHelpReferenceText));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(buttons);
  resize(560, 460);
}
