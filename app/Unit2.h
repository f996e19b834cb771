#pragma once

// TForm2: asks for the capture date and time of the picture on show. The caller presets
// the hint, the height and both pickers, runs it modally and reads the pickers back.

#include "app/core/EditCommands.h"

#include "platform/DateTime.h"

#include <QDialog>

class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;

namespace Fotarium::App {

class TForm2 : public QDialog {
  Q_OBJECT

public:
  explicit TForm2(QWidget* parent = nullptr);

  // Label, height and both pickers as the command's preset says.
  void ApplyPreset(const Core::TDateDialogPreset& preset);

  [[nodiscard]] QString LabelText() const;
  void SetLabelText(const QString& text);
  // 140 without the hint, 214 with it; the pickers and buttons stay at the bottom.
  [[nodiscard]] int DialogHeight() const { return height(); }
  void SetDialogHeight(int value);
  // Both pickers to value.
  void SetPickerValues(Platform::TDateTime value);
  [[nodiscard]] Platform::TDateTime DatePickerValue() const; // whole days
  [[nodiscard]] Platform::TDateTime TimePickerValue() const; // fraction of a day
  // The date picker's day with the time picker's time of day.
  [[nodiscard]] Platform::TDateTime PickedDateTime() const;

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void PlaceBottomControls();

  QLabel* Label1;
  QDateEdit* DateTimePicker1;
  QTimeEdit* DateTimePicker2;
  QPushButton* Button1;
  QPushButton* Button2;
};

} // namespace Fotarium::App
