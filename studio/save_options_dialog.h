// "Save Options": the image files' write settings, as morfel's --quality,
// --compression and --lossless set them.
#ifndef MORFEL_STUDIO_SAVE_OPTIONS_DIALOG_H
#define MORFEL_STUDIO_SAVE_OPTIONS_DIALOG_H

#include <QDialog>

#include "files/files.h"

class QCheckBox;
class QSpinBox;

class SaveOptionsDialog : public QDialog {
 public:
  SaveOptionsDialog(const WriteSettings& settings, QWidget* parent);
  WriteSettings Settings() const;

 private:
  QSpinBox* quality_;
  QSpinBox* compression_;
  QCheckBox* lossless_;
};

#endif
