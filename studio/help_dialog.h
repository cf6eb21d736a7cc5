// "Help": the language reference, read-only and scrolling.
#ifndef MORFEL_STUDIO_HELP_DIALOG_H
#define MORFEL_STUDIO_HELP_DIALOG_H

#include <QDialog>

class HelpDialog : public QDialog {
 public:
  explicit HelpDialog(QWidget* parent = nullptr);
};

#endif
