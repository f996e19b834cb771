// The value objects of the EXIF container: flash bits, versions, resolutions, ISO
// ratings and GPS coordinates, on the tags and on the mirrored XMP properties.

#include "units/ExifContainerFixtures.h"

#include "units/ExifPropertyFixtures.h"

#include "Tessel/Exif.h"

#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"
#include "platform/Streams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Tessel::Exif;
using namespace PropertyFixtures;

namespace {

using enum TExifSectionKind;
using enum TXMPWritePolicy;

std::string XMPSubValue(TCustomExifData& data, const std::string& name, const std::string& field) {
  TXMPSchema* schema = nullptr;
  TXMPProperty* property = nullptr;
  TXMPProperty* sub = nullptr;
  if (!data.XMPPacket().FindSchema(TXMPNamespace::xsExif, schema) || !schema->FindProperty(name, property) ||
      !property->FindSubProperty(field, sub))
    return "<none>";
  return sub->ReadValue(std::string_view());
}

std::uint16_t FlashWord(TExifData& data) { return BitSetToWord(data.Flash().BitSet()); }

// Restores the process-wide locale texts when a test changed them.
struct TFormatSettingsGuard {
  Platform::TFormatSettings Saved = Platform::FormatSettings();
  ~TFormatSettingsGuard() { Platform::SetFormatSettings(Saved); }
};

} // namespace

TEST(ExifFlashInfo, BitsReadAndWriteOnlyTheirOwnBits) {
  TExifData data;
  data.GetSection(esDetails)->SetWordValue(ttFlash, 0, 0x0019);
  auto& flash = data.Flash();
  EXPECT_TRUE(flash.Fired());
  EXPECT_EQ(flash.Mode(), TExifFlashMode::efAuto);
  EXPECT_TRUE(flash.Present());
  EXPECT_FALSE(flash.RedEyeReduction());
  EXPECT_EQ(flash.StrobeLight(), TExifStrobeLight::esNoDetectionFunction);

  flash.SetStrobeLight(TExifStrobeLight::esDetected);
  EXPECT_EQ(FlashWord(data), 0x001F);
  flash.SetPresent(false);
  EXPECT_EQ(FlashWord(data), 0x003F);
  flash.SetMode(TExifFlashMode::efCompulsorySuppression);
  EXPECT_EQ(FlashWord(data), 0x0037) << "mode lives in bits 3-4 only";
  flash.SetStrobeLight(TExifStrobeLight::esUndetected);
  EXPECT_EQ(flash.StrobeLight(), TExifStrobeLight::esUndetected);
  EXPECT_EQ(FlashWord(data), 0x0035);
}

TEST(ExifFlashInfo, ZeroIsKeptByBitEditsButRemovedByTheEmptySet) {
  TExifData data;
  data.GetSection(esDetails)->SetWordValue(ttFlash, 0, 0x0001);
  data.Flash().SetFired(false);
  ASSERT_NE(data.GetSection(esDetails)->Find(ttFlash), nullptr) << "'did not fire' must stay recorded";
  EXPECT_EQ(FlashWord(data), 0);
  EXPECT_FALSE(data.Flash().MissingOrInvalid());

  // Copying a Flash tag of 0 (the Rewrite path) keeps it too.
  data.SetFlash(&data.Flash());
  EXPECT_NE(data.GetSection(esDetails)->Find(ttFlash), nullptr);

  data.Flash().SetBitSet({});
  EXPECT_EQ(data.GetSection(esDetails)->Find(ttFlash), nullptr);
  data.Flash().SetFired(false);
  EXPECT_EQ(data.GetSection(esDetails)->Find(ttFlash), nullptr) << "clearing a bit creates no tag";
}

TEST(ExifFlashInfo, AssignCopiesOrClearsBothTags) {
  TExifData source;
  source.GetSection(esDetails)->SetWordValue(ttFlash, 0, 0x0041);
  source.Flash().SetStrobeEnergy({12, 5});

  TExifData data;
  int changes = 0;
  data.SetOnChange([&changes](TCustomExifData&) { ++changes; });
  data.SetFlash(&source.Flash());
  EXPECT_EQ(FlashWord(data), 0x0041);
  EXPECT_EQ(data.Flash().StrobeEnergy(), TTiffLongWordFraction(12, 5));
  EXPECT_EQ(changes, 1) << "Assign is one change";

  data.SetFlash(nullptr);
  EXPECT_EQ(data.GetSection(esDetails)->Find(ttFlash), nullptr);
  EXPECT_EQ(data.GetSection(esDetails)->Find(ttFlashEnergy), nullptr);
  EXPECT_TRUE(data.Flash().MissingOrInvalid());

  data.GetSection(esDetails)->SetWordValue(ttFlash, 0, 0x0001);
  EXPECT_THROW(data.Flash().Assign(&source.ISOSpeedRatings()), Platform::EAssignError);
  EXPECT_EQ(FlashWord(data), 0x0001) << "a refused source changes nothing";
}

TEST(ExifFlashInfo, XMPStructureFollowsThePolicy) {
  TExifData data;
  data.SetXMPWritePolicy(xwUpdateIfExists);
  data.Flash().SetBitSet(WordToBitSet(0x0019));
  EXPECT_EQ(FlashWord(data), 0x0019);
  EXPECT_EQ(data.XMPPacket().SchemaCount(), 0) << "update-if-exists adds neither property nor schema";

  data.SetXMPWritePolicy(xwAlwaysUpdate);
  data.Flash().SetPresent(false);
  EXPECT_EQ(XMPSubValue(data, "Flash", "Fired"), "True");
  EXPECT_EQ(XMPSubValue(data, "Flash", "Function"), "True");
  EXPECT_EQ(XMPSubValue(data, "Flash", "Mode"), "3");
  EXPECT_EQ(XMPSubValue(data, "Flash", "RedEyeMode"), "False");
  EXPECT_EQ(XMPSubValue(data, "Flash", "Return"), "0");
  data.Flash().SetStrobeLight(TExifStrobeLight::esUndetected);
  EXPECT_EQ(XMPSubValue(data, "Flash", "Return"), "2");
  data.Flash().SetStrobeEnergy({3, 2});
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "FlashEnergy"), "3/2");

  data.SetXMPWritePolicy(xwRemove);
  data.Flash().SetFired(false);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "Flash"), "<none>");
  EXPECT_EQ(FlashWord(data), 0x003C);
}

TEST(ExifVersions, DigitsTextsAndNewTags) {
  TFormatSettingsGuard guard;
  TExifData data;
  const std::uint8_t exifVersion[4] = {'0', '2', '3', '0'};
  data.GetSection(esDetails)->AddOrUpdate(ttExifVersion, TTiffDataType::tdUndefined, 4, exifVersion);
  EXPECT_EQ(data.ExifVersion().Major(), 2);
  EXPECT_EQ(data.ExifVersion().Minor(), 3);
  EXPECT_EQ(data.ExifVersion().Release(), 0);
  EXPECT_EQ(data.ExifVersion().AsString(), "2.30");
  Platform::SetFormatSettings(Platform::TFormatSettings::German());
  EXPECT_EQ(data.ExifVersion().AsString(), "2,30");
  Platform::SetFormatSettings(guard.Saved);

  const std::uint8_t gpsVersion[4] = {2, 2, 0, 0};
  data.GetSection(esGPS)->AddOrUpdate(ttGPSVersionID, TTiffDataType::tdByte, 4, gpsVersion);
  EXPECT_EQ(data.GPSVersion().AsString(), "2.20");

  // A new character version reads as a version text from its first byte on.
  data.FlashPixVersion().SetAsString("1.0");
  const auto* tag = data.GetSection(esDetails)->Find(ttFlashPixVersion);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->DataType(), TTiffDataType::tdUndefined);
  EXPECT_EQ(TagBytes(data, esDetails, ttFlashPixVersion), (std::vector<std::uint8_t>{'0', '1', '0', '0'}));
  data.InteropVersion().SetAsString("2");
  EXPECT_EQ(data.InteropVersion().AsString(), "2.00");
  data.GPSVersion().SetAsString("2.3");
  EXPECT_EQ(TagBytes(data, esGPS, ttGPSVersionID), (std::vector<std::uint8_t>{2, 3, 0, 0}));

  // A bad character raises, keeping the digits stored before it.
  EXPECT_THROW(data.ExifVersion().SetAsString("3.x"), Platform::ERangeError);
  EXPECT_EQ(data.ExifVersion().Major(), 3);

  data.SetExifVersion(&data.FlashPixVersion());
  EXPECT_EQ(data.ExifVersion().AsString(), "1.00");
  data.ExifVersion().SetAsString("");
  EXPECT_EQ(data.GetSection(esDetails)->Find(ttExifVersion), nullptr);
  data.SetInteropVersion(&data.ExifVersion());
  EXPECT_EQ(data.GetSection(esInterop)->Find(ttInteropVersion), nullptr) << "a missing source removes the tag";
  EXPECT_TRUE(data.InteropVersion().MissingOrInvalid());
}

TEST(ExifResolutions, TextsUnitsAndXMPMirror) {
  TExifData data;
  data.SetXMPWritePolicy(xwAlwaysUpdate);
  auto& resolution = data.Resolution();
  EXPECT_EQ(resolution.ToString(), "");
  EXPECT_EQ(resolution.Units(), TTiffResolutionUnit::trNone);
  resolution.SetX({72, 1});
  resolution.SetY({72, 1});
  EXPECT_EQ(resolution.ToString(), "72 x 72");
  resolution.SetUnits(TTiffResolutionUnit::trCentimetre);
  EXPECT_EQ(resolution.ToString(), "72cm x 72cm");
  resolution.SetUnits(TTiffResolutionUnit::trInch);
  EXPECT_EQ(resolution.ToString(), "72\" x 72\"");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "XResolution"), "72");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "ResolutionUnit"), "2");
  resolution.SetUnits(TTiffResolutionUnit::trNone);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "ResolutionUnit"), "<none>");
  EXPECT_EQ(data.GetSection(esGeneral)->GetWordValue(ttResolutionUnit, 0, 0), 1);

  data.FocalPlaneResolution().SetX({4000, 3});
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "FocalPlaneXResolution"), "4000/3");

  // The thumbnail's resolution has no XMP mirror.
  const auto schemas = data.XMPPacket().SchemaCount();
  data.SetThumbnailResolution(&resolution);
  EXPECT_EQ(data.ThumbnailResolution().ToString(), "72 x 72");
  EXPECT_EQ(data.XMPPacket().SchemaCount(), schemas);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "XResolution"), "72");

  data.SetResolution(nullptr);
  EXPECT_EQ(data.GetSection(esGeneral)->Count(), 0);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "XResolution"), "<none>");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "YResolution"), "<none>");
}

TEST(ExifISOSpeedRatings, ListTextItemsAndXMP) {
  TExifData data;
  auto& iso = data.ISOSpeedRatings();
  iso.SetAsString("100,200");
  const auto* tag = data.GetSection(esDetails)->Find(ttISOSpeedRatings);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->DataType(), TTiffDataType::tdWord);
  EXPECT_EQ(iso.Count(), 2);
  EXPECT_EQ(iso.Items(1), 200);
  EXPECT_EQ(iso.Items(2), 0);

  // Update-if-exists without a property: only the tag changes.
  iso.SetItems(1, 400);
  EXPECT_EQ(iso.AsString(), "100,400");
  EXPECT_EQ(data.XMPPacket().SchemaCount(), 0);

  data.SetXMPWritePolicy(xwAlwaysUpdate);
  iso.SetItems(1, 800);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "ISOSpeedRatings"), ",800") << "item 1 written, item 0 blank";
  iso.SetAsString("64,128");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "ISOSpeedRatings"), "64,128");

  try {
    iso.SetItems(2, 1);
    FAIL() << "index 2 of two items";
  } catch (const Platform::EListError& e) {
    EXPECT_STREQ(e.what(), "Listenindex außerhalb des gültigen Bereichs (2)");
  }
  EXPECT_THROW(iso.SetItems(-1, 1), Platform::EListError);

  // A text that does not convert leaves no empty tag behind.
  TExifData other;
  EXPECT_THROW(other.ISOSpeedRatings().SetAsString("fast"), Platform::EConvertError);
  EXPECT_EQ(other.GetSection(esDetails)->Find(ttISOSpeedRatings), nullptr);

  // Only SHORT and SSHORT count; Assign copies as SHORT.
  other.GetSection(esDetails)->SetLongWordValue(ttISOSpeedRatings, 0, 100);
  EXPECT_TRUE(other.ISOSpeedRatings().MissingOrInvalid());
  EXPECT_EQ(other.ISOSpeedRatings().AsString(), "");
  other.SetISOSpeedRatings(&iso);
  EXPECT_EQ(other.ISOSpeedRatings().AsString(), "64,128");
  EXPECT_EQ(other.GetSection(esDetails)->Find(ttISOSpeedRatings)->DataType(), TTiffDataType::tdWord);

  iso.SetCount(0);
  EXPECT_EQ(data.GetSection(esDetails)->Find(ttISOSpeedRatings), nullptr);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "ISOSpeedRatings"), "<none>");
  iso.SetCount(3);
  EXPECT_EQ(iso.AsString(), "0,0,0");
}

TEST(ExifGPSCoordinates, StoreReadAndText) {
  TExifData data;
  data.SetXMPWritePolicy(xwAlwaysUpdate);
  auto& latitude = data.GPSLatitude();
  latitude.Assign(TTiffLongWordFraction(48, 1), TTiffLongWordFraction(8, 1), TTiffLongWordFraction(0, 0),
                  TGPSLatitudeRef::ltNorth);
  const auto* tag = data.GetSection(esGPS)->Find(ttGPSLatitude);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->ElementCount(), 2);
  EXPECT_EQ(tag->DataType(), TTiffDataType::tdLongWordFraction);
  EXPECT_EQ(data.GetSection(esGPS)->GetStringValue(ttGPSLatitudeRef), "N");
  EXPECT_EQ(latitude.AsString(), "48,8N");
  EXPECT_EQ(latitude.Direction(), TGPSLatitudeRef::ltNorth);
  EXPECT_FALSE(latitude.MissingOrInvalid());
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSLatitude"), "48,8N");

  latitude.Assign(50, 30, 15, TGPSLatitudeRef::ltSouth);
  EXPECT_EQ(latitude.AsString(), "50,30,15S");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSLatitude"), "50,30,15S");
  latitude.Assign(50, 30, 15.3, TGPSLatitudeRef::ltNorth);
  EXPECT_EQ(latitude.Seconds(), TTiffLongWordFraction(153, 10));
  EXPECT_EQ(latitude.AsString(), "50,30,153/10N");

  auto& longitude = data.GPSLongitude();
  data.GetSection(esGPS)->SetStringValue(ttGPSLongitudeRef, "e");
  EXPECT_EQ(longitude.Direction(), TGPSLongitudeRef::lnEast);
  EXPECT_TRUE(longitude.MissingOrInvalid()) << "no coordinate yet";
  longitude.Assign(11, 34, TTiffLongWordFraction(0, 0), TGPSLongitudeRef::lnWest);
  EXPECT_EQ(longitude.TGPSCoordinate::Direction(), 'W');

  // The missing direction removes the letter and the XMP property.
  longitude.Assign(11, 34, TTiffLongWordFraction(0, 0), TGPSLongitudeRef::lnMissingOrInvalid);
  EXPECT_EQ(data.GetSection(esGPS)->Find(ttGPSLongitudeRef), nullptr);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSLongitude"), "<none>");
  EXPECT_NE(data.GetSection(esGPS)->Find(ttGPSLongitude), nullptr);
}

TEST(ExifGPSCoordinates, DirectionWriteKeepsXMPInStep) {
  TFormatSettingsGuard guard;
  TExifData data;
  data.SetXMPWritePolicy(xwAlwaysUpdate);
  auto& latitude = data.GPSLatitude();
  latitude.Assign(TTiffLongWordFraction(48, 1), TTiffLongWordFraction(17, 2), TTiffLongWordFraction(),
                  TGPSLatitudeRef::ltNorth);
  latitude.SetDirection('s');
  EXPECT_EQ(latitude.Direction(), TGPSLatitudeRef::ltSouth);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSLatitude"), "48,8.5S");

  // Under a comma locale the display text uses the comma; the XMP text keeps the point,
  // where a comma would read as one more coordinate part.
  Platform::SetFormatSettings(Platform::TFormatSettings::German());
  latitude.SetDirection('N');
  EXPECT_EQ(latitude.AsString(), "48,8,5N");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSLatitude"), "48,8.5N");
  Platform::SetFormatSettings(guard.Saved);

  // Update-if-exists follows an existing property; remove drops it.
  data.SetXMPWritePolicy(xwUpdateIfExists);
  latitude.SetDirection('S');
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSLatitude"), "48,8.5S");
  data.GPSDestLatitude().Assign(1, 2, 3, TGPSLatitudeRef::ltNorth);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSDestLatitude"), "<none>");
  data.SetXMPWritePolicy(xwRemove);
  latitude.SetDirection('N');
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSLatitude"), "<none>");
  EXPECT_EQ(latitude.Direction(), TGPSLatitudeRef::ltNorth);
}

TEST(ExifGPSCoordinates, AssignBetweenContainers) {
  TExifData source;
  source.GPSLatitude().Assign(TTiffLongWordFraction(52, 1), TTiffLongWordFraction(31, 1), TTiffLongWordFraction(12, 1),
                              TGPSLatitudeRef::ltNorth);
  TExifData data;
  data.SetGPSLatitude(&source.GPSLatitude());
  EXPECT_EQ(data.GPSLatitude().AsString(), "52,31,12N");
  data.SetGPSDestLatitude(&data.GPSLatitude());
  EXPECT_EQ(data.GPSDestLatitude().AsString(), "52,31,12N");
  data.SetGPSLatitude(&data.GPSLatitude());
  EXPECT_EQ(data.GPSLatitude().AsString(), "52,31,12N") << "assigning an object to itself keeps it";

  EXPECT_THROW(data.GPSLatitude().Assign(&source.GPSLongitude()), Platform::EAssignError);
  EXPECT_EQ(data.GPSLatitude().AsString(), "52,31,12N");

  data.SetGPSLatitude(&source.GPSDestLatitude());
  EXPECT_EQ(data.GetSection(esGPS)->Find(ttGPSLatitude), nullptr);
  EXPECT_EQ(data.GetSection(esGPS)->Find(ttGPSLatitudeRef), nullptr);
  data.SetGPSDestLatitude(nullptr);
  EXPECT_EQ(data.GetSection(esGPS)->Count(), 0);
}

TEST(ExifValueObjects, FixedStructureContainerEditsInPlaceOnly) {
  ExifFixtures::TExifBuilder builder;
  const int exif = builder.AddIfd();
  builder.Pointer(0, ttExifOffset, exif);
  builder.Short(exif, ttFlash, 0x0019);
  const auto block = builder.Build();
  Platform::TMemoryStream stream;
  stream.WriteBuffer(block.data(), static_cast<std::int64_t>(block.size()));
  stream.SetPosition(0);
  TCustomExifData data;
  data.LoadFromStream(stream);

  data.Flash().SetStrobeLight(TExifStrobeLight::esDetected);
  EXPECT_EQ(BitSetToWord(data.Flash().BitSet()), 0x001F);
  EXPECT_THROW(data.ISOSpeedRatings().SetCount(2), EIllegalEditOfExifData);
  EXPECT_THROW(data.GPSLatitude().Assign(1, 2, 3, TGPSLatitudeRef::ltNorth), EIllegalEditOfExifData);
  EXPECT_EQ(data.GetSection(esGPS)->Count(), 0);
}
