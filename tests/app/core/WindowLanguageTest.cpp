// The window's language: the locale rule, the text seam of app/core (Tr, FormatText,
// ErrorText), and that every text of the full EXIF list passes that seam while the
// untranslated list (the command-line tool's) stays as it was.

#include "app/core/WindowLanguage.h"
#include "app/core/ExifListRows.h"
#include "app/core/KeyFields.h"
#include "app/core/WindowRules.h"

#include "support/FormatSettingsScope.h"
#include "support/TestSupport.h"
#include "units/ExifContainerFixtures.h"

#include "Tessel/Exif.h"

#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>

using namespace ExifFixtures;
using namespace Tessel::Exif;
using Fotarium::Core::TWindowLanguage;

namespace {

using TestSupport::TEnvScope;

using TKnown = std::map<std::string, std::string>;

// A translator for one test: known sources from the map, every other list text marked
// with ‹›, so that a text that bypasses the seam shows unmarked. Contexts are recorded.
class TTranslatorScope {
public:
  explicit TTranslatorScope(std::map<std::string, std::string> known = {}) : FKnown(std::move(known)) {
    Fotarium::Core::SetTextTranslator([this](const char* context, const char* source) {
      Contexts.insert(context);
      if (const auto it = FKnown.find(source); it != FKnown.end())
        return it->second;
      return "‹" + std::string(source) + "›";
    });
  }
  ~TTranslatorScope() { Fotarium::Core::SetTextTranslator(nullptr); }
  TTranslatorScope(const TTranslatorScope&) = delete;
  TTranslatorScope& operator=(const TTranslatorScope&) = delete;
  std::set<std::string> Contexts;

private:
  std::map<std::string, std::string> FKnown;
};


Bytes Rational(const TExifBuilder& b, std::uint32_t n, std::uint32_t d) { return b.U32(n) + b.U32(d); }

// A picture's EXIF block with rows of every kind: texts, dates, tables (one value
// unknown), units, coordinates, a flash, a damaged thumbnail directory.
Bytes RichTiff() {
  TExifBuilder b;
  const int exif = b.AddIfd();
  const int gps = b.AddIfd();
  const int thumbnail = b.AddIfd();
  b.Ascii(0, ttMake, "Canon");
  b.Ascii(0, ttDateTime, "2008:11:01 21:15:07");
  b.Short(0, ttOrientation, 9);
  b.Rational(0, ttXResolution, 72, 1);
  b.Rational(0, ttYResolution, 72, 1);
  b.Short(0, ttResolutionUnit, 2);
  b.Pointer(0, ttExifOffset, exif);
  b.Pointer(0, ttGPSOffset, gps);
  b.Chain(0, thumbnail);
  b.Rational(exif, ttExposureTime, 1, 200);
  b.Short(exif, ttFlash, 0x19);
  b.Short(exif, ttMeteringMode, 5);
  b.Short(exif, ttWhiteBalance, 1);
  b.Ascii(gps, ttGPSLatitudeRef, "N");
  b.Raw(gps, ttGPSLatitude, TExifBuilder::RATIONAL, 3, Rational(b, 48, 1) + Rational(b, 8, 1) + Rational(b, 153, 10));
  b.Raw(gps, ttGPSAltitudeRef, TExifBuilder::BYTE, 1, Bytes{1});
  b.Rational(gps, ttGPSAltitude, 100, 1);
  b.Short(thumbnail, ttOrientation, 1);
  return b.Build();
}

Fotarium::Core::TExifListRows RichRows() {
  TExifData data;
  EXPECT_TRUE(LoadGraphic(data, JPEGFile({ExifSegment(RichTiff())})));
  return Fotarium::Core::FillRows(data);
}

std::optional<std::string> ValueOf(const Fotarium::Core::TExifListRows& rows, std::string_view caption) {
  for (const auto& row : rows)
    if (row.Caption == caption)
      return row.Value;
  return std::nullopt;
}

} // namespace

TEST(WindowLanguage, FirstNonEmptyOfLcAllLcMessagesLangDecides) {
  struct TCase {
    const char* LcAll;
    const char* LcMessages;
    const char* Lang;
    TWindowLanguage Expected;
  };
  using enum TWindowLanguage;
  const TCase cases[] = {
      {nullptr, nullptr, nullptr, wlGerman},         // nothing set: the window's own language
      {"", "", "", wlGerman},                        // empty counts as unset
      {nullptr, nullptr, "en_US.UTF-8", wlEnglish},  //
      {nullptr, nullptr, "de_DE.UTF-8", wlGerman},   //
      {"", "en_GB.UTF-8", "de_DE.UTF-8", wlEnglish}, // LC_MESSAGES before LANG
      {"de_AT.UTF-8", "en_GB", "en_US", wlGerman},   // LC_ALL before everything
      {"en_US", "de_DE", "de_DE", wlEnglish},        //
      {"C", nullptr, "en_US.UTF-8", wlGerman},       // C is a value: the first non-empty one
      {nullptr, "POSIX", "en_US.UTF-8", wlGerman},   //
      {nullptr, nullptr, "C.UTF-8", wlGerman},       //
      {nullptr, nullptr, "fr_FR.UTF-8", wlGerman},   // other languages get the default
      {nullptr, nullptr, "en", wlEnglish},           //
      {nullptr, nullptr, "es_ES.UTF-8", wlGerman},   // "es" is no "en"
  };
  for (const TCase& c : cases)
    EXPECT_EQ(Fotarium::Core::WindowLanguage(c.LcAll, c.LcMessages, c.Lang), c.Expected)
        << (c.LcAll ? c.LcAll : "(null)") << " / " << (c.LcMessages ? c.LcMessages : "(null)") << " / "
        << (c.Lang ? c.Lang : "(null)");

  const TEnvScope all("LC_ALL", nullptr);
  const TEnvScope messages("LC_MESSAGES", "en_US.UTF-8");
  const TEnvScope lang("LANG", "de_DE.UTF-8");
  EXPECT_EQ(Fotarium::Core::WindowLanguageFromEnvironment(), TWindowLanguage::wlEnglish);
}

TEST(WindowLanguage, FormatSettingsNeverNameDaysInTheOtherLanguage) {
  const TEnvScope all("LC_ALL", nullptr);
  const TEnvScope time("LC_TIME", nullptr);
  const TEnvScope numeric("LC_NUMERIC", nullptr);
  {
    const TEnvScope lang("LANG", "C");
    EXPECT_EQ(Fotarium::Core::WindowFormatSettings(TWindowLanguage::wlGerman).LongDayNames,
              Platform::TFormatSettings::German().LongDayNames);
    EXPECT_EQ(Fotarium::Core::WindowFormatSettings(TWindowLanguage::wlGerman).DecimalSeparator, ',');
    EXPECT_EQ(Fotarium::Core::WindowFormatSettings(TWindowLanguage::wlEnglish).LongDayNames,
              Platform::TFormatSettings::English().LongDayNames);
  }
  {
    const TEnvScope lang("LANG", "de_DE.UTF-8");
    EXPECT_EQ(Fotarium::Core::WindowFormatSettings(TWindowLanguage::wlEnglish).LongDayNames,
              Platform::TFormatSettings::English().LongDayNames);
  }
}

TEST(WindowLanguage, FormatTextReplacesMarkersInOnePass) {
  using Fotarium::Core::FormatText;
  EXPECT_EQ(FormatText("%1 um %2", {"Samstag", "21:15"}), "Samstag um 21:15");
  EXPECT_EQ(FormatText("%2, %1", {"a", "b"}), "b, a") << "a translation may reorder the parts";
  EXPECT_EQ(FormatText("%1 und %2", {"50%2", "x"}), "50%2 und x") << "an argument's own marker stays text";
  EXPECT_EQ(FormatText("%1 %3", {"a"}), "a %3") << "a marker without argument stays";
  EXPECT_EQ(FormatText("100% %", {}), "100% %");
  EXPECT_EQ(FormatText("", {"a"}), "");
}

TEST(WindowLanguage, TrAndErrorTextAreIdentityWithoutTheWindow) {
  EXPECT_EQ(Fotarium::Core::Tr("ExifListRows", "Camera make"), "Camera make");
  const Platform::EReadError error;
  EXPECT_EQ(Fotarium::Core::ErrorText(error), "Stream-Lesefehler");
  {
    const TTranslatorScope translator(TKnown{{"Camera make", "Kamera-Hersteller"}});
    EXPECT_EQ(Fotarium::Core::Tr("ExifListRows", "Camera make"), "Kamera-Hersteller");
    Fotarium::Core::SetErrorTextHook([](const std::exception& e) { return std::string("» ") + e.what(); });
    EXPECT_EQ(Fotarium::Core::ErrorText(error), "» Stream-Lesefehler");
    Fotarium::Core::SetErrorTextHook(nullptr);
  }
  EXPECT_EQ(Fotarium::Core::Tr("ExifListRows", "Camera make"), "Camera make");
  EXPECT_EQ(Fotarium::Core::ErrorText(error), "Stream-Lesefehler");
}

TEST(WindowLanguage, EveryTextOfTheFullListPassesTheTranslator) {
  const TFormatSettingsScope german(Platform::TFormatSettings::German());
  const Fotarium::Core::TExifListRows english = RichRows();
  Fotarium::Core::TExifListRows translated;
  {
    const TTranslatorScope translator(TKnown{{"%1 at %2", "%1 um %2"}});
    translated = RichRows();
    EXPECT_EQ(translator.Contexts, std::set<std::string>{"ExifListRows"});
  }
  ASSERT_EQ(translated.size(), english.size()) << "a translation changes texts, never rows";
  for (const auto& row : translated) {
    const std::string caption = row.Caption.substr(row.Caption.find_first_not_of(' '));
    EXPECT_TRUE(caption.starts_with("‹") && caption.ends_with("›")) << "untranslated caption: " << row.Caption;
  }
  EXPECT_EQ(ValueOf(translated, "   ‹Date/time›"), "Samstag, 1. November 2008 um 21:15:07");
  EXPECT_EQ(ValueOf(translated, "   ‹Orientation›"), "‹[Unrecognised value (9)]›");
  EXPECT_EQ(ValueOf(translated, "   ‹Resolution›"), "72 x 72 ‹inches›");
  EXPECT_EQ(ValueOf(translated, "   ‹Exposure time›"), "0,005 ‹seconds›");
  EXPECT_EQ(ValueOf(translated, "   ‹Flash fired›"), "‹Yes›");
  EXPECT_EQ(ValueOf(translated, "   ‹Flash mode›"), "‹Auto›");
  EXPECT_EQ(ValueOf(translated, "   ‹Metering mode›"), "‹Pattern›");
  EXPECT_EQ(ValueOf(translated, "   ‹GPS latitude›"), "‹48°, 8 minutes and 15,3 seconds ‹north››");
  EXPECT_EQ(ValueOf(translated, "   ‹GPS altitude›"), "100 ‹metres ‹below sea level››");
  EXPECT_EQ(ValueOf(translated, "   ‹Byte order›"), "‹Small endian›");
  EXPECT_EQ(ValueOf(translated, "   ‹Loaded cleanly›"), "‹Yes›");

  // Without the window's translator the list is the English one the command-line tool prints.
  EXPECT_EQ(ValueOf(english, "   Date/time"), "Samstag, 1. November 2008 at 21:15:07");
  EXPECT_EQ(ValueOf(english, "   Orientation"), "[Unrecognised value (9)]");
  EXPECT_EQ(ValueOf(english, "   GPS altitude"), "100 metres below sea level");
  EXPECT_EQ(ValueOf(english, "   Exposure time"), "0,005 seconds");
}

TEST(WindowLanguage, LoadStateAndEmptyDataPassTheTranslator) {
  const TTranslatorScope translator(TKnown{{"No: %1", "Nein: %1"}});
  TExifData empty;
  const auto rows = Fotarium::Core::FillRows(empty);
  ASSERT_EQ(rows.size(), 1U);
  EXPECT_EQ(rows.front().Caption, "‹No Exif metadata found›");

  // A thumbnail directory whose image cannot be read.
  TExifBuilder b;
  const int thumbnail = b.AddIfd();
  b.Ascii(0, ttMake, "Canon");
  b.Chain(0, thumbnail);
  b.Short(thumbnail, ttOrientation, 1);
  TExifData data;
  ASSERT_TRUE(LoadGraphic(data, JPEGFile({ExifSegment(b.Build())})));
  const auto damaged = Fotarium::Core::FillRows(data);
  bool seen = false;
  for (std::size_t i = 0; i + 1 < damaged.size(); ++i)
    if (damaged[i].Caption == "‹Thumbnail IFD›") {
      EXPECT_EQ(damaged[i + 1].Value, "Nein: ‹bad image offset›");
      seen = true;
    }
  EXPECT_TRUE(seen);
}

TEST(WindowLanguage, GridAndWindowRulesPassTheTranslator) {
  TExifData data;
  {
    const TTranslatorScope translator(TKnown{{"Geographische Breite", "Latitude"}, {"%1 Meter", "%1 metres"}});
    const auto rows = Fotarium::Core::KeyFieldRows(data);
    EXPECT_EQ(rows[5].first, "Latitude");
    EXPECT_EQ(rows[7].first, "‹Geographische Höhe›");
    EXPECT_EQ(rows[7].second, "0 metres");
    EXPECT_EQ(rows[3].second, "0: ‹unbekannt›");
    EXPECT_EQ(Fotarium::Core::MainWindowCaption().substr(Fotarium::Core::CaptionHintColumn),
              "‹" + std::string(Fotarium::Core::CaptionHint) + "›");
    EXPECT_EQ(Fotarium::Core::NoExifQuestion("/a/b.jpg"),
              "‹/a/b.jpg besitzt keine Exif-Daten\r\nSoll ein leerer Satz angelegt werden?›")
        << "the marker stands where the translation puts the path";
  }
  EXPECT_EQ(Fotarium::Core::KeyFieldRows(data)[5].first, "Geographische Breite");
  EXPECT_EQ(Fotarium::Core::NoExifQuestion("/a/b.jpg"),
            "/a/b.jpg besitzt keine Exif-Daten\r\nSoll ein leerer Satz angelegt werden?");
}
