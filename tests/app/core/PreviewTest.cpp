#include "app/core/Preview.h"

#include "platform/JPEGImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

using namespace Fotarium::Core;
using Platform::TBitmap;

namespace {

// Every pixel different, so that any wrong mapping shows.
TBitmap Numbered(int w, int h) {
  TBitmap bitmap(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      bitmap.SetPixel(x, y, Platform::RGB(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7));
  return bitmap;
}

std::vector<std::uint8_t> Jpeg(int w, int h) {
  TBitmap bitmap(w, h);
  bitmap.FillRect({0, 0, w, h}, Platform::RGB(30, 120, 200));
  return Platform::EncodeBitmapToJPEG(bitmap, 75);
}

// A real small JPEG whose frame header claims another size.
std::vector<std::uint8_t> ClaimingSize(int w, int h) {
  std::vector<std::uint8_t> jpeg = Jpeg(16, 16);
  for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      jpeg[i + 5] = static_cast<std::uint8_t>(h >> 8);
      jpeg[i + 6] = static_cast<std::uint8_t>(h);
      jpeg[i + 7] = static_cast<std::uint8_t>(w >> 8);
      jpeg[i + 8] = static_cast<std::uint8_t>(w);
      break;
    }
  return jpeg;
}

} // namespace

TEST(Preview, RectangleFitsThePictureIntoTheSquare) {
  EXPECT_EQ(PreviewRect(600, 800, 600), (TPreviewRect{75, 0, 525, 600})) << "portrait: w 450, x 75";
  EXPECT_EQ(PreviewRect(800, 600, 600), (TPreviewRect{0, 75, 600, 525})) << "landscape";
  EXPECT_EQ(PreviewRect(1000, 1000, 731), (TPreviewRect{0, 0, 731, 731})) << "a square fills the box";
  EXPECT_EQ(PreviewRect(6000, 4000, 731), (TPreviewRect{0, 122, 731, 609}));
  EXPECT_EQ(PreviewRect(1, 10000, 731), (TPreviewRect{366, 0, 366, 731})) << "a band thinner than a pixel";
  // Halves go to the even neighbour: 5 / 2 = 2.5 -> 2 then (5 - 2) / 2 = 1.5 -> 2; 7 / 2 = 3.5 -> 4.
  EXPECT_EQ(PreviewRect(2, 1, 5), (TPreviewRect{0, 2, 5, 4}));
  EXPECT_EQ(PreviewRect(2, 1, 7), (TPreviewRect{0, 2, 7, 6}));
  EXPECT_EQ(PreviewRect(1, 2, 5), (TPreviewRect{2, 0, 4, 5}));
  EXPECT_EQ(PreviewRect(2, 1, 9), (TPreviewRect{0, 2, 9, 6})) << "4.5 -> 4, 2.5 -> 2";

  EXPECT_FALSE(PreviewRect(0, 600, 600));
  EXPECT_FALSE(PreviewRect(600, -1, 600));
  EXPECT_FALSE(PreviewRect(600, 600, 0));
  EXPECT_EQ(PreviewRect(65535, 65535, 100000), (TPreviewRect{0, 0, 100000, 100000}));
}

TEST(Preview, TurnAngleOfEachOrientation) {
  const int expected[] = {0, 0, 0, 180, 0, 0, 90, 0, 270, 0};
  for (int orientation = 0; orientation < 10; ++orientation)
    EXPECT_EQ(PreviewTurnAngle(orientation), expected[orientation]) << orientation;
  EXPECT_EQ(PreviewTurnAngle(-6), 0);
}

TEST(Preview, RotateBitmapMapsEveryPixelClockwise) {
  const int W = 3;
  const int H = 2;
  const TBitmap source = Numbered(W, H);

  const TBitmap quarter = RotateBitmap(source, 90);
  ASSERT_EQ(quarter.Width(), H);
  ASSERT_EQ(quarter.Height(), W);
  const TBitmap half = RotateBitmap(source, 180);
  ASSERT_EQ(half.Width(), W);
  ASSERT_EQ(half.Height(), H);
  const TBitmap threeQuarters = RotateBitmap(source, 270);
  ASSERT_EQ(threeQuarters.Width(), H);
  ASSERT_EQ(threeQuarters.Height(), W);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const Platform::TColor c = source.Pixel(x, y);
      EXPECT_EQ(quarter.Pixel(H - 1 - y, x), c) << "90: " << x << "," << y;
      EXPECT_EQ(half.Pixel(W - 1 - x, H - 1 - y), c) << "180: " << x << "," << y;
      EXPECT_EQ(threeQuarters.Pixel(y, W - 1 - x), c) << "270: " << x << "," << y;
    }
  // Clockwise: the top-left corner of the source ends at the top-right after a quarter turn.
  EXPECT_EQ(quarter.Pixel(1, 0), source.Pixel(0, 0));
  EXPECT_EQ(threeQuarters.Pixel(0, 2), source.Pixel(0, 0));

  EXPECT_EQ(RotateBitmap(RotateBitmap(source, 90), 270), source);
  EXPECT_EQ(RotateBitmap(RotateBitmap(source, 180), 180), source);
  EXPECT_EQ(RotateBitmap(source, 90), source.Transformed(6)) << "the same turn as the EXIF orientation 6";

  EXPECT_TRUE(RotateBitmap(source, 0).Empty());
  EXPECT_TRUE(RotateBitmap(source, 45).Empty());
  EXPECT_TRUE(RotateBitmap(source, 360).Empty());
  EXPECT_TRUE(RotateBitmap(source, -90).Empty());
  EXPECT_TRUE(RotateBitmap(TBitmap(), 90).Empty());
}

TEST(Preview, ScaleIsTheSmallestThatStillCoversTheBox) {
  EXPECT_EQ(PreviewScaleNumerator(6000, 4000, 731), 1) << "24 megapixels decode at 1/8";
  EXPECT_EQ(PreviewScaleNumerator(4000, 3000, 731), 2);
  EXPECT_EQ(PreviewScaleNumerator(1462, 975, 731), 4);
  EXPECT_EQ(PreviewScaleNumerator(1461, 975, 731), 8);
  EXPECT_EQ(PreviewScaleNumerator(731, 731, 731), 8);
  EXPECT_EQ(PreviewScaleNumerator(300, 200, 731), 8) << "small pictures are enlarged from full size";
  EXPECT_EQ(PreviewScaleNumerator(0, 0, 731), 8);

  // The decoded bitmap covers the rectangle the picture gets, on both axes.
  const int sizes[][2] = {{300, 200}, {200, 300}, {257, 129}, {64, 640}};
  for (const auto& size : sizes) {
    const std::vector<std::uint8_t> jpeg = Jpeg(size[0], size[1]);
    for (int box = 1; box <= 400; box += 13) {
      const TPreviewPicture picture = DecodePreviewPicture(jpeg, box);
      EXPECT_EQ(picture.Width, size[0]);
      EXPECT_EQ(picture.Height, size[1]);
      const std::optional<TPreviewRect> rect = PreviewRect(size[0], size[1], box);
      ASSERT_TRUE(rect);
      // A picture smaller than its rectangle is decoded at full size and enlarged.
      EXPECT_GE(picture.Bitmap.Width(), std::min(rect->Width(), size[0])) << size[0] << "x" << size[1] << " in " << box;
      EXPECT_GE(picture.Bitmap.Height(), std::min(rect->Height(), size[1]))
          << size[0] << "x" << size[1] << " in " << box;
      if (box * 2 <= std::max(size[0], size[1])) {
        EXPECT_LT(picture.Bitmap.Width(), size[0]) << "no full-size decode for a box of " << box;
      }
    }
  }
}

TEST(Preview, DecodeFailuresAndEmptyData) {
  EXPECT_TRUE(DecodeForPreview({}, 600).Empty()) << "an empty picture has no preview";
  const std::vector<std::uint8_t> garbage(300, 0x41);
  EXPECT_THROW((void)DecodeForPreview(garbage, 600), Platform::EInvalidGraphic);

  std::vector<std::uint8_t> jpeg = Jpeg(64, 48);
  EXPECT_EQ(DecodeForPreview(jpeg, 8).Width(), 8);
  EXPECT_EQ(DecodeForPreview(jpeg, 600).Width(), 64);
  // Picture data cut off: decoded as far as it goes, with warnings but no error.
  TBitmap noisy = Numbered(64, 48);
  std::vector<std::uint8_t> cut = Platform::EncodeBitmapToJPEG(noisy, 95);
  cut.resize(cut.size() - cut.size() / 4);
  const TPreviewPicture partial = DecodePreviewPicture(cut, 600);
  EXPECT_EQ(partial.Bitmap.Width(), 64);
  EXPECT_GT(partial.Warnings, 0);
}

TEST(Preview, PicturesBeyondThePixelBudgetAreRefusedBeforeDecoding) {
  for (const auto& [w, h] : {std::pair{65500, 65500}, std::pair{20001, 20000}, std::pair{65500, 6200}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    try {
      (void)DecodePreviewPicture(ClaimingSize(w, h), 600);
      ADD_FAILURE() << "decoded";
    } catch (const Platform::EInvalidGraphic& error) {
      EXPECT_EQ(std::string(error.what()), "Das Bild ist für eine Vorschau zu groß (" + std::to_string(w) + " x " +
                                               std::to_string(h) + " Bildpunkte)");
    }
  }
  // Within the budget the claim is decoded as far as the data goes.
  const TPreviewPicture small = DecodePreviewPicture(ClaimingSize(4000, 3000), 600);
  EXPECT_EQ(small.Width, 4000);
  EXPECT_EQ(small.Bitmap.Width(), 4000 * PreviewScaleNumerator(4000, 3000, 600) / 8);
}
