#pragma once

// The rows of the full EXIF list as plain data: section headers, load-state rows and
// one row per value. The desktop list, its clipboard copy and the command-line "list"
// command all take their rows from here. Names and value texts are English source texts
// passed through Core::Tr (context "ExifListRows"): the window's translator words them
// in the window's language, without one (the command-line tool) they stay English.

#include "platform/DateTime.h"

#include <span>
#include <string>
#include <vector>

namespace Tessel::Exif {
class TCustomExifData;
class TExifMakerNote;
} // namespace Tessel::Exif

namespace Fotarium::Core {

class IniFile;

// One row of the list. Section headers and plain rows have no value; the captions of
// value rows start with three blanks.
struct TExifListRow {
  std::string Caption;
  std::string Value;
  bool HasValue = false;
  bool operator==(const TExifListRow&) const = default;
};
using TExifListRows = std::vector<TExifListRow>;

// Every section of data that holds a tag or a load error, with its values. The texts
// of dates and decimal numbers follow Platform::FormatSettings().
[[nodiscard]] TExifListRows ListExifData(Tessel::Exif::TCustomExifData& data);

// The rows the list shows for data: switches data's EnsureEnumsInRange off (the
// setting stays, so that out-of-range values show as unrecognised), then
// ListExifData, or the single row "No Exif metadata found" for empty data.
[[nodiscard]] TExifListRows FillRows(Tessel::Exif::TCustomExifData& data);

// The maker note's tags described by the optional map (an ini file whose sections are
// maker-note classes and tags), sorted by caption, below five rows naming the type,
// the byte order and the load state.
[[nodiscard]] TExifListRows ListMakerNote(Tessel::Exif::TExifMakerNote& note, const IniFile* map);

struct TExifListOfFile {
  TExifListRows Rows;
  // The file's DateTime; -700000.0 when missing.
  Platform::TDateTime DateTime = -700000.0;
  // The file is a JPEG, Photoshop or TIFF picture (otherwise the list says that no
  // EXIF data was found).
  bool Recognised = false;
};

// The EXIF list of a file followed by its maker-note list. Errors of the library and
// the platform (unreadable file, unsupported format) propagate.
[[nodiscard]] TExifListOfFile LoadFromFileRows(const std::string& fileName, const IniFile* map);

// The text put on the clipboard for the selected rows: caption, and a tab and the
// value for value rows, each line ended by CR LF.
[[nodiscard]] std::string ClipboardText(std::span<const TExifListRow> selectedRows);

} // namespace Fotarium::Core
