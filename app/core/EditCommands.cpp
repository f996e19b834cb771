#include "app/core/EditCommands.h"

#include "app/core/FileNames.h"
#include "app/core/WindowLanguage.h"

#include "platform/FileOps.h"
#include "platform/Streams.h"

#include <array>
#include <utility>

namespace Fotarium::Core {

using Tessel::Exif::TCustomExifData;
using Tessel::Exif::TTiffOrientation;

TTiffOrientation NextOrientation(TTiffOrientation current) {
  using enum TTiffOrientation;
  static constexpr std::array<std::pair<TTiffOrientation, TTiffOrientation>, 4> steps{
      {{toTopLeft, toRightTop}, {toRightTop, toBottomRight}, {toBottomRight, toLeftBottom}, {toLeftBottom, toTopLeft}}};
  if (current == toUndefined)
    current = toTopLeft;
  for (const auto& [from, to] : steps)
    if (from == current)
      return to;
  return toUndefined;
}

void StepOrientation(TCustomExifData& data) { data.SetOrientation(NextOrientation(data.Orientation())); }

std::string NoValidDateHint(const std::string& jpgName) {
  return FormatText(
      Tr("EditCommands", "%1 hat noch kein gültiges Aufnahmedatum!\r\nEs wird das heutige Datum vorgeschlagen."),
      {jpgName});
}

TDateDialogPreset DateDialogPreset(const TCustomExifData& data, const std::string& jpgName, Platform::TDateTime now) {
  TDateDialogPreset preset;
  auto value = data.DateTime();
  if (value.MissingOrInvalid())
    value = data.DateTimeOriginal();
  if (value.MissingOrInvalid()) {
    preset.Value = now;
    preset.Height = DateDialogHeightWithHint;
    preset.Label = NoValidDateHint(jpgName);
  } else {
    preset.Value = value.Value();
  }
  return preset;
}

Platform::TDateTime ComposePickerValues(Platform::TDateTime datePicker, Platform::TDateTime timePicker) {
  return Platform::ComposeDateTime(Platform::DateOf(datePicker), Platform::TimeOf(timePicker));
}

void ApplyDateDialogResult(TCustomExifData& data, Platform::TDateTime datePicker, Platform::TDateTime timePicker) {
  data.SetDateTime(ComposePickerValues(datePicker, timePicker));
}

namespace {

struct TEditableTextField {
  std::string_view Caption;
  std::string (TCustomExifData::*Get)() const;
  void (TCustomExifData::*Set)(std::string_view);
};

const TEditableTextField& Field(TEditableText which) {
  static const std::array<TEditableTextField, 2> fields{{
      {FOTARIUM_TRANSLATE_NOOP("EditCommands", "Bildbeschreibung:"), &TCustomExifData::ImageDescription,
       &TCustomExifData::SetImageDescription},
      {FOTARIUM_TRANSLATE_NOOP("EditCommands", "Kommentar:"), &TCustomExifData::Comments,
       &TCustomExifData::SetComments},
  }};
  return fields[static_cast<std::size_t>(which) % fields.size()];
}

} // namespace

std::string_view EditableTextCaption(TEditableText which) { return Field(which).Caption; }

std::string EditableTextValue(const TCustomExifData& data, TEditableText which) { return (data.*Field(which).Get)(); }

void SetEditableTextValue(TCustomExifData& data, TEditableText which, std::string_view text,
                          Tessel::Exif::TIPTCData* pictureIPTC) {
  const bool enforce = data.EnforceASCII();
  data.SetEnforceASCII(false);
  try {
    (data.*Field(which).Set)(text);
  } catch (...) {
    data.SetEnforceASCII(enforce);
    throw;
  }
  data.SetEnforceASCII(enforce);
  // The container mirrors into IPTC it carries itself (a TIFF's); a JPEG's or Photoshop
  // file's lies beside it.
  if (which == TEditableText::etDescription && pictureIPTC != nullptr && data.EmbeddedIPTC().Empty())
    Tessel::Exif::MirrorDescriptionIntoIPTC(*pictureIPTC, text);
}

void SaveEdits(Tessel::Exif::TExifData& data, Tessel::Exif::TIPTCData* pictureIPTC, const std::string& path) {
  if (pictureIPTC == nullptr || !pictureIPTC->Modified()) {
    data.SaveToGraphic(path);
    return;
  }
  // Both savers work on one copy in memory, which replaces the file only when complete.
  Platform::TMemoryStream staged;
  {
    Platform::TFileStream input(path, Platform::fmOpenReadWrite);
    staged.CopyFrom(input, 0);
  }
  staged.SetPosition(0);
  data.SaveToGraphic(staged);
  staged.SetPosition(0);
  pictureIPTC->SaveToGraphic(staged);
  Platform::AtomicReplaceFile(path, [&staged](Platform::TStream& output) {
    staged.SetPosition(0);
    output.CopyFrom(staged, staged.Size());
  });
  pictureIPTC->SetModified(false);
}

std::string NoCaptureTimeQuestion(const std::string& path) {
  return FormatText(
      Tr("EditCommands", "%1 hat keine oder eine inkorrekte Aufnahmezeit!\r\nMöchten Sie eine Aufnahmezeit angeben?"),
      {path});
}

std::string RenameFailedMessage(const std::string& dir, const std::string& name, int errorCode) {
  return RenameFailedMessage(dir + name, errorCode);
}

TRenameEntryResult RenameEntry(const std::string& path, std::string_view pattern, const TAskCaptureTime& askCaptureTime,
                               const Platform::TFormatSettings& settings) {
  using enum TRenameEntryStep;
  TRenameEntryResult result;
  Tessel::Exif::TExifData data;
  if (!data.LoadFromGraphic(path)) {
    result.Step = rsNotLoaded;
    return result;
  }
  auto captureTime = CaptureTimeForRename(data);
  if (captureTime.MissingOrInvalid() && askCaptureTime) {
    const auto answer = askCaptureTime(path);
    captureTime = answer.Date;
    if (!captureTime.MissingOrInvalid() && answer.WriteIntoFile) {
      data.SetDateTime(captureTime);
      data.SaveToGraphic(path);
    }
  }
  if (captureTime.MissingOrInvalid()) {
    result.Step = rsSkipped;
    return result;
  }
  const auto dir = Platform::ExtractFilePath(path);
  const auto name = Platform::ExtractFileName(path);
  const auto outcome = RenameByPattern(dir, name, pattern, captureTime.Value(), settings);
  if (outcome.Failed()) {
    result.Step = rsFailed;
    result.Message = RenameFailedMessage(dir, name, outcome.ErrorCode);
  } else {
    result.Step = outcome.Unchanged ? rsUnchanged : rsRenamed;
    result.NewPath = dir + outcome.NewName;
  }
  return result;
}

} // namespace Fotarium::Core
