#pragma once

// What the trip commands share in the window: the preview of every file's old and new
// values with OK and Abbrechen, and the progress box with its cancel button while the
// files are read and written.

#include "app/core/BatchCommand.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QDialogButtonBox;
class QLabel;
class QProgressDialog;
class QTableWidget;

namespace Fotarium::App {

class TBatchPreviewDialog : public QDialog {
  Q_OBJECT

public:
  struct TRow {
    std::string FileName; // the path as bytes; the table shows its name, the tip the path
    QStringList Cells;
    QString ToolTip;
    bool WillChange = false;
  };

  explicit TBatchPreviewDialog(QWidget* parent = nullptr);

  void SetIntro(const QString& text);
  // The column captions, the file's first.
  void SetColumns(const QStringList& captions);
  void SetRows(const std::vector<TRow>& rows);

  // The table's texts as shown, row by row (file name first).
  [[nodiscard]] QStringList RowTexts(int row) const;
  [[nodiscard]] int RowCount() const;

private:
  QLabel* FIntro;
  QTableWidget* FTable;
  QLabel* FCount;
  QDialogButtonBox* FButtons;
};

// A window-modal progress box over the parent; "%1 von %2" in the label are done and count.
// Each call lets the window paint and answers false once the user pressed Abbrechen.
class TBatchProgressBox {
public:
  TBatchProgressBox(QWidget* parent, const QString& label);
  ~TBatchProgressBox();
  TBatchProgressBox(const TBatchProgressBox&) = delete;
  TBatchProgressBox& operator=(const TBatchProgressBox&) = delete;

  bool operator()(std::size_t done, std::size_t count);

private:
  std::unique_ptr<QProgressDialog> FDialog;
  QString FLabel;
};

// Plans every file with the progress box; nullopt when the user cancelled.
[[nodiscard]] std::optional<Core::TBatchPlan> PlanWithProgress(QWidget* parent, const QString& label,
                                                               const std::vector<std::string>& files,
                                                               const Core::TPlanFile& planFile);
// Applies the plan with the progress box (cancel between two files).
[[nodiscard]] Core::TBatchSummary ApplyWithProgress(QWidget* parent, const QString& label,
                                                    const Core::TBatchPlan& plan);

} // namespace Fotarium::App
