#include "app/core/KeyFields.h"

#include "Tessel/Exif.h"
#include "platform/DateTime.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

using namespace Fotarium::Core;
namespace Exif = Tessel::Exif;
using Exif::TTiffLongWordFraction;

namespace {

const Platform::TFormatSettings German = Platform::TFormatSettings::German();
const Platform::TFormatSettings English = Platform::TFormatSettings::English();

} // namespace

TEST(KeyFields, OrientationNames) {
  const char* const expected[] = {"unbekannt",
                                  "normal",
                                  "horizontal gespiegelt",
                                  "um 180° gedreht",
                                  "vertical gespiegelt",
                                  "an Hauptdiagonale gespiegelt",
                                  "um 90° gedreht",
                                  "an Nebendiagonale gespiegelt",
                                  "um 270° gedreht"};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(OrientationTexts[static_cast<std::size_t>(i)], expected[i]) << i;
    EXPECT_EQ(OrientationText(i), expected[i]) << i;
  }
  EXPECT_EQ(OrientationText(9), "ungültig");
  EXPECT_EQ(OrientationText(255), "ungültig");
  EXPECT_EQ(OrientationText(-1), "ungültig");
}

TEST(KeyFields, RowsOfAPictureWithoutExif) {
  const Exif::TExifData data;
  const TKeyFieldRows rows = KeyFieldRows(data, German);
  const std::pair<std::string, std::string> expected[] = {
      {"Beschreibung:", "Werte"},
      {"Kamera-Hersteller:", ""},
      {"Kamera-Modell", ""},
      {"Orientierung", "0: unbekannt"},
      {"Ausdehnung (B x H)", "0 x 0"},
      {"Geographische Breite", ""},
      {"Geographische Länge", ""},
      {"Geographische Höhe", "0 Meter"},
      {"Aufnahmedatum", "00.00.0000"},
      {"Bildbeschreibung", ""},
      {"Auflösung", ""},
      {"Kommentar", ""},
  };
  for (std::size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(rows[i], expected[i]) << "row " << i;
  EXPECT_EQ(KeyFieldRows(data, English)[8].second, "00/00/0000") << "the English short date pattern with zeros";
}

TEST(KeyFields, RowsOfAFilledDataSet) {
  Exif::TExifData data;
  data.SetCameraMake("Canon");
  data.SetCameraModel("EOS 5D");
  data.SetOrientation(Exif::TTiffOrientation::toLeftTop);
  data.SetExifImageWidth(4000U);
  data.SetExifImageHeight(3000U);
  data.GPSLatitude().Assign(TTiffLongWordFraction(48, 1), TTiffLongWordFraction(8, 1), TTiffLongWordFraction(153, 10),
                            Exif::TGPSLatitudeRef::ltNorth);
  data.GPSLongitude().Assign(TTiffLongWordFraction(11, 1), TTiffLongWordFraction(34, 1), TTiffLongWordFraction(1, 4),
                             Exif::TGPSLongitudeRef::lnEast);
  data.SetGPSAltitude(TTiffLongWordFraction(5155, 10));
  data.SetDateTime(Platform::EncodeDateTime(2024, 5, 6, 7, 8, 9, 0));
  data.SetImageDescription("Marienplatz");
  data.Resolution().SetX(TTiffLongWordFraction(72, 1));
  data.Resolution().SetY(TTiffLongWordFraction(72, 1));
  data.Resolution().SetUnits(Exif::TTiffResolutionUnit::trInch);
  data.SetComments("Urlaub");

  const TKeyFieldRows rows = KeyFieldRows(data, German);
  EXPECT_EQ(rows[1].second, "Canon");
  EXPECT_EQ(rows[2].second, "EOS 5D");
  EXPECT_EQ(rows[3].second, "5: an Hauptdiagonale gespiegelt");
  EXPECT_EQ(rows[4].second, "4000 x 3000");
  EXPECT_EQ(rows[5].second, "48°8'15,3\"N");
  EXPECT_EQ(rows[6].second, "11°34'0,25\"E");
  EXPECT_EQ(rows[7].second, "515,5 Meter");
  EXPECT_EQ(rows[8].second, "06.05.2024 07:08:09");
  EXPECT_EQ(rows[9].second, "Marienplatz");
  EXPECT_EQ(rows[10].second, data.Resolution().ToString());
  EXPECT_FALSE(rows[10].second.empty());
  EXPECT_EQ(rows[11].second, "Urlaub");

  const TKeyFieldRows english = KeyFieldRows(data, English);
  EXPECT_EQ(english[5].second, "48°8'15.3\"N");
  EXPECT_EQ(english[7].second, "515.5 Meter");
  EXPECT_EQ(english[8].second, "05/06/2024 07:08:09");

  data.SetDateTime(Platform::EncodeDate(2024, 5, 6));
  EXPECT_EQ(KeyFieldRows(data, German)[8].second, "06.05.2024") << "no time at exactly midnight";
  data.SetDateTime(Platform::EncodeDateTime(2024, 5, 6, 0, 0, 1, 0));
  EXPECT_EQ(KeyFieldRows(data, German)[8].second, "06.05.2024 00:00:01");

  data.SetOrientation(Exif::TTiffOrientation::toTopLeft);
  EXPECT_EQ(KeyFieldRows(data, German)[3].second, "1: normal");
  // A data set that passes stored enumerations on unchecked can hold a value the names do not cover.
  data.SetEnsureEnumsInRange(false);
  data.SetOrientation(static_cast<Exif::TTiffOrientation>(9));
  EXPECT_EQ(KeyFieldRows(data, German)[3].second, "9: ungültig");
}

TEST(KeyFields, CoordinateText) {
  Exif::TExifData data;
  Exif::TGPSLatitude& latitude = data.GPSLatitude();
  EXPECT_EQ(CoordinateToText(latitude, German), "") << "missing";

  latitude.Assign(TTiffLongWordFraction(48, 1), TTiffLongWordFraction(8, 1), TTiffLongWordFraction(153, 10),
                  Exif::TGPSLatitudeRef::ltSouth);
  EXPECT_EQ(CoordinateToText(latitude, German), "48°8'15,3\"S");

  latitude.Assign(TTiffLongWordFraction(48, 1), TTiffLongWordFraction(17, 2), TTiffLongWordFraction(15, 0),
                  Exif::TGPSLatitudeRef::ltNorth);
  EXPECT_EQ(CoordinateToText(latitude, German), "48°8,5'0\"N") << "a zero-denominator second counts as 0";

  latitude.SetDirection('\0');
  EXPECT_EQ(CoordinateToText(latitude, German), "") << "no direction letter: empty";

  latitude.Assign(TTiffLongWordFraction(48, 0), TTiffLongWordFraction(8, 1), TTiffLongWordFraction(1, 1),
                  Exif::TGPSLatitudeRef::ltNorth);
  EXPECT_EQ(CoordinateToText(latitude, German), "") << "degrees without denominator are invalid";

  latitude.Assign(TTiffLongWordFraction(1, 3), TTiffLongWordFraction(0, 1), TTiffLongWordFraction(4000000000U, 1),
                  Exif::TGPSLatitudeRef::ltNorth);
  EXPECT_EQ(CoordinateToText(latitude, English), "0.333333°0'4e+09\"N") << "the shortest general form";
}

TEST(KeyFields, GeneralNumberFormIgnoresTheCLocale) {
  EXPECT_EQ(FormatG(0.0, German), "0");
  EXPECT_EQ(FormatG(515.5, German), "515,5");
  EXPECT_EQ(FormatG(123456789.0, English), "1.23457e+08");
  EXPECT_EQ(FormatG(0.0000001, English), "1e-07");
  EXPECT_EQ(FormatG(100000.0, English), "100000");
  // A program with a German C locale (Qt sets it from the environment) must still follow the
  // settings it is given.
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr) {
    EXPECT_EQ(FormatG(2.5, English), "2.5");
    std::setlocale(LC_NUMERIC, previous.c_str());
  }
}

TEST(KeyFields, MissingDateFollowsTheShortDatePattern) {
  Platform::TFormatSettings settings = German;
  settings.ShortDateFormat = "yyyy-MM-dd";
  EXPECT_EQ(CaptureDateText(-700000.0, settings), "0000-00-00");
  settings.ShortDateFormat = "d/M/yy";
  settings.DateSeparator = '.';
  EXPECT_EQ(CaptureDateText(-700000.0, settings), "0.0.00");
  settings.ShortDateFormat = "dd 'de' mmm yyyy";
  EXPECT_EQ(CaptureDateText(-700000.0, settings), "00 de  0000");
  // Values before the first calendar day are as missing as the marker value itself.
  EXPECT_EQ(CaptureDateText(-693594.0, German), "00.00.0000");
  EXPECT_EQ(CaptureDateText(Platform::EncodeDate(1, 1, 1), German), "01.01.0001");
}
