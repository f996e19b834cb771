#pragma once

// Asks by how much the capture times of the pictures move: days and hours, minutes and
// seconds, later or earlier. It keeps its values between uses, like the other dialogs.

#include <QDialog>

#include <cstdint>

class QDialogButtonBox;
class QLabel;
class QRadioButton;
class QSpinBox;
class QTimeEdit;

namespace Fotarium::App {

class TShiftDialog : public QDialog {
  Q_OBJECT

public:
  explicit TShiftDialog(QWidget* parent = nullptr);

  // Which pictures the shift is for ("Betrifft 3 von 12 Bildern der Liste.").
  void SetTargetText(const QString& text);

  // Signed seconds: positive moves the times later.
  [[nodiscard]] std::int64_t ShiftSeconds() const;
  void SetShiftSeconds(std::int64_t seconds);

private:
  void UpdateState();

  QLabel* TargetLabel;
  QSpinBox* DaysEdit;
  QTimeEdit* TimeEdit;
  QRadioButton* LaterRadio;
  QRadioButton* EarlierRadio;
  QLabel* ResultLabel;
  QDialogButtonBox* Buttons;
};

} // namespace Fotarium::App
