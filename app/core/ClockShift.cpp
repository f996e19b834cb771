#include "app/core/ClockShift.h"

#include "Tessel/Exif/TagIDs.h"

#include <fmt/format.h>

#include <charconv>

namespace Fotarium::Core {

namespace {

using namespace Tessel::Exif;

constexpr std::int64_t SecondsPerDay = 86400;

// Floor division, so that times before midnight of day 0 land on the day before.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Exactly count digits at text[pos], as a number.
bool Digits(std::string_view text, std::size_t pos, std::size_t count, int& value) {
  if (pos + count > text.size())
    return false;
  value = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9')
      return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

int DaysInMonth(int year, int month) {
  static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

// A civil date-time reduced to seconds since 1970, after checking its fields.
struct TCivil {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;

  [[nodiscard]] bool Valid() const {
    return Month >= 1 && Month <= 12 && Day >= 1 && Day <= DaysInMonth(Year, Month) && Hour < 24 && Minute < 60 &&
           Second < 60;
  }
  [[nodiscard]] std::int64_t Seconds() const {
    return DaysFromCivil(Year, Month, Day) * SecondsPerDay + Hour * 3600 + Minute * 60 + Second;
  }
  static TCivil FromSeconds(std::int64_t seconds) {
    TCivil c;
    const auto days = FloorDiv(seconds, SecondsPerDay);
    const auto rest = seconds - days * SecondsPerDay;
    CivilFromDays(days, c.Year, c.Month, c.Day);
    c.Hour = static_cast<int>(rest / 3600);
    c.Minute = static_cast<int>(rest / 60 % 60);
    c.Second = static_cast<int>(rest % 60);
    return c;
  }
};

// Shifted within the years the formats can hold.
std::optional<TCivil> Shifted(const TCivil& value, std::int64_t seconds) {
  const auto result = TCivil::FromSeconds(value.Seconds() + seconds);
  if (result.Year < 1 || result.Year > 9999)
    return std::nullopt;
  return result;
}

// A date alone moves only by whole days: anything else would need the time it lacks.
bool WholeDays(std::int64_t seconds) { return seconds % SecondsPerDay == 0; }

} // namespace

std::int64_t DaysFromCivil(int year, int month, int day) {
  const std::int64_t y = year - (month <= 2 ? 1 : 0);
  const std::int64_t era = FloorDiv(y, 400);
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = FloorDiv(days, 146097);
  const std::int64_t doe = days - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

std::optional<std::int64_t> ParseClockShift(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::int64_t days = 0;
  bool hasDays = false;
  if (const auto blank = text.find(' '); blank != std::string_view::npos) {
    const auto dayText = text.substr(0, blank);
    const auto [ptr, ec] = std::from_chars(dayText.data(), dayText.data() + dayText.size(), days);
    if (dayText.empty() || dayText.size() > 5 || ec != std::errc() || ptr != dayText.data() + dayText.size())
      return std::nullopt;
    hasDays = true;
    text.remove_prefix(blank + 1);
  }
  // H:MM:SS or HH:MM:SS
  const std::size_t hourDigits = text.size() == 7 ? 1 : 2;
  int hours = 0, minutes = 0, seconds = 0;
  if (text.size() != hourDigits + 6 || !Digits(text, 0, hourDigits, hours) || text[hourDigits] != ':' ||
      !Digits(text, hourDigits + 1, 2, minutes) || text[hourDigits + 3] != ':' ||
      !Digits(text, hourDigits + 4, 2, seconds) || minutes >= 60 || seconds >= 60 || (hasDays && hours >= 24))
    return std::nullopt;
  const auto total = days * SecondsPerDay + hours * 3600 + minutes * 60 + seconds;
  return negative ? -total : total;
}

std::string FormatClockShift(std::int64_t seconds) {
  const char sign = seconds < 0 ? '-' : '+';
  const auto a = seconds < 0 ? -seconds : seconds;
  return fmt::format("{}{} {:02}:{:02}:{:02}", sign, a / SecondsPerDay, a % SecondsPerDay / 3600, a % 3600 / 60,
                     a % 60);
}

std::optional<std::string> ShiftExifDateTimeText(std::string_view text, std::int64_t seconds) {
  TCivil c;
  if (text.size() != 19 || !Digits(text, 0, 4, c.Year) || text[4] != ':' || !Digits(text, 5, 2, c.Month) ||
      text[7] != ':' || !Digits(text, 8, 2, c.Day) || text[10] != ' ' || !Digits(text, 11, 2, c.Hour) ||
      text[13] != ':' || !Digits(text, 14, 2, c.Minute) || text[16] != ':' || !Digits(text, 17, 2, c.Second) ||
      !c.Valid())
    return std::nullopt;
  const auto r = Shifted(c, seconds);
  if (!r)
    return std::nullopt;
  return fmt::format("{:04}:{:02}:{:02} {:02}:{:02}:{:02}", r->Year, r->Month, r->Day, r->Hour, r->Minute, r->Second);
}

std::optional<std::string> ShiftXMPDateText(std::string_view text, std::int64_t seconds) {
  TCivil c;
  if (text.size() < 10 || !Digits(text, 0, 4, c.Year) || text[4] != '-' || !Digits(text, 5, 2, c.Month) ||
      text[7] != '-' || !Digits(text, 8, 2, c.Day))
    return std::nullopt;
  if (text.size() == 10) {
    if (!c.Valid() || !WholeDays(seconds) || seconds == 0)
      return std::nullopt;
    const auto r = Shifted(c, seconds);
    if (!r)
      return std::nullopt;
    return fmt::format("{:04}-{:02}-{:02}", r->Year, r->Month, r->Day);
  }
  if (text.size() < 16 || text[10] != 'T' || !Digits(text, 11, 2, c.Hour) || text[13] != ':' ||
      !Digits(text, 14, 2, c.Minute))
    return std::nullopt;
  std::size_t pos = 16;
  bool hasSeconds = false;
  if (pos < text.size() && text[pos] == ':') {
    if (!Digits(text, pos + 1, 2, c.Second))
      return std::nullopt;
    hasSeconds = true;
    pos += 3;
  }
  std::string_view fraction;
  if (hasSeconds && pos < text.size() && text[pos] == '.') {
    auto end = pos + 1;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9')
      ++end;
    if (end == pos + 1)
      return std::nullopt;
    fraction = text.substr(pos, end - pos);
    pos = end;
  }
  const auto zone = text.substr(pos);
  int zh = 0, zm = 0;
  const bool zoneOK = zone.empty() || zone == "Z" ||
                      (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && Digits(zone, 1, 2, zh) &&
                       zone[3] == ':' && Digits(zone, 4, 2, zm));
  if (!zoneOK || !c.Valid())
    return std::nullopt;
  const auto r = Shifted(c, seconds);
  if (!r)
    return std::nullopt;
  auto result = fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}", r->Year, r->Month, r->Day, r->Hour, r->Minute);
  if (hasSeconds || r->Second != 0)
    result += fmt::format(":{:02}", r->Second);
  result += fraction;
  result += zone;
  return result;
}

std::optional<TIPTCDateTimeTexts> ShiftIPTCDateTime(const TIPTCDateTimeTexts& texts, std::int64_t seconds) {
  TCivil c;
  const bool hasDate = !texts.Date.empty();
  const bool hasTime = !texts.Time.empty();
  if (hasDate && (texts.Date.size() != 8 || !Digits(texts.Date, 0, 4, c.Year) || !Digits(texts.Date, 4, 2, c.Month) ||
                  !Digits(texts.Date, 6, 2, c.Day)))
    return std::nullopt;
  std::string_view zone;
  if (hasTime) {
    const std::string_view time = texts.Time;
    int zh = 0, zm = 0;
    if ((time.size() != 6 && time.size() != 11) || !Digits(time, 0, 2, c.Hour) || !Digits(time, 2, 2, c.Minute) ||
        !Digits(time, 4, 2, c.Second))
      return std::nullopt;
    zone = time.substr(6);
    if (!zone.empty() && ((zone[0] != '+' && zone[0] != '-') || !Digits(zone, 1, 2, zh) || !Digits(zone, 3, 2, zm)))
      return std::nullopt;
  }
  if (!hasDate) {
    c.Year = 2000;
    c.Month = c.Day = 1;
  }
  if ((!hasDate && !hasTime) || !c.Valid() || seconds == 0 || (!hasTime && !WholeDays(seconds)))
    return std::nullopt;
  const auto r = TCivil::FromSeconds(c.Seconds() + seconds);
  if (hasDate && (r.Year < 1 || r.Year > 9999))
    return std::nullopt;
  TIPTCDateTimeTexts result;
  if (hasDate)
    result.Date = fmt::format("{:04}{:02}{:02}", r.Year, r.Month, r.Day);
  if (hasTime)
    result.Time = fmt::format("{:02}{:02}{:02}{}", r.Hour, r.Minute, r.Second, zone);
  return result;
}

namespace {

struct TExifDateTag {
  TExifSectionKind Section;
  TTiffTagID ID;
  std::string_view Label;
};
constexpr TExifDateTag ExifDateTags[] = {
    {TExifSectionKind::esGeneral, ttDateTime, "EXIF DateTime"},
    {TExifSectionKind::esDetails, ttDateTimeOriginal, "EXIF DateTimeOriginal"},
    {TExifSectionKind::esDetails, ttDateTimeDigitized, "EXIF DateTimeDigitized"},
};

struct TXMPDateProperty {
  TXMPNamespace Schema;
  std::string_view Name;
  std::string_view Label;
};
constexpr TXMPDateProperty XMPDateProperties[] = {
    {TXMPNamespace::xsExif, "DateTimeOriginal", "XMP exif:DateTimeOriginal"},
    {TXMPNamespace::xsExif, "DateTimeDigitized", "XMP exif:DateTimeDigitized"},
    {TXMPNamespace::xsXMPBasic, "CreateDate", "XMP xmp:CreateDate"},
    {TXMPNamespace::xsXMPBasic, "ModifyDate", "XMP xmp:ModifyDate"},
    {TXMPNamespace::xsPhotoshop, "DateCreated", "XMP photoshop:DateCreated"},
    {TXMPNamespace::xsTIFF, "DateTime", "XMP tiff:DateTime"},
};

struct TIPTCDatePair {
  TIPTCTagID Date;
  TIPTCTagID Time;
  std::string_view DateLabel;
  std::string_view TimeLabel;
};
constexpr TIPTCDatePair IPTCDatePairs[] = {
    {55, 60, "IPTC DateCreated", "IPTC TimeCreated"},
    {62, 63, "IPTC DigitalCreationDate", "IPTC DigitalCreationTime"},
};

void ShiftExif(TExifData& exif, std::int64_t seconds, bool write, std::vector<TBatchChange>& changes) {
  for (const auto& tag : ExifDateTags) {
    auto* section = exif.GetSection(tag.Section);
    std::string old;
    if (section == nullptr || !section->TryGetStringValue(tag.ID, old))
      continue;
    const auto shifted = ShiftExifDateTimeText(old, seconds);
    if (!shifted || *shifted == old)
      continue;
    changes.push_back({std::string(tag.Label), old, *shifted});
    if (write)
      section->SetStringValue(tag.ID, *shifted);
  }
}

void ShiftXMP(TXMPPacket& packet, std::int64_t seconds, bool write, std::vector<TBatchChange>& changes) {
  for (const auto& date : XMPDateProperties) {
    TXMPSchema* schema = nullptr;
    TXMPProperty* property = nullptr;
    if (!packet.FindSchema(date.Schema, schema) || !schema->FindProperty(date.Name, property) ||
        property->Kind() != TXMPPropertyKind::xpSimple)
      continue;
    const auto old = property->ReadValue("");
    const auto shifted = ShiftXMPDateText(old, seconds);
    if (!shifted || *shifted == old)
      continue;
    changes.push_back({std::string(date.Label), old, *shifted});
    if (write)
      property->WriteValue(*shifted);
  }
}

bool ShiftIPTC(TIPTCData& iptc, std::int64_t seconds, bool write, std::vector<TBatchChange>& changes) {
  auto* section = iptc.ApplicationSection();
  bool changed = false;
  for (const auto& pair : IPTCDatePairs) {
    auto* dateTag = section->Find(pair.Date);
    auto* timeTag = section->Find(pair.Time);
    TIPTCDateTimeTexts old;
    if (dateTag != nullptr)
      old.Date = dateTag->AsString();
    if (timeTag != nullptr)
      old.Time = timeTag->AsString();
    const auto shifted = ShiftIPTCDateTime(old, seconds);
    if (!shifted)
      continue;
    const auto update = [&](TIPTCTag* tag, const std::string& before, const std::string& after,
                            std::string_view label) {
      if (tag == nullptr || before == after)
        return;
      changes.push_back({std::string(label), before, after});
      changed = true;
      if (write)
        tag->SetAsString(after);
    };
    update(dateTag, old.Date, shifted->Date, pair.DateLabel);
    update(timeTag, old.Time, shifted->Time, pair.TimeLabel);
  }
  return changed;
}

} // namespace

std::vector<TBatchChange> ShiftPictureDates(TPictureMetadata& picture, std::int64_t seconds, bool write) {
  std::vector<TBatchChange> changes;
  if (seconds == 0)
    return changes;
  ShiftExif(picture.Exif(), seconds, write, changes);
  ShiftXMP(picture.Exif().XMPPacket(), seconds, write, changes);
  if (ShiftIPTC(picture.IPTC(), seconds, write, changes) && write)
    picture.SetIPTCChanged();
  return changes;
}

TBatchItem PlanClockShift(const std::string& fileName, std::int64_t seconds) {
  TBatchItem item;
  item.FileName = fileName;
  TPictureMetadata picture(fileName);
  item.Changes = ShiftPictureDates(picture, seconds, false);
  if (item.Changes.empty()) {
    item.Skipped = TSkipReason::srNothingToShift;
    return item;
  }
  item.Edit = [seconds](TPictureMetadata& target) { ShiftPictureDates(target, seconds, true); };
  return item;
}

} // namespace Fotarium::Core
