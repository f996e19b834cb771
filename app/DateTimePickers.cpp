#include "app/DateTimePickers.h"

#include <QDateEdit>
#include <QTimeEdit>

namespace Fotarium::App {

QDateEdit* CreateDatePicker(QWidget* parent, const char* objectName) {
  auto* picker = new QDateEdit(parent);
  picker->setObjectName(QString::fromLatin1(objectName));
  picker->setCalendarPopup(true);
  picker->setMinimumDate(QDate(100, 1, 1)); // the earliest a QDateEdit takes
  picker->setMaximumDate(QDate(9999, 12, 31));
  picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  return picker;
}

QTimeEdit* CreateTimePicker(QWidget* parent, const char* objectName) {
  auto* picker = new QTimeEdit(parent);
  picker->setObjectName(QString::fromLatin1(objectName));
  picker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  return picker;
}

Platform::TDateTime DatePickerValue(const QDateEdit& picker) {
  const QDate date = picker.date();
  Platform::TDateTime value = 0;
  if (!Platform::TryEncodeDate(date.year(), date.month(), date.day(), value))
    value = 0;
  return value;
}

Platform::TDateTime TimePickerValue(const QTimeEdit& picker) {
  const QTime time = picker.time();
  Platform::TDateTime value = 0;
  if (!Platform::TryEncodeTime(time.hour(), time.minute(), time.second(), time.msec(), value))
    value = 0;
  return value;
}

void SetDatePickerValue(QDateEdit& picker, Platform::TDateTime value) {
  int year = 0, month = 0, day = 0;
  Platform::DecodeDate(value, year, month, day);
  picker.setDate(QDate(year, month, day));
}

void SetTimePickerValue(QTimeEdit& picker, Platform::TDateTime value) {
  int hour = 0, minute = 0, second = 0, msec = 0;
  Platform::DecodeTime(value, hour, minute, second, msec);
  picker.setTime(QTime(hour, minute, second, msec));
}

} // namespace Fotarium::App
