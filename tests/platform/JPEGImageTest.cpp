#include "platform/JPEGImage.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

using namespace Platform;

namespace {

using TBytes = std::vector<std::uint8_t>;

// A picture with structure (so that it compresses to a realistic amount of data).
TBitmap Pattern(int w, int h) {
  TBitmap bitmap(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      bitmap.SetPixel(x, y,
                      RGB(static_cast<std::uint8_t>(x * 255 / std::max(1, w - 1)),
                          static_cast<std::uint8_t>(y * 255 / std::max(1, h - 1)),
                          static_cast<std::uint8_t>(((x / 4 + y / 4) % 2) * 200)));
  return bitmap;
}

// Left half one colour, right half another.
TBitmap Halves(int w, int h, TColor left, TColor right) {
  TBitmap bitmap(w, h);
  bitmap.FillRect({0, 0, w / 2, h}, left);
  bitmap.FillRect({w / 2, 0, w, h}, right);
  return bitmap;
}

struct TRawOptions {
  J_COLOR_SPACE InputSpace = JCS_GRAYSCALE;
  int Components = 1;
  J_COLOR_SPACE StoredSpace = JCS_GRAYSCALE;
  bool Progressive = false;
  bool AdobeMarker = true;
};

// Encodes raw samples directly with libjpeg, for the kinds TJPEGImage itself never writes
// (grayscale, CMYK, YCCK, progressive).
TBytes EncodeRaw(int w, int h, const TBytes& samples, const TRawOptions& options) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(w);
  info.image_height = static_cast<JDIMENSION>(h);
  info.input_components = options.Components;
  info.in_color_space = options.InputSpace;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, options.StoredSpace);
  info.write_Adobe_marker = options.AdobeMarker ? TRUE : FALSE;
  jpeg_set_quality(&info, 100, TRUE);
  if (options.Progressive)
    jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(samples.data() + static_cast<std::size_t>(info.next_scanline) *
                                                             static_cast<std::size_t>(w * options.Components));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  TBytes result(buffer, buffer + size);
  std::free(buffer); // NOLINT(cppcoreguidelines-owning-memory): jpeg_mem_dest's buffer
  return result;
}

TBytes GrayRamp(int w, int h) {
  TBytes samples;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      samples.push_back(static_cast<std::uint8_t>(x * 255 / (w - 1)));
  return samples;
}

void ExpectColourNear(TColor actual, TColor expected, int tolerance, const std::string& where) {
  EXPECT_NEAR(GetRValue(actual), GetRValue(expected), tolerance) << where << " red";
  EXPECT_NEAR(GetGValue(actual), GetGValue(expected), tolerance) << where << " green";
  EXPECT_NEAR(GetBValue(actual), GetBValue(expected), tolerance) << where << " blue";
}

std::unique_ptr<TMemoryStream> StreamOf(const TBytes& bytes) {
  auto stream = std::make_unique<TMemoryStream>();
  stream->WriteBuffer(bytes);
  stream->SetPosition(0);
  return stream;
}

// Offset of the frame header's height field (SOFn marker + 5) in a JPEG without thumbnails.
std::size_t FrameSizeOffset(const TBytes& bytes) {
  for (std::size_t i = 2; i + 9 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2))
      return i + 5;
  ADD_FAILURE() << "no frame header";
  return 0;
}

void SetFrameSize(TBytes& bytes, int w, int h) {
  const std::size_t at = FrameSizeOffset(bytes);
  bytes[at] = static_cast<std::uint8_t>(h >> 8);
  bytes[at + 1] = static_cast<std::uint8_t>(h);
  bytes[at + 2] = static_cast<std::uint8_t>(w >> 8);
  bytes[at + 3] = static_cast<std::uint8_t>(w);
}

} // namespace

TEST(JPEGImage, LoadReadsTheHeaderAndKeepsTheBytes) {
  const TBytes encoded = EncodeBitmapToJPEG(Pattern(37, 21), 85);
  ASSERT_GE(encoded.size(), 20U);
  EXPECT_EQ(encoded[0], 0xFF);
  EXPECT_EQ(encoded[1], 0xD8);
  EXPECT_EQ(encoded[3], 0xE0) << "a JFIF APP0 segment follows SOI";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&encoded[6]), 4), "JFIF");

  // Loading takes the bytes from the stream's position to its end.
  TMemoryStream stream;
  stream.WriteBuffer("junk", 4);
  stream.WriteBuffer(encoded);
  stream.SetPosition(4);
  TJPEGImage jpeg;
  EXPECT_TRUE(jpeg.Empty());
  jpeg.LoadFromStream(stream);
  EXPECT_FALSE(jpeg.Empty());
  EXPECT_EQ(jpeg.Width(), 37);
  EXPECT_EQ(jpeg.Height(), 21);
  EXPECT_EQ(jpeg.ComponentCount(), 3);
  EXPECT_FALSE(jpeg.ProgressiveEncoding());
  EXPECT_EQ(jpeg.Info().ColorSpace, TJPEGColorSpace::jcsYCbCr);
  EXPECT_EQ(jpeg.WarningCount(), 0);
  EXPECT_TRUE(std::equal(jpeg.Data().begin(), jpeg.Data().end(), encoded.begin(), encoded.end()));

  // Bytes libjpeg ignores (trailing data after EOI) survive a save unchanged.
  TBytes withTrailer = encoded;
  withTrailer.insert(withTrailer.end(), {0x00, 0xFF, 0x12, 0x34});
  jpeg.LoadFromStream(*StreamOf(withTrailer));
  TMemoryStream saved;
  jpeg.SaveToStream(saved);
  EXPECT_TRUE(std::ranges::equal(saved.Bytes(), withTrailer)) << "saving writes the bytes as loaded";

  TTempDir dir;
  jpeg.SaveToFile(dir.File("a.jpg"));
  EXPECT_EQ(ReadFile(dir.File("a.jpg")), withTrailer);
  TJPEGImage fromFile;
  fromFile.LoadFromFile(dir.File("a.jpg"));
  EXPECT_EQ(fromFile.Width(), 37);
}

TEST(JPEGImage, DecodesColoursAndScalesWithTheDCT) {
  const TColor red = RGB(220, 20, 30);
  const TColor blue = RGB(20, 40, 230);
  TJPEGImage jpeg;
  jpeg.SetCompressionQuality(98);
  jpeg.Assign(Halves(64, 32, red, blue));
  EXPECT_EQ(jpeg.Width(), 64);

  const TBitmap& full = jpeg.Bitmap();
  ASSERT_EQ(full.Width(), 64);
  ASSERT_EQ(full.Height(), 32);
  ExpectColourNear(full.Pixel(8, 16), red, 6, "left half");
  ExpectColourNear(full.Pixel(56, 16), blue, 6, "right half");
  EXPECT_EQ(&jpeg.Bitmap(), &full) << "the decoded picture is kept";

  TBitmap assigned;
  assigned.Assign(jpeg);
  EXPECT_EQ(assigned, full) << "a bitmap takes the full-size decoded picture";

  const TBitmap patterned = Pattern(100, 60);
  jpeg.Assign(patterned);
  const int expected[][3] = {{1, 100, 60}, {2, 50, 30}, {4, 25, 15}, {8, 13, 8}};
  for (const auto& [denominator, w, h] : expected) {
    TBitmap scaled;
    jpeg.Decode(scaled, denominator);
    EXPECT_EQ(scaled.Width(), w) << "1/" << denominator;
    EXPECT_EQ(scaled.Height(), h) << "1/" << denominator;
  }
  TBitmap scaled;
  EXPECT_THROW(jpeg.Decode(scaled, 3), EInvalidOperation);
  EXPECT_EQ(jpeg.Bitmap().Width(), 100) << "the cache follows the new bytes";
}

TEST(JPEGImage, ChooseScaleDenominatorKeepsThePreviewFromEnlarging) {
  EXPECT_EQ(ChooseScaleDenominator(4000, 3000, 600, 600), 4);
  EXPECT_EQ(ChooseScaleDenominator(4000, 3000, 160, 120), 8);
  EXPECT_EQ(ChooseScaleDenominator(3000, 4000, 600, 600), 4);
  EXPECT_EQ(ChooseScaleDenominator(1300, 1000, 600, 600), 2);
  EXPECT_EQ(ChooseScaleDenominator(1100, 1000, 600, 600), 1);
  EXPECT_EQ(ChooseScaleDenominator(300, 200, 600, 600), 1) << "never below the picture's own size";
  EXPECT_EQ(ChooseScaleDenominator(8000, 100, 600, 600), 8) << "a wide band only needs its width";
  EXPECT_EQ(ChooseScaleDenominator(0, 0, 600, 600), 1);

  // Whatever is chosen, the scaled picture covers the fitted rectangle.
  for (const auto& [w, h] : {std::pair{4000, 3000}, {3000, 4000}, {1237, 999}, {640, 4801}, {5000, 5000}}) {
    for (const int box : {100, 160, 333, 600}) {
      const int d = ChooseScaleDenominator(w, h, box, box);
      const double fit = std::min(static_cast<double>(box) / w, static_cast<double>(box) / h);
      EXPECT_GE((w + d - 1) / d, static_cast<int>(w * fit)) << w << "x" << h << " into " << box;
      EXPECT_GE((h + d - 1) / d, static_cast<int>(h * fit)) << w << "x" << h << " into " << box;
      if (d < 8) {
        const int coarser = d * 2;
        EXPECT_TRUE(static_cast<double>(w) / coarser < box && static_cast<double>(h) / coarser < box)
            << "a coarser scale would still have filled " << w << "x" << h << " into " << box;
      }
    }
  }
}

TEST(JPEGImage, TruncatedPictureDecodesPartlyWithWarnings) {
  const TBytes encoded = EncodeBitmapToJPEG(Pattern(64, 64), 90);
  const TBytes truncated(encoded.begin(), encoded.begin() + static_cast<std::ptrdiff_t>(encoded.size() * 6 / 10));
  TJPEGImage jpeg;
  ASSERT_NO_THROW(jpeg.LoadFromStream(*StreamOf(truncated)));
  EXPECT_EQ(jpeg.Width(), 64);
  const TBitmap* decoded = nullptr;
  ASSERT_NO_THROW(decoded = &jpeg.Bitmap());
  EXPECT_EQ(decoded->Width(), 64);
  EXPECT_EQ(decoded->Height(), 64);
  EXPECT_GT(jpeg.WarningCount(), 0) << "premature end of data is a warning";
  TBitmap reference;
  DecodeJPEG(encoded, reference, 1);
  ExpectColourNear(decoded->Pixel(2, 2), reference.Pixel(2, 2), 0, "the part before the cut is intact");

  // Cut anywhere after the first scan's data began, in baseline and in progressive pictures (whose
  // later scans start with Huffman tables that may be cut in half).
  TRawOptions progressive;
  progressive.Progressive = true;
  TRawOptions colourProgressive = progressive;
  colourProgressive.InputSpace = JCS_RGB;
  colourProgressive.Components = 3;
  colourProgressive.StoredSpace = JCS_YCbCr;
  TBytes rgb(std::size_t{48} * 40 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i)
    rgb[i] = static_cast<std::uint8_t>((i * 37) ^ (i / 97));
  const TBytes samples[] = {encoded, EncodeRaw(64, 64, GrayRamp(64, 64), progressive),
                            EncodeRaw(48, 40, rgb, colourProgressive)};
  for (const TBytes& whole : samples) {
    const TJPEGInfo info = ReadJPEGInfo(whole);
    std::size_t firstScan = 0;
    while (!(whole[firstScan] == 0xFF && whole[firstScan + 1] == 0xDA))
      ++firstScan;
    const std::size_t scanData = firstScan + 2 + (whole[firstScan + 2] << 8 | whole[firstScan + 3]);
    for (std::size_t cut = scanData; cut < whole.size() - 1; ++cut) {
      const TBytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
      TBitmap out;
      int warnings = 0;
      ASSERT_NO_THROW(warnings = DecodeJPEG(part, out, 1))
          << "cut at " << cut << " of " << whole.size() << (info.Progressive ? " (progressive)" : "");
      EXPECT_EQ(out.Width(), info.Width);
      EXPECT_GT(warnings, 0) << "cut at " << cut;
    }
  }
}

TEST(JPEGImage, UnreadableDataRaisesInvalidGraphic) {
  const TBytes good = EncodeBitmapToJPEG(Pattern(16, 16), 90);
  TJPEGImage jpeg;
  jpeg.SetData(good);

  auto expectRefused = [&](const TBytes& bytes, const std::string& what) {
    try {
      jpeg.LoadFromStream(*StreamOf(bytes));
      ADD_FAILURE() << what << " was accepted";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(std::string(e.what()).rfind("JPEG-Fehler #", 0), 0U) << what << ": " << e.what();
    }
    EXPECT_EQ(jpeg.Width(), 16) << what << " left the previous picture in place";
    EXPECT_TRUE(std::ranges::equal(jpeg.Data(), good)) << what;
  };
  expectRefused({}, "an empty stream");
  expectRefused({'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, "a GIF header");
  TBytes noise(2000);
  for (std::size_t i = 0; i < noise.size(); ++i)
    noise[i] = static_cast<std::uint8_t>(i * 7919 >> 3);
  expectRefused(noise, "noise");
  expectRefused({0xFF, 0xD8, 0xFF, 0xD9}, "SOI and EOI only");
  expectRefused(TBytes(good.begin(), good.begin() + 30), "a header cut before the frame");
  TBytes zeroWidth = good;
  SetFrameSize(zeroWidth, 0, 16);
  expectRefused(zeroWidth, "a frame of width 0");

  EXPECT_THROW(jpeg.SetData(noise), EInvalidGraphic);
  EXPECT_THROW((void)ReadJPEGInfo(noise), EInvalidGraphic);
  TBitmap out;
  EXPECT_THROW(DecodeJPEG(noise, out, 1), EInvalidGraphic);
  EXPECT_THROW((void)EncodeBitmapToJPEG(TBitmap(), 90), EInvalidGraphic);
  EXPECT_THROW((void)EncodeBitmapToJPEG(TBitmap(70000, 1), 90), EInvalidGraphic) << "beyond libjpeg's 65500";
}

TEST(JPEGImage, AbsurdSizesAreRefusedBeforeAllocating) {
  TBytes huge = EncodeBitmapToJPEG(Pattern(16, 16), 90);
  SetFrameSize(huge, 65000, 65000);
  TJPEGImage jpeg;
  jpeg.SetData(huge);
  EXPECT_EQ(jpeg.Width(), 65000) << "the header alone is fine";
  TBitmap out;
  EXPECT_THROW(jpeg.Decode(out, 1), EInvalidGraphic);
  EXPECT_THROW(jpeg.Decode(out, 2), EInvalidGraphic);
  EXPECT_TRUE(out.Empty());

  // A progressive picture needs coefficient memory for the full size even when scaled down.
  TRawOptions progressive;
  progressive.Progressive = true;
  TBytes hugeProgressive = EncodeRaw(16, 16, GrayRamp(16, 16), progressive);
  SetFrameSize(hugeProgressive, 65000, 65000);
  EXPECT_THROW(DecodeJPEG(hugeProgressive, out, 8), EInvalidGraphic);
}

TEST(JPEGImage, EndlessScansAreCutOff) {
  TRawOptions progressive;
  progressive.Progressive = true;
  const TBytes gray = EncodeRaw(16, 16, GrayRamp(16, 16), progressive);
  // Repeat the last scan (from its SOS marker up to EOI) far beyond any real encoder.
  std::size_t lastScan = gray.size() - 2;
  while (lastScan > 0 && !(gray[lastScan] == 0xFF && gray[lastScan + 1] == 0xDA))
    --lastScan;
  ASSERT_GT(lastScan, 0U);
  TBytes many(gray.begin(), gray.end() - 2);
  for (int i = 0; i < 600; ++i)
    many.insert(many.end(), gray.begin() + static_cast<std::ptrdiff_t>(lastScan), gray.end() - 2);
  many.insert(many.end(), {0xFF, 0xD9});
  TBitmap out;
  EXPECT_THROW(DecodeJPEG(many, out, 1), EInvalidGraphic);

  TBytes few(gray.begin(), gray.end() - 2);
  for (int i = 0; i < 3; ++i)
    few.insert(few.end(), gray.begin() + static_cast<std::ptrdiff_t>(lastScan), gray.end() - 2);
  few.insert(few.end(), {0xFF, 0xD9});
  EXPECT_NO_THROW(DecodeJPEG(few, out, 1)) << "a few repeated scans are only a warning";
}

TEST(JPEGImage, GrayscaleAndCmykDecodeToRgb) {
  const TBytes gray = EncodeRaw(32, 8, GrayRamp(32, 8), {});
  TJPEGImage jpeg;
  jpeg.SetData(gray);
  EXPECT_EQ(jpeg.ComponentCount(), 1);
  EXPECT_EQ(jpeg.Info().ColorSpace, TJPEGColorSpace::jcsGrayscale);
  const TBitmap& bitmap = jpeg.Bitmap();
  const TColor middle = bitmap.Pixel(16, 4);
  EXPECT_EQ(GetRValue(middle), GetGValue(middle));
  EXPECT_EQ(GetRValue(middle), GetBValue(middle));
  EXPECT_NEAR(GetRValue(middle), 16.0 * 255 / 31, 3);

  // Ink amounts cyan, magenta, yellow, black for four 8-pixel columns.
  const std::uint8_t inks[4][4] = {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 255}};
  const TColor expected[4] = {RGB(0, 255, 255), RGB(255, 0, 255), clWhite, clBlack};
  auto cmykSamples = [&](bool inverted) {
    TBytes samples;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 32; ++x)
        for (int c = 0; c < 4; ++c) {
          const std::uint8_t ink = inks[x / 8][c];
          samples.push_back(inverted ? 255 - ink : ink);
        }
    return samples;
  };
  struct TCase {
    const char* Name;
    J_COLOR_SPACE Stored;
    bool Adobe;
  };
  for (const TCase& c : {TCase{"Adobe CMYK", JCS_CMYK, true}, TCase{"Adobe YCCK", JCS_YCCK, true},
                         TCase{"plain CMYK", JCS_CMYK, false}}) {
    TRawOptions options;
    options.InputSpace = JCS_CMYK;
    options.Components = 4;
    options.StoredSpace = c.Stored;
    options.AdobeMarker = c.Adobe;
    const TBytes bytes = EncodeRaw(32, 8, cmykSamples(c.Adobe), options);
    TBitmap decoded;
    DecodeJPEG(bytes, decoded, 1);
    ASSERT_EQ(decoded.Width(), 32) << c.Name;
    for (int column = 0; column < 4; ++column)
      ExpectColourNear(decoded.Pixel(column * 8 + 4, 4), expected[column], 8,
                       std::string(c.Name) + " column " + std::to_string(column));
  }
}

TEST(JPEGImage, OnChangeFollowsTheBytes) {
  TJPEGImage jpeg;
  int changes = 0;
  jpeg.SetOnChange([&](TGraphic& sender) {
    EXPECT_EQ(&sender, &jpeg);
    ++changes;
  });
  const TBytes bytes = EncodeBitmapToJPEG(Pattern(8, 8), 90);
  jpeg.LoadFromStream(*StreamOf(bytes));
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(jpeg.LoadFromStream(*StreamOf({1, 2, 3})), EInvalidGraphic);
  EXPECT_EQ(changes, 1) << "a refused load changes nothing";

  jpeg.Assign(Pattern(12, 10));
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(jpeg.Width(), 12);

  TJPEGImage other;
  other.SetData(bytes);
  other.SetCompressionQuality(10);
  jpeg.Assign(other);
  EXPECT_EQ(changes, 3);
  EXPECT_TRUE(std::ranges::equal(jpeg.Data(), bytes)) << "assigning a JPEG copies its bytes";
  EXPECT_EQ(jpeg.CompressionQuality(), TJPEGImage::DefaultCompressionQuality);
  jpeg.Assign(jpeg);
  EXPECT_EQ(changes, 3);

  (void)jpeg.Bitmap();
  EXPECT_EQ(changes, 3) << "decoding is no change";

  jpeg.Clear();
  EXPECT_EQ(changes, 4);
  EXPECT_TRUE(jpeg.Empty());
  EXPECT_EQ(jpeg.Width(), 0);
  EXPECT_TRUE(jpeg.Bitmap().Empty());
  jpeg.Clear();
  EXPECT_EQ(changes, 4) << "clearing an empty picture is no change";

  jpeg.SetData(bytes);
  jpeg.Assign(TBitmap());
  EXPECT_TRUE(jpeg.Empty()) << "an empty bitmap empties the picture";
  EXPECT_EQ(changes, 6);
}

TEST(JPEGImage, CompressionQualityAndAssignment) {
  TJPEGImage jpeg;
  EXPECT_EQ(jpeg.CompressionQuality(), 90);
  jpeg.SetCompressionQuality(0);
  EXPECT_EQ(jpeg.CompressionQuality(), 1);
  jpeg.SetCompressionQuality(1000);
  EXPECT_EQ(jpeg.CompressionQuality(), 100);

  const TBitmap picture = Pattern(80, 80);
  jpeg.SetCompressionQuality(95);
  jpeg.Assign(picture);
  const std::size_t fine = jpeg.Data().size();
  jpeg.SetCompressionQuality(10);
  jpeg.Assign(picture);
  EXPECT_LT(jpeg.Data().size(), fine) << "a lower quality gives fewer bytes";

  struct TOther : TGraphic {
    void LoadFromStream(TStream&) override {}
    void SaveToStream(TStream&) override {}
    [[nodiscard]] bool Empty() const override { return true; }
    [[nodiscard]] int Width() const override { return 0; }
    [[nodiscard]] int Height() const override { return 0; }
    [[nodiscard]] std::string ClassName() const override { return "TOther"; }
  } other;
  EXPECT_THROW(jpeg.Assign(other), EAssignError);
  EXPECT_THROW(other.Assign(jpeg), EAssignError);

  // Containers see a picture as IStreamPersist.
  IStreamPersist& persist = jpeg;
  TMemoryStream stream;
  persist.SaveToStream(stream);
  EXPECT_EQ(static_cast<std::size_t>(stream.Size()), jpeg.Data().size());
}
