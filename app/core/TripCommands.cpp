#include "app/core/TripCommands.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <set>
#include <string_view>

namespace Fotarium::Core {

std::vector<std::size_t> BatchTargetIndexes(const std::vector<bool>& marked, bool multiSelect) {
  std::vector<std::size_t> indexes;
  if (multiSelect)
    for (std::size_t i = 0; i < marked.size(); ++i)
      if (marked[i])
        indexes.push_back(i);
  if (indexes.empty())
    for (std::size_t i = 0; i < marked.size(); ++i)
      indexes.push_back(i);
  return indexes;
}

std::vector<std::string> BatchTargetFiles(const std::vector<TPictureEntry>& entries,
                                          const std::vector<std::size_t>& indexes) {
  std::vector<std::string> files;
  std::set<std::string> seen;
  for (const std::size_t index : indexes)
    if (index < entries.size() && seen.insert(entries[index].Text).second)
      files.push_back(entries[index].Text);
  return files;
}

std::string DisplayDateTime(const std::string& exifText) {
  const auto digitsAt = [&exifText](std::size_t pos, std::size_t count) {
    return std::all_of(exifText.begin() + static_cast<std::ptrdiff_t>(pos),
                       exifText.begin() + static_cast<std::ptrdiff_t>(pos + count),
                       [](char c) { return c >= '0' && c <= '9'; });
  };
  if (exifText.size() != 19 || exifText[4] != ':' || exifText[7] != ':' || exifText[10] != ' ' || !digitsAt(0, 4) ||
      !digitsAt(5, 2) || !digitsAt(8, 2))
    return exifText;
  return exifText.substr(8, 2) + "." + exifText.substr(5, 2) + "." + exifText.substr(0, 4) + exifText.substr(10);
}

namespace {

// The change that stands for the capture time in the preview.
const TBatchChange* CaptureTimeChange(const std::vector<TBatchChange>& changes) {
  for (const std::string_view field : {"EXIF DateTimeOriginal", "EXIF DateTime"})
    for (const auto& change : changes)
      if (change.Field == field)
        return &change;
  return changes.empty() ? nullptr : &changes.front();
}

std::string ChangeLines(const std::vector<TBatchChange>& changes) {
  std::string text;
  for (const auto& change : changes) {
    if (!text.empty())
      text += '\n';
    text += fmt::format("{}: {} \xE2\x86\x92 {}", change.Field, change.Old, change.New);
  }
  return text;
}

} // namespace

std::vector<TPreviewRow> ShiftPreviewRows(const TBatchPlan& plan) {
  std::vector<TPreviewRow> rows;
  rows.reserve(plan.Items.size());
  for (const auto& item : plan.Items) {
    TPreviewRow row;
    row.FileName = item.FileName;
    row.WillChange = item.WillChange();
    if (!item.Error.empty()) {
      row.Cells = {"", item.Error};
    } else if (const auto* change = CaptureTimeChange(item.Changes); change != nullptr && row.WillChange) {
      row.Cells = {DisplayDateTime(change->Old), DisplayDateTime(change->New)};
      row.Details = ChangeLines(item.Changes);
    } else {
      row.Cells = {"", SkipReasonText(item.Skipped, true)};
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string DisplayUTCTime(double seconds) {
  auto text = FormatISOTime(seconds); // "2024-06-01T10:00:00Z", maybe with milliseconds
  if (!text.empty() && text.back() == 'Z')
    text.pop_back();
  if (const auto t = text.find('T'); t != std::string::npos)
    text[t] = ' ';
  return text;
}

std::vector<TGeotagRow> GeotagPreviewRows(const TBatchPlan& plan, const TGPXTrack& track,
                                          const TGeotagSettings& settings) {
  std::vector<TGeotagRow> rows;
  rows.reserve(plan.Items.size());
  for (const auto& item : plan.Items) {
    TGeotagRow row;
    row.FileName = item.FileName;
    std::optional<double> utc;
    for (const auto& [name, value] : item.Details)
      if (name == "utc")
        utc = ParseISOTime(value);
    if (utc)
      row.UTCTime = DisplayUTCTime(*utc);
    if (!item.Error.empty()) {
      row.How = THowFound::hfError;
      row.Error = item.Error;
    } else if (item.Skipped == TSkipReason::srNoCaptureTime || !utc) {
      row.How = THowFound::hfNoCaptureTime;
    } else if (const auto fix = MatchTrack(track, *utc, settings.Match);
               item.Skipped == TSkipReason::srTooFarFromTrack || !fix) {
      row.How = THowFound::hfTooFar;
    } else {
      row.Position = PositionText(fix->Latitude, fix->Longitude);
      row.Distance = fix->Distance;
      if (fix->Distance == 0)
        row.How = THowFound::hfTrackPoint;
      else
        row.How = fix->Kind == TMatchKind::mkNearestPoint ? THowFound::hfNearestPoint : THowFound::hfInterpolated;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

TGPXTrack MergeTracks(std::vector<TGPXTrack> tracks) {
  if (tracks.size() == 1)
    return std::move(tracks.front());
  TGPXTrack merged;
  for (auto& track : tracks) {
    merged.Points.insert(merged.Points.end(), track.Points.begin(), track.Points.end());
    merged.Path.insert(merged.Path.end(), track.Path.begin(), track.Path.end());
  }
  std::stable_sort(merged.Points.begin(), merged.Points.end(),
                   [](const TTrackPoint& a, const TTrackPoint& b) { return a.Time < b.Time; });
  return merged;
}

std::vector<std::size_t> RereadCaptureTimeKeys(std::vector<TPictureEntry>& entries,
                                               const std::vector<std::string>& changedFiles) {
  const std::set<std::string> changed(changedFiles.begin(), changedFiles.end());
  std::vector<std::size_t> updated;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (changed.count(entries[i].Text) == 0)
      continue;
    try {
      const auto key = ReadCaptureTimeKey(entries[i].Text);
      if (key && *key != entries[i].CaptureTimeKey) {
        entries[i].CaptureTimeKey = *key;
        updated.push_back(i);
      }
    } catch (const std::exception&) {
      // Unreadable now: the entry keeps the key it had.
    }
  }
  return updated;
}

} // namespace Fotarium::Core
