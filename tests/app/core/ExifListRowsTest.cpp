// The rows of the full EXIF list: order and kinds of the rows, the section headers and
// load states, the text tables, the maker-note map and the clipboard text.

#include "app/core/ExifListRows.h"
#include "app/core/IniFile.h"

#include "support/FormatSettingsScope.h"
#include "support/TestSupport.h"
#include "units/ExifContainerFixtures.h"

#include "Tessel/Exif.h"

#include "platform/FormatSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

using namespace ExifFixtures;
using namespace Tessel::Exif;
using Fotarium::Core::TExifListRow;
using Fotarium::Core::TExifListRows;

namespace {


TExifListRows RowsOf(TExifData& data, const Bytes& tiff) {
  EXPECT_TRUE(LoadGraphic(data, JPEGFile({ExifSegment(tiff)})));
  return Fotarium::Core::FillRows(data);
}

TExifListRows RowsOf(const Bytes& tiff) {
  TExifData data;
  return RowsOf(data, tiff);
}

// The values of every row with that caption (value rows are looked up with their blanks).
std::vector<std::string> ValuesOf(const TExifListRows& rows, std::string_view caption) {
  std::vector<std::string> values;
  for (const auto& row : rows)
    if (row.Caption == caption)
      values.push_back(row.Value);
  return values;
}

std::optional<std::string> ValueOf(const TExifListRows& rows, std::string_view name) {
  const auto values = ValuesOf(rows, "   " + std::string(name));
  if (values.empty())
    return std::nullopt;
  return values.front();
}

bool HasCaption(const TExifListRows& rows, std::string_view caption) {
  return std::any_of(rows.begin(), rows.end(), [&](const TExifListRow& row) { return row.Caption == caption; });
}

std::vector<std::string> Captions(const TExifListRows& rows) {
  std::vector<std::string> captions;
  for (const auto& row : rows)
    captions.push_back(row.Caption);
  return captions;
}

// The rows between a section header and the next row without value that is no
// load-state row (the next header).
TExifListRows SectionRows(const TExifListRows& rows, std::string_view header) {
  TExifListRows section;
  auto it = std::find_if(rows.begin(), rows.end(), [&](const TExifListRow& row) { return row.Caption == header; });
  if (it == rows.end())
    return section;
  for (++it; it != rows.end() && it->HasValue; ++it)
    section.push_back(*it);
  return section;
}

TExifListRow Value(std::string name, std::string value) { return {"   " + std::move(name), std::move(value), true}; }
TExifListRow Header(std::string caption) { return {std::move(caption), {}, false}; }

Bytes Rational(const TExifBuilder& b, std::uint32_t n, std::uint32_t d) { return b.U32(n) + b.U32(d); }

} // namespace

TEST(ExifListRows, MainAndExifSectionsInTheirOrderWithTheirValueKinds) {
  TExifBuilder b;
  const int exif = b.AddIfd();
  b.Ascii(0, ttMake, "Canon");
  b.Ascii(0, ttModel, "Canon EOS 5D");
  b.Short(0, ttOrientation, 6);
  b.Rational(0, ttXResolution, 72, 1);
  b.Rational(0, ttXResolution + 1, 72, 1);
  b.Short(0, ttResolutionUnit, 2);
  b.Pointer(0, ttExifOffset, exif);
  b.Rational(exif, ttExposureTime, 1, 250);
  b.Rational(exif, ttFNumber, 28, 10);
  b.Ascii(exif, ttDateTimeOriginal, "2024:05:06 07:08:09");
  b.Raw(exif, ttExposureBiasValue, TExifBuilder::SRATIONAL, 1, b.U32(static_cast<std::uint32_t>(-2)) + b.U32(3));
  b.Rational(exif, ttSubjectDistance, 5, 2);
  b.Shorts(exif, ttSubjectLocation, {120, 80});
  b.Shorts(exif, 0x8827, {100, 200});
  b.Long(exif, 0xA002, 4000);
  b.Long(exif, 0xA003, 0); // a zero size reads as no size
  const TFormatSettingsScope english(Platform::TFormatSettings::English());
  const TExifListRows rows = RowsOf(b.Build());

  const TExifListRows expectedStart{Header("General"),
                                    Value("Byte order", "Small endian"),
                                    Header("Main IFD"),
                                    Value("Loaded cleanly", "Yes"),
                                    Value("Camera make", "Canon"),
                                    Value("Camera model", "Canon EOS 5D"),
                                    Value("Orientation", "Rotate 90°"),
                                    Value("Resolution", "72 x 72 inches"),
                                    Header("Exif sub-IFD"),
                                    Value("Loaded cleanly", "Yes")};
  ASSERT_GE(rows.size(), expectedStart.size());
  EXPECT_EQ(TExifListRows(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(expectedStart.size())),
            expectedStart);

  EXPECT_EQ(ValueOf(rows, "Exposure time"), "0.004 seconds");
  // A fraction without unit keeps the blank in front of the (empty) unit.
  EXPECT_EQ(ValueOf(rows, "F number"), "2.8 ");
  EXPECT_EQ(ValueOf(rows, "Exposure bias value"), "-0.666666666666667");
  EXPECT_EQ(ValueOf(rows, "Date/time original"), "Monday, May 6, 2024 at 07:08:09");
  EXPECT_EQ(ValueOf(rows, "Subject location"), "(120, 80)");
  EXPECT_EQ(ValueOf(rows, "ISO speed rating(s)"), "100,200");
  EXPECT_EQ(ValueOf(rows, "Exif image width"), "4000");
  EXPECT_FALSE(ValueOf(rows, "Exif image height"));
  EXPECT_EQ(ValuesOf(rows, "   Subject distance"), (std::vector<std::string>{"2.5 ", "2.5 "}));
  // Absent fields give no rows, not empty ones.
  for (const char* absent : {"Software", "Date/time", "Copyright", "White balance mode", "Metering mode",
                             "Light source", "Colour space", "Flash present", "Shutter speed"})
    EXPECT_FALSE(ValueOf(rows, absent)) << absent;
  EXPECT_FALSE(HasCaption(rows, "GPS sub-IFD"));
  EXPECT_FALSE(HasCaption(rows, "Thumbnail IFD"));
  EXPECT_FALSE(HasCaption(rows, "Interoperability sub-IFD"));

  // The Exif rows keep their listed order: the second subject distance follows the
  // spectral sensitivity slot, after the first one.
  const auto captions = Captions(SectionRows(rows, "Exif sub-IFD"));
  const auto position = [&](std::string_view name) {
    return std::find(captions.begin(), captions.end(), "   " + std::string(name)) - captions.begin();
  };
  EXPECT_LT(position("Date/time original"), position("Exposure time"));
  EXPECT_LT(position("Exposure time"), position("Exposure bias value"));
  EXPECT_LT(position("Exposure bias value"), position("F number"));
  EXPECT_LT(position("F number"), position("ISO speed rating(s)"));
  EXPECT_LT(position("ISO speed rating(s)"), position("Subject distance"));
  EXPECT_LT(position("Subject distance"), position("Subject location"));
}

TEST(ExifListRows, LocaleShapesNumbersAndDates) {
  TExifBuilder b(true);
  const int exif = b.AddIfd();
  b.Ascii(0, ttMake, "Nikon");
  b.Pointer(0, ttExifOffset, exif);
  b.Rational(exif, ttFNumber, 56, 10);
  b.Ascii(exif, ttDateTimeOriginal, "2024:05:06 17:08:09");
  // APEX 8 is 1/256 s, 3.90625 ms.
  b.Raw(exif, 0x9201, TExifBuilder::SRATIONAL, 1, b.U32(8) + b.U32(1));
  const TFormatSettingsScope german(Platform::TFormatSettings::German());
  const TExifListRows rows = RowsOf(b.Build());
  EXPECT_EQ(ValueOf(rows, "Byte order"), "Big endian");
  EXPECT_EQ(ValueOf(rows, "F number"), "5,6 ");
  EXPECT_EQ(ValueOf(rows, "Date/time original"), "Montag, 6. Mai 2024 at 17:08:09");
  EXPECT_EQ(ValueOf(rows, "Shutter speed"), "3,906 milliseconds");
}

TEST(ExifListRows, FlashRowsOnlyWithFlashInformation) {
  TExifBuilder b;
  const int exif = b.AddIfd();
  b.Pointer(0, ttExifOffset, exif);
  b.Rational(exif, ttFNumber, 4, 1);
  const TExifListRows without = RowsOf(b.Build());
  for (const char* name : {"Flash present", "Flash mode", "Flash fired", "Flash red eye reduction",
                           "Flash strobe energy", "Flash strobe light"})
    EXPECT_FALSE(ValueOf(without, name)) << name;

  // Fired, strobe return light detected, auto mode, flash function present, no red-eye.
  b.Short(exif, ttFlash, 0x1F);
  b.Rational(exif, ttFlashEnergy, 5, 2);
  const TExifListRows rows = RowsOf(b.Build());
  const TExifListRows section = SectionRows(rows, "Exif sub-IFD");
  const TExifListRows expected{Value("Flash present", "Yes"),
                               Value("Flash mode", "Auto"),
                               Value("Flash fired", "Yes"),
                               Value("Flash red eye reduction", "No"),
                               Value("Flash strobe energy", "2.5 "),
                               Value("Flash strobe light", "Detected"),
                               Value("F number", "4 ")};
  auto first = std::find(section.begin(), section.end(), expected.front());
  ASSERT_NE(first, section.end());
  ASSERT_GE(section.end() - first, static_cast<std::ptrdiff_t>(expected.size()));
  EXPECT_EQ(TExifListRows(first, first + static_cast<std::ptrdiff_t>(expected.size())), expected);
}

TEST(ExifListRows, GPSSectionWithAltitudeBelowSeaLevelAndCoordinates) {
  TExifBuilder b;
  const int gps = b.AddIfd();
  b.Ascii(0, ttMake, "Apple");
  b.Pointer(0, ttGPSOffset, gps);
  b.Raw(gps, ttGPSVersionID, TExifBuilder::BYTE, 4, Bytes{2, 3, 0, 0});
  b.Ascii(gps, ttGPSLatitudeRef, "N");
  b.Raw(gps, ttGPSLatitude, TExifBuilder::RATIONAL, 3, Rational(b, 48, 1) + Rational(b, 8, 1) + Rational(b, 153, 10));
  b.Ascii(gps, ttGPSLongitudeRef, "W");
  b.Raw(gps, ttGPSLongitude, TExifBuilder::RATIONAL, 3, Rational(b, 11, 1) + Rational(b, 30, 1) + Rational(b, 0, 0));
  b.Raw(gps, ttGPSAltitudeRef, TExifBuilder::BYTE, 1, Bytes{1});
  b.Rational(gps, ttGPSAltitude, 100, 1);
  b.Ascii(gps, ttGPSSpeedRef, "N");
  b.Rational(gps, ttGPSSpeed, 12, 1);
  b.Rational(gps, ttGPSImgDirection, 90, 1); // no reference: true north
  b.Raw(gps, ttGPSDifferential, TExifBuilder::SHORT, 1, b.U16(1));
  const TFormatSettingsScope english(Platform::TFormatSettings::English());
  const TExifListRows rows = RowsOf(b.Build());
  ASSERT_TRUE(HasCaption(rows, "GPS sub-IFD"));
  EXPECT_EQ(ValueOf(rows, "GPS version"), "2.30");
  EXPECT_EQ(ValueOf(rows, "GPS latitude"), "48°, 8 minutes and 15.3 seconds north");
  // Seconds with a zero denominator count as 0.
  EXPECT_EQ(ValueOf(rows, "GPS longitude"), "11°, 30 minutes and 0 seconds west");
  EXPECT_EQ(ValueOf(rows, "GPS altitude"), "100 metres below sea level");
  EXPECT_EQ(ValueOf(rows, "GPS speed"), "12 knots");
  EXPECT_EQ(ValueOf(rows, "GPS image direction"), "90 true north");
  EXPECT_EQ(ValueOf(rows, "GPS differential"), "Correction applied");
  EXPECT_FALSE(ValueOf(rows, "GPS status"));
  EXPECT_FALSE(ValueOf(rows, "GPS destination latitude"));
}

TEST(ExifListRows, SectionHeadersOnlyForSectionsWithTagsOrLoadErrors) {
  {
    // A GPS directory without entries is no section worth a header.
    TExifBuilder b;
    const int gps = b.AddIfd();
    b.Ascii(0, ttMake, "Sony");
    b.Pointer(0, ttGPSOffset, gps);
    const TExifListRows rows = RowsOf(b.Build());
    EXPECT_FALSE(HasCaption(rows, "GPS sub-IFD"));
    EXPECT_FALSE(ValueOf(rows, "GPS version"));
  }
  {
    // A GPS directory with an entry pointing into nowhere: the damage is shown and
    // the values that could be read are still listed.
    TExifBuilder b;
    const int gps = b.AddIfd();
    b.Ascii(0, ttMake, "Sony");
    b.Pointer(0, ttGPSOffset, gps);
    b.Raw(gps, ttGPSVersionID, TExifBuilder::BYTE, 4, Bytes{2, 2, 0, 0});
    b.Ascii(gps, ttGPSLatitudeRef, "N");
    b.Raw(gps, ttGPSLatitude, TExifBuilder::RATIONAL, 3, b.U32(0x7FFFFFF0));
    b.Ascii(gps, ttGPSSatellites, "7");
    b.Ascii(gps, ttGPSMapDatum, "WGS-84");
    const TExifListRows rows = RowsOf(b.Build());
    ASSERT_TRUE(HasCaption(rows, "GPS sub-IFD"));
    const TExifListRows gpsRows = SectionRows(rows, "GPS sub-IFD");
    ASSERT_FALSE(gpsRows.empty());
    EXPECT_EQ(gpsRows.front().Caption, "   Loaded cleanly");
    EXPECT_EQ(gpsRows.front().Value, "No: one or more bad tag headers");
    EXPECT_FALSE(ValueOf(gpsRows, "GPS latitude"));
    EXPECT_EQ(ValueOf(gpsRows, "GPS satellites"), "7");
    EXPECT_EQ(ValueOf(gpsRows, "GPS map datum"), "WGS-84");
  }
}

TEST(ExifListRows, ThumbnailWhoseImageCannotBeRead) {
  TExifBuilder b;
  const int ifd1 = b.AddIfd();
  b.Ascii(0, ttMake, "Canon");
  b.Chain(0, ifd1);
  b.Short(ifd1, ttCompression, 6);
  b.Short(ifd1, ttOrientation, 1);
  b.Long(ifd1, ttJPEGInterchangeFormat, 0x00FFFFF0);
  b.Long(ifd1, ttJPEGInterchangeFormatLength, 2000);
  const TExifListRows rows = RowsOf(b.Build());
  ASSERT_TRUE(HasCaption(rows, "Thumbnail IFD"));
  const TExifListRows section = SectionRows(rows, "Thumbnail IFD");
  ASSERT_FALSE(section.empty());
  EXPECT_EQ(section.front().Caption, "   Loaded cleanly");
  EXPECT_TRUE(section.front().Value.starts_with("No:")) << section.front().Value;
  EXPECT_TRUE(section.front().Value.ends_with(" bad image offset")) << section.front().Value;
  EXPECT_EQ(ValueOf(section, "Thumbnail orientation"), "Normal");
}

TEST(ExifListRows, ThumbnailThatLoadsIsClean) {
  TExifBuilder b;
  const int ifd1 = b.AddIfd();
  b.Ascii(0, ttMake, "Canon");
  b.Chain(0, ifd1);
  b.Short(ifd1, ttCompression, 6);
  b.BlobPointer(ifd1, ttJPEGInterchangeFormat, TinyJPEG(8, 8));
  b.Long(ifd1, ttJPEGInterchangeFormatLength, static_cast<std::uint32_t>(TinyJPEG(8, 8).size()));
  const TExifListRows rows = RowsOf(b.Build());
  const TExifListRows section = SectionRows(rows, "Thumbnail IFD");
  ASSERT_FALSE(section.empty());
  EXPECT_EQ(section.front(), Value("Loaded cleanly", "Yes"));
}

TEST(ExifListRows, ValuesOutsideTheTablesShowAsUnrecognised) {
  TExifBuilder b;
  const int exif = b.AddIfd();
  b.Short(0, ttOrientation, 9);
  b.Pointer(0, ttExifOffset, exif);
  b.Short(exif, ttMeteringMode, 99);
  b.Short(exif, ttLightSource, 16); // warm white fluorescent has no text of its own
  b.Short(exif, ttSensingMethod, 6);
  b.Short(exif, ttColorSpace, 0x1234);
  b.Short(exif, ttWhiteBalance, 7);
  b.Short(exif, 0xA406, 3);
  TExifData data;
  ASSERT_TRUE(data.EnsureEnumsInRange());
  const TExifListRows rows = RowsOf(data, b.Build());
  // The clamping stays off on the caller's object.
  EXPECT_FALSE(data.EnsureEnumsInRange());
  EXPECT_EQ(ValueOf(rows, "Orientation"), "[Unrecognised value (9)]");
  EXPECT_EQ(ValueOf(rows, "Metering mode"), "[Unrecognised value (99)]");
  EXPECT_EQ(ValueOf(rows, "Light source"), "[Unrecognised value (16)]");
  EXPECT_EQ(ValueOf(rows, "Sensing method"), "[Unrecognised value (6)]");
  EXPECT_EQ(ValueOf(rows, "Colour space"), "[Unrecognised value (4660)]");
  EXPECT_EQ(ValueOf(rows, "White balance mode"), "[Unrecognised value (7)]");
  EXPECT_EQ(ValueOf(rows, "Scene capture type"), "NightScene");
}

TEST(ExifListRows, KnownTableValues) {
  TExifBuilder b;
  const int exif = b.AddIfd();
  b.Short(0, ttOrientation, 7);
  b.Pointer(0, ttExifOffset, exif);
  b.Short(exif, ttMeteringMode, 2);
  b.Short(exif, ttLightSource, 255);
  b.Short(exif, ttSensingMethod, 2);
  b.Short(exif, ttColorSpace, 0xFFFF);
  b.Short(exif, ttWhiteBalance, 0);
  b.Short(exif, 0x8822, 3);
  b.Undefined(exif, 0xA300, Bytes{3});
  b.Undefined(exif, 0xA301, Bytes{1});
  const TExifListRows rows = RowsOf(b.Build());
  EXPECT_EQ(ValueOf(rows, "Orientation"), "Mirror hotizontal and rotate 90°");
  EXPECT_EQ(ValueOf(rows, "Metering mode"), "Centre weighted average");
  EXPECT_EQ(ValueOf(rows, "Light source"), "Other");
  EXPECT_EQ(ValueOf(rows, "Sensing method"), "One chip");
  EXPECT_EQ(ValueOf(rows, "Colour space"), "Uncalibrated (maybe Adobe RGB)");
  EXPECT_EQ(ValueOf(rows, "White balance mode"), "Auto");
  EXPECT_EQ(ValueOf(rows, "Exposure programme"), "Aperture priority");
  EXPECT_EQ(ValueOf(rows, "File source"), "Digital camera");
  EXPECT_EQ(ValueOf(rows, "Scene type"), "Directly photographed");
}

TEST(ExifListRows, EmptyDataGivesOneRow) {
  TExifData data;
  EXPECT_EQ(Fotarium::Core::FillRows(data), (TExifListRows{Header("No Exif metadata found")}));
  EXPECT_FALSE(data.EnsureEnumsInRange());
}

TEST(ExifListRows, ClipboardTextOfSelectedRows) {
  const TExifListRows selected{Header("Main IFD"), Value("Camera make", "Canon"), Value("Copyright", "")};
  EXPECT_EQ(Fotarium::Core::ClipboardText(selected), "Main IFD\r\n   Camera make\tCanon\r\n   Copyright\t\r\n");
  EXPECT_EQ(Fotarium::Core::ClipboardText({}), "");
}

// ----- maker notes ---------------------------------------------------------------------

namespace {

// A little-endian maker-note directory whose out-of-line offsets count from the EXIF
// block's header (where the note's data lands is told by the builder).
class TNoteDirectory {
public:
  void Add(std::uint16_t id, std::uint16_t type, std::uint32_t count, Bytes value) {
    FEntries.push_back({id, type, count, std::move(value)});
  }
  [[nodiscard]] Bytes Build(std::uint32_t noteOffset) const {
    const TExifBuilder le;
    Bytes out = le.U16(static_cast<std::uint16_t>(FEntries.size()));
    const auto dataStart = static_cast<std::uint32_t>(2 + 12 * FEntries.size() + 4);
    Bytes data;
    for (const auto& e : FEntries) {
      out = out + le.U16(e.ID) + le.U16(e.Type) + le.U32(e.Count);
      if (e.Value.size() <= 4) {
        Bytes field = e.Value;
        field.resize(4, 0);
        out = out + field;
      } else {
        out = out + le.U32(noteOffset + dataStart + static_cast<std::uint32_t>(data.size()));
        data = data + e.Value;
      }
    }
    return out + le.U32(0) + data;
  }

private:
  struct TEntry {
    std::uint16_t ID, Type;
    std::uint32_t Count;
    Bytes Value;
  };
  std::vector<TEntry> FEntries;
};

Bytes CanonExif(const TNoteDirectory& note) {
  TExifBuilder b;
  const int exif = b.AddIfd();
  b.Ascii(0, ttMake, "Canon");
  b.Pointer(0, ttExifOffset, exif);
  b.Undefined(exif, ttMakerNote, note.Build(0));
  (void)b.Build();
  b.SetValue(exif, ttMakerNote, note.Build(b.DataOffset(exif, ttMakerNote)));
  return b.Build();
}

TNoteDirectory SampleNote() {
  const TExifBuilder le;
  TNoteDirectory note;
  note.Add(0x0001, TExifBuilder::SHORT, 3, le.U16(0) + le.U16(2) + le.U16(7));
  // Padded with NULs, as cameras write their fixed-size text fields.
  note.Add(0x0006, TExifBuilder::ASCII, 13, BytesOf(std::string_view("Canon EOS\0\0\0\0", 13)));
  note.Add(0x0010, TExifBuilder::UNDEFINED, 2, Bytes{0xAB, 0x01});
  note.Add(0x0020, TExifBuilder::UNDEFINED, 60, Bytes(60, 0x5A));
  return note;
}

const char* const SampleMap = "; maker-note map\n"
                              "[TCanonMakerNote]\n"
                              "UseTagsFrom=Canon\n"
                              "\n"
                              "[Canon.$0001]\n"
                              "TreatAsTagGroup=yes\n"
                              "TagDescription=Camera settings\n"
                              "[Canon.$0001(1)]\n"
                              "TagDescription=Macro mode\n"
                              "2=Macro\n"
                              "[Canon.$0006]\n"
                              "TagDescription=Image type\n"
                              "Canon EOS=EOS camera\n"
                              "[Canon.$0010]\n"
                              "AB01=Translated\n";

// 60 bytes of 0x5A: the first 100 hex digits in braces, marked as cut.
std::string LongUndefinedText() {
  std::string hex;
  for (int i = 0; i < 50; ++i)
    hex += "5A";
  return "{" + hex + "...}";
}

} // namespace

TEST(ExifListRows, MakerNoteWithoutMap) {
  TExifData data;
  ASSERT_TRUE(LoadGraphic(data, JPEGFile({ExifSegment(CanonExif(SampleNote()))})));
  ASSERT_EQ(data.MakerNote().ClassType(), TCanonMakerNote::Class());
  const TExifListRows rows = Fotarium::Core::ListMakerNote(data.MakerNote(), nullptr);
  const TExifListRows expected{Header("General"),
                               Value("Type", "Canon"),
                               Value("Byte order", "Small endian"),
                               Value("Loaded cleanly", "Yes"),
                               Header("Tags"),
                               Value("Unknown ($0001)", "0,2,7"),
                               Value("Unknown ($0006)", "Canon EOS"),
                               Value("Unknown ($0010)", "{AB01}"),
                               Value("Unknown ($0020)", LongUndefinedText())};
  EXPECT_EQ(rows, expected);
}

TEST(ExifListRows, MakerNoteDescribedByMap) {
  TExifData data;
  ASSERT_TRUE(LoadGraphic(data, JPEGFile({ExifSegment(CanonExif(SampleNote()))})));
  const auto map = Fotarium::Core::IniFile::FromText(SampleMap);
  const TExifListRows rows = Fotarium::Core::ListMakerNote(data.MakerNote(), &map);
  ASSERT_GE(rows.size(), 5U);
  EXPECT_EQ(Captions(TExifListRows(rows.begin(), rows.begin() + 5)),
            (std::vector<std::string>{"General", "   Type", "   Byte order", "   Loaded cleanly", "Tags"}));
  // Sorted by caption; the group's elements have sections of their own.
  const TExifListRows tags(rows.begin() + 5, rows.end());
  const TExifListRows expected{Value("Camera settings (0)", "0"),      Value("Camera settings (2)", "7"),
                               Value("Image type", "EOS camera"),      Value("Macro mode", "Macro"),
                               Value("Unknown ($0010)", "Translated"), Value("Unknown ($0020)", LongUndefinedText())};
  EXPECT_EQ(tags, expected);
}

TEST(ExifListRows, MakerNoteGroupWithoutDescriptionAndOtherClassSections) {
  TExifData data;
  ASSERT_TRUE(LoadGraphic(data, JPEGFile({ExifSegment(CanonExif(SampleNote()))})));
  // Without UseTagsFrom the class name itself is the prefix of the tag sections.
  const auto map = Fotarium::Core::IniFile::FromText("[TCanonMakerNote.$0001]\nTreatAsTagGroup=1\n"
                                                     "[Canon.$0006]\nTagDescription=Not used\n");
  const TExifListRows rows = Fotarium::Core::ListMakerNote(data.MakerNote(), &map);
  EXPECT_EQ(ValueOf(rows, "Unknown ($0001, 0)"), "0");
  EXPECT_EQ(ValueOf(rows, "Unknown ($0001, 2)"), "7");
  EXPECT_EQ(ValueOf(rows, "Unknown ($0006)"), "Canon EOS");
  EXPECT_FALSE(ValueOf(rows, "Not used"));
}

TEST(ExifListRows, LoadFromFileListsExifDataThenMakerNote) {
  TTempDir dir;
  const std::string withNote = dir.File("note.jpg");
  WriteFile(withNote, JPEGFile({ExifSegment(CanonExif(SampleNote()))}));
  const auto map = Fotarium::Core::IniFile::FromText(SampleMap);
  const auto list = Fotarium::Core::LoadFromFileRows(withNote, &map);
  EXPECT_TRUE(list.Recognised);
  EXPECT_EQ(list.DateTime, -700000.0);
  ASSERT_FALSE(list.Rows.empty());
  EXPECT_EQ(list.Rows.front(), Header("General"));
  // The EXIF rows stay in their order; the maker-note block follows them.
  const auto captions = Captions(list.Rows);
  const auto mainIFD = std::find(captions.begin(), captions.end(), "Main IFD");
  const auto tags = std::find(captions.begin(), captions.end(), "Tags");
  ASSERT_NE(mainIFD, captions.end());
  ASSERT_NE(tags, captions.end());
  EXPECT_LT(mainIFD, tags);
  EXPECT_EQ(*(tags - 4), "General");
  EXPECT_EQ(ValueOf(list.Rows, "Macro mode"), "Macro");
  EXPECT_EQ(ValueOf(list.Rows, "Camera make"), "Canon");

  TExifBuilder b;
  b.Ascii(0, ttMake, "Pentax");
  b.Ascii(0, 0x0132, "2023:01:02 03:04:05");
  const std::string plain = dir.File("plain.jpg");
  WriteFile(plain, JPEGFile({ExifSegment(b.Build())}));
  const auto plainList = Fotarium::Core::LoadFromFileRows(plain, nullptr);
  EXPECT_EQ(plainList.Rows.back(), Header("No MakerNote found"));
  EXPECT_DOUBLE_EQ(plainList.DateTime, Platform::EncodeDateTime(2023, 1, 2, 3, 4, 5, 0));

  const std::string none = dir.File("none.jpg");
  WriteFile(none, JPEGFile({}));
  EXPECT_EQ(Fotarium::Core::LoadFromFileRows(none, nullptr).Rows,
            (TExifListRows{Header("No Exif metadata found"), Header("No MakerNote found")}));

  const std::string text = dir.File("text.jpg");
  WriteFile(text, std::string_view("not a picture"));
  EXPECT_FALSE(Fotarium::Core::LoadFromFileRows(text, nullptr).Recognised);
  EXPECT_THROW((void)Fotarium::Core::LoadFromFileRows(dir.File("missing.jpg"), nullptr), Platform::Exception);
}

TEST(ExifListRows, UnrecognisedMakerNote) {
  TExifBuilder b;
  const int exif = b.AddIfd();
  b.Ascii(0, ttMake, "Nobody");
  b.Pointer(0, ttExifOffset, exif);
  b.Undefined(exif, ttMakerNote, Bytes(16, 0xFF));
  TTempDir dir;
  const std::string file = dir.File("odd.jpg");
  WriteFile(file, JPEGFile({ExifSegment(b.Build())}));
  const auto list = Fotarium::Core::LoadFromFileRows(file, nullptr);
  ASSERT_FALSE(list.Rows.empty());
  EXPECT_EQ(list.Rows.back(), Header("Unrecognised format"));
}
