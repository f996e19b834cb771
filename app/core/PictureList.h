#pragma once

#include "platform/DateTime.h"
#include "platform/Streams.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Fotarium::Core {

// Key of a picture without a usable capture time; it sorts before every real date.
inline constexpr Platform::TDateTime NoCaptureTimeKey = -700000.0;

// One entry of the picture list: the path as delivered and the capture time read when the
// file was added (never recomputed afterwards).
struct TPictureEntry {
  std::string Text;
  Platform::TDateTime CaptureTimeKey = NoCaptureTimeKey;
};

// True when the JPEG decoder can parse the file's headers. Only the bytes the decoder asks
// for are read, streamed from the file. An empty file passes (nothing to parse, nothing
// wrong); folders, unreadable files and non-JPEG data fail. Never throws.
[[nodiscard]] bool IsJpegFile(const std::string& path);

// IsJpegFile with the number of bytes it read from the file.
struct TJpegFileCheck {
  bool IsJpeg = false;
  std::uint64_t BytesRead = 0;
};
[[nodiscard]] TJpegFileCheck CheckJpegFile(const std::string& path);

// The capture-time key of a file about to be added: nullopt when the metadata reader does
// not recognise the file (then it is not added), else the main directory's DateTime value
// (NoCaptureTimeKey when missing). Errors of the reader propagate.
[[nodiscard]] std::optional<Platform::TDateTime> ReadCaptureTimeKey(const std::string& path);
// The same from a stream over the file (read from its start).
[[nodiscard]] std::optional<Platform::TDateTime> ReadCaptureTimeKey(Platform::TStream& stream);

// -1 when a < b, 1 when a > b, else 0.
[[nodiscard]] int CompareCaptureTimes(Platform::TDateTime a, Platform::TDateTime b);
// Ascending by capture-time key; entries without a key come first. Equal keys may change
// their relative order.
void SortByCaptureTime(std::vector<TPictureEntry>& entries);

// Order of the sorted-by-name mode: plain byte order of the path texts (so non-UTF-8 names
// sort deterministically too). Returns true when a sorts before b.
[[nodiscard]] bool PathTextLess(const std::string& a, const std::string& b);
// Where a new text goes in a list kept in PathTextLess order: after every equal text.
[[nodiscard]] std::size_t SortedInsertIndex(const std::vector<TPictureEntry>& entries, const std::string& text);
// Puts the entries into PathTextLess order (equal texts keep their order).
void SortByName(std::vector<TPictureEntry>& entries);

// The outcome of checking and reading one dropped file; plain values only, so a worker thread
// can produce it and the window applies the results in order.
struct TListedFile {
  enum class TKind {
    Added,         // a JPEG with its key: append it
    NotJpeg,       // show path + " ist keine JPG-Datei!"
    NotRecognised, // passes the JPEG check but the metadata reader does not take it: skip silently
    Failed         // reading the metadata raised: Error holds the message; the drop stops here
  };
  std::string Path;
  TKind Kind = TKind::NotJpeg;
  Platform::TDateTime Key = NoCaptureTimeKey;
  std::string Error;
};

// IsJpegFile, then ReadCaptureTimeKey, through one open of the file. Never throws.
[[nodiscard]] TListedFile ListFile(const std::string& path);

// The message for a dropped file that is no JPEG picture.
[[nodiscard]] std::string NotJpegMessage(const std::string& path);

} // namespace Fotarium::Core
