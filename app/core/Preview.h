#pragma once

#include "platform/Graphics.h"

#include <cstdint>
#include <optional>
#include <span>

namespace Fotarium::Core {

// Where a picture of width x height goes in a square box of side boxWidth: centred, as large
// as fits, edges rounded to the nearest integer with halves to even. Right and Bottom are
// exclusive. nullopt when the picture or the box has no area.
struct TPreviewRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  [[nodiscard]] int Width() const { return Right - Left; }
  [[nodiscard]] int Height() const { return Bottom - Top; }
  friend bool operator==(const TPreviewRect&, const TPreviewRect&) = default;
};
[[nodiscard]] std::optional<TPreviewRect> PreviewRect(int width, int height, int boxWidth);

// The clockwise turn of the preview for an orientation value: 3 -> 180, 6 -> 90, 8 -> 270;
// mirrored and unknown values are not turned (0).
[[nodiscard]] int PreviewTurnAngle(int orientation);

// A new bitmap turned clockwise by 90, 180 or 270 degrees; any other angle gives an empty one.
[[nodiscard]] Platform::TBitmap RotateBitmap(const Platform::TBitmap& source, int angle);

// libjpeg's DCT scaling factor n/8 (n = 1, 2, 4 or 8) for a preview: the smallest one whose decoded
// picture still covers the picture's rectangle in the box, so drawing it only ever shrinks.
// 8 (full size) when the picture is no larger than the box.
[[nodiscard]] int PreviewScaleNumerator(int width, int height, int boxWidth);

// A picture decoded for a preview, with the size the headers give for the full picture (the
// geometry is computed from that, not from the scaled bitmap).
struct TPreviewPicture {
  Platform::TBitmap Bitmap;
  int Width = 0;
  int Height = 0;
  int Warnings = 0; // damaged or truncated data libjpeg decoded as far as it went
};
// The largest picture a preview is made of, in pixels of the full picture as its headers give
// it. At the smallest DCT scale (1/8) that is at most 6.25 megapixels to decode; a header that
// claims more (a hostile 65500 x 65500) is refused before anything is allocated.
inline constexpr std::int64_t PreviewPixelBudget = 400'000'000;
// Decodes at PreviewScaleNumerator. EInvalidGraphic when the data cannot be decoded at all or
// the picture is larger than PreviewPixelBudget.
[[nodiscard]] TPreviewPicture DecodePreviewPicture(std::span<const std::uint8_t> jpeg, int boxWidth);
[[nodiscard]] Platform::TBitmap DecodeForPreview(std::span<const std::uint8_t> jpeg, int boxWidth);

} // namespace Fotarium::Core
