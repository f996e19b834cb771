#include "app/GeotagDialog.h"

#include "app/Desktop.h"
#include "app/core/TripCommands.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeZone>
#include <QVBoxLayout>

namespace Fotarium::App {

TGeotagDialog::TGeotagDialog(QWidget* parent)
    : QDialog(parent), TrackFile(new QLabel(this)), TrackStart(new QLabel(this)), TrackEnd(new QLabel(this)),
      TrackPoints(new QLabel(this)), TargetLabel(new QLabel(this)), ZoneCombo(new QComboBox(this)),
      ZoneError(new QLabel(this)), SyncEdit(new QSpinBox(this)),
      Buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
  setObjectName(QStringLiteral("GeotagDialog"));
  setWindowTitle(tr("Positionen aus GPS-Track"));
  setModal(true);

  TrackFile->setObjectName(QStringLiteral("TrackFile"));
  TrackFile->setWordWrap(true);
  TrackStart->setObjectName(QStringLiteral("TrackStart"));
  TrackEnd->setObjectName(QStringLiteral("TrackEnd"));
  TrackPoints->setObjectName(QStringLiteral("TrackPoints"));
  auto* trackBox = new QGroupBox(tr("GPS-Track"), this);
  auto* trackForm = new QFormLayout(trackBox);
  trackForm->addRow(tr("Datei:"), TrackFile);
  trackForm->addRow(tr("Beginn (UTC):"), TrackStart);
  trackForm->addRow(tr("Ende (UTC):"), TrackEnd);
  trackForm->addRow(tr("Punkte:"), TrackPoints);

  ZoneCombo->setObjectName(QStringLiteral("ZoneCombo"));
  ZoneCombo->setEditable(true);
  ZoneCombo->setInsertPolicy(QComboBox::NoInsert);
  ZoneCombo->setAccessibleName(tr("Zeitzone der Kamera"));
  ZoneCombo->setToolTip(tr("Die Zeitzone, auf die die Uhr der Kamera gestellt war: ein Name wie Europe/Berlin "
                           "oder ein Versatz wie +02:00. Bilder mit eigener Zeitzonenangabe verwenden diese."));
  ZoneCombo->addItem(tr("Systemzeitzone (%1)").arg(QString::fromUtf8(QTimeZone::systemTimeZoneId())), QString());
  ZoneCombo->addItem(QStringLiteral("UTC"), QStringLiteral("UTC"));
  for (const QByteArray& id : QTimeZone::availableTimeZoneIds())
    if (id.contains('/'))
      ZoneCombo->addItem(QString::fromUtf8(id), QString::fromUtf8(id));
  ZoneError->setObjectName(QStringLiteral("ZoneError"));
  ZoneError->setWordWrap(true);

  SyncEdit->setObjectName(QStringLiteral("SyncSeconds"));
  SyncEdit->setRange(-86400, 86400);
  SyncEdit->setSuffix(tr(" s"));
  SyncEdit->setAccessibleName(tr("Versatz der Kamerauhr in Sekunden"));
  SyncEdit->setToolTip(tr("Wird zur Aufnahmezeit addiert: positiv, wenn die GPS-Uhr der Kamerauhr voraus ist."));

  TargetLabel->setObjectName(QStringLiteral("GeotagTarget"));
  TargetLabel->setWordWrap(true);
  auto* form = new QFormLayout();
  form->addRow(tr("&Zeitzone der Kamera:"), ZoneCombo);
  form->addRow(QString(), ZoneError);
  form->addRow(tr("&Versatz der Kamerauhr:"), SyncEdit);

  Buttons->setObjectName(QStringLiteral("ButtonBox"));
  Buttons->button(QDialogButtonBox::Ok)->setText(tr("Vorschau …"));
  Buttons->button(QDialogButtonBox::Cancel)->setText(tr("Abbrechen"));
  connect(Buttons, &QDialogButtonBox::accepted, this, [this] { Guarded("geotag", [this] { accept(); }); });
  connect(Buttons, &QDialogButtonBox::rejected, this, [this] { Guarded("geotag", [this] { reject(); }); });
  connect(ZoneCombo, &QComboBox::currentTextChanged, this, [this] { Guarded("geotag", [this] { UpdateState(); }); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(trackBox);
  layout->addWidget(TargetLabel);
  layout->addLayout(form);
  layout->addStretch(1);
  layout->addWidget(Buttons);
  UpdateState();
  resize(460, sizeHint().height());
}

void TGeotagDialog::SetTrack(const QString& fileNames, const Core::TGPXTrack& track) {
  TrackFile->setText(fileNames);
  if (track.Points.empty()) {
    TrackStart->clear();
    TrackEnd->clear();
  } else {
    TrackStart->setText(QString::fromStdString(Core::DisplayUTCTime(track.Points.front().Time)));
    TrackEnd->setText(QString::fromStdString(Core::DisplayUTCTime(track.Points.back().Time)));
  }
  TrackPoints->setText(QString::number(track.Points.size()));
}

void TGeotagDialog::SetTargetText(const QString& text) { TargetLabel->setText(text); }

QString TGeotagDialog::ZoneText() const {
  const int index = ZoneCombo->currentIndex();
  // A chosen item stands for its zone; typed text for itself.
  if (index >= 0 && ZoneCombo->currentText() == ZoneCombo->itemText(index))
    return ZoneCombo->itemData(index).toString();
  return ZoneCombo->currentText().trimmed();
}

void TGeotagDialog::SetZoneText(const QString& text) {
  const int index = ZoneCombo->findData(text);
  if (index >= 0)
    ZoneCombo->setCurrentIndex(index);
  else
    ZoneCombo->setEditText(text);
}

int TGeotagDialog::SyncSeconds() const { return SyncEdit->value(); }

void TGeotagDialog::SetSyncSeconds(int seconds) { SyncEdit->setValue(seconds); }

std::optional<Core::TGeotagSettings> TGeotagDialog::Settings() const {
  const auto zone = Core::ParseTimeZone(ZoneText().toStdString());
  if (!zone)
    return std::nullopt;
  Core::TGeotagSettings settings;
  settings.Zone = *zone;
  settings.SyncSeconds = SyncEdit->value();
  return settings;
}

void TGeotagDialog::UpdateState() {
  const bool valid = Core::ParseTimeZone(ZoneText().toStdString()).has_value();
  ZoneError->setText(valid ? QString() : tr("Diese Zeitzone ist dem System nicht bekannt."));
  ZoneError->setVisible(!valid);
  Buttons->button(QDialogButtonBox::Ok)->setEnabled(valid);
}

} // namespace Fotarium::App
