#pragma once

// Shifting a picture's capture times by a fixed amount, for a camera whose clock was off:
// the EXIF date-times, the XMP dates and the IPTC date and time pairs that exist, each
// kept in its own form (an XMP zone suffix and an IPTC UTC offset stay as they are).
// Sub-second and offset tags are not touched, nor the GPS time stamp, which is UTC from
// the satellites.

#include "app/core/BatchCommand.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Fotarium::Core {

// Calendar arithmetic in whole days and seconds, without floating point or time zones
// (proleptic Gregorian calendar, day 0 = 1970-01-01).
[[nodiscard]] std::int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);

// "[+|-][D ]HH:MM:SS" (days, hours, minutes, seconds; minutes and seconds below 60) as
// signed seconds; nullopt for anything else.
[[nodiscard]] std::optional<std::int64_t> ParseClockShift(std::string_view text);
// The same form back, "+0 01:30:00" or "-2 00:00:05".
[[nodiscard]] std::string FormatClockShift(std::int64_t seconds);

// "YYYY:MM:DD HH:MM:SS" shifted; nullopt when the text is no such date-time (a blank
// "    :  :     " included).
[[nodiscard]] std::optional<std::string> ShiftExifDateTimeText(std::string_view text, std::int64_t seconds);
// An XMP date ("YYYY-MM-DDThh:mm[:ss[.s+]][Z|+hh:mm|-hh:mm]") shifted with its zone suffix
// and fraction kept. A date without a time moves only by whole-day shifts. nullopt when
// it does not parse or does not move.
[[nodiscard]] std::optional<std::string> ShiftXMPDateText(std::string_view text, std::int64_t seconds);

// An IPTC date ("CCYYMMDD") and time ("HHMMSS" with an optional "+HHMM"/"-HHMM") as one
// date-time: a shift across midnight moves the date too. Either text may be empty: a
// lone date moves only by whole days, a lone time wraps around the clock. nullopt when
// what is there does not parse or nothing moves.
struct TIPTCDateTimeTexts {
  std::string Date;
  std::string Time;
  bool operator==(const TIPTCDateTimeTexts&) const = default;
};
[[nodiscard]] std::optional<TIPTCDateTimeTexts> ShiftIPTCDateTime(const TIPTCDateTimeTexts& texts,
                                                                  std::int64_t seconds);

// Shifts every date of the picture that exists and answers each change ("EXIF
// DateTimeOriginal", old, new), EXIF first, then XMP, then IPTC. With write false only
// the changes are computed.
std::vector<TBatchChange> ShiftPictureDates(TPictureMetadata& picture, std::int64_t seconds, bool write);

// The plan for one file: its changes, or srNothingToShift.
[[nodiscard]] TBatchItem PlanClockShift(const std::string& fileName, std::int64_t seconds);

} // namespace Fotarium::Core
