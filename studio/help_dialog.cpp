#include "studio/help_dialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "session/session.h"
#include "studio/texts.h"

namespace {

// The reference built into the program; the dialog's short text when the
// build has none.
QString ReferenceMarkdown() {
  QFile file(QStringLiteral(":/docs/language.md"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

}  // namespace

HelpDialog::HelpDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Morfel language reference"));
  auto* text = new QTextBrowser(this);
  text->setObjectName(QStringLiteral("helpText"));
  text->setOpenExternalLinks(true);
  const QString markdown = ReferenceMarkdown();
  if (markdown.isEmpty()) {
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setPlainText(ShownText(kHelpReferenceText));
  } else {
    text->setMarkdown(markdown);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(buttons);
  resize(760, 640);
}

QString HelpDialog::Text() const {
  return findChild<QTextBrowser*>(QStringLiteral("helpText"))->toPlainText();
}
