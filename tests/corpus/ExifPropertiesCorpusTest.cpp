// The typed properties over the sample pictures: reading every property of every file
// is harmless (no change, no exception), Rewrite keeps every typed value, and a few
// known files read as other programs read them.

#include "Tessel/Exif.h"

#include "platform/DateTime.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

using namespace Tessel::Exif;

namespace {

std::string Text(const TDateTimeTagValue& v) {
  return v.MissingOrInvalid() ? "-" : Platform::FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", v.Value());
}
template <typename T> std::string Text(const T& v) requires requires {
  v.MissingOrInvalid();
  v.Value();
}
{ return v.MissingOrInvalid() ? "-" : std::to_string(v.Value()); }
template <typename E> std::string Ord(E v) { return std::to_string(static_cast<long>(v)); }

// Every typed value of a container, by property name.
std::map<std::string, std::string> Snapshot(TCustomExifData& d) {
  std::map<std::string, std::string> s;
  s["CameraMake"] = d.CameraMake();
  s["CameraModel"] = d.CameraModel();
  s["Software"] = d.Software();
  s["Copyright"] = d.Copyright();
  s["ImageDescription"] = d.ImageDescription();
  s["Author"] = d.Author();
  s["Comments"] = d.Comments();
  s["Keywords"] = d.Keywords();
  s["Subject"] = d.Subject();
  s["Title"] = d.Title();
  s["UserRating"] = Ord(d.UserRating());
  s["DateTime"] = Text(d.DateTime());
  s["DateTimeOriginal"] = Text(d.DateTimeOriginal());
  s["DateTimeDigitized"] = Text(d.DateTimeDigitized());
  s["GPSDateTimeUTC"] = Text(d.GPSDateTimeUTC());
  s["Orientation"] = Ord(d.Orientation());
  s["ThumbnailOrientation"] = Ord(d.ThumbnailOrientation());
  s["ExifImageWidth"] = Text(d.ExifImageWidth());
  s["ExifImageHeight"] = Text(d.ExifImageHeight());
  s["FocalLengthIn35mmFilm"] = Text(d.FocalLengthIn35mmFilm());
  s["ExposureTime"] = d.ExposureTime().AsString();
  s["FNumber"] = d.FNumber().AsString();
  s["FocalLength"] = d.FocalLength().AsString();
  s["ShutterSpeedValue"] = d.ShutterSpeedValue().AsString();
  s["ApertureValue"] = d.ApertureValue().AsString();
  s["ExposureBiasValue"] = d.ExposureBiasValue().AsString();
  s["GPSAltitude"] = d.GPSAltitude().AsString();
  s["GPSAltitudeRef"] = Ord(d.GPSAltitudeRef());
  s["FileSource"] = Ord(d.FileSource());
  s["SceneType"] = Ord(d.SceneType());
  s["SubjectLocation"] = std::to_string(d.SubjectLocation().X) + "," + std::to_string(d.SubjectLocation().Y);
  s["ColorSpace"] = Ord(d.ColorSpace());
  s["ExposureProgram"] = Ord(d.ExposureProgram());
  s["MeteringMode"] = Ord(d.MeteringMode());
  s["LightSource"] = Ord(d.LightSource());
  s["CustomRendered"] = Ord(d.CustomRendered());
  s["WhiteBalance"] = Ord(d.WhiteBalance());
  s["SceneCaptureType"] = Ord(d.SceneCaptureType());
  s["GPSSpeedRef"] = Ord(d.GPSSpeedRef());
  s["GPSImgDirectionRef"] = Ord(d.GPSImgDirectionRef());
  s["ExifVersion"] = d.ExifVersion().AsString();
  s["FlashPixVersion"] = d.FlashPixVersion().AsString();
  s["GPSVersion"] = d.GPSVersion().AsString();
  s["InteropVersion"] = d.InteropVersion().AsString();
  s["Flash"] = d.Flash().MissingOrInvalid() ? "-" : std::to_string(BitSetToWord(d.Flash().BitSet()));
  s["Resolution"] = d.Resolution().ToString();
  s["FocalPlaneResolution"] = d.FocalPlaneResolution().ToString();
  s["ISOSpeedRatings"] = d.ISOSpeedRatings().AsString();
  s["GPSLatitude"] = d.GPSLatitude().AsString();
  s["GPSLongitude"] = d.GPSLongitude().AsString();
  s["GPSDestLatitude"] = d.GPSDestLatitude().AsString();
  s["ShutterSpeedInMSecs"] = std::to_string(d.ShutterSpeedInMSecs());
  return s;
}

std::vector<std::string> Jpegs() { return CorpusFiles({".jpg", ".jpeg"}); }

} // namespace

TEST(ExifPropertiesCorpus, ReadingChangesNothingAndRewriteKeepsEveryValue) {
  const auto files = Jpegs();
  if (files.empty())
    GTEST_SKIP() << "sample pictures not found at " FOTARIUM_CORPUS_DIR;
  int loaded = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file);
    TExifData data;
    if (!data.LoadFromGraphic(file))
      continue; // not a JPEG after all
    ++loaded;
    int changes = 0;
    data.SetOnChange([&changes](TCustomExifData&) { ++changes; });
    std::map<std::string, std::string> before;
    try {
      before = Snapshot(data);
    } catch (const std::exception& e) {
      ADD_FAILURE() << "reading raised: " << e.what();
      continue;
    }
    EXPECT_EQ(changes, 0) << "reading must not change the container";
    EXPECT_FALSE(data.Modified());

    data.SetXMPWritePolicy(TXMPWritePolicy::xwAlwaysUpdate);
    try {
      data.Rewrite();
    } catch (const EInvalidXMPPacket&) {
      // The file's own packet is damaged; the first XMP write reports it.
      continue;
    } catch (const std::exception& e) {
      ADD_FAILURE() << "Rewrite raised: " << e.what();
      continue;
    }
    const auto after = Snapshot(data);
    for (const auto& [name, value] : before)
      EXPECT_EQ(after.at(name), value) << name << " changed by Rewrite";
    // A packet that does not parse stays pending, carried as it was and without the edits.
    if (before["DateTimeOriginal"] != "-" && !data.XMPPacket().DataToLazyLoad()) {
      TXMPSchema* schema = nullptr;
      TXMPProperty* property = nullptr;
      EXPECT_TRUE(data.XMPPacket().FindSchema(TXMPNamespace::xsExif, schema) &&
                  schema->FindProperty("DateTimeOriginal", property))
          << "the XMP packet follows the EXIF data";
    }
  }
  EXPECT_GT(loaded, 100);
}

TEST(ExifPropertiesCorpus, KnownValues) {
  const auto dir = CorpusDir();
  if (dir.empty())
    GTEST_SKIP() << "sample pictures not found at " FOTARIUM_CORPUS_DIR;

  TExifData canon;
  ASSERT_TRUE(canon.LoadFromGraphic(dir + "/exif-samples/jpg/Canon_40D.jpg"));
  EXPECT_EQ(canon.CameraModel(), "Canon EOS 40D");
  EXPECT_EQ(Text(canon.DateTimeOriginal()), "2008-05-30 15:56:01.000");
  EXPECT_EQ(canon.ExposureTime(), TTiffLongWordFraction(1, 160));
  EXPECT_DOUBLE_EQ(canon.FNumber().Quotient(), 7.1);
  EXPECT_EQ(canon.ISOSpeedRatings().AsString(), "100");
  EXPECT_DOUBLE_EQ(canon.FocalLength().Quotient(), 135);
  EXPECT_TRUE(canon.Flash().Fired());
  EXPECT_EQ(canon.Flash().Mode(), TExifFlashMode::efCompulsoryFire);
  EXPECT_EQ(canon.ExifVersion().Major(), 2);

  TExifData iphone;
  ASSERT_TRUE(iphone.LoadFromGraphic(dir + "/exif-samples/jpg/hdr/iphone_hdr_NO.jpg"));
  EXPECT_EQ(iphone.GPSLatitude().Direction(), TGPSLatitudeRef::ltNorth);
  EXPECT_EQ(iphone.GPSLongitude().Direction(), TGPSLongitudeRef::lnWest);
  EXPECT_EQ(iphone.GPSLatitude().Degrees(), TTiffLongWordFraction(40, 1));
  EXPECT_EQ(iphone.GPSLatitude().Seconds(), TTiffLongWordFraction(4910, 100));
  EXPECT_EQ(iphone.GPSAltitudeRef(), TGPSAltitudeRef::alAboveSeaLevel);
  EXPECT_EQ(Text(iphone.GPSDateTimeUTC()), "2015-04-10 18:12:22.000");
}
