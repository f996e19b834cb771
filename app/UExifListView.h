#pragma once

// The full EXIF list: every section of a picture's EXIF data (and, when loaded from a
// file, its maker note) as a two-column report of names and values. The rows are
// computed by Fotarium::Core (app/core/ExifListRows.h); this widget only shows them.

#include "platform/DateTime.h"

#include <QTreeWidget>

#include <string>
#include <vector>

namespace Tessel::Exif {
class TCustomExifData;
} // namespace Tessel::Exif

namespace Fotarium::Core {
class IniFile;
struct TExifListRow;
} // namespace Fotarium::Core

namespace Fotarium::App {

class TExifListView : public QTreeWidget {
  Q_OBJECT

public:
  // Becomes a child of owner; the owner puts it into its layout.
  explicit TExifListView(QWidget* owner);

  // Replaces all rows by the rows of aExifData. Switches the caller's
  // EnsureEnumsInRange off so that out-of-range values show as unrecognised.
  void Fill(Tessel::Exif::TCustomExifData& aExifData);
  // Lists the file's EXIF data and maker note (described by the optional map) and
  // answers the file's DateTime (-700000.0 when missing). Library and platform
  // errors propagate; the list then holds what was listed before the error.
  Platform::TDateTime LoadFromFile(const std::string& fileName, const Core::IniFile* map);
  // Removes all rows.
  void Clear();
  // Marks every row.
  void SelectAll();
  [[nodiscard]] bool CanCopyToClipboard() const;
  // The marked rows as text on the desktop's clipboard (an empty text when none).
  void CopyToClipboard();

private:
  void ShowRows(const std::vector<Core::TExifListRow>& rows);
  [[nodiscard]] std::vector<Core::TExifListRow> SelectedRows() const;
};

} // namespace Fotarium::App
