#pragma once

// TForm4: asks for a capture time for a picture that has none, for its new name only or
// also for its EXIF data. The program never presets it: the pickers and the choice keep
// what the user set last.

#include "platform/DateTime.h"

#include <QDialog>

class QDateEdit;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QTimeEdit;

namespace Fotarium::App {

class TForm4 : public QDialog {
  Q_OBJECT

public:
  // done() code of "Abbruch". Desktop().ExecDialog reports it as mrCancel like any close
  // that is not OK; ClosedWithAbort tells the two apart.
  static constexpr int AbortResult = 3;

  explicit TForm4(QWidget* parent = nullptr);

  [[nodiscard]] bool ClosedWithAbort() const { return result() == AbortResult; }

  [[nodiscard]] Platform::TDateTime DatePickerValue() const; // whole days
  [[nodiscard]] Platform::TDateTime TimePickerValue() const; // fraction of a day
  // The date picker's day with the time picker's time of day.
  [[nodiscard]] Platform::TDateTime PickedDateTime() const;
  void SetPickerValues(Platform::TDateTime value);

  // RadioGroup1: 0 "nur für Dateinamen verwenden", 1 "auch in die Exif-Daten eintragen".
  [[nodiscard]] int ItemIndex() const;
  void SetItemIndex(int index);
  [[nodiscard]] bool WriteIntoExif() const { return ItemIndex() == 1; }

private:
  QDateEdit* DateTimePicker1;
  QTimeEdit* DateTimePicker2;
  QGroupBox* RadioGroup1;
  QRadioButton* RadioItem0;
  QRadioButton* RadioItem1;
  QPushButton* Button1;
  QPushButton* Button2;
};

} // namespace Fotarium::App
