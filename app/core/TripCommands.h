#pragma once

// The window's commands over a whole trip (shifting capture times, positions from a GPS
// track): which entries they work on, the rows of their preview, the track's overview and
// the list keys after the apply. The plan, the apply and the summary are BatchCommand's.

#include "app/core/BatchCommand.h"
#include "app/core/GPXTrack.h"
#include "app/core/Geotag.h"
#include "app/core/PictureList.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Fotarium::Core {

// The indexes a trip command works on: in multi-selection mode the marked entries, or all
// when none is marked; in single-selection mode, where the one mark is only the current
// entry, all entries.
[[nodiscard]] std::vector<std::size_t> BatchTargetIndexes(const std::vector<bool>& marked, bool multiSelect);
// The files of those entries, each once: a path listed twice must not be shifted twice.
[[nodiscard]] std::vector<std::string> BatchTargetFiles(const std::vector<TPictureEntry>& entries,
                                                        const std::vector<std::size_t>& indexes);

// One line of a preview: the file and the command's columns; WillChange false for a file
// that is left as it is (its reason stands in the columns).
struct TPreviewRow {
  std::string FileName;
  std::vector<std::string> Cells;
  std::string Details; // every value that changes, one per line
  bool WillChange = false;
};

// "YYYY:MM:DD HH:MM:SS" as "DD.MM.YYYY HH:MM:SS"; other texts unchanged.
[[nodiscard]] std::string DisplayDateTime(const std::string& exifText);

// The shift's preview: file, the capture time as it was and as it will be
// ("Datei | bisher | neu"), DateTimeOriginal before DateTime before any other date.
[[nodiscard]] std::vector<TPreviewRow> ShiftPreviewRows(const TBatchPlan& plan);

// How a picture's position was found on the track.
enum class THowFound : std::uint8_t {
  hfTrackPoint,
  hfInterpolated,
  hfNearestPoint,
  hfTooFar,
  hfNoCaptureTime,
  hfError
};

struct TGeotagRow {
  std::string FileName;
  std::string UTCTime;  // "2024-06-01 10:00:00", empty without a capture time
  std::string Position; // "48.1375830, 11.5753330", empty when none is found
  THowFound How = THowFound::hfError;
  double Distance = 0; // hfNearestPoint: seconds to that point
  std::string Error;   // hfError: why the file cannot be planned
};

// The geotag preview ("Datei | Aufnahmezeit (UTC) | Position | wie gefunden") of a plan made
// with PlanGeotag on that track and settings.
[[nodiscard]] std::vector<TGeotagRow> GeotagPreviewRows(const TBatchPlan& plan, const TGPXTrack& track,
                                                        const TGeotagSettings& settings);

// An ISO time "2024-06-01T10:00:00Z" as "2024-06-01 10:00:00" for people.
[[nodiscard]] std::string DisplayUTCTime(double seconds);

// The points of several tracks as one (a trip recorded in one file per day).
[[nodiscard]] TGPXTrack MergeTracks(std::vector<TGPXTrack> tracks);

// The capture-time keys of the entries whose file was changed, read again from the files
// (a file that cannot be read keeps its key). Answers the indexes whose key changed.
std::vector<std::size_t> RereadCaptureTimeKeys(std::vector<TPictureEntry>& entries,
                                               const std::vector<std::string>& changedFiles);

} // namespace Fotarium::Core
