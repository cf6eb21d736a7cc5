#include "studio/parameter_panel.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "studio/texts.h"

namespace {

// The range as the dialog's slider control takes it: each end is the low 16
// bits of the declared one, read as a signed number.
int SliderEnd(int32_t declared) { return static_cast<int16_t>(declared & 0xFFFF); }

}  // namespace

ParameterPanel::ParameterPanel(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout();
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(2);
  for (int32_t row = 0; row < kParamSlotCount; ++row) {
    Row& r = rows_[row];
    r.label = new QLabel(this);
    r.label->setWordWrap(true);
    r.slider = new QSlider(Qt::Horizontal, this);
    r.slider->setObjectName(QStringLiteral("parameterSlider%1").arg(row));
    r.value = new QLineEdit(this);
    r.value->setObjectName(QStringLiteral("parameterValue%1").arg(row));
    r.value->setMaxLength(kNameTextSize - 1);
    r.value->setFixedWidth(72);
    grid->addWidget(r.label, 2 * row, 0, 1, 2);
    grid->addWidget(r.slider, 2 * row + 1, 0);
    grid->addWidget(r.value, 2 * row + 1, 1);
    connect(r.slider, &QSlider::valueChanged, this, [this, row] {
      SlidersToTexts();
      Q_EMIT sliderMoved(row);
    });
    connect(r.value, &QLineEdit::textEdited, this, [this, row] { Q_EMIT valueEdited(row); });
    connect(r.value, &QLineEdit::editingFinished, this, [this, row] {
      if (rows_[row].value->isModified()) Q_EMIT valueCommitted(row);
      rows_[row].value->setModified(false);
    });
    ResetRow(row);
  }
  emptyNote_ = new QLabel(tr("This program has no parameters."), this);
  emptyNote_->setEnabled(false);
  layout->addWidget(emptyNote_);
  layout->addLayout(grid);
  layout->addStretch(1);

  auto* interpolationForm = new QFormLayout();
  interpolation_ = new QComboBox(this);
  interpolation_->setObjectName(QStringLiteral("interpolation"));
  for (const char* name : kInterpolationNames) interpolation_->addItem(QString::fromLatin1(name));
  interpolation_->setToolTip(tr("Sampling of the final run; the preview always uses Round."));
  interpolationForm->addRow(tr("Interpolation"), interpolation_);
  layout->addLayout(interpolationForm);
  connect(interpolation_, qOverload<int>(&QComboBox::activated), this,
          [this](int position) { Q_EMIT interpolationChosen(position); });
}

void ParameterPanel::ResetRow(int32_t row) {
  Row& r = rows_[row];
  const QSignalBlocker quietSlider(r.slider);
  r.label->clear();
  r.value->clear();
  r.slider->setRange(0, 1);
  r.slider->setValue(0);
  ShowRowWidgets(r, false);
}

void ParameterPanel::ShowRow(int32_t row, const ParamSlot& slot, int32_t sliderPosition) {
  Row& r = rows_[row];
  const QSignalBlocker quietSlider(r.slider);
  r.label->setText(ShownName(slot.message));
  r.value->setText(ShownName(slot.value));
  r.value->setModified(false);
  r.slider->setRange(SliderEnd(slot.minimum), SliderEnd(slot.maximum));
  r.slider->setValue(sliderPosition);
  ShowRowWidgets(r, true);
}

std::array<std::string, kParamSlotCount> ParameterPanel::Values() const {
  std::array<std::string, kParamSlotCount> values;
  for (int32_t row = 0; row < kParamSlotCount; ++row) {
    values[row] = SessionName(rows_[row].value->text());
  }
  return values;
}

void ParameterPanel::TextsToSliders(const std::function<int32_t(const char*)>& evaluate) {
  for (Row& r : rows_) {
    if (!r.shown) continue;
    const QSignalBlocker quietSlider(r.slider);
    // At most 126 characters place a slider, as in the dialog.
    const std::string text = SessionName(r.value->text().left(kNameTextSize - 2));
    r.slider->setValue(evaluate(text.c_str()));
  }
}

void ParameterPanel::SetInterpolation(int32_t position) {
  interpolation_->setCurrentIndex(position >= 0 && position < 3 ? position : 0);
}

int32_t ParameterPanel::ShownRows() const {
  int32_t shown = 0;
  for (const Row& r : rows_) shown += r.shown ? 1 : 0;
  return shown;
}

void ParameterPanel::SlidersToTexts() {
  for (Row& r : rows_) {
    if (r.shown) r.value->setText(QString::number(r.slider->value()));
  }
}

void ParameterPanel::ShowRowWidgets(Row& row, bool shown) {
  for (QWidget* widget : {static_cast<QWidget*>(row.label), static_cast<QWidget*>(row.slider),
                          static_cast<QWidget*>(row.value)}) {
    widget->setEnabled(shown);
    widget->setVisible(shown);
  }
  row.shown = shown;
  UpdateEmptyNote();
}

void ParameterPanel::UpdateEmptyNote() {
  if (emptyNote_ != nullptr) emptyNote_->setVisible(ShownRows() == 0);
}
