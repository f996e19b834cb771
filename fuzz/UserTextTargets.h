#pragma once

// The body of fuzz_user_text: texts a user types or pastes into the desktop program -
// GPS positions in both clipboard formats, rename patterns, the maker-note ini map. It
// lives in a header so that tests/app/core/UserTextReplayTest.cpp replays the inputs that
// once failed through exactly this code.
//
// Input: a first byte choosing the area and the locale profile, then the text. Errors the
// program reports to the user (Platform::Exception and the library's exceptions rooted
// there) are fine; anything else - another exception, a crash, a sanitizer report, a
// broken round trip - is a finding.

#include "app/core/FileNames.h"
#include "app/core/GPSTexts.h"
#include "app/core/IniFile.h"

#include "Tessel/Exif.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

namespace UserTextTargets {

struct TUserTextFailure {
  std::string What;
};

[[noreturn]] inline void Fail(const char* what) {
#ifdef FUZZ_TARGETS_THROW_ON_FAILURE
  throw TUserTextFailure{what};
#else
  std::fprintf(stderr, "user text property broken: %s\n", what);
  std::abort();
#endif
}

inline std::size_t Consumed = 0;

namespace Detail {

using namespace Fotarium::Core;

// A DMS text from the parsers must parse again and hold the same hemisphere.
inline void CheckDmsText(const std::string& dms, TGPSAxis axis, const Platform::TFormatSettings& settings) {
  if (dms.empty())
    return;
  Tessel::Exif::TExifData data;
  const bool stored = axis == TGPSAxis::gaLatitude ? SetLatitudeFromText(data, dms, settings)
                                                   : SetLongitudeFromText(data, dms, settings);
  if (!stored)
    Fail("GPS: a DMS text made by DecimalTextToDms does not parse");
  const auto decimal = DmsTextToDecimal(dms, settings);
  if (decimal.empty())
    Fail("GPS: a DMS text made by DecimalTextToDms has no decimal text");
  const bool negative = dms.back() == 'S' || dms.back() == 'W';
  if (negative != (decimal.front() == '-'))
    Fail("GPS: the hemisphere did not survive the decimal round trip");
  Consumed += MapLinkURL(data).value_or("").size();
}

inline void GPSDmsText(std::string_view text, const Platform::TFormatSettings& settings) {
  for (const auto axis : {TGPSAxis::gaLatitude, TGPSAxis::gaLongitude}) {
    Tessel::Exif::TExifData data;
    try {
      const bool stored = axis == TGPSAxis::gaLatitude ? SetLatitudeFromText(data, text, settings)
                                                       : SetLongitudeFromText(data, text, settings);
      if (stored) {
        Consumed += data.GPSLatitude().AsString().size() + data.GPSLongitude().AsString().size();
        Consumed += MapLinkURL(data).value_or("").size();
      }
    } catch (const Platform::ERangeError&) {
      // negative numbers, seconds out of range: reported to the user
    }
    const auto decimal = DmsTextToDecimal(text, settings);
    if (!decimal.empty())
      CheckDmsText(DecimalTextToDms(decimal, axis, settings), axis, settings);
  }
}

inline void GPSDecimalText(std::string_view text, const Platform::TFormatSettings& settings) {
  for (const auto axis : {TGPSAxis::gaLatitude, TGPSAxis::gaLongitude})
    CheckDmsText(DecimalTextToDms(text, axis, settings), axis, settings);
}

inline void Clipboard(std::string_view text, const Platform::TFormatSettings& settings) {
  for (const auto format : {TGPSClipboardFormat::gcDegreesMinutesSeconds, TGPSClipboardFormat::gcDecimal}) {
    const auto cells = CellsFromClipboard(text, format, settings);
    Consumed += ClipboardFromCells(cells, format, settings).size();
  }
}

// "pattern\nfile name"; the name may hold anything but a slash, as on disk.
inline void RenamePattern(std::string_view text, const Platform::TFormatSettings& settings) {
  const auto newline = text.find('\n');
  const auto pattern = text.substr(0, newline);
  std::string name(newline == std::string_view::npos ? std::string_view("IMG_0042.JPG") : text.substr(newline + 1));
  for (auto& c : name)
    if (c == '/')
      c = '_';
  for (const double when : {Platform::EncodeDateTime(2016, 9, 23, 13, 26, 52, 45), 0.0, -1.25,
                            Platform::EncodeDateTime(9999, 12, 31, 23, 59, 59, 999)}) {
    const auto plan = PlanRename(name, pattern, when, settings);
    const auto dot = name.find('.');
    const std::string ext = dot == std::string::npos ? "." : name.substr(dot);
    if (plan.NewName.size() < ext.size() ||
        plan.NewName.compare(plan.NewName.size() - ext.size(), ext.size(), ext) != 0)
      Fail("rename: the new name lost the old extension");
    // "@" as the whole pattern gives the old name back.
    if (pattern == "@" && !name.empty() && plan.NewName != (dot == std::string::npos ? name + "." : name))
      Fail("rename: \"@\" does not give the old name");
    Consumed += plan.NewName.size() + static_cast<std::size_t>(plan.ErrorCode);
  }
}

inline void IniMap(std::string_view text) {
  const auto ini = IniFile::FromText(text);
  for (const auto& section : ini.Sections()) {
    if (!ini.SectionExists(section))
      Fail("ini: a listed section is not found");
    for (const auto& key : ini.Keys(section)) {
      if (!ini.ValueExists(section, key))
        Fail("ini: a listed key is not found");
      Consumed += ini.ReadString(section, key, "").size();
      Consumed += ini.ReadBool(section, key, false) ? 1 : 0;
    }
  }
  Consumed += ini.ReadString("Canon", "TreatAsTagGroup", "x").size();
}

} // namespace Detail

inline std::size_t UserText(std::span<const std::uint8_t> bytes) {
  if (bytes.empty())
    return 0;
  const auto selector = bytes[0];
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()) + 1, bytes.size() - 1);
  const auto settings =
      (selector & 0x80) != 0 ? Platform::TFormatSettings::English() : Platform::TFormatSettings::German();
  try {
    switch (selector % 5) {
    case 0: Detail::GPSDmsText(text, settings); break;
    case 1: Detail::GPSDecimalText(text, settings); break;
    case 2: Detail::Clipboard(text, settings); break;
    case 3: Detail::RenamePattern(text, settings); break;
    default: Detail::IniMap(text); break;
    }
  } catch (const Platform::Exception&) {
    // the program shows these to the user
  }
  return Consumed;
}

} // namespace UserTextTargets
