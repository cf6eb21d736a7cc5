// The chosen program's parameters: for each declared row its message, a
// slider over its range and a box with its value text, as the session's
// declarations show them; and the interpolation of the final run.
//
// The boxes hold the value texts the runs use, as the dialog's edit boxes
// do: a slider moved by the user writes every declared row's box from its
// own slider ("%d"); a box's text is evaluated into its slider only when it
// is committed (Return, or leaving the box).
#ifndef MORFEL_STUDIO_PARAMETER_PANEL_H
#define MORFEL_STUDIO_PARAMETER_PANEL_H

#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "session/session.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

class ParameterPanel : public QWidget, public ParamRowView {
  Q_OBJECT

 public:
  explicit ParameterPanel(QWidget* parent = nullptr);

  // ParamRowView, called by the session's declaration reading.
  void ResetRow(int32_t row) override;
  void ShowRow(int32_t row, const ParamSlot& slot, int32_t sliderPosition) override;

  // The twelve boxes' texts, hidden rows included (empty).
  std::array<std::string, kParamSlotCount> Values() const;
  // Each shown row's slider := its text evaluated by evaluate.
  void TextsToSliders(const std::function<int32_t(const char*)>& evaluate);
  void SetInterpolation(int32_t position);
  int32_t ShownRows() const;

  QSlider* Slider(int32_t row) const { return rows_[row].slider; }
  QLineEdit* ValueBox(int32_t row) const { return rows_[row].value; }

 Q_SIGNALS:
  void sliderMoved(int row);     // by the user; the boxes already follow
  void valueEdited(int row);     // typed into, not yet committed
  void valueCommitted(int row);  // Return pressed or the box left
  void interpolationChosen(int position);

 private:
  struct Row {
    QLabel* label = nullptr;
    QSlider* slider = nullptr;
    QLineEdit* value = nullptr;
    bool shown = false;
  };
  void SlidersToTexts();
  void ShowRowWidgets(Row& row, bool shown);
  void UpdateEmptyNote();

  std::array<Row, kParamSlotCount> rows_;
  QLabel* emptyNote_ = nullptr;
  QComboBox* interpolation_ = nullptr;
};

#endif
