#include "app/PreviewImage.h"

#include "app/core/Preview.h"
#include "app/core/WindowLanguage.h"

#include <QTransform>

#include <cstring>
#include <exception>
#include <new>

namespace Fotarium::App {

namespace {

// Copies the scaled picture into the square at the rectangle's corner.
void Blit(QImage& square, const QImage& picture, int left, int top) {
  const int rows = std::min(picture.height(), square.height() - top);
  const int bytes = std::min(picture.width(), square.width() - left) * 3;
  if (rows <= 0 || bytes <= 0)
    return;
  for (int y = 0; y < rows; ++y)
    std::memcpy(square.scanLine(top + y) + static_cast<std::ptrdiff_t>(left) * 3, picture.constScanLine(y),
                static_cast<std::size_t>(bytes));
}

void DrawPicture(QImage& square, const Platform::TBitmap& bitmap, const Core::TPreviewRect& rect) {
  if (bitmap.Empty() || rect.Width() <= 0 || rect.Height() <= 0)
    return;
  // The bitmap's rows are packed RGB, exactly QImage's RGB888; wrap them without copying.
  const QImage source(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), bitmap.Stride(), QImage::Format_RGB888);
  const QImage scaled = source.scaled(rect.Width(), rect.Height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  Blit(square, scaled.format() == QImage::Format_RGB888 ? scaled : scaled.convertToFormat(QImage::Format_RGB888),
       rect.Left, rect.Top);
}

} // namespace

QImage TurnPreview(const QImage& square, int orientation) {
  const int angle = Core::PreviewTurnAngle(orientation);
  if (angle == 0 || square.isNull())
    return square;
  // Qt's y axis points down, so a positive rotation turns clockwise; quarter turns are exact
  // pixel moves.
  return square.transformed(QTransform().rotate(angle));
}

TPreviewImage MakePreviewImage(std::span<const std::uint8_t> jpeg, int orientation, int side) {
  TPreviewImage result;
  if (side <= 0)
    return result;
  QImage square;
  try {
    Core::TPreviewPicture picture = Core::DecodePreviewPicture(jpeg, side);
    const std::optional<Core::TPreviewRect> rect = Core::PreviewRect(picture.Width, picture.Height, side);
    if (!rect)
      return result; // nothing to show: the box is cleared
    square = QImage(side, side, QImage::Format_RGB888);
    square.fill(PreviewFillColor);
    DrawPicture(square, picture.Bitmap, *rect);
  } catch (const std::bad_alloc&) {
    result.Error = Core::Tr("PreviewImage", "Zu wenig Arbeitsspeicher für die Vorschau");
  } catch (const std::exception& error) {
    result.Error = Core::ErrorText(error);
  } catch (...) {
    result.Error = Core::Tr("PreviewImage", "Die Vorschau konnte nicht erstellt werden");
  }
  if (result.Error && square.isNull()) {
    square = QImage(side, side, QImage::Format_RGB888);
    square.fill(PreviewFillColor);
  }
  // The square is turned as a whole, so a turned landscape picture ends up as a centred
  // portrait band.
  result.Image = TurnPreview(square, orientation);
  return result;
}

} // namespace Fotarium::App
