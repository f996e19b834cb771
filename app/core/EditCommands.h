#pragma once

// The rules of the edit commands and of the rename by capture time, so that the window's
// handlers only read widgets, call these and write widgets back.

#include "Tessel/Exif.h"
#include "app/core/WindowLanguage.h"

#include "platform/DateTime.h"
#include "platform/FormatSettings.h"

#include <functional>
#include <string>
#include <string_view>

namespace Fotarium::Core {

// --- Orientation -------------------------------------------------------------------

// One click of the orientation button: a quarter turn clockwise (1 -> 6 -> 3 -> 8 -> 1);
// an undefined value counts as 1 first, a mirrored or unknown value becomes undefined.
[[nodiscard]] Tessel::Exif::TTiffOrientation NextOrientation(Tessel::Exif::TTiffOrientation current);
// Writes the next orientation into data.
void StepOrientation(Tessel::Exif::TCustomExifData& data);

// --- Date and time dialog -----------------------------------------------------------

inline constexpr int DateDialogHeight = 140;
inline constexpr int DateDialogHeightWithHint = 214;

struct TDateDialogPreset {
  Platform::TDateTime Value = 0; // for both pickers
  int Height = DateDialogHeight;
  std::string Label; // empty unless the picture has no date
};
// DateTime, else DateTimeOriginal, else now with the two-line hint naming jpgName.
[[nodiscard]] TDateDialogPreset DateDialogPreset(const Tessel::Exif::TCustomExifData& data, const std::string& jpgName,
                                                 Platform::TDateTime now);
[[nodiscard]] std::string NoValidDateHint(const std::string& jpgName);

// The whole day of the date picker's value with the time of day of the time picker's.
[[nodiscard]] Platform::TDateTime ComposePickerValues(Platform::TDateTime datePicker, Platform::TDateTime timePicker);
// Confirmed date dialog: only DateTime is written.
void ApplyDateDialogResult(Tessel::Exif::TCustomExifData& data, Platform::TDateTime datePicker,
                           Platform::TDateTime timePicker);

// --- Description and comment --------------------------------------------------------

enum class TEditableText : unsigned char { etDescription, etComment };
// The input box's caption: "Bildbeschreibung:" or "Kommentar:".
[[nodiscard]] std::string_view EditableTextCaption(TEditableText which);
[[nodiscard]] std::string EditableTextValue(const Tessel::Exif::TCustomExifData& data, TEditableText which);
// Any text the user types is taken, whatever the data's strict-ASCII setting: the
// description is stored as UTF-8 and the comment under the character code that fits it.
// An empty text removes the tag. A description also becomes the Caption-Abstract of the
// picture's IPTC data (pictureIPTC: a JPEG's or Photoshop file's, loaded beside the EXIF
// data) when that holds datasets.
void SetEditableTextValue(Tessel::Exif::TCustomExifData& data, TEditableText which, std::string_view text,
                          Tessel::Exif::TIPTCData* pictureIPTC = nullptr);
// Writes the edits into the file: the EXIF data with its XMP packet, and pictureIPTC
// when an edit changed it, in one replacement of the file (on failure it is untouched).
void SaveEdits(Tessel::Exif::TExifData& data, Tessel::Exif::TIPTCData* pictureIPTC, const std::string& path);

// --- Rename by capture time ---------------------------------------------------------

inline constexpr std::string_view UnsavedEditsQuestion =
    FOTARIUM_TRANSLATE_NOOP("EditCommands", "Exif-Änderungen gehen verloren! Trotzdem fortfahren?");
[[nodiscard]] std::string NoCaptureTimeQuestion(const std::string& path);
[[nodiscard]] std::string RenameFailedMessage(const std::string& dir, const std::string& name, int errorCode);

// What the user gave for a picture without capture time.
struct TCaptureTimeAnswer {
  Tessel::Exif::TDateTimeTagValue Date; // missing: leave the picture alone
  bool WriteIntoFile = false;           // also store it as the file's DateTime before renaming
};
// Called for a picture without capture time with its path.
using TAskCaptureTime = std::function<TCaptureTimeAnswer(const std::string& path)>;

enum class TRenameEntryStep : unsigned char {
  rsNotLoaded, // the file is no longer a picture the library reads: the command ends
  rsSkipped,   // no capture time, none given
  rsUnchanged, // the pattern gives the same name
  rsRenamed,
  rsFailed, // Message says why; the next entry goes on
};
struct TRenameEntryResult {
  TRenameEntryStep Step = TRenameEntryStep::rsSkipped;
  std::string NewPath; // rsRenamed and rsUnchanged
  std::string Message; // rsFailed
};
// One marked entry of the rename command. Errors raised while loading or saving the
// metadata propagate.
[[nodiscard]] TRenameEntryResult RenameEntry(const std::string& path, std::string_view pattern,
                                             const TAskCaptureTime& askCaptureTime,
                                             const Platform::TFormatSettings& settings = Platform::FormatSettings());

} // namespace Fotarium::Core
