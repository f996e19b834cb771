#include "app/core/GPSTexts.h"

#include "Tessel/Exif.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace Fotarium::Core;
using Tessel::Exif::TGPSLatitudeRef;
using Tessel::Exif::TGPSLongitudeRef;
using Tessel::Exif::TTiffLongWordFraction;

namespace {

const auto German = Platform::TFormatSettings::German();
const auto English = Platform::TFormatSettings::English();

std::string Stored(const Tessel::Exif::TGPSCoordinate& c) {
  return c.Degrees().AsString() + " " + c.Minutes().AsString() + " " + c.Seconds().AsString() + " " +
         std::string(1, c.Direction() == '\0' ? '-' : c.Direction());
}

} // namespace

TEST(GPSTexts, DmsTextToDecimalAndBack) {
  EXPECT_EQ(DmsTextToDecimal("48°8'15,3\"N", German), "48.137583");
  EXPECT_EQ(DmsTextToDecimal("11°34'31,2\"E", German), "11.575333");
  EXPECT_EQ(DmsTextToDecimal("48°8'15.3\"N", English), "48.137583");
  EXPECT_EQ(DmsTextToDecimal("48°8'15.3\"N", German), "48.137583") << "a typed point counts as the comma";
  EXPECT_EQ(DmsTextToDecimal("48°0'0\"N", German), "48.") << "no minutes, no seconds: nothing after the point";

  EXPECT_EQ(DecimalTextToDms("48.137583", TGPSAxis::gaLatitude, German), "48° 8'15,30\"");
  EXPECT_EQ(DecimalTextToDms("11.575333", TGPSAxis::gaLongitude, German), "11° 34'31,20\"");
  EXPECT_EQ(DecimalTextToDms("48.137583", TGPSAxis::gaLatitude, English), "48° 8'15.30\"")
      << "the decimal text has a point on every system, the DMS text the locale's separator";
  EXPECT_EQ(DecimalTextToDms("48", TGPSAxis::gaLatitude, German), "48° 0'0,00\"");
  EXPECT_EQ(DecimalTextToDms("2147483647.9999999", TGPSAxis::gaLatitude, German), "")
      << "a carry beyond the whole numbers the degrees are read as";
  EXPECT_EQ(DecimalTextToDms("10.9999999", TGPSAxis::gaLatitude, German), "11° 0'0,00\"")
      << "rounded seconds carry instead of showing 60";
  for (const char* bad : {"", "abc", "48,5", "48.5e3", "4 8.5", "48.5.1", "-", "."})
    EXPECT_EQ(DecimalTextToDms(bad, TGPSAxis::gaLatitude, German), "") << bad;
  for (const char* bad : {"", "48", "48°x'1\"", "48°8'abc\"", "x°8'1\""})
    EXPECT_EQ(DmsTextToDecimal(bad, German), "") << bad;
}

TEST(GPSTexts, SouthAndWestSurviveBothWays) {
  EXPECT_EQ(DecimalTextToDms("-33.4475", TGPSAxis::gaLatitude, German), "33° 26'51,00\"S");
  EXPECT_EQ(DecimalTextToDms("-70.6483", TGPSAxis::gaLongitude, German), "70° 38'53,88\"W");
  EXPECT_EQ(DecimalTextToDms("-0.0", TGPSAxis::gaLongitude, German), "0° 0'0,00\"") << "no hemisphere for zero";
  EXPECT_EQ(DmsTextToDecimal("33° 26'51,00\"S", German), "-33.4475");
  EXPECT_EQ(DmsTextToDecimal("70°38'53,88\"W", German), "-70.6483");
  EXPECT_EQ(DmsTextToDecimal("-33°26'51\"", German), "-33.4475");
  EXPECT_EQ(DmsTextToDecimal("33°26'51\" n", German), "33.4475");

  Tessel::Exif::TExifData data;
  ASSERT_TRUE(SetLatitudeFromText(data, "33° 26'51,00\"S", German));
  ASSERT_TRUE(SetLongitudeFromText(data, "70° 38'53,88\"W", German));
  EXPECT_EQ(data.GPSLatitude().Direction(), TGPSLatitudeRef::ltSouth);
  EXPECT_EQ(data.GPSLongitude().Direction(), TGPSLongitudeRef::lnWest);
  EXPECT_EQ(Stored(data.GPSLongitude()), "70 38 1347/25 W");
  ASSERT_TRUE(SetLatitudeFromText(data, "-12°0'0\"", German));
  EXPECT_EQ(data.GPSLatitude().Direction(), TGPSLatitudeRef::ltSouth) << "a minus on the degrees means south";
  ASSERT_TRUE(SetLatitudeFromText(data, "12°0'0\" s", German));
  EXPECT_EQ(data.GPSLatitude().Direction(), TGPSLatitudeRef::ltSouth);
  ASSERT_TRUE(SetLongitudeFromText(data, "-12°0'0\"E", German));
  EXPECT_EQ(data.GPSLongitude().Direction(), TGPSLongitudeRef::lnEast) << "the letter decides over the minus";
  ASSERT_TRUE(SetLatitudeFromText(data, "12°0'0\"", German));
  EXPECT_EQ(data.GPSLatitude().Direction(), TGPSLatitudeRef::ltNorth) << "without letter or minus: north";
}

TEST(GPSTexts, SetFromTextStoresWholeDegreesMinutesAndReducedSeconds) {
  for (const auto* settings : {&German, &English}) {
    const char sep = settings->DecimalSeparator;
    Tessel::Exif::TExifData data;
    ASSERT_TRUE(SetLatitudeFromText(data, std::string("48°8'15") + sep + "3\"N", *settings));
    ASSERT_TRUE(SetLongitudeFromText(data, std::string("11°34'31") + sep + "2\"E", *settings));
    EXPECT_EQ(Stored(data.GPSLatitude()), "48 8 153/10 N");
    EXPECT_EQ(Stored(data.GPSLongitude()), "11 34 156/5 E");
    // What pasting the decimal texts leaves in the cells.
    ASSERT_TRUE(SetLatitudeFromText(data, DecimalTextToDms("48.137583", TGPSAxis::gaLatitude, *settings), *settings));
    ASSERT_TRUE(SetLongitudeFromText(data, DecimalTextToDms("11.575333", TGPSAxis::gaLongitude, *settings), *settings));
    EXPECT_EQ(Stored(data.GPSLatitude()), "48 8 153/10 N") << sep;
    EXPECT_EQ(Stored(data.GPSLongitude()), "11 34 156/5 E") << sep;
    ASSERT_TRUE(SetLatitudeFromText(data, "48°0'0\"N", *settings));
    EXPECT_EQ(Stored(data.GPSLatitude()), "48 0 0 N");
  }
  Tessel::Exif::TExifData data;
  ASSERT_TRUE(SetLatitudeFromText(data, "1°2'3,45678\"", German));
  EXPECT_EQ(data.GPSLatitude().Seconds(), TTiffLongWordFraction(4321, 1250)) << "four decimals, reduced";
}

TEST(GPSTexts, BadTextsLeaveThePositionOrRaise) {
  Tessel::Exif::TExifData data;
  ASSERT_TRUE(SetLatitudeFromText(data, "48°8'15,3\"N", German));
  for (const char* bad : {"", "abc", "48°8'", "48°x'15\"", "48°8'15,3,1\"", "48,5°8'1\"", "48°8.5'1\""})
    EXPECT_FALSE(SetLatitudeFromText(data, bad, German)) << bad;
  EXPECT_EQ(Stored(data.GPSLatitude()), "48 8 153/10 N") << "unparsable text leaves the position";

  EXPECT_THROW(SetLatitudeFromText(data, "48°-8'15\"", German), Platform::ERangeError);
  EXPECT_THROW(SetLongitudeFromText(data, "11°8'-15\"", German), Platform::ERangeError);
  EXPECT_THROW(SetLatitudeFromText(data, "48°8'" + std::string(300, '1') + "\"", German), Platform::ERangeError)
      << "seconds beyond the rational's range";
  const auto overlong = "48°8'" + std::string(260, '1') + ".5\"";
  try {
    SetLatitudeFromText(data, overlong, German);
    ADD_FAILURE() << "an overlong seconds text must raise";
  } catch (const Platform::ERangeError& e) {
    EXPECT_NE(std::string(e.what()).find("zu lang"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Stored(data.GPSLatitude()), "48 8 153/10 N");
  EXPECT_TRUE(data.GPSLongitude().Degrees().MissingOrInvalid());
}

TEST(GPSTexts, ClipboardFormats) {
  using enum TGPSClipboardFormat;
  const TGPSCellTexts grid{"48°8'15,3\"N", "11°34'31,2\"E"};
  EXPECT_EQ(ClipboardFromCells(grid, gcDecimal, German), "48.137583, 11.575333");
  EXPECT_EQ(ClipboardFromCells(grid, gcDegreesMinutesSeconds, German), "48°8'15,3\"N 11°34'31,2\"E");
  EXPECT_EQ(CellsFromClipboard("48°8'15,3\"N 11°34'31,2\"E", gcDegreesMinutesSeconds, German), grid);
  EXPECT_EQ(CellsFromClipboard("48.137583, 11.575333", gcDecimal, German),
            (TGPSCellTexts{"48° 8'15,30\"", "11° 34'31,20\""}));
  EXPECT_EQ(CellsFromClipboard("-33.4475,-70.6483", gcDecimal, English),
            (TGPSCellTexts{"33° 26'51.00\"S", "70° 38'53.88\"W"}));

  // Cells filled from decimal text hold blanks; copying them as DMS and back keeps them whole.
  const TGPSCellTexts pasted{"48° 8'15,30\"", "11° 34'31,20\""};
  EXPECT_EQ(CellsFromClipboard(ClipboardFromCells(pasted, gcDegreesMinutesSeconds), gcDegreesMinutesSeconds), pasted);
  EXPECT_EQ(CellsFromClipboard("48°8'15,3\" N  11°34'31,2\" E", gcDegreesMinutesSeconds, German),
            (TGPSCellTexts{"48°8'15,3\" N", "11°34'31,2\" E"}));
  EXPECT_EQ(CellsFromClipboard("48.5", gcDecimal, German), (TGPSCellTexts{"48° 30'0,00\"", ""}));
  EXPECT_EQ(CellsFromClipboard("only-one-part", gcDegreesMinutesSeconds, German), (TGPSCellTexts{"only-one-part", ""}));
  EXPECT_EQ(CellsFromClipboard("a b  ", gcDegreesMinutesSeconds, German), (TGPSCellTexts{"a", "b"}));
}

TEST(GPSTexts, MapLinkFromTheStoredCoordinates) {
  using enum TGPSLatitudeRef;
  using enum TGPSLongitudeRef;
  Tessel::Exif::TExifData data;
  EXPECT_FALSE(MapLinkURL(data).has_value()) << "no position";
  data.GPSLatitude().Assign({48, 1}, {8, 1}, {1530, 100}, ltNorth);
  EXPECT_FALSE(MapLinkURL(data).has_value()) << "a latitude without longitude is no position either";
  data.GPSLongitude().Assign({11, 1}, {34, 1}, {156, 5}, lnEast);
  EXPECT_EQ(MapLinkURL(data).value_or(""), "https://www.google.com/maps?q=48.137583,11.575333");

  data.GPSLatitude().Assign({33, 1}, {26, 1}, {51, 1}, ltSouth);
  data.GPSLongitude().Assign({70, 1}, {38, 1}, {5388, 100}, lnWest);
  EXPECT_EQ(MapLinkURL(data).value_or(""), "https://www.google.com/maps?q=-33.447500,-70.648300");

  // Minutes with a fraction and no seconds.
  data.GPSLatitude().Assign({48, 1}, {17, 2}, {0, 0}, ltNorth);
  EXPECT_EQ(MapLinkURL(data).value_or(""), "https://www.google.com/maps?q=48.141667,-70.648300");
}

TEST(GPSTexts, DecimalPositionsAreStoredAsTheCellsStoreThem) {
  struct TCase {
    double Latitude, Longitude;
    const char* StoredLatitude;
    const char* StoredLongitude;
  };
  for (const auto& c : {
           TCase{-33.8568, -151.2153, "33 51 612/25 S", "151 12 1377/25 W"},
           TCase{48 + 8.0 / 60 + 15.3 / 3600, 11 + 34.0 / 60 + 31.2 / 3600, "48 8 153/10 N", "11 34 156/5 E"},
           TCase{10.999999999, -179.9999999999, "11 0 0 N", "180 0 0 W"}, // 59.99999... seconds carry
           TCase{-0.00000000001, 0, "0 0 0 N", "0 0 0 E"},                  // no south of nothing
           TCase{-90, 180, "90 0 0 S", "180 0 0 E"},
       }) {
    SCOPED_TRACE(c.StoredLatitude);
    Tessel::Exif::TExifData data;
    SetGPSPosition(data, c.Latitude, c.Longitude);
    EXPECT_EQ(Stored(data.GPSLatitude()), c.StoredLatitude);
    EXPECT_EQ(Stored(data.GPSLongitude()), c.StoredLongitude);
  }
  Tessel::Exif::TExifData data;
  for (const double bad : {90.0001, -90.5, std::nan("")})
    EXPECT_THROW(SetGPSPosition(data, bad, 0), Platform::ERangeError) << bad;
  EXPECT_THROW(SetGPSPosition(data, 0, 180.5), Platform::ERangeError);
  EXPECT_TRUE(data.GPSLatitude().MissingOrInvalid()) << "nothing stored";
}

TEST(GPSTexts, EveryWriterNamesTheGPSVersionAndKeepsAGivenOne) {
  using Tessel::Exif::TExifSectionKind;
  const auto version = [](Tessel::Exif::TExifData& data) {
    std::string text;
    for (int i = 0; i < 4; ++i)
      text += std::to_string(data.GetSection(TExifSectionKind::esGPS)->GetByteValue(Tessel::Exif::ttGPSVersionID, i, 9));
    return text;
  };
  Tessel::Exif::TExifData fromText, fromDecimal, given;
  ASSERT_TRUE(SetLatitudeFromText(fromText, "48°8'15,3\"N", German));
  SetGPSPosition(fromDecimal, 48.1375, 11.575);
  EXPECT_EQ(version(fromText), "2300");
  EXPECT_EQ(version(fromDecimal), "2300");
  given.GetSection(TExifSectionKind::esGPS)->SetByteValue(Tessel::Exif::ttGPSVersionID, 1, 3);
  given.GetSection(TExifSectionKind::esGPS)->SetByteValue(Tessel::Exif::ttGPSVersionID, 0, 2);
  SetGPSPosition(given, 1, 1);
  EXPECT_EQ(version(given), "2399") << "a two-byte version stays as it was";
}
