// F1: the language reference, rendered, beside the editors (not modal).
#ifndef MORFEL_STUDIO_HELP_DIALOG_H
#define MORFEL_STUDIO_HELP_DIALOG_H

#include <QDialog>

class HelpDialog : public QDialog {
 public:
  explicit HelpDialog(QWidget* parent = nullptr);
  // The reference as shown, without its markup.
  QString Text() const;
};

#endif
