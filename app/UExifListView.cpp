#include "app/UExifListView.h"

#include "app/Desktop.h"
#include "app/core/ExifListRows.h"
#include "app/core/IniFile.h"

#include <QCoreApplication>
#include <QHeaderView>

#include <algorithm>

namespace Fotarium::App {

namespace {

// Whether a row has a value column, kept apart from the text because a value row may
// hold an empty value.
constexpr int HasValueRole = Qt::UserRole + 1;

constexpr int NameColumnWidth = 180;
constexpr int ValueColumnMargin = 260;
// A value column narrower than this is of no use, whatever the owner's width.
constexpr int MinValueColumnWidth = 100;

// Repaints once at the end however many rows change, also when listing raises.
class TUpdateBatch {
public:
  explicit TUpdateBatch(QWidget& widget) : FWidget(widget), FWasEnabled(widget.updatesEnabled()) {
    FWidget.setUpdatesEnabled(false);
  }
  ~TUpdateBatch() { FWidget.setUpdatesEnabled(FWasEnabled); }
  TUpdateBatch(const TUpdateBatch&) = delete;
  TUpdateBatch& operator=(const TUpdateBatch&) = delete;

private:
  QWidget& FWidget;
  bool FWasEnabled;
};

} // namespace

TExifListView::TExifListView(QWidget* owner) : QTreeWidget(owner) {
  setObjectName(QStringLiteral("ExifListView"));
  setAccessibleName(tr("alle Exif-Daten"));
  setColumnCount(2);
  // The list's column names share the English source texts of its rows.
  setHeaderLabels(
      {QCoreApplication::translate("ExifListRows", "Name"), QCoreApplication::translate("ExifListRows", "Value")});
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSortingEnabled(false);
  header()->setSectionsClickable(false);
  header()->setSectionsMovable(false);
  // The view fills its owner, so the owner's width is the view's width at creation.
  const int viewWidth = owner != nullptr ? owner->width() : width();
  setColumnWidth(0, NameColumnWidth);
  setColumnWidth(1, std::max(viewWidth - ValueColumnMargin, MinValueColumnWidth));
}

void TExifListView::ShowRows(const std::vector<Core::TExifListRow>& rows) {
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (const Core::TExifListRow& row : rows) {
    auto* item = new QTreeWidgetItem();
    item->setText(0, QString::fromStdString(row.Caption));
    if (row.HasValue)
      item->setText(1, QString::fromStdString(row.Value));
    item->setData(0, HasValueRole, row.HasValue);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    items.append(item);
  }
  addTopLevelItems(items);
}

void TExifListView::Fill(Tessel::Exif::TCustomExifData& aExifData) {
  const TUpdateBatch batch(*this);
  clear();
  ShowRows(Core::FillRows(aExifData));
}

Platform::TDateTime TExifListView::LoadFromFile(const std::string& fileName, const Core::IniFile* map) {
  const TUpdateBatch batch(*this);
  clear();
  Core::TExifListOfFile list = Core::LoadFromFileRows(fileName, map);
  ShowRows(list.Rows);
  return list.DateTime;
}

void TExifListView::Clear() { clear(); }

void TExifListView::SelectAll() { selectAll(); }

bool TExifListView::CanCopyToClipboard() const { return !selectedItems().isEmpty(); }

std::vector<Core::TExifListRow> TExifListView::SelectedRows() const {
  std::vector<Core::TExifListRow> rows;
  // Top to bottom, whatever order the rows were selected in.
  for (int i = 0; i < topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = topLevelItem(i);
    if (!item->isSelected())
      continue;
    Core::TExifListRow row;
    row.Caption = item->text(0).toStdString();
    row.HasValue = item->data(0, HasValueRole).toBool();
    row.Value = item->text(1).toStdString();
    rows.push_back(std::move(row));
  }
  return rows;
}

void TExifListView::CopyToClipboard() {
  Desktop().SetClipboardText(QString::fromStdString(Core::ClipboardText(SelectedRows())));
}

} // namespace Fotarium::App
