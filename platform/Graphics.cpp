#include "platform/Graphics.h"

#include "platform/FileOps.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <memory>

namespace Platform {

// ---------------------------------------------------------------------------------------------
// TGraphic

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TGraphic::SaveToFile(const std::string& fileName) {
  TMemoryStream content;
  SaveToStream(content);
  if (FileExists(fileName)) {
    AtomicReplaceFile(fileName, [&](TStream& output) { output.WriteBuffer(content.Bytes()); });
    return;
  }
  auto output = std::make_unique<TFileStream>(fileName, fmCreate);
  try {
    output->WriteBuffer(content.Bytes());
    output->Flush();
  } catch (...) {
    // A half-written new file is worse than none.
    output.reset();
    DeleteFile(fileName);
    throw;
  }
}

void TGraphic::Assign(const TGraphic& source) {
  if (&source == this)
    return;
  source.AssignTo(*this);
}

void TGraphic::AssignTo(TGraphic& dest) const { throw EAssignError(ClassName(), dest.ClassName()); }

void TGraphic::Changed() {
  if (FOnChange)
    FOnChange(*this);
}

// ---------------------------------------------------------------------------------------------
// TBitmap

namespace {

[[noreturn]] void RaiseBadSize(std::int64_t width, std::int64_t height) {
  throw EInvalidGraphic("Ungültige Bitmap-Größe " + std::to_string(width) + " x " + std::to_string(height));
}

void CheckSize(std::int64_t width, std::int64_t height) {
  if (width < 0 || height < 0 || width > 0x7FFFFFFF / TBitmap::BytesPerPixel || height > 0x7FFFFFFF ||
      width * height > TBitmap::MaxPixels)
    RaiseBadSize(width, height);
}

} // namespace

TBitmap::TBitmap(int width, int height) { SetSize(width, height); }

TBitmap::TBitmap(const TBitmap& other)
    : TGraphic(other), FWidth(other.FWidth), FHeight(other.FHeight), FPixels(other.FPixels) {}

TBitmap::TBitmap(TBitmap&& other) noexcept
    : TGraphic(other), FWidth(other.FWidth), FHeight(other.FHeight), FPixels(std::move(other.FPixels)) {
  other.FWidth = 0;
  other.FHeight = 0;
  other.FPixels.clear();
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
  if (this != &other) {
    FPixels = other.FPixels;
    FWidth = other.FWidth;
    FHeight = other.FHeight;
  }
  return *this;
}

TBitmap& TBitmap::operator=(TBitmap&& other) noexcept {
  if (this != &other) {
    FPixels = std::move(other.FPixels);
    FWidth = other.FWidth;
    FHeight = other.FHeight;
    other.FPixels.clear();
    other.FWidth = 0;
    other.FHeight = 0;
  }
  return *this;
}

void TBitmap::Assign(const TGraphic& source) {
  if (&source == this)
    return;
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
    *this = *bitmap;
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TBitmap::Assign(TBitmap&& source) {
  if (&source == this)
    return;
  *this = std::move(source);
  Changed();
}

void TBitmap::SetSize(int width, int height) {
  CheckSize(width, height);
  if (width == FWidth && height == FHeight)
    return;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * BytesPerPixel);
  const std::size_t copyBytes = static_cast<std::size_t>(std::min(width, FWidth)) * BytesPerPixel;
  const int copyRows = std::min(height, FHeight);
  for (int y = 0; y < copyRows && copyBytes > 0; ++y)
    std::memcpy(pixels.data() + static_cast<std::size_t>(y) * width * BytesPerPixel, FPixels.data() + Offset(0, y),
                copyBytes);
  FPixels = std::move(pixels);
  FWidth = width;
  FHeight = height;
  Changed();
}

std::size_t TBitmap::Offset(int x, int y) const {
  return (static_cast<std::size_t>(y) * static_cast<std::size_t>(FWidth) + static_cast<std::size_t>(x)) * BytesPerPixel;
}

std::uint8_t* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= FHeight)
    throw ERangeError();
  return FPixels.data() + Offset(0, y);
}

const std::uint8_t* TBitmap::ScanLine(int y) const {
  if (y < 0 || y >= FHeight)
    throw ERangeError();
  return FPixels.data() + Offset(0, y);
}

TColor TBitmap::Pixel(int x, int y) const {
  if (x < 0 || x >= FWidth || y < 0 || y >= FHeight)
    throw ERangeError();
  const std::uint8_t* p = FPixels.data() + Offset(x, y);
  return RGB(p[0], p[1], p[2]);
}

void TBitmap::SetPixel(int x, int y, TColor color) {
  if (x < 0 || x >= FWidth || y < 0 || y >= FHeight)
    throw ERangeError();
  std::uint8_t* p = FPixels.data() + Offset(x, y);
  p[0] = GetRValue(color);
  p[1] = GetGValue(color);
  p[2] = GetBValue(color);
  Changed();
}

void TBitmap::FillRect(const TRect& rect, TColor color) {
  const int left = std::max(rect.Left, 0);
  const int top = std::max(rect.Top, 0);
  const int right = std::min(rect.Right, FWidth);
  const int bottom = std::min(rect.Bottom, FHeight);
  if (left >= right || top >= bottom)
    return;
  const std::uint8_t rgb[3] = {GetRValue(color), GetGValue(color), GetBValue(color)};
  for (int y = top; y < bottom; ++y) {
    std::uint8_t* p = FPixels.data() + Offset(left, y);
    for (int x = left; x < right; ++x, p += BytesPerPixel)
      std::memcpy(p, rgb, BytesPerPixel);
  }
  Changed();
}

namespace {

// Which source pixels make up each destination pixel along one axis, and how much each counts.
struct TContributions {
  std::vector<int> First;
  std::vector<int> Count;
  std::vector<std::size_t> Start;
  std::vector<float> Weights;

  void Add(int first, std::initializer_list<float> weights) {
    First.push_back(first);
    Count.push_back(static_cast<int>(weights.size()));
    Start.push_back(Weights.size());
    Weights.insert(Weights.end(), weights);
  }
};

// Destination pixels [clipFirst, clipLast) of a span of destSize pixels drawn from srcSize
// pixels. Shrinking averages the covered source area (partial pixels by their share), so no
// detail is simply skipped; enlarging interpolates between the two nearest pixel centres.
TContributions BuildContributions(int srcSize, std::int64_t destSize, std::int64_t clipFirst, std::int64_t clipLast) {
  TContributions result;
  const auto count = static_cast<std::size_t>(clipLast - clipFirst);
  result.First.reserve(count);
  result.Count.reserve(count);
  result.Start.reserve(count);
  const double scale = static_cast<double>(srcSize) / static_cast<double>(destSize);
  for (std::int64_t i = clipFirst; i < clipLast; ++i) {
    if (scale > 1.0) {
      const double x0 = static_cast<double>(i) * scale;
      const double x1 = std::min(static_cast<double>(i + 1) * scale, static_cast<double>(srcSize));
      const int j0 = std::clamp(static_cast<int>(std::floor(x0)), 0, srcSize - 1);
      const int j1 = std::clamp(static_cast<int>(std::ceil(x1)), j0 + 1, srcSize);
      result.First.push_back(j0);
      result.Count.push_back(j1 - j0);
      result.Start.push_back(result.Weights.size());
      double total = 0;
      const std::size_t start = result.Weights.size();
      for (int j = j0; j < j1; ++j) {
        const double w = std::max(0.0, std::min(static_cast<double>(j + 1), x1) - std::max(static_cast<double>(j), x0));
        result.Weights.push_back(static_cast<float>(w));
        total += w;
      }
      for (std::size_t k = start; k < result.Weights.size(); ++k)
        result.Weights[k] =
            total > 0 ? static_cast<float>(result.Weights[k] / total) : 1.0F / static_cast<float>(j1 - j0);
    } else {
      const double centre = (static_cast<double>(i) + 0.5) * scale - 0.5;
      if (centre <= 0) {
        result.Add(0, {1.0F});
        continue;
      }
      const int j0 = static_cast<int>(std::floor(centre));
      const auto f = static_cast<float>(centre - j0);
      if (j0 >= srcSize - 1)
        result.Add(srcSize - 1, {1.0F});
      else if (f <= 0)
        result.Add(j0, {1.0F});
      else
        result.Add(j0, {1.0F - f, f});
    }
  }
  return result;
}

// One source row resampled horizontally, as floats per channel.
std::vector<float> ResampleRow(const std::uint8_t* row, const TContributions& columns) {
  const std::size_t n = columns.First.size();
  std::vector<float> out(n * TBitmap::BytesPerPixel, 0.0F);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* p = row + static_cast<std::size_t>(columns.First[i]) * TBitmap::BytesPerPixel;
    const float* w = columns.Weights.data() + columns.Start[i];
    float r = 0, g = 0, b = 0;
    for (int k = 0; k < columns.Count[i]; ++k, p += TBitmap::BytesPerPixel) {
      r += w[k] * p[0];
      g += w[k] * p[1];
      b += w[k] * p[2];
    }
    out[i * 3] = r;
    out[i * 3 + 1] = g;
    out[i * 3 + 2] = b;
  }
  return out;
}

std::uint8_t ToByte(float value) { return static_cast<std::uint8_t>(std::clamp(value + 0.5F, 0.0F, 255.0F)); }

} // namespace

void TBitmap::StretchDraw(const TRect& dest, const TBitmap& source) {
  if (&source == this) {
    const TBitmap copy(source); // NOLINT(performance-unnecessary-copy-initialization): this changes below
    StretchDraw(dest, copy);
    return;
  }
  const std::int64_t destWidth = static_cast<std::int64_t>(dest.Right) - dest.Left;
  const std::int64_t destHeight = static_cast<std::int64_t>(dest.Bottom) - dest.Top;
  if (destWidth <= 0 || destHeight <= 0 || source.Empty() || Empty())
    return;
  // Only the part of dest inside this bitmap is computed, in dest-relative coordinates.
  const std::int64_t cx0 = std::max<std::int64_t>(0, -static_cast<std::int64_t>(dest.Left));
  const std::int64_t cx1 = std::min<std::int64_t>(destWidth, static_cast<std::int64_t>(FWidth) - dest.Left);
  const std::int64_t cy0 = std::max<std::int64_t>(0, -static_cast<std::int64_t>(dest.Top));
  const std::int64_t cy1 = std::min<std::int64_t>(destHeight, static_cast<std::int64_t>(FHeight) - dest.Top);
  if (cx0 >= cx1 || cy0 >= cy1)
    return;

  const TContributions columns = BuildContributions(source.FWidth, destWidth, cx0, cx1);
  const TContributions rows = BuildContributions(source.FHeight, destHeight, cy0, cy1);

  // Source rows resampled horizontally, kept while later destination rows still need them;
  // the first needed row never moves backwards.
  std::deque<std::vector<float>> window;
  int windowStart = 0;
  const std::size_t rowFloats = static_cast<std::size_t>(cx1 - cx0) * BytesPerPixel;
  std::vector<float> accumulated(rowFloats);
  for (std::size_t k = 0; k < rows.First.size(); ++k) {
    const int first = rows.First[k];
    const int count = rows.Count[k];
    while (!window.empty() && windowStart < first) {
      window.pop_front();
      ++windowStart;
    }
    if (window.empty())
      windowStart = first;
    while (windowStart + static_cast<int>(window.size()) < first + count)
      window.push_back(ResampleRow(source.ScanLine(windowStart + static_cast<int>(window.size())), columns));

    std::fill(accumulated.begin(), accumulated.end(), 0.0F);
    const float* w = rows.Weights.data() + rows.Start[k];
    for (int j = 0; j < count; ++j) {
      const std::vector<float>& line =
          window[static_cast<std::size_t>(first - windowStart) + static_cast<std::size_t>(j)];
      for (std::size_t i = 0; i < rowFloats; ++i)
        accumulated[i] += w[j] * line[i];
    }
    const auto y = static_cast<int>(dest.Top + cy0 + static_cast<std::int64_t>(k));
    std::uint8_t* out = FPixels.data() + Offset(static_cast<int>(dest.Left + cx0), y);
    for (std::size_t i = 0; i < rowFloats; ++i)
      out[i] = ToByte(accumulated[i]);
  }
  Changed();
}

TBitmap TBitmap::Transformed(int exifOrientation) const {
  if (exifOrientation < 2 || exifOrientation > 8)
    return *this;
  const int w = FWidth;
  const int h = FHeight;
  const bool swapsAxes = exifOrientation >= 5;
  TBitmap result(swapsAxes ? h : w, swapsAxes ? w : h);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* src = FPixels.data() + Offset(0, y);
    for (int x = 0; x < w; ++x, src += BytesPerPixel) {
      int tx = x;
      int ty = y;
      switch (exifOrientation) {
      case 2: tx = w - 1 - x; break;
      case 3:
        tx = w - 1 - x;
        ty = h - 1 - y;
        break;
      case 4: ty = h - 1 - y; break;
      case 5:
        tx = y;
        ty = x;
        break;
      case 6:
        tx = h - 1 - y;
        ty = x;
        break;
      case 7:
        tx = h - 1 - y;
        ty = w - 1 - x;
        break;
      case 8:
        tx = y;
        ty = w - 1 - x;
        break;
      default: break;
      }
      std::memcpy(result.FPixels.data() + result.Offset(tx, ty), src, BytesPerPixel);
    }
  }
  return result;
}

// --- Binary PPM, enough for tests and debugging ----------------------------------------------

namespace {

[[noreturn]] void RaiseBadPPM() { throw EInvalidGraphic("Ungültiges PPM-Bild"); }

// Reads one header number, skipping white space and comments; the header is small, so a
// byte-wise read costs nothing.
std::int64_t ReadPPMNumber(TStream& stream) {
  std::uint8_t c = 0;
  int skipped = 0;
  for (;;) {
    if (stream.Read(&c, 1) != 1 || ++skipped > 4096)
      RaiseBadPPM();
    if (c == '#') {
      while (c != '\n') {
        if (stream.Read(&c, 1) != 1 || ++skipped > 4096)
          RaiseBadPPM();
      }
    } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
      break;
    }
  }
  if (c < '0' || c > '9')
    RaiseBadPPM();
  std::int64_t value = 0;
  while (c >= '0' && c <= '9') {
    value = value * 10 + (c - '0');
    if (value > 0x7FFFFFFF)
      RaiseBadPPM();
    if (stream.Read(&c, 1) != 1)
      RaiseBadPPM();
  }
  // Exactly one white-space byte ends a number; after maxval the pixel bytes follow it.
  if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
    RaiseBadPPM();
  return value;
}

} // namespace

void TBitmap::LoadFromStream(TStream& stream) {
  char magic[2] = {};
  if (stream.Read(magic, 2) != 2 || magic[0] != 'P' || magic[1] != '6')
    RaiseBadPPM();
  const std::int64_t width = ReadPPMNumber(stream);
  const std::int64_t height = ReadPPMNumber(stream);
  if (ReadPPMNumber(stream) != 255)
    RaiseBadPPM();
  CheckSize(width, height);
  const std::int64_t bytes = width * height * BytesPerPixel;
  if (bytes > stream.Size() - stream.Position())
    RaiseBadPPM();
  TBitmap loaded(static_cast<int>(width), static_cast<int>(height));
  stream.ReadBuffer(loaded.FPixels.data(), bytes);
  *this = std::move(loaded);
  Changed();
}

void TBitmap::SaveToStream(TStream& stream) {
  const std::string header = "P6\n" + std::to_string(FWidth) + " " + std::to_string(FHeight) + "\n255\n";
  stream.WriteBuffer(header.data(), static_cast<std::int64_t>(header.size()));
  stream.WriteBuffer(FPixels.data(), static_cast<std::int64_t>(FPixels.size()));
}

} // namespace Platform
