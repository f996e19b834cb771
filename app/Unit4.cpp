#include "app/Unit4.h"

#include "app/DateTimePickers.h"
#include "app/core/EditCommands.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace Fotarium::App {

TForm4::TForm4(QWidget* parent)
    : QDialog(parent), DateTimePicker1(CreateDatePicker(this, "DateTimePicker1")),
      DateTimePicker2(CreateTimePicker(this, "DateTimePicker2")), RadioGroup1(new QGroupBox(tr("Aufnahmedatum"), this)),
      RadioItem0(new QRadioButton(tr("nur für Dateinamen verwenden"), RadioGroup1)),
      RadioItem1(new QRadioButton(tr("auch in die Exif-Daten eintragen"), RadioGroup1)),
      Button1(new QPushButton(tr("Abbruch"), this)), Button2(new QPushButton(tr("OK"), this)) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(tr("Bitte Aufnahmedatum wählen"));
  setModal(true);

  // Like any picker on first use, they start at the current date and time.
  SetPickerValues(Platform::Now());
  DateTimePicker1->setAccessibleName(tr("Aufnahmedatum"));
  DateTimePicker2->setAccessibleName(tr("Aufnahmezeit"));
  DateTimePicker1->setGeometry(16, 16, 150, 26);
  DateTimePicker2->setGeometry(297 - 16 - 110, 16, 110, 26);

  RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
  RadioItem0->setObjectName(QStringLiteral("RadioGroup1Item0"));
  RadioItem1->setObjectName(QStringLiteral("RadioGroup1Item1"));
  auto* layout = new QVBoxLayout(RadioGroup1);
  layout->addWidget(RadioItem0);
  layout->addWidget(RadioItem1);
  RadioItem0->setChecked(true);
  RadioGroup1->setGeometry(16, 56, 265, 80);

  Button1->setObjectName(QStringLiteral("Button1"));
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setDefault(true);
  Button1->setGeometry(16, 150, 105, 30);
  Button2->setGeometry(297 - 16 - 105, 150, 105, 30);
  connect(Button1, &QPushButton::clicked, this, [this] { done(AbortResult); });
  connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
  resize(297, 191);
}

Platform::TDateTime TForm4::DatePickerValue() const { return App::DatePickerValue(*DateTimePicker1); }

Platform::TDateTime TForm4::TimePickerValue() const { return App::TimePickerValue(*DateTimePicker2); }

Platform::TDateTime TForm4::PickedDateTime() const {
  return Core::ComposePickerValues(DatePickerValue(), TimePickerValue());
}

void TForm4::SetPickerValues(Platform::TDateTime value) {
  SetDatePickerValue(*DateTimePicker1, value);
  SetTimePickerValue(*DateTimePicker2, value);
}

int TForm4::ItemIndex() const { return RadioItem1->isChecked() ? 1 : (RadioItem0->isChecked() ? 0 : -1); }

void TForm4::SetItemIndex(int index) {
  if (index == 0)
    RadioItem0->setChecked(true);
  else if (index == 1)
    RadioItem1->setChecked(true);
}

} // namespace Fotarium::App
