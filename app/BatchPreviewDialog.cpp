#include "app/BatchPreviewDialog.h"

#include "app/Desktop.h"

#include "platform/FileOps.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace Fotarium::App {

namespace {

QString PathText(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

} // namespace

TBatchPreviewDialog::TBatchPreviewDialog(QWidget* parent)
    : QDialog(parent), FIntro(new QLabel(this)), FTable(new QTableWidget(this)), FCount(new QLabel(this)),
      FButtons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
  setObjectName(QStringLiteral("BatchPreviewDialog"));
  setModal(true);
  FIntro->setObjectName(QStringLiteral("PreviewIntro"));
  FIntro->setWordWrap(true);
  FTable->setObjectName(QStringLiteral("PreviewTable"));
  FTable->setAccessibleName(tr("Vorschau der Änderungen"));
  FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  FTable->setAlternatingRowColors(true);
  FTable->verticalHeader()->hide();
  FTable->horizontalHeader()->setStretchLastSection(true);
  FTable->setWordWrap(false);
  FCount->setObjectName(QStringLiteral("PreviewCount"));
  FButtons->setObjectName(QStringLiteral("ButtonBox"));
  FButtons->button(QDialogButtonBox::Ok)->setText(tr("OK"));
  FButtons->button(QDialogButtonBox::Cancel)->setText(tr("Abbrechen"));
  connect(FButtons, &QDialogButtonBox::accepted, this, [this] { Guarded("preview", [this] { accept(); }); });
  connect(FButtons, &QDialogButtonBox::rejected, this, [this] { Guarded("preview", [this] { reject(); }); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FIntro);
  layout->addWidget(FTable, 1);
  layout->addWidget(FCount);
  layout->addWidget(FButtons);
  resize(760, 420);
}

void TBatchPreviewDialog::SetIntro(const QString& text) { FIntro->setText(text); }

void TBatchPreviewDialog::SetColumns(const QStringList& captions) {
  FTable->setColumnCount(static_cast<int>(captions.size()));
  FTable->setHorizontalHeaderLabels(captions);
}

void TBatchPreviewDialog::SetRows(const std::vector<TRow>& rows) {
  FTable->setRowCount(static_cast<int>(rows.size()));
  int changing = 0;
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const TRow& row = rows[static_cast<std::size_t>(r)];
    changing += row.WillChange ? 1 : 0;
    QStringList texts;
    texts << PathText(Platform::ExtractFileName(row.FileName)) << row.Cells;
    for (int c = 0; c < FTable->columnCount(); ++c) {
      auto* item = new QTableWidgetItem(c < texts.size() ? texts[c] : QString());
      item->setToolTip(c == 0 ? PathText(row.FileName) : row.ToolTip);
      // A file that is left as it is reads fainter.
      if (!row.WillChange)
        item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
      FTable->setItem(r, c, item);
    }
  }
  FTable->resizeColumnsToContents();
  FCount->setText(
      tr("%1 von %2 Bildern werden geändert; die übrigen bleiben, wie sie sind.").arg(changing).arg(rows.size()));
  // Nothing to write: only Abbrechen makes sense.
  FButtons->button(QDialogButtonBox::Ok)->setEnabled(changing > 0);
}

QStringList TBatchPreviewDialog::RowTexts(int row) const {
  QStringList texts;
  for (int c = 0; c < FTable->columnCount(); ++c)
    texts << (FTable->item(row, c) != nullptr ? FTable->item(row, c)->text() : QString());
  return texts;
}

int TBatchPreviewDialog::RowCount() const { return FTable->rowCount(); }

// --- progress ------------------------------------------------------------------------------

TBatchProgressBox::TBatchProgressBox(QWidget* parent, const QString& label)
    : FDialog(std::make_unique<QProgressDialog>(parent)), FLabel(label) {
  FDialog->setObjectName(QStringLiteral("BatchProgress"));
  FDialog->setWindowTitle(QStringLiteral("Fotarium"));
  FDialog->setCancelButtonText(QObject::tr("Abbrechen"));
  FDialog->setWindowModality(Qt::WindowModal);
  FDialog->setMinimumDuration(400);
  FDialog->setAutoClose(false);
  FDialog->setAutoReset(false);
}

TBatchProgressBox::~TBatchProgressBox() { FDialog->hide(); }

bool TBatchProgressBox::operator()(std::size_t done, std::size_t count) {
  FDialog->setMaximum(std::max(1, static_cast<int>(count)));
  FDialog->setLabelText(FLabel.arg(done).arg(count));
  // A window-modal box lets the event loop run here: the window paints, Abbrechen is seen.
  FDialog->setValue(static_cast<int>(std::min(done, count)));
  return !FDialog->wasCanceled();
}

std::optional<Core::TBatchPlan> PlanWithProgress(QWidget* parent, const QString& label,
                                                 const std::vector<std::string>& files,
                                                 const Core::TPlanFile& planFile) {
  TBatchProgressBox progress(parent, label);
  return Core::PlanBatch(files, planFile,
                         [&progress](std::size_t done, std::size_t count) { return progress(done, count); });
}

Core::TBatchSummary ApplyWithProgress(QWidget* parent, const QString& label, const Core::TBatchPlan& plan) {
  TBatchProgressBox progress(parent, label);
  return Core::ApplyBatch(plan, [&progress](std::size_t done, std::size_t count) { return progress(done, count); });
}

} // namespace Fotarium::App
