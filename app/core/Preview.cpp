#include "app/core/Preview.h"

#include "app/core/WindowLanguage.h"

#include "platform/JPEGImage.h"

#include <cmath>
#include <cstring>
#include <string>

namespace Fotarium::Core {

namespace {

// Nearest integer, halves to the even neighbour (independent of the current rounding mode).
int Nearest(double value) {
  const double lower = std::floor(value);
  const double fraction = value - lower;
  double result = lower;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0))
    result = lower + 1.0;
  return static_cast<int>(result);
}

} // namespace

std::optional<TPreviewRect> PreviewRect(int width, int height, int boxWidth) {
  if (width <= 0 || height <= 0 || boxWidth <= 0)
    return std::nullopt;
  const double ratio = static_cast<double>(width) / height;
  const double box = boxWidth;
  if (ratio < 1.0) {
    const int w = Nearest(box * ratio);
    const int x = Nearest((box - w) / 2.0);
    return TPreviewRect{x, 0, x + w, boxWidth};
  }
  const int h = Nearest(box / ratio);
  const int y = Nearest((box - h) / 2.0);
  return TPreviewRect{0, y, boxWidth, y + h};
}

int PreviewTurnAngle(int orientation) {
  switch (orientation) {
  case 3: return 180;
  case 6: return 90;
  case 8: return 270;
  default: return 0;
  }
}

Platform::TBitmap RotateBitmap(const Platform::TBitmap& source, int angle) {
  if (angle != 90 && angle != 180 && angle != 270)
    return {};
  const int w = source.Width();
  const int h = source.Height();
  if (source.Empty())
    return {};
  constexpr int bpp = Platform::TBitmap::BytesPerPixel;
  Platform::TBitmap result = angle == 180 ? Platform::TBitmap(w, h) : Platform::TBitmap(h, w);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* from = source.ScanLine(y);
    if (angle == 180) {
      std::uint8_t* to = result.ScanLine(h - 1 - y);
      for (int x = 0; x < w; ++x)
        std::memcpy(to + static_cast<std::size_t>(w - 1 - x) * bpp, from + static_cast<std::size_t>(x) * bpp, bpp);
    } else if (angle == 90) {
      // Source (x, y) goes to (h - 1 - y, x).
      const std::size_t column = static_cast<std::size_t>(h - 1 - y) * bpp;
      for (int x = 0; x < w; ++x)
        std::memcpy(result.ScanLine(x) + column, from + static_cast<std::size_t>(x) * bpp, bpp);
    } else {
      // Source (x, y) goes to (y, w - 1 - x).
      const std::size_t column = static_cast<std::size_t>(y) * bpp;
      for (int x = 0; x < w; ++x)
        std::memcpy(result.ScanLine(w - 1 - x) + column, from + static_cast<std::size_t>(x) * bpp, bpp);
    }
  }
  return result;
}

int PreviewScaleNumerator(int width, int height, int boxWidth) {
  if (width <= 0 || height <= 0 || boxWidth <= 0)
    return 8;
  // libjpeg's scaled sizes round up, so a picture at 1/d is at least width / d wide; the
  // platform's choice keeps both axes of the fitted rectangle covered.
  return 8 / Platform::ChooseScaleDenominator(width, height, boxWidth, boxWidth);
}

TPreviewPicture DecodePreviewPicture(std::span<const std::uint8_t> jpeg, int boxWidth) {
  TPreviewPicture picture;
  if (jpeg.empty())
    return picture;
  const Platform::TJPEGInfo info = Platform::ReadJPEGInfo(jpeg);
  if (static_cast<std::int64_t>(info.Width) * info.Height > PreviewPixelBudget)
    throw Platform::EInvalidGraphic(
        FormatText(Tr("Preview", "Das Bild ist für eine Vorschau zu groß (%1 x %2 Bildpunkte)"),
                   {std::to_string(info.Width), std::to_string(info.Height)}));
  const int numerator = PreviewScaleNumerator(info.Width, info.Height, boxWidth);
  picture.Warnings = Platform::DecodeJPEG(jpeg, picture.Bitmap, 8 / numerator);
  picture.Width = info.Width;
  picture.Height = info.Height;
  return picture;
}

Platform::TBitmap DecodeForPreview(std::span<const std::uint8_t> jpeg, int boxWidth) {
  return std::move(DecodePreviewPicture(jpeg, boxWidth).Bitmap);
}

} // namespace Fotarium::Core
