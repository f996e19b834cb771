#include "app/PictureListModel.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <iterator>

namespace Fotarium::App {

namespace {

QString Shown(const std::string& path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

} // namespace

TPictureListModel::TPictureListModel(QObject* parent) : QAbstractListModel(parent) {}

int TPictureListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

QVariant TPictureListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() != 0 || index.row() < 0 || index.row() >= Count())
    return {};
  const auto row = static_cast<std::size_t>(index.row());
  switch (role) {
  case Qt::DisplayRole:
  case Qt::AccessibleTextRole: return FShown[row];
  case TextRole: return QByteArray::fromStdString(FEntries[row].Text);
  case KeyRole: return FEntries[row].CaptureTimeKey;
  default: return {};
  }
}

void TPictureListModel::SetEntry(int row, const Core::TPictureEntry& entry) {
  if (row < 0 || row >= Count())
    return;
  const auto at = static_cast<std::size_t>(row);
  FEntries[at] = entry;
  FShown[at] = Shown(entry.Text);
  const QModelIndex changed = index(row);
  emit dataChanged(changed, changed);
}

void TPictureListModel::Insert(int row, std::vector<Core::TPictureEntry> entries) {
  if (entries.empty())
    return;
  row = std::clamp(row, 0, Count());
  std::vector<QString> shown;
  shown.reserve(entries.size());
  for (const auto& entry : entries)
    shown.push_back(Shown(entry.Text));
  const auto at = static_cast<std::ptrdiff_t>(row);
  beginInsertRows(QModelIndex(), row, row + static_cast<int>(entries.size()) - 1);
  FEntries.insert(FEntries.begin() + at, std::make_move_iterator(entries.begin()),
                  std::make_move_iterator(entries.end()));
  FShown.insert(FShown.begin() + at, std::make_move_iterator(shown.begin()), std::make_move_iterator(shown.end()));
  endInsertRows();
}

void TPictureListModel::Remove(int row) {
  if (row < 0 || row >= Count())
    return;
  beginRemoveRows(QModelIndex(), row, row);
  FEntries.erase(FEntries.begin() + row);
  FShown.erase(FShown.begin() + row);
  endRemoveRows();
}

void TPictureListModel::SetEntries(std::vector<Core::TPictureEntry> entries) {
  std::vector<QString> shown;
  shown.reserve(entries.size());
  for (const auto& entry : entries)
    shown.push_back(Shown(entry.Text));
  if (entries.size() == FEntries.size()) {
    emit layoutAboutToBeChanged();
    FEntries = std::move(entries);
    FShown = std::move(shown);
    emit layoutChanged();
    return;
  }
  beginResetModel();
  FEntries = std::move(entries);
  FShown = std::move(shown);
  endResetModel();
}

} // namespace Fotarium::App
