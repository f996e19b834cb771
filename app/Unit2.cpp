#include "app/Unit2.h"

#include "app/DateTimePickers.h"

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimeEdit>

namespace Fotarium::App {

TForm2::TForm2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), Label1(new QLabel(this)),
      DateTimePicker1(CreateDatePicker(this, "DateTimePicker1")),
      DateTimePicker2(CreateTimePicker(this, "DateTimePicker2")), Button1(new QPushButton(tr("Abbrechen"), this)),
      Button2(new QPushButton(tr("Ok"), this)) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(tr("Aufnahmedatum und Zeit angeben"));
  // No title-bar buttons: the dialog is left through one of its two buttons.
  setModal(true);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setWordWrap(true);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label1->setGeometry(24, 16, 329, 74);
  DateTimePicker1->setAccessibleName(tr("Aufnahmedatum"));
  DateTimePicker2->setAccessibleName(tr("Aufnahmezeit"));
  Button1->setObjectName(QStringLiteral("Button1"));
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
  connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
  resize(372, 175);
  PlaceBottomControls();
}

void TForm2::ApplyPreset(const Core::TDateDialogPreset& preset) {
  SetLabelText(QString::fromStdString(preset.Label));
  SetDialogHeight(preset.Height);
  SetPickerValues(preset.Value);
}

QString TForm2::LabelText() const { return Label1->text(); }

void TForm2::SetLabelText(const QString& text) { Label1->setText(text); }

void TForm2::SetDialogHeight(int value) {
  resize(width(), value);
  PlaceBottomControls();
}

void TForm2::SetPickerValues(Platform::TDateTime value) {
  SetDatePickerValue(*DateTimePicker1, value);
  SetTimePickerValue(*DateTimePicker2, value);
}

Platform::TDateTime TForm2::DatePickerValue() const { return App::DatePickerValue(*DateTimePicker1); }

Platform::TDateTime TForm2::TimePickerValue() const { return App::TimePickerValue(*DateTimePicker2); }

Platform::TDateTime TForm2::PickedDateTime() const {
  return Core::ComposePickerValues(DatePickerValue(), TimePickerValue());
}

void TForm2::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceBottomControls();
}

// Pickers and buttons are anchored to the bottom edge, so the taller form shows the hint above them.
void TForm2::PlaceBottomControls() {
  const int h = height();
  DateTimePicker1->setGeometry(24, h - 84, 150, 26);
  DateTimePicker2->setGeometry(width() - 24 - 120, h - 84, 120, 26);
  Button1->setGeometry(24, h - 44, 105, 30);
  Button2->setGeometry(width() - 24 - 105, h - 44, 105, 30);
}

} // namespace Fotarium::App
