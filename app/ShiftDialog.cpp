#include "app/ShiftDialog.h"

#include "app/Desktop.h"
#include "app/core/ClockShift.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTime>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace Fotarium::App {

namespace {
constexpr int MaxDays = 36500; // a hundred years: more is no clock error
}

TShiftDialog::TShiftDialog(QWidget* parent)
    : QDialog(parent), TargetLabel(new QLabel(this)), DaysEdit(new QSpinBox(this)), TimeEdit(new QTimeEdit(this)),
      LaterRadio(new QRadioButton(tr("später"), this)), EarlierRadio(new QRadioButton(tr("früher"), this)),
      ResultLabel(new QLabel(this)),
      Buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
  setObjectName(QStringLiteral("ShiftDialog"));
  setWindowTitle(tr("Aufnahmezeiten verschieben"));
  setModal(true);

  TargetLabel->setObjectName(QStringLiteral("ShiftTarget"));
  TargetLabel->setWordWrap(true);
  auto* hint = new QLabel(tr("Alle Aufnahmezeiten der Bilder (Exif, XMP und IPTC) werden um denselben Betrag "
                             "verschoben, zum Beispiel wenn die Uhr der Kamera falsch ging."),
                          this);
  hint->setWordWrap(true);

  DaysEdit->setObjectName(QStringLiteral("ShiftDays"));
  DaysEdit->setRange(0, MaxDays);
  DaysEdit->setAccessibleName(tr("Tage"));
  TimeEdit->setObjectName(QStringLiteral("ShiftTime"));
  TimeEdit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  TimeEdit->setTime(QTime(0, 0, 0));
  TimeEdit->setAccessibleName(tr("Stunden, Minuten und Sekunden"));
  LaterRadio->setObjectName(QStringLiteral("ShiftLater"));
  EarlierRadio->setObjectName(QStringLiteral("ShiftEarlier"));
  LaterRadio->setChecked(true);
  auto* direction = new QButtonGroup(this);
  direction->addButton(LaterRadio);
  direction->addButton(EarlierRadio);
  auto* directionRow = new QHBoxLayout();
  directionRow->addWidget(LaterRadio);
  directionRow->addWidget(EarlierRadio);
  directionRow->addStretch(1);
  ResultLabel->setObjectName(QStringLiteral("ShiftResult"));

  auto* form = new QFormLayout();
  form->addRow(tr("&Tage:"), DaysEdit);
  form->addRow(tr("&Stunden:Minuten:Sekunden:"), TimeEdit);
  form->addRow(tr("Richtung:"), directionRow);
  form->addRow(tr("Verschiebung:"), ResultLabel);

  Buttons->setObjectName(QStringLiteral("ButtonBox"));
  Buttons->button(QDialogButtonBox::Ok)->setText(tr("Vorschau …"));
  Buttons->button(QDialogButtonBox::Cancel)->setText(tr("Abbrechen"));
  connect(Buttons, &QDialogButtonBox::accepted, this, [this] { Guarded("shift", [this] { accept(); }); });
  connect(Buttons, &QDialogButtonBox::rejected, this, [this] { Guarded("shift", [this] { reject(); }); });
  const auto update = [this] { Guarded("shift", [this] { UpdateState(); }); };
  connect(DaysEdit, &QSpinBox::valueChanged, this, update);
  connect(TimeEdit, &QTimeEdit::timeChanged, this, update);
  connect(LaterRadio, &QRadioButton::toggled, this, update);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(hint);
  layout->addWidget(TargetLabel);
  layout->addLayout(form);
  layout->addStretch(1);
  layout->addWidget(Buttons);
  UpdateState();
  resize(420, sizeHint().height());
}

void TShiftDialog::SetTargetText(const QString& text) { TargetLabel->setText(text); }

std::int64_t TShiftDialog::ShiftSeconds() const {
  const std::int64_t magnitude =
      static_cast<std::int64_t>(DaysEdit->value()) * 86400 + TimeEdit->time().msecsSinceStartOfDay() / 1000;
  return EarlierRadio->isChecked() ? -magnitude : magnitude;
}

void TShiftDialog::SetShiftSeconds(std::int64_t seconds) {
  const std::int64_t magnitude = seconds < 0 ? -seconds : seconds;
  DaysEdit->setValue(static_cast<int>(std::min<std::int64_t>(magnitude / 86400, MaxDays)));
  TimeEdit->setTime(QTime(0, 0).addSecs(static_cast<int>(magnitude % 86400)));
  (seconds < 0 ? EarlierRadio : LaterRadio)->setChecked(true);
}

void TShiftDialog::UpdateState() {
  const std::int64_t seconds = ShiftSeconds();
  const std::string text = Core::FormatClockShift(seconds);
  ResultLabel->setText(seconds == 0 ? tr("keine") : QString::fromStdString(text));
  // A shift by nothing changes nothing.
  Buttons->button(QDialogButtonBox::Ok)->setEnabled(seconds != 0);
}

} // namespace Fotarium::App
