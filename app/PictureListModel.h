#pragma once

// The picture list's entries as a Qt model: the path as the file system's bytes and its
// capture-time key per row. Shown, a path is decoded as the file system names it (bytes
// that are no UTF-8 become U+FFFD); stored, it keeps every byte.

#include "app/core/PictureList.h"

#include <QAbstractListModel>
#include <QString>

#include <vector>

namespace Fotarium::App {

class TPictureListModel : public QAbstractListModel {
  Q_OBJECT

public:
  // The path's bytes (QByteArray) and the capture-time key (double) of a row.
  static constexpr int TextRole = Qt::UserRole;
  static constexpr int KeyRole = Qt::UserRole + 1;

  explicit TPictureListModel(QObject* parent = nullptr);

  [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

  [[nodiscard]] int Count() const { return static_cast<int>(FEntries.size()); }
  // row must be valid.
  [[nodiscard]] const Core::TPictureEntry& Entry(int row) const { return FEntries[static_cast<std::size_t>(row)]; }
  [[nodiscard]] const std::vector<Core::TPictureEntry>& Entries() const { return FEntries; }

  // Replaces the text and key of one row in place.
  void SetEntry(int row, const Core::TPictureEntry& entry);
  // Inserts the entries before row (Count() appends) as one change of the model.
  void Insert(int row, std::vector<Core::TPictureEntry> entries);
  void Remove(int row);
  // All entries at once: the same number of rows (a sort) is one layout change, another
  // number a reset.
  void SetEntries(std::vector<Core::TPictureEntry> entries);

private:
  std::vector<Core::TPictureEntry> FEntries;
  std::vector<QString> FShown; // the decoded paths, made once per entry
};

} // namespace Fotarium::App
