// The typed properties of the EXIF container: how each kind of field reads its tag,
// writes it and mirrors it into the XMP packet under the three write policies.

#include "units/ExifContainerFixtures.h"

#include "units/ExifPropertyFixtures.h"

#include "Tessel/Exif.h"

#include "platform/DateTime.h"
#include "platform/Streams.h"
#include "platform/StringList.h"
#include "platform/Strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Tessel::Exif;
using namespace PropertyFixtures;

namespace {

using enum TExifSectionKind;
using enum TXMPWritePolicy;

std::vector<std::uint8_t> UserCommentBytes(std::string_view header8, std::string_view payload) {
  std::vector<std::uint8_t> bytes(header8.begin(), header8.end());
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  return bytes;
}

TDateTime At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  return Platform::EncodeDateTime(y, mo, d, h, mi, s, ms);
}

} // namespace

TEST(ExifProperties, StringPropertyUnderEachPolicy) {
  TExifData data;
  data.SetCameraMake("Canon");
  EXPECT_EQ(data.CameraMake(), "Canon");
  EXPECT_EQ(data.XMPPacket().SchemaCount(), 0) << "update-if-exists is the default and creates nothing";

  data.SetXMPWritePolicy(xwAlwaysUpdate);
  data.SetCameraMake("Nikon");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "Make"), "Nikon");
  data.SetSoftware("Fotarium 1.0");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsXMPBasic, "CreatorTool"), "Fotarium 1.0");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "Software"), "Fotarium 1.0");

  data.SetXMPWritePolicy(xwUpdateIfExists);
  data.SetCameraMake("Sony");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "Make"), "Sony");
  data.SetCameraModel("A7");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "Model"), "<none>");

  data.SetXMPWritePolicy(xwRemove);
  data.SetCameraMake("Pentax");
  EXPECT_EQ(data.CameraMake(), "Pentax");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "Make"), "<none>");

  // Non-ASCII text for an ASCII tag is refused before anything changes.
  data.SetXMPWritePolicy(xwAlwaysUpdate);
  EXPECT_THROW(data.SetCameraMake("Caf\xc3\xa9"), ENotOnlyASCIIError);
  EXPECT_EQ(data.CameraMake(), "Pentax");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "Make"), "<none>");
  data.SetEnforceASCII(false);
  data.SetCameraMake("Caf\xc3\xa9");
  EXPECT_EQ(data.CameraMake(), "Caf\xc3\xa9");

  data.SetCameraMake("");
  EXPECT_EQ(data.GetSection(esGeneral)->Find(ttMake), nullptr);
}

TEST(ExifProperties, DescriptionKeepsSubjectMirror) {
  TExifData data;
  data.SetXMPWritePolicy(xwAlwaysUpdate);
  data.SetSubject("Subject text");
  data.SetImageDescription("Beach");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsDublinCore, "description"), "Beach");

  data.SetXMPWritePolicy(xwUpdateIfExists);
  data.SetImageDescription("");
  EXPECT_EQ(data.GetSection(esGeneral)->Find(ttImageDescription), nullptr);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsDublinCore, "description"), "Beach")
      << "XPSubject still has text: dc:description stays";

  data.SetSubject("");
  data.SetImageDescription("");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsDublinCore, "description"), "<none>");
}

TEST(ExifProperties, AuthorChoosesBetweenArtistAndXPAuthor) {
  TExifData data;
  auto& general = *data.GetSection(esGeneral);
  general.SetStringValue(ttArtist, "Old");
  data.SetAuthor("J\xc3\xbcrgen");
  EXPECT_EQ(general.Find(ttArtist), nullptr);
  EXPECT_EQ(general.GetWindowsStringValue(ttXPAuthor), "J\xc3\xbcrgen");
  EXPECT_EQ(data.Author(), "J\xc3\xbcrgen");

  TExifData ascii;
  ascii.GetSection(esGeneral)->SetStringValue(ttArtist, "Old name");
  ascii.SetXMPWritePolicy(xwAlwaysUpdate);
  ascii.SetAuthor("Ann");
  EXPECT_EQ(TagBytes(ascii, esGeneral, ttArtist), (std::vector<std::uint8_t>{'A', 'n', 'n', 0}));
  EXPECT_EQ(ascii.GetSection(esGeneral)->Find(ttXPAuthor), nullptr) << "a missing XPAuthor stays missing";
  EXPECT_EQ(XMPValue(ascii, TXMPNamespace::xsDublinCore, "creator"), "Ann");
  EXPECT_EQ(XMPValue(ascii, TXMPNamespace::xsTIFF, "Artist"), "Ann");

  TExifData fresh;
  fresh.SetAuthor("Bob");
  EXPECT_EQ(fresh.GetSection(esGeneral)->Find(ttArtist), nullptr);
  EXPECT_EQ(fresh.GetSection(esGeneral)->GetWindowsStringValue(ttXPAuthor), "Bob");
  fresh.SetAuthor("");
  EXPECT_EQ(fresh.GetSection(esGeneral)->Count(), 0);
}

TEST(ExifProperties, CommentsFromXPCommentOrUserComment) {
  TExifData data;
  auto& details = *data.GetSection(esDetails);
  const auto ascii = UserCommentBytes(std::string_view("ASCII\0\0\0", 8), "Hello  ");
  details.AddOrUpdate(ttUserComment, TTiffDataType::tdUndefined, static_cast<std::int32_t>(ascii.size()), ascii.data());
  EXPECT_EQ(data.Comments(), "Hello");

  const auto unicode = UserCommentBytes(std::string_view("UNICODE\0", 8), std::string_view("H\0i\0 \0\0\0", 8));
  details.AddOrUpdate(ttUserComment, TTiffDataType::tdUndefined, static_cast<std::int32_t>(unicode.size()),
                      unicode.data());
  EXPECT_EQ(data.Comments(), "Hi");
  const auto jis = UserCommentBytes(std::string_view("JIS\0\0\0\0\0", 8), "abcd");
  details.AddOrUpdate(ttUserComment, TTiffDataType::tdUndefined, static_cast<std::int32_t>(jis.size()), jis.data());
  EXPECT_EQ(data.Comments(), "");

  // Writing sets XPComment and turns UserComment into UNICODE, in the block's byte order.
  data.SetComments("\xc3\xa9t\xc3\xa9");
  EXPECT_EQ(data.GetSection(esGeneral)->GetWindowsStringValue(ttXPComment), "\xc3\xa9t\xc3\xa9");
  const auto* tag = details.Find(ttUserComment);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->DataType(), TTiffDataType::tdUndefined);
  EXPECT_EQ(TagBytes(data, esDetails, ttUserComment),
            UserCommentBytes(std::string_view("UNICODE\0", 8), std::string_view("\xe9\0t\0\xe9\0", 6)));
  data.GetSection(esGeneral)->Remove(ttXPComment);
  EXPECT_EQ(data.Comments(), "\xc3\xa9t\xc3\xa9");

  TExifData motorola;
  motorola.SetEndianness(TEndianness::BigEndian);
  motorola.SetComments("\xc3\xa9t\xc3\xa9");
  EXPECT_EQ(TagBytes(motorola, esDetails, ttUserComment),
            UserCommentBytes(std::string_view("UNICODE\0", 8), std::string_view("\0\xe9\0t\0\xe9", 6)))
      << "created where missing, big-endian in a big-endian block";
  motorola.SetComments("plain");
  EXPECT_EQ(TagBytes(motorola, esDetails, ttUserComment), UserCommentBytes(std::string_view("ASCII\0\0\0", 8), "plain"))
      << "7-bit text keeps the ASCII code";
  data.SetComments("");
  EXPECT_EQ(details.Find(ttUserComment), nullptr);
  EXPECT_EQ(data.GetSection(esGeneral)->Find(ttXPComment), nullptr);
}

TEST(ExifProperties, CommentsInFixedStructureEmptyAUserCommentThatCannotGrow) {
  ExifFixtures::TExifBuilder builder;
  const int exif = builder.AddIfd();
  builder.Pointer(0, ttExifOffset, exif);
  builder.Raw(0, ttXPComment, ExifFixtures::TExifBuilder::BYTE, 40, ExifFixtures::Bytes(40, 0));
  builder.Undefined(exif, ttUserComment, UserCommentBytes(std::string_view("ASCII\0\0\0", 8), "abcd"));
  const auto block = builder.Build();
  Platform::TMemoryStream stream;
  stream.WriteBuffer(block.data(), static_cast<std::int64_t>(block.size()));
  stream.SetPosition(0);
  TCustomExifData data;
  data.LoadFromStream(stream);

  data.SetComments("a longer comment");
  EXPECT_EQ(data.GetSection(esGeneral)->GetWindowsStringValue(ttXPComment), "a longer comment");
  ASSERT_NE(data.GetSection(esDetails)->Find(ttUserComment), nullptr);
  EXPECT_EQ(data.GetSection(esDetails)->Find(ttUserComment)->ElementCount(), 0);
  data.SetComments("ab");
  EXPECT_EQ(data.GetSection(esDetails)->Find(ttUserComment)->ElementCount(), 10)
      << "a comment that fits the loaded size is written in place";
  data.GetSection(esGeneral)->Find(ttXPComment)->SetElementCount(0);
  EXPECT_EQ(data.Comments(), "ab");
}

TEST(ExifProperties, OrientationAndEnumeratedFields) {
  TExifData data;
  auto& general = *data.GetSection(esGeneral);
  general.SetWordValue(ttOrientation, 0, 6);
  EXPECT_EQ(data.Orientation(), TTiffOrientation::toRightTop);
  general.SetByteValue(ttOrientation, 0, 6);
  EXPECT_EQ(data.Orientation(), TTiffOrientation::toRightTop) << "stored as BYTE";
  general.SetWordValue(ttOrientation, 0, 0x0106);
  EXPECT_EQ(data.Orientation(), TTiffOrientation::toRightTop) << "only the low byte counts";
  general.SetWordValue(ttOrientation, 0, 9);
  EXPECT_EQ(data.Orientation(), TTiffOrientation::toUndefined);
  data.SetEnsureEnumsInRange(false);
  EXPECT_EQ(static_cast<int>(data.Orientation()), 9);
  data.SetEnsureEnumsInRange(true);

  data.SetXMPWritePolicy(xwAlwaysUpdate);
  data.SetOrientation(TTiffOrientation::toBottomRight);
  EXPECT_EQ(general.GetWordValue(ttOrientation, 0, 0), 3);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "Orientation"), "3");
  data.SetOrientation(TTiffOrientation::toUndefined);
  EXPECT_EQ(general.Find(ttOrientation), nullptr);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "Orientation"), "<none>");

  auto& details = *data.GetSection(esDetails);
  details.SetWordValue(ttContrast, 0, 257);
  EXPECT_EQ(data.Contrast(), TExifContrast::cnSoft) << "8-bit fields look at the low byte";
  details.SetWordValue(ttContrast, 0, 5);
  EXPECT_EQ(data.Contrast(), TExifContrast::cnTagMissing);
  data.SetEnsureEnumsInRange(false);
  EXPECT_EQ(static_cast<int>(data.Contrast()), 5);
  data.SetEnsureEnumsInRange(true);
  details.SetWordValue(ttLightSource, 0, 0x0100);
  EXPECT_EQ(data.LightSource(), TExifLightSource::elTagMissing) << "LightSource tests all 16 bits";
  details.SetWordValue(ttColorSpace, 0, 0xFFFF);
  EXPECT_EQ(data.ColorSpace(), TExifColorSpace::csUncalibrated);
  details.SetWordValue(ttColorSpace, 0, 3);
  EXPECT_EQ(data.ColorSpace(), TExifColorSpace::csTagMissing);
  EXPECT_EQ(data.WhiteBalance(), TExifWhiteBalance::ewTagMissing);

  data.SetExposureProgram(TExifExposureProgram::eeAperturePriority);
  EXPECT_EQ(details.GetWordValue(ttExposureProgram, 0, 0), 3);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "ExposureProgram"), "3");
  data.SetExposureProgram(TExifExposureProgram::eeTagMissing);
  EXPECT_EQ(details.Find(ttExposureProgram), nullptr);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "ExposureProgram"), "<none>");
  data.SetGPSDifferential(TGPSDifferential::dfCorrectionApplied);
  EXPECT_EQ(data.GetSection(esGPS)->GetWordValue(ttGPSDifferential, 0, 0), 1);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSDifferential"), "1");
}

// Enumerated fields read the stored SHORT unsigned: 255 is a value, not "missing", and
// 128..254 never turn negative; clamping only decides whether a value passes.
TEST(ExifProperties, EnumeratedFieldsReadTheStoredValueUnsigned) {
  struct TCase {
    TTiffTagID ID;
    std::uint16_t Stored;
    int Clamped, Unclamped;
  };
  const TCase cases[] = {
      {ttWhiteBalance, 1, 1, 1},
      {ttWhiteBalance, 255, -1, 255},
      {ttWhiteBalance, 128, -1, 128},
      {ttWhiteBalance, 200, -1, 200},
      {ttContrast, 0x80, -1, 0x80},
      {ttContrast, 257, 1, 257},
      {ttMeteringMode, 255, -1, 255},
      {ttSceneCaptureType, 3, 3, 3},
      {ttLightSource, 255, 255, 255},
      {ttLightSource, 0x8000, -1, 0x8000},
      {ttLightSource, 0xFFFF, -1, 0xFFFF},
      {ttExposureProgram, 0xFF7F, -1, 0xFF7F},
  };
  for (const TCase& c : cases) {
    TExifData data;
    data.GetSection(esDetails)->SetWordValue(c.ID, 0, c.Stored);
    const auto read = [&](bool clamp) {
      data.SetEnsureEnumsInRange(clamp);
      switch (c.ID) {
      case ttWhiteBalance: return static_cast<int>(data.WhiteBalance());
      case ttContrast: return static_cast<int>(data.Contrast());
      case ttMeteringMode: return static_cast<int>(data.MeteringMode());
      case ttSceneCaptureType: return static_cast<int>(data.SceneCaptureType());
      case ttLightSource: return static_cast<int>(data.LightSource());
      default: return static_cast<int>(data.ExposureProgram());
      }
    };
    EXPECT_EQ(read(true), c.Clamped) << "tag " << c.ID << " stored " << c.Stored << ", clamped";
    EXPECT_EQ(read(false), c.Unclamped) << "tag " << c.ID << " stored " << c.Stored << ", unclamped";
  }

  // A value above 127 written through the property comes back as itself.
  TExifData data;
  data.SetEnsureEnumsInRange(false);
  data.SetSharpness(static_cast<TExifSharpness>(200));
  EXPECT_EQ(data.GetSection(esDetails)->GetWordValue(ttSharpness, 0, 0), 200);
  EXPECT_EQ(static_cast<int>(data.Sharpness()), 200);
}

TEST(ExifProperties, ByteFieldsAndSubjectLocation) {
  TExifData data;
  data.SetXMPWritePolicy(xwAlwaysUpdate);
  auto& details = *data.GetSection(esDetails);
  data.SetFileSource(TExifFileSource::fsDigitalCamera);
  EXPECT_EQ(details.Find(ttFileSource)->DataType(), TTiffDataType::tdUndefined);
  EXPECT_EQ(TagBytes(data, esDetails, ttFileSource), std::vector<std::uint8_t>{3});
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "FileSource"), "3");
  const std::uint8_t seven = 7;
  details.AddOrUpdate(ttSceneType, TTiffDataType::tdUndefined, 1, &seven);
  EXPECT_EQ(data.SceneType(), TExifSceneType::esUnknown);
  data.SetFileSource(TExifFileSource::fsUnknown);
  EXPECT_EQ(details.Find(ttFileSource), nullptr);

  auto& gps = *data.GetSection(esGPS);
  gps.SetByteValue(ttGPSAltitudeRef, 0, 1);
  EXPECT_EQ(data.GPSAltitudeRef(), TGPSAltitudeRef::alBelowSeaLevel);
  gps.SetByteValue(ttGPSAltitudeRef, 0, 2);
  EXPECT_EQ(data.GPSAltitudeRef(), TGPSAltitudeRef::alTagMissing);
  data.SetGPSAltitudeRef(TGPSAltitudeRef::alAboveSeaLevel);
  EXPECT_EQ(TagBytes(data, esGPS, ttGPSAltitudeRef), std::vector<std::uint8_t>{0});
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSAltitudeRef"), "0");

  data.SetSubjectLocation({10, -5});
  EXPECT_EQ(details.Find(ttSubjectLocation)->DataType(), TTiffDataType::tdWord);
  EXPECT_EQ(data.SubjectLocation(), (TSmallPoint{10, -5}));
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "SubjectLocation"), "10,-5");
  details.SetWordValue(ttSubjectLocation, 1, 0);
  details.Find(ttSubjectLocation)->SetElementCount(1);
  EXPECT_EQ(data.SubjectLocation(), TSmallPoint{}) << "one element is no location";
  data.SetSubjectLocation({-1, -1});
  EXPECT_EQ(details.Find(ttSubjectLocation), nullptr);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "SubjectLocation"), "<none>");
}

TEST(ExifProperties, GPSReferenceLetters) {
  TExifData data;
  data.SetXMPWritePolicy(xwAlwaysUpdate);
  auto& gps = *data.GetSection(esGPS);
  gps.SetStringValue(ttGPSSpeedRef, "k");
  EXPECT_EQ(data.GPSSpeedRef(), TGPSSpeedRef::srKilometresPerHour);
  gps.SetStringValue(ttGPSStatus, "X");
  EXPECT_EQ(data.GPSStatus(), TGPSStatus::stMissingOrInvalid);
  data.SetGPSSpeedRef(TGPSSpeedRef::srKnots);
  EXPECT_EQ(gps.GetStringValue(ttGPSSpeedRef), "N");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSSpeedRef"), "N");
  data.SetGPSMeasureMode(TGPSMeasureMode::mm3D);
  EXPECT_EQ(gps.GetStringValue(ttGPSMeasureMode), "3");
  data.SetGPSDestDistanceRef(TGPSDistanceRef::dsMiles);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSDestDistanceRef"), "M");
  data.SetGPSImgDirectionRef(TGPSDirectionRef::drMagneticNorth);
  EXPECT_EQ(data.GPSImgDirectionRef(), TGPSDirectionRef::drMagneticNorth);
  data.SetGPSSpeedRef(TGPSSpeedRef::srMissingOrInvalid);
  EXPECT_EQ(gps.Find(ttGPSSpeedRef), nullptr);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSSpeedRef"), "<none>");
}

TEST(ExifProperties, UserRatingTagAndXMP) {
  TExifData data;
  data.SetXMPWritePolicy(xwAlwaysUpdate);
  data.SetUserRating(TWindowsStarRating::urThreeStars);
  EXPECT_EQ(data.GetSection(esGeneral)->GetWordValue(ttRating, 0, 0), 3);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsMicrosoftPhoto, "Rating"), "50");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsXMPBasic, "Rating"), "3");

  // Without the tag the XMP rating is read.
  data.GetSection(esGeneral)->Remove(ttRating);
  EXPECT_EQ(data.UserRating(), TWindowsStarRating::urThreeStars);
  data.XMPPacket().UpdateProperty(TXMPNamespace::xsXMPBasic, "Rating", "7");
  EXPECT_EQ(data.UserRating(), TWindowsStarRating::urUndefined);

  data.SetUserRating(TWindowsStarRating::urUndefined);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsMicrosoftPhoto, "Rating"), "<none>");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsXMPBasic, "Rating"), "<none>");

  // Reading adds nothing to the packet.
  TExifData empty;
  EXPECT_EQ(empty.UserRating(), TWindowsStarRating::urUndefined);
  EXPECT_EQ(empty.XMPPacket().SchemaCount(), 0);
  EXPECT_TRUE(empty.XMPPacket().Empty());
}

TEST(ExifProperties, ImageSizeAndFocalLengthIn35mm) {
  TExifData data;
  data.SetXMPWritePolicy(xwAlwaysUpdate);
  auto& details = *data.GetSection(esDetails);
  details.SetWordValue(ttExifImageWidth, 0, 100);
  data.SetExifImageWidth(640);
  EXPECT_EQ(details.Find(ttExifImageWidth)->DataType(), TTiffDataType::tdWord);
  data.SetExifImageWidth(65536);
  EXPECT_EQ(details.Find(ttExifImageWidth)->DataType(), TTiffDataType::tdLongWord);
  EXPECT_EQ(data.ExifImageWidth().Value(), 65536u);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "PixelXDimension"), "65536");
  data.SetExifImageHeight(480);
  EXPECT_EQ(details.Find(ttExifImageHeight)->DataType(), TTiffDataType::tdLongWord) << "a new tag is LONG";
  data.SetExifImageHeight(TLongWordTagValue());
  EXPECT_EQ(details.Find(ttExifImageHeight), nullptr);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "PixelYDimension"), "<none>");

  EXPECT_TRUE(data.FocalLengthIn35mmFilm().MissingOrInvalid());
  data.SetFocalLength({35, 1});
  data.SetExifImageWidth(4000);
  data.SetExifImageHeight(3000);
  data.FocalPlaneResolution().SetX({1000, 1});
  data.FocalPlaneResolution().SetY({1000, 1});
  EXPECT_TRUE(data.FocalLengthIn35mmFilm().MissingOrInvalid()) << "no focal-plane unit";
  data.FocalPlaneResolution().SetUnits(TTiffResolutionUnit::trCentimetre);
  EXPECT_EQ(data.FocalLengthIn35mmFilm(), TWordTagValue(30));
  data.SetFocalLengthIn35mmFilm(TWordTagValue(28));
  EXPECT_EQ(data.FocalLengthIn35mmFilm(), TWordTagValue(28));
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "FocalLengthIn35mmFilm"), "28");
}

TEST(ExifProperties, FractionsAndShutterSpeed) {
  TExifData data;
  data.SetXMPWritePolicy(xwAlwaysUpdate);
  data.SetExposureTime({1, 125});
  EXPECT_EQ(data.ExposureTime(), TTiffLongWordFraction(1, 125));
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "ExposureTime"), "1/125");
  data.SetExposureBiasValue({-1, 3});
  EXPECT_EQ(data.GetSection(esDetails)->Find(ttExposureBiasValue)->DataType(), TTiffDataType::tdLongIntFraction);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "ExposureBiasValue"), "-1/3");
  data.SetFocalLength({50, 1});
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "FocalLength"), "<none>") << "FocalLength has no mirror";
  data.SetGPSAltitude({1234, 10});
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSAltitude"), "1234/10");
  data.SetExposureTime({0, 0});
  EXPECT_EQ(data.GetSection(esDetails)->Find(ttExposureTime), nullptr);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "ExposureTime"), "<none>");

  EXPECT_EQ(data.ShutterSpeedInMSecs(), 0);
  data.SetShutterSpeedValue({7, 1});
  EXPECT_DOUBLE_EQ(data.ShutterSpeedInMSecs(), 7.8125);
  data.SetShutterSpeedValue({-1, 1});
  EXPECT_DOUBLE_EQ(data.ShutterSpeedInMSecs(), 2000);
}

TEST(ExifProperties, DateTimesAndGPSDateTimeUTC) {
  TExifData data;
  data.SetXMPWritePolicy(xwAlwaysUpdate);
  data.SetAlwaysWritePreciseTimes(true);
  data.SetDateTimeOriginal(At(2021, 3, 4, 5, 6, 7, 89));
  EXPECT_EQ(data.GetSection(esDetails)->GetStringValue(ttSubsecTimeOriginal), "089");
  EXPECT_EQ(data.DateTimeOriginal().Value(), At(2021, 3, 4, 5, 6, 7, 89));
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "DateTimeOriginal").substr(0, 23), "2021-03-04T05:06:07.089");

  int changes = 0;
  data.SetOnChange([&changes](TCustomExifData&) { ++changes; });
  data.SetAllDateTimeValues(At(2020, 6, 2, 8, 0, 0));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(data.DateTime().Value(), At(2020, 6, 2, 8, 0, 0));
  EXPECT_EQ(data.DateTimeDigitized().Value(), At(2020, 6, 2, 8, 0, 0));

  auto& gps = *data.GetSection(esGPS);
  gps.SetFractionValue(ttGPSTimeStamp, 0, {10, 1});
  gps.SetFractionValue(ttGPSTimeStamp, 1, {20, 1});
  gps.SetFractionValue(ttGPSTimeStamp, 2, {305, 10});
  EXPECT_EQ(data.GPSDateTimeUTC().Value(), At(2020, 6, 2, 10, 20, 30)) << "date taken from DateTime";
  gps.SetStringValue(ttGPSDateStamp, "2020:06:01");
  EXPECT_EQ(data.GPSDateTimeUTC().Value(), At(2020, 6, 1, 10, 20, 30));
  gps.SetFractionValue(ttGPSTimeStamp, 0, {24, 1});
  EXPECT_EQ(data.GPSDateTimeUTC().Value(), At(2020, 6, 1, 0, 0, 0)) << "an invalid time leaves the date";

  data.SetGPSDateTimeUTC(At(2019, 12, 31, 23, 59, 58, 500));
  EXPECT_EQ(data.GPSDateStamp(), "2019:12:31");
  EXPECT_EQ(data.GPSTimeStampSecond(), TTiffLongWordFraction(58, 1));
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSTimeStamp"), "2019-12-31T23:59:58.500Z");
  data.SetGPSTimeStampMinute({1, 1});
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "GPSTimeStamp"), "<none>")
      << "a time-stamp element written on its own drops the combined XMP value";
  data.SetGPSDateTimeUTC(TDateTimeTagValue());
  EXPECT_EQ(gps.Count(), 0);

  gps.SetStringValue(ttGPSDateStamp, "1899:12:29");
  gps.SetFractionValue(ttGPSTimeStamp, 0, {6, 1});
  gps.SetFractionValue(ttGPSTimeStamp, 1, {0, 1});
  gps.SetFractionValue(ttGPSTimeStamp, 2, {0, 1});
  EXPECT_EQ(data.GPSDateTimeUTC().Value(), At(1899, 12, 29, 6, 0, 0)) << "days before 1899-12-30";
}

TEST(ExifProperties, Keywords) {
  TExifData data;
  data.SetXMPWritePolicy(xwAlwaysUpdate);
  Platform::TStringList list;
  data.GetKeywords(list);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0], "");
  data.SetKeywords(std::string_view("a;b;;c"));
  data.GetKeywords(list);
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list[2], "");
  EXPECT_EQ(list[3], "c");
  data.SetKeywords({"sea", " sun"});
  EXPECT_EQ(data.Keywords(), "sea; sun");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsDublinCore, "subject"), "sea, sun");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsMicrosoftPhoto, "LastKeywordXMP"), "sea, sun");
}

TEST(ExifProperties, RewriteNormalisesWithoutLosingData) {
  TExifData data;
  auto& general = *data.GetSection(esGeneral);
  auto& details = *data.GetSection(esDetails);
  auto& gps = *data.GetSection(esGPS);
  general.SetStringValue(ttMake, "Canon");
  general.SetByteValue(ttOrientation, 0, 6);
  details.SetWordValue(ttFlash, 0, 0);
  details.SetWordValue(ttCustomRendered, 0, 6); // newer than the enumeration
  details.SetStringValue(ttDateTimeOriginal, "2020:01:02 03:04:05");
  gps.SetFractionValue(ttGPSTimeStamp, 0, {1, 1});
  gps.SetFractionValue(ttGPSTimeStamp, 1, {2, 1});
  gps.SetFractionValue(ttGPSTimeStamp, 2, {3, 1});
  data.SetXMPWritePolicy(xwAlwaysUpdate);

  data.Rewrite();
  EXPECT_EQ(general.Find(ttOrientation)->DataType(), TTiffDataType::tdWord);
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "Make"), "Canon");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsTIFF, "Orientation"), "6");
  EXPECT_EQ(XMPValue(data, TXMPNamespace::xsExif, "DateTimeOriginal").substr(0, 19), "2020-01-02T03:04:05");
  ASSERT_NE(details.Find(ttFlash), nullptr) << "Flash 0 is information";
  EXPECT_EQ(details.GetWordValue(ttCustomRendered, 0, 0), 6) << "an unknown enumeration value is left alone";
  EXPECT_EQ(gps.Find(ttGPSDateStamp), nullptr) << "no date invented from the camera's local date";
  EXPECT_EQ(gps.GetFractionValue(ttGPSTimeStamp, 2), TTiffLongWordFraction(3, 1));
}
