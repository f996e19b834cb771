#include "app/PreviewImage.h"

#include "app/core/Preview.h"
#include "platform/JPEGImage.h"
#include "support/TestSupport.h"

#include "Tessel/Exif.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using Fotarium::App::MakePreviewImage;
using Fotarium::App::PreviewFillColor;
using Fotarium::App::TPreviewImage;
using Fotarium::App::TurnPreview;

namespace {

std::vector<std::uint8_t> SolidJpeg(int w, int h, Platform::TColor color) {
  Platform::TBitmap bitmap(w, h);
  bitmap.FillRect({0, 0, w, h}, color);
  return Platform::EncodeBitmapToJPEG(bitmap, 90);
}

// JPEG is lossy: a colour is recognised within a small tolerance.
bool Near(QColor actual, QColor expected) {
  return std::abs(actual.red() - expected.red()) <= 12 && std::abs(actual.green() - expected.green()) <= 12 &&
         std::abs(actual.blue() - expected.blue()) <= 12;
}

const QColor Red(220, 20, 20);

// The columns (on the middle row) and rows (on the middle column) that show the picture.
std::pair<int, int> Band(const QImage& image, bool columns) {
  int first = -1;
  int last = -1;
  const int n = columns ? image.width() : image.height();
  for (int i = 0; i < n; ++i) {
    const QColor c = columns ? image.pixelColor(i, image.height() / 2) : image.pixelColor(image.width() / 2, i);
    if (Near(c, Red)) {
      if (first < 0)
        first = i;
      last = i;
    }
  }
  return {first, last + 1};
}

} // namespace

TEST(PreviewImage, QtTurnMatchesRotateBitmap) {
  const int W = 4;
  const int H = 3;
  Platform::TBitmap bitmap(W, H);
  QImage image(W, H, QImage::Format_RGB888);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const auto r = static_cast<std::uint8_t>(40 * x + 10);
      const auto g = static_cast<std::uint8_t>(70 * y + 5);
      bitmap.SetPixel(x, y, Platform::RGB(r, g, 99));
      image.setPixelColor(x, y, QColor(r, g, 99));
    }
  const std::pair<int, int> turns[] = {{3, 180}, {6, 90}, {8, 270}};
  for (const auto& [orientation, angle] : turns) {
    const Platform::TBitmap expected = Fotarium::Core::RotateBitmap(bitmap, angle);
    const QImage turned = TurnPreview(image, orientation);
    ASSERT_EQ(turned.width(), expected.Width()) << angle;
    ASSERT_EQ(turned.height(), expected.Height()) << angle;
    for (int y = 0; y < expected.Height(); ++y)
      for (int x = 0; x < expected.Width(); ++x) {
        const Platform::TColor c = expected.Pixel(x, y);
        EXPECT_EQ(turned.pixelColor(x, y),
                  QColor(Platform::GetRValue(c), Platform::GetGValue(c), Platform::GetBValue(c)))
            << "angle " << angle << " at " << x << "," << y;
      }
  }
  for (const int orientation : {0, 1, 2, 4, 5, 7, 9})
    EXPECT_EQ(TurnPreview(image, orientation), image) << orientation;
}

TEST(PreviewImage, PortraitAndTurnedLandscapeAreCentredBands) {
  const Platform::TColor red = Platform::RGB(220, 20, 20);
  const TPreviewImage portrait = MakePreviewImage(SolidJpeg(600, 800, red), 1, 600);
  ASSERT_FALSE(portrait.Error) << *portrait.Error;
  ASSERT_EQ(portrait.Image.size(), QSize(600, 600));
  EXPECT_EQ(Band(portrait.Image, true), std::make_pair(75, 525));
  EXPECT_EQ(Band(portrait.Image, false), std::make_pair(0, 600));
  EXPECT_EQ(portrait.Image.pixelColor(10, 300), PreviewFillColor) << "outside the picture";

  const std::vector<std::uint8_t> landscape = SolidJpeg(800, 600, red);
  const TPreviewImage upright = MakePreviewImage(landscape, 1, 600);
  ASSERT_FALSE(upright.Error);
  EXPECT_EQ(Band(upright.Image, false), std::make_pair(75, 525));
  EXPECT_EQ(Band(upright.Image, true), std::make_pair(0, 600));

  // Orientation 6: drawn into (0, 75)-(600, 525), then the square turned a quarter clockwise.
  for (const int orientation : {6, 8}) {
    const TPreviewImage turned = MakePreviewImage(landscape, orientation, 600);
    ASSERT_FALSE(turned.Error);
    ASSERT_EQ(turned.Image.size(), QSize(600, 600));
    EXPECT_EQ(Band(turned.Image, true), std::make_pair(75, 525)) << orientation;
    EXPECT_EQ(Band(turned.Image, false), std::make_pair(0, 600)) << orientation;
  }
  // Mirrored values leave the preview as it is.
  EXPECT_EQ(MakePreviewImage(landscape, 5, 600).Image, upright.Image);
}

TEST(PreviewImage, TurnFollowsTheCornerOfThePicture) {
  // A picture whose top-left quarter is red and the rest white.
  Platform::TBitmap bitmap(64, 64);
  bitmap.FillRect({0, 0, 64, 64}, Platform::clWhite);
  bitmap.FillRect({0, 0, 32, 32}, Platform::RGB(220, 20, 20));
  const std::vector<std::uint8_t> jpeg = Platform::EncodeBitmapToJPEG(bitmap, 95);
  const auto redAt = [&](int orientation, int x, int y) {
    return Near(MakePreviewImage(jpeg, orientation, 64).Image.pixelColor(x, y), Red);
  };
  EXPECT_TRUE(redAt(1, 8, 8));
  EXPECT_TRUE(redAt(6, 56, 8)) << "a quarter turn clockwise moves the top-left to the top-right";
  EXPECT_TRUE(redAt(3, 56, 56));
  EXPECT_TRUE(redAt(8, 8, 56));
}

TEST(PreviewImage, ErrorsStillGiveTheSquare) {
  const std::vector<std::uint8_t> garbage(500, 0x41);
  const TPreviewImage broken = MakePreviewImage(garbage, 6, 300);
  ASSERT_TRUE(broken.Error);
  EXPECT_FALSE(broken.Error->empty());
  ASSERT_EQ(broken.Image.size(), QSize(300, 300)) << "the blank square is shown before the error";
  EXPECT_EQ(broken.Image.pixelColor(150, 150), PreviewFillColor);

  // A header that claims 65500 x 65500 gets the same error path, not a 200 MB bitmap.
  std::vector<std::uint8_t> huge = SolidJpeg(16, 16, Platform::clWhite);
  for (std::size_t i = 0; i + 8 < huge.size(); ++i)
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      for (std::size_t k = 5; k <= 8; ++k)
        huge[i + k] = k % 2 == 1 ? 0xFF : 0xDC;
      break;
    }
  const TPreviewImage refused = MakePreviewImage(huge, 1, 300);
  ASSERT_TRUE(refused.Error);
  EXPECT_NE(refused.Error->find("65500 x 65500"), std::string::npos) << *refused.Error;
  EXPECT_EQ(refused.Image.pixelColor(150, 150), PreviewFillColor);

  const TPreviewImage empty = MakePreviewImage({}, 1, 300);
  EXPECT_FALSE(empty.Error);
  EXPECT_TRUE(empty.Image.isNull()) << "an empty picture has no preview";

  EXPECT_TRUE(MakePreviewImage(SolidJpeg(8, 8, Platform::clWhite), 1, 0).Image.isNull());

  // Damaged picture data decodes as far as it goes, without an error.
  Platform::TBitmap pattern(200, 100);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x)
      pattern.SetPixel(x, y, Platform::RGB(static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 13), 50));
  std::vector<std::uint8_t> cut = Platform::EncodeBitmapToJPEG(pattern, 95);
  cut.resize(cut.size() / 2);
  const TPreviewImage partial = MakePreviewImage(cut, 1, 100);
  EXPECT_FALSE(partial.Error) << *partial.Error;
  EXPECT_EQ(partial.Image.size(), QSize(100, 100));
}

// Every corpus picture, hostile ones included: a square or nothing, an error at most, no fault.
TEST(PreviewImageCorpus, EveryPictureMakesAPreview) {
  const std::vector<std::string> files = CorpusFiles({".jpg", ".jpeg"});
  if (files.empty())
    GTEST_SKIP() << "no corpus";
  int shown = 0;
  for (const std::string& path : files) {
    const std::vector<std::uint8_t> bytes = ReadFile(path);
    int orientation = 0;
    try {
      Tessel::Exif::TExifData data;
      if (data.LoadFromGraphic(path))
        orientation = static_cast<int>(data.Orientation());
    } catch (const std::exception&) {
    }
    const TPreviewImage preview = MakePreviewImage(bytes, orientation, 97);
    if (!preview.Image.isNull()) {
      EXPECT_EQ(preview.Image.size(), QSize(97, 97)) << path;
      if (!preview.Error)
        ++shown;
    }
    if (preview.Error) {
      EXPECT_FALSE(preview.Error->empty()) << path;
    }
  }
  EXPECT_GT(shown, static_cast<int>(files.size()) / 2);
}
