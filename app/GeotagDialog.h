#pragma once

// Shows the GPS track that was opened (its start, end and point count) and asks how the
// camera's times meet it: the camera's time zone (the system's unless chosen) and the
// offset of the camera's clock to the GPS clock. Keeps its settings between uses.

#include "app/core/GPXTrack.h"
#include "app/core/Geotag.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QSpinBox;

namespace Fotarium::App {

class TGeotagDialog : public QDialog {
  Q_OBJECT

public:
  explicit TGeotagDialog(QWidget* parent = nullptr);

  // The track's file names as shown and the track itself, for its overview.
  void SetTrack(const QString& fileNames, const Core::TGPXTrack& track);
  void SetTargetText(const QString& text);

  // The zone as typed or chosen: empty for the system's.
  [[nodiscard]] QString ZoneText() const;
  void SetZoneText(const QString& text);
  [[nodiscard]] int SyncSeconds() const;
  void SetSyncSeconds(int seconds);

  // The settings, nullopt while the zone is none the system knows.
  [[nodiscard]] std::optional<Core::TGeotagSettings> Settings() const;

private:
  void UpdateState();

  QLabel* TrackFile;
  QLabel* TrackStart;
  QLabel* TrackEnd;
  QLabel* TrackPoints;
  QLabel* TargetLabel;
  QComboBox* ZoneCombo;
  QLabel* ZoneError;
  QSpinBox* SyncEdit;
  QDialogButtonBox* Buttons;
};

} // namespace Fotarium::App
