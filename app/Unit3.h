#pragma once

// TForm3: edits the GPS position as text. Each time it is shown it copies the rows it was
// given (the main window's caption row and its latitude, longitude and altitude rows); the
// user edits the cells or exchanges latitude and longitude with the clipboard in one of two
// formats.

#include "app/core/GPSTexts.h"

#include <QDialog>
#include <QString>

#include <array>

class QGroupBox;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace Fotarium::App {

class TForm3 : public QDialog {
  Q_OBJECT

public:
  explicit TForm3(QWidget* parent = nullptr);

  // The rows the dialog shows from its next showing on (caption and value of each): the
  // caption row, then latitude, longitude and altitude.
  using TRow = std::array<QString, 2>;
  void SetSourceRows(const std::array<TRow, 4>& rows);

  // Cells as the grid names them: column, then row (row 0 is the caption row).
  [[nodiscard]] QString Cells(int col, int row) const;
  void SetCells(int col, int row, const QString& text);
  [[nodiscard]] QString Latitude() const { return Cells(1, 1); }
  [[nodiscard]] QString Longitude() const { return Cells(1, 2); }

  [[nodiscard]] Core::TGPSClipboardFormat ClipboardFormat() const;
  void SetClipboardFormat(Core::TGPSClipboardFormat format);

  // Handlers.
  void FormActivate();
  void btn_from_ClpbClick();
  void btn_toClpbClick();

protected:
  void showEvent(QShowEvent* event) override;

private:
  QTableWidget* StringGrid1;
  QGroupBox* RadioGroup1;
  QRadioButton* RadioItem0;
  QRadioButton* RadioItem1;
  QPushButton* btn_from_Clpb;
  QPushButton* btn_toClpb;
  QPushButton* Button1;
  QPushButton* Button2;
  std::array<TRow, 4> FSourceRows{};
};

} // namespace Fotarium::App
