#include "studio/save_options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

SaveOptionsDialog::SaveOptionsDialog(const WriteSettings& settings, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tr("Save Options"));
  quality_ = new QSpinBox(this);
  quality_->setRange(1, 100);
  quality_->setValue(settings.quality);
  quality_->setToolTip(tr("JPEG and lossy WebP: 1 smallest, 100 best"));
  compression_ = new QSpinBox(this);
  compression_->setRange(0, 9);
  compression_->setValue(settings.compression);
  compression_->setToolTip(tr("PNG and TIFF: 0 stores, 1 fastest, 9 smallest"));
  lossless_ = new QCheckBox(tr("Lossless WebP"), this);
  lossless_->setChecked(settings.lossless);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* form = new QFormLayout(this);
  form->addRow(tr("Quality"), quality_);
  form->addRow(tr("Compression"), compression_);
  form->addRow(QString(), lossless_);
  form->addRow(buttons);
}

WriteSettings SaveOptionsDialog::Settings() const {
  WriteSettings settings;
  settings.quality = quality_->value();
  settings.compression = compression_->value();
  settings.lossless = lossless_->isChecked();
  return settings;
}
