#pragma once

#include <QColor>
#include <QImage>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace Fotarium::App {

// The colour of the square outside the picture: a neutral grey that reads as "no picture"
// on light and dark window themes alike.
inline const QColor PreviewFillColor(128, 128, 128);

struct TPreviewImage {
  // side x side, or null when side <= 0. On a decoding error this is the square as far as
  // it got (possibly only the fill colour).
  QImage Image;
  // The decoding error's message, to be shown after the square.
  std::optional<std::string> Error;
};

// The square turned clockwise for an orientation value (3, 6 and 8; anything else unchanged),
// pixel for pixel as Core::RotateBitmap turns a bitmap.
[[nodiscard]] QImage TurnPreview(const QImage& square, int orientation);

// The preview of a JPEG picture: decoded with DCT scaling, smoothly scaled into the square,
// then the square turned for the orientation value. Never throws.
[[nodiscard]] TPreviewImage MakePreviewImage(std::span<const std::uint8_t> jpeg, int orientation, int side);

} // namespace Fotarium::App
