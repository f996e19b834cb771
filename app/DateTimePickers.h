#pragma once

// The date and time pickers of the dialogs and their values as TDateTime: the date picker
// gives whole days, the time picker the fraction of a day.

#include "platform/DateTime.h"

class QDateEdit;
class QTimeEdit;
class QWidget;

namespace Fotarium::App {

// A date picker with a calendar pop-up over the years 100..9999 (Qt's range; TDateTime starts at 1).
[[nodiscard]] QDateEdit* CreateDatePicker(QWidget* parent, const char* objectName);
// A time picker with seconds.
[[nodiscard]] QTimeEdit* CreateTimePicker(QWidget* parent, const char* objectName);

// The picker's date at midnight / its time of day as the fraction of a day.
[[nodiscard]] Platform::TDateTime DatePickerValue(const QDateEdit& picker);
[[nodiscard]] Platform::TDateTime TimePickerValue(const QTimeEdit& picker);
// Sets the picker to the date / the time of day of value.
void SetDatePickerValue(QDateEdit& picker, Platform::TDateTime value);
void SetTimePickerValue(QTimeEdit& picker, Platform::TDateTime value);

} // namespace Fotarium::App
