#pragma once

#include "platform/Graphics.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace Platform {

// Colour space of the stored components, as libjpeg reads it from the JFIF/Adobe markers.
enum class TJPEGColorSpace : std::uint8_t { jcsUnknown, jcsGrayscale, jcsRGB, jcsYCbCr, jcsCMYK, jcsYCCK };

// What the frame header tells without decoding the picture.
struct TJPEGInfo {
  int Width = 0;
  int Height = 0;
  int ComponentCount = 0;
  bool Progressive = false;
  TJPEGColorSpace ColorSpace = TJPEGColorSpace::jcsUnknown;
  // An Adobe APP14 marker was seen; its CMYK/YCCK data is stored inverted.
  bool AdobeMarker = false;
};

// Largest decoded picture accepted; the bitmap is refused before anything is allocated.
inline constexpr std::int64_t MaxDecodedPixels = TBitmap::MaxPixels;

// Reads the headers up to the first scan (no decoding). EInvalidGraphic when libjpeg cannot
// parse them; warningCount, when given, receives the number of warnings libjpeg reported.
[[nodiscard]] TJPEGInfo ReadJPEGInfo(std::span<const std::uint8_t> data, int* warningCount = nullptr);

// Decodes to RGB at 1/scaleDenominator of the full size (1, 2, 4 or 8, libjpeg's DCT scaling).
// Grayscale, CMYK and YCCK pictures are converted to RGB. Damaged or truncated data decodes as
// far as it goes (libjpeg fills the rest) and only counts warnings; data that cannot be decoded
// at all raises EInvalidGraphic. Returns the number of warnings.
int DecodeJPEG(std::span<const std::uint8_t> data, TBitmap& out, int scaleDenominator = 1);

// Encodes a bitmap as a baseline YCbCr JPEG with a JFIF header; quality 1..100.
[[nodiscard]] std::vector<std::uint8_t> EncodeBitmapToJPEG(const TBitmap& bitmap, int quality);

// The largest DCT scale denominator (8, 4, 2 or 1) whose decoded picture is still at least as
// large as the picture fitted into the box, so that drawing it into the box only ever shrinks.
[[nodiscard]] int ChooseScaleDenominator(int width, int height, int boxWidth, int boxHeight);

// A JPEG picture that keeps its compressed bytes exactly as loaded and decodes only on demand.
class TJPEGImage : public TGraphic {
public:
  static constexpr int DefaultCompressionQuality = 90;

  TJPEGImage() = default;
  TJPEGImage(const TJPEGImage&) = delete;
  TJPEGImage& operator=(const TJPEGImage&) = delete;
  ~TJPEGImage() override;

  // Takes the bytes from the stream's position to its end; the headers must parse.
  void LoadFromStream(TStream& stream) override;
  // Writes the bytes unchanged.
  void SaveToStream(TStream& stream) override;

  [[nodiscard]] bool Empty() const override { return FData.empty(); }
  [[nodiscard]] int Width() const override { return FInfo.Width; }
  [[nodiscard]] int Height() const override { return FInfo.Height; }
  [[nodiscard]] std::string ClassName() const override { return "TJPEGImage"; }

  // From a TJPEGImage: copies its bytes (this picture keeps its own compression quality).
  // From a TBitmap: encodes it with CompressionQuality; an empty bitmap empties the picture.
  void Assign(const TGraphic& source) override;

  [[nodiscard]] std::span<const std::uint8_t> Data() const { return FData; }
  // Replaces the bytes; EInvalidGraphic (and nothing changed) when their headers do not parse.
  void SetData(std::span<const std::uint8_t> bytes);
  void SetData(std::vector<std::uint8_t>&& bytes);
  void Clear();

  [[nodiscard]] const TJPEGInfo& Info() const { return FInfo; }
  [[nodiscard]] int ComponentCount() const { return FInfo.ComponentCount; }
  [[nodiscard]] bool ProgressiveEncoding() const { return FInfo.Progressive; }

  [[nodiscard]] int CompressionQuality() const { return FCompressionQuality; }
  // Clamped to 1..100.
  void SetCompressionQuality(int value);

  // The full-size decoded picture, decoded on first use and kept until the bytes change.
  void DIBNeeded() const;
  [[nodiscard]] const TBitmap& Bitmap() const;
  // Decodes into out at 1/scaleDenominator (1, 2, 4 or 8) without touching the cache.
  void Decode(TBitmap& out, int scaleDenominator = 1) const;
  // Warnings libjpeg reported for the last header read or decode (damaged or truncated data).
  [[nodiscard]] int WarningCount() const { return FWarningCount; }

protected:
  // A bitmap receives the full-size decoded picture.
  void AssignTo(TGraphic& dest) const override;

private:
  void TakeData(std::vector<std::uint8_t>&& bytes, const TJPEGInfo& info, int warnings);

  std::vector<std::uint8_t> FData;
  TJPEGInfo FInfo;
  int FCompressionQuality = DefaultCompressionQuality;
  mutable std::unique_ptr<TBitmap> FBitmap;
  mutable int FWarningCount = 0;
};

} // namespace Platform
