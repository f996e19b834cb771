#include "platform/Graphics.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Platform;

namespace {

// Pixels a..f of a 2 x 3 bitmap, each a distinct colour:  a b / c d / e f
TColor Letter(char c) { return RGB(static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c * 2), 7); }

TBitmap FromRows(const std::vector<std::string>& rows) {
  TBitmap bitmap(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      bitmap.SetPixel(x, y, Letter(rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]));
  return bitmap;
}

std::vector<std::string> ToRows(const TBitmap& bitmap) {
  std::vector<std::string> rows;
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::string row;
    for (int x = 0; x < bitmap.Width(); ++x) {
      const TColor color = bitmap.Pixel(x, y);
      row += static_cast<char>(GetRValue(color));
    }
    rows.push_back(row);
  }
  return rows;
}

TBitmap Solid(int w, int h, TColor color) {
  TBitmap bitmap(w, h);
  bitmap.FillRect({0, 0, w, h}, color);
  return bitmap;
}

class TOtherGraphic : public TGraphic {
public:
  void LoadFromStream(TStream&) override {}
  void SaveToStream(TStream&) override {}
  [[nodiscard]] bool Empty() const override { return true; }
  [[nodiscard]] int Width() const override { return 0; }
  [[nodiscard]] int Height() const override { return 0; }
  [[nodiscard]] std::string ClassName() const override { return "TOtherGraphic"; }
};

} // namespace

TEST(Bitmap, TransformedFollowsAllEightExifOrientations) {
  const TBitmap source = FromRows({"ab", "cd", "ef"});
  const std::vector<std::vector<std::string>> expected = {
      {"ab", "cd", "ef"}, // 1 as is
      {"ba", "dc", "fe"}, // 2 mirrored horizontally
      {"fe", "dc", "ba"}, // 3 turned 180
      {"ef", "cd", "ab"}, // 4 mirrored vertically
      {"ace", "bdf"},     // 5 transposed
      {"eca", "fdb"},     // 6 turned 90 clockwise
      {"fdb", "eca"},     // 7 transversed
      {"bdf", "ace"},     // 8 turned 270 clockwise
  };
  for (int orientation = 1; orientation <= 8; ++orientation)
    EXPECT_EQ(ToRows(source.Transformed(orientation)), expected[static_cast<std::size_t>(orientation - 1)])
        << "orientation " << orientation;

  EXPECT_EQ(source.Transformed(0), source) << "unknown orientation keeps the picture";
  EXPECT_EQ(source.Transformed(9), source);
  EXPECT_EQ(source.Transformed(6).Transformed(8), source) << "90 then 270 degrees is the identity";
  EXPECT_EQ(source.Transformed(5).Transformed(5), source);
  EXPECT_EQ(source.Transformed(7).Transformed(7), source);
  EXPECT_TRUE(TBitmap().Transformed(6).Empty());
}

TEST(Bitmap, SizePixelsAndFill) {
  TBitmap bitmap(3, 2);
  EXPECT_EQ(bitmap.Pixel(2, 1), clBlack) << "new pixels are black";
  bitmap.SetPixel(1, 1, RGB(1, 2, 3));
  const std::uint8_t* row = bitmap.ScanLine(1);
  EXPECT_EQ(row[3], 1);
  EXPECT_EQ(row[4], 2);
  EXPECT_EQ(row[5], 3) << "scan lines are packed R, G, B";

  bitmap.SetSize(5, 4);
  EXPECT_EQ(bitmap.Pixel(1, 1), RGB(1, 2, 3)) << "resizing keeps the overlapping pixels";
  EXPECT_EQ(bitmap.Pixel(4, 3), clBlack);
  bitmap.SetSize(1, 1);
  EXPECT_EQ(bitmap.Width(), 1);

  bitmap.SetSize(4, 4);
  bitmap.FillRect({-2, 2, 10, 3}, clWhite);
  EXPECT_EQ(bitmap.Pixel(0, 2), clWhite) << "fill clipped at the left edge";
  EXPECT_EQ(bitmap.Pixel(3, 2), clWhite);
  EXPECT_EQ(bitmap.Pixel(3, 1), clBlack);
  EXPECT_EQ(bitmap.Pixel(3, 3), clBlack) << "Bottom is exclusive";

  EXPECT_THROW((void)bitmap.Pixel(4, 0), ERangeError);
  EXPECT_THROW(bitmap.SetPixel(0, -1, clWhite), ERangeError);
  EXPECT_THROW((void)bitmap.ScanLine(4), ERangeError);
  EXPECT_THROW(bitmap.SetSize(-1, 5), EInvalidGraphic);
  EXPECT_THROW(bitmap.SetSize(100000, 100000), EInvalidGraphic) << "refused before allocating";
  EXPECT_EQ(bitmap.Width(), 4) << "a refused size leaves the bitmap as it was";
}

TEST(Bitmap, StretchDrawAveragesWhenShrinking) {
  // One-pixel black and white stripes: skipping pixels would give pure black or white.
  TBitmap stripes(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      stripes.SetPixel(x, y, (x % 2 == 0) ? clBlack : clWhite);
  TBitmap target = Solid(6, 6, RGB(1, 1, 1));
  target.StretchDraw({1, 1, 5, 5}, stripes);
  for (int y = 1; y < 5; ++y)
    for (int x = 1; x < 5; ++x)
      EXPECT_NEAR(GetRValue(target.Pixel(x, y)), 128, 1) << "at " << x << "," << y;
  EXPECT_EQ(target.Pixel(0, 0), RGB(1, 1, 1)) << "outside the rectangle stays untouched";
  EXPECT_EQ(target.Pixel(5, 5), RGB(1, 1, 1)) << "Right and Bottom are exclusive";

  // A non-integral ratio (3 source pixels onto 2) shares the middle pixel.
  TBitmap three(3, 1);
  three.SetPixel(0, 0, RGB(0, 0, 0));
  three.SetPixel(1, 0, RGB(90, 90, 90));
  three.SetPixel(2, 0, RGB(180, 180, 180));
  TBitmap two(2, 1);
  two.StretchDraw({0, 0, 2, 1}, three);
  EXPECT_EQ(GetRValue(two.Pixel(0, 0)), 30) << "(0 * 1 + 90 * 0.5) / 1.5";
  EXPECT_EQ(GetRValue(two.Pixel(1, 0)), 150) << "(90 * 0.5 + 180 * 1) / 1.5";
}

TEST(Bitmap, StretchDrawInterpolatesWhenEnlargingAndKeepsSolidColours) {
  TBitmap ramp(2, 1);
  ramp.SetPixel(0, 0, RGB(0, 0, 0));
  ramp.SetPixel(1, 0, RGB(255, 255, 255));
  TBitmap wide(4, 1);
  wide.StretchDraw({0, 0, 4, 1}, ramp);
  EXPECT_EQ(GetRValue(wide.Pixel(0, 0)), 0);
  EXPECT_EQ(GetRValue(wide.Pixel(1, 0)), 64);
  EXPECT_EQ(GetRValue(wide.Pixel(2, 0)), 191);
  EXPECT_EQ(GetRValue(wide.Pixel(3, 0)), 255);

  const TColor colour = RGB(10, 200, 30);
  const TBitmap source = Solid(7, 5, colour);
  for (const TRect rect : {TRect{0, 0, 13, 3}, TRect{2, 1, 5, 11}, TRect{0, 0, 7, 5}, TRect{-3, -2, 20, 40}}) {
    TBitmap target = Solid(12, 12, clWhite);
    target.StretchDraw(rect, source);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x) {
        const bool inside = x >= rect.Left && x < rect.Right && y >= rect.Top && y < rect.Bottom;
        ASSERT_EQ(target.Pixel(x, y), inside ? colour : clWhite)
            << "at " << x << "," << y << " for rect " << rect.Left << "," << rect.Top << "," << rect.Right << ","
            << rect.Bottom;
      }
  }

  // Degenerate requests draw nothing and do not fail.
  TBitmap target = Solid(4, 4, clWhite);
  target.StretchDraw({3, 3, 1, 1}, source);
  target.StretchDraw({0, 0, 4, 4}, TBitmap());
  target.StretchDraw({10, 10, 20, 20}, source);
  EXPECT_EQ(target, Solid(4, 4, clWhite));
  target.StretchDraw({0, 0, 2, 2}, target);
  EXPECT_EQ(target, Solid(4, 4, clWhite)) << "drawing a bitmap onto itself works from a copy";
}

TEST(Bitmap, PreviewOfPortraitPictureLeavesBandsOutside) {
  // 600 x 800 into a 600 square: the picture takes the rectangle (75, 0)-(525, 600).
  const TBitmap source = Solid(60, 80, RGB(200, 0, 0));
  TBitmap preview = Solid(600, 600, clWhite);
  preview.StretchDraw({75, 0, 525, 600}, source);
  EXPECT_EQ(preview.Pixel(74, 300), clWhite);
  EXPECT_EQ(preview.Pixel(75, 300), RGB(200, 0, 0));
  EXPECT_EQ(preview.Pixel(524, 599), RGB(200, 0, 0));
  EXPECT_EQ(preview.Pixel(525, 300), clWhite);
}

TEST(Bitmap, PortablePixmapRoundTripAndDamage) {
  const TBitmap original = FromRows({"ab", "cd", "ef"});
  TMemoryStream stream;
  TBitmap(original).SaveToStream(stream);
  stream.SetPosition(0);
  TBitmap loaded;
  loaded.LoadFromStream(stream);
  EXPECT_EQ(loaded, original);

  auto load = [](const std::string& text) {
    TMemoryStream s;
    s.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    s.SetPosition(0);
    TBitmap bitmap(1, 1);
    bitmap.LoadFromStream(s);
    return bitmap;
  };
  EXPECT_EQ(load("P6\n# comment\n1 1\n255\nxyz").Pixel(0, 0), RGB('x', 'y', 'z'));
  EXPECT_THROW(load("P5\n1 1\n255\nxyz"), EInvalidGraphic);
  EXPECT_THROW(load("P6\n2 1\n255\nxyz"), EInvalidGraphic) << "pixel data cut short";
  EXPECT_THROW(load("P6\n1 1\n65535\nxyzxyz"), EInvalidGraphic);
  EXPECT_THROW(load("P6\n60000 60000\n255\n"), EInvalidGraphic) << "size claimed beyond the bytes present";
  EXPECT_THROW(load("P6\n99999999999 1\n255\n"), EInvalidGraphic);
  EXPECT_THROW(load("P6"), EInvalidGraphic);
}

TEST(Bitmap, FilesAreWrittenWholeAndReplaced) {
  TTempDir dir;
  const std::string name = dir.File("picture.ppm");
  TBitmap first = Solid(3, 2, RGB(1, 2, 3));
  first.SaveToFile(name);
  TBitmap second = Solid(2, 2, RGB(4, 5, 6));
  second.SaveToFile(name);
  TBitmap loaded;
  loaded.LoadFromFile(name);
  EXPECT_EQ(loaded, second);
  EXPECT_THROW(loaded.LoadFromFile(dir.File("missing.ppm")), EFOpenError);
}

TEST(Bitmap, OnChangeAndAssignment) {
  TBitmap bitmap(2, 2);
  int changes = 0;
  bitmap.SetOnChange([&](TGraphic& sender) {
    EXPECT_EQ(&sender, &bitmap);
    ++changes;
  });
  bitmap.SetPixel(0, 0, clWhite);
  bitmap.FillRect({0, 0, 1, 1}, clBlack);
  bitmap.SetSize(3, 3);
  bitmap.SetSize(3, 3);
  EXPECT_EQ(changes, 3) << "an unchanged size does not notify";
  bitmap.StretchDraw({0, 0, 3, 3}, Solid(1, 1, clWhite));
  bitmap.Assign(Solid(1, 1, clWhite));
  EXPECT_EQ(changes, 5);

  const TBitmap copy(bitmap);
  EXPECT_FALSE(copy.OnChange()) << "a copy does not take the handler";
  EXPECT_EQ(copy, bitmap);

  const TOtherGraphic other;
  try {
    bitmap.Assign(other);
    FAIL() << "assigning an unknown picture kind must fail";
  } catch (const EAssignError& e) {
    EXPECT_NE(std::string(e.what()).find("TOtherGraphic"), std::string::npos) << e.what();
  }
  EXPECT_EQ(changes, 5);
}
