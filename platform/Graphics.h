#pragma once

#include "platform/Exceptions.h"
#include "platform/Streams.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Platform {

// Raised for picture data that cannot be read or written and for pictures too large to hold.
class EInvalidGraphic : public Exception {
public:
  using Exception::Exception;
};

// A colour as 0x00BBGGRR, red in the lowest byte.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;

[[nodiscard]] constexpr TColor RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
[[nodiscard]] constexpr std::uint8_t GetRValue(TColor color) { return static_cast<std::uint8_t>(color); }
[[nodiscard]] constexpr std::uint8_t GetGValue(TColor color) { return static_cast<std::uint8_t>(color >> 8); }
[[nodiscard]] constexpr std::uint8_t GetBValue(TColor color) { return static_cast<std::uint8_t>(color >> 16); }

// A rectangle of pixels; Right and Bottom are exclusive.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  [[nodiscard]] constexpr int Width() const { return Right - Left; }
  [[nodiscard]] constexpr int Height() const { return Bottom - Top; }
  [[nodiscard]] constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

// Abstract picture. Pictures load from and save to streams, so containers that take any
// IStreamPersist can read metadata out of a picture object as well.
class TGraphic : public IStreamPersist {
public:
  using TNotifyEvent = std::function<void(TGraphic&)>;

  TGraphic() = default;
  ~TGraphic() override = default;

  void LoadFromStream(TStream& stream) override = 0;
  void SaveToStream(TStream& stream) override = 0;
  virtual void LoadFromFile(const std::string& fileName);
  // Writes the whole picture first; an existing file is replaced atomically.
  virtual void SaveToFile(const std::string& fileName);

  [[nodiscard]] virtual bool Empty() const = 0;
  [[nodiscard]] virtual int Width() const = 0;
  [[nodiscard]] virtual int Height() const = 0;
  [[nodiscard]] virtual std::string ClassName() const = 0;

  // Takes the picture of source; EAssignError when this class cannot take it.
  virtual void Assign(const TGraphic& source);

  [[nodiscard]] const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

protected:
  // The event handler belongs to the object it was set on, never to a copy.
  TGraphic(const TGraphic&) noexcept : IStreamPersist() {}
  TGraphic& operator=(const TGraphic&) noexcept { return *this; }

  // Second chance of Assign: the source may know how to turn itself into dest.
  virtual void AssignTo(TGraphic& dest) const;
  virtual void Changed();

private:
  TNotifyEvent FOnChange;
};

// A 24-bit RGB bitmap, top-down, rows packed without padding: three bytes R, G, B per pixel.
class TBitmap : public TGraphic {
public:
  static constexpr int BytesPerPixel = 3;
  // Larger bitmaps are refused so that a bogus size cannot exhaust memory.
  static constexpr std::int64_t MaxPixels = 200'000'000;

  TBitmap() = default;
  TBitmap(int width, int height);
  TBitmap(const TBitmap& other);
  TBitmap(TBitmap&& other) noexcept;
  TBitmap& operator=(const TBitmap& other);
  TBitmap& operator=(TBitmap&& other) noexcept;
  ~TBitmap() override = default;

  // Binary PPM (P6, maxval 255).
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

  [[nodiscard]] bool Empty() const override { return FWidth == 0 || FHeight == 0; }
  [[nodiscard]] int Width() const override { return FWidth; }
  [[nodiscard]] int Height() const override { return FHeight; }
  [[nodiscard]] std::string ClassName() const override { return "TBitmap"; }
  void Assign(const TGraphic& source) override;
  // Takes source's pixels without copying them; fires OnChange like Assign.
  void Assign(TBitmap&& source);

  // Keeps the pixels where old and new size overlap; new pixels are black.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, FHeight); }
  void SetHeight(int height) { SetSize(FWidth, height); }

  [[nodiscard]] int Stride() const { return FWidth * BytesPerPixel; }
  // Direct access to row y; writes through it do not fire OnChange.
  [[nodiscard]] std::uint8_t* ScanLine(int y);
  [[nodiscard]] const std::uint8_t* ScanLine(int y) const;

  [[nodiscard]] TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor color);
  // Fills the part of rect that lies inside the bitmap.
  void FillRect(const TRect& rect, TColor color);
  // Draws source scaled into dest (clipped to this bitmap): area averaging where it
  // shrinks, bilinear interpolation where it enlarges.
  void StretchDraw(const TRect& dest, const TBitmap& source);
  // The bitmap as shown for an EXIF orientation value: 1 as is, 2 mirrored horizontally,
  // 3 turned 180°, 4 mirrored vertically, 5 transposed, 6 turned 90° clockwise,
  // 7 transversed, 8 turned 270° clockwise; any other value gives an unchanged copy.
  [[nodiscard]] TBitmap Transformed(int exifOrientation) const;

  friend bool operator==(const TBitmap& a, const TBitmap& b) {
    return a.FWidth == b.FWidth && a.FHeight == b.FHeight && a.FPixels == b.FPixels;
  }

private:
  [[nodiscard]] std::size_t Offset(int x, int y) const;

  int FWidth = 0;
  int FHeight = 0;
  std::vector<std::uint8_t> FPixels;
};

} // namespace Platform
