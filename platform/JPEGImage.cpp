#include "platform/JPEGImage.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace Platform {

namespace {

// A progressive picture may carry any number of scans, each costing a pass over the picture;
// real encoders stay far below this.
constexpr int MaxScans = 500;
// libjpeg's own working memory (the coefficient buffers of progressive pictures); without a
// backing store it fails cleanly when this is exhausted.
constexpr long MaxCodecMemory = 1L << 30;
constexpr std::size_t InitialOutputSize = std::size_t{64} * 1024;

// ---------------------------------------------------------------------------------------------
// libjpeg reports fatal errors through error_exit, which must not return. It jumps back into
// the small guarded function that started the work. Those functions and everything libjpeg
// touches are plain structs without destructors, so the jump skips no C++ clean-up; the
// guarded function returns an error code and its C++ caller raises the exception.

struct TErrorManager {
  jpeg_error_mgr Pub; // first: libjpeg passes a pointer to it
  std::jmp_buf Jump;
  int Code;
  char Message[JMSG_LENGTH_MAX];
};

constexpr int OwnErrorCode = -1;

void ErrorExit(j_common_ptr info) {
  auto* error = reinterpret_cast<TErrorManager*>(info->err);
  error->Code = error->Pub.msg_code;
  (*error->Pub.format_message)(info, error->Message);
  std::longjmp(error->Jump, 1);
}

// Warnings (level -1: corrupt or truncated data) are counted, the decode goes on; trace
// messages are ignored. Nothing is printed.
void EmitMessage(j_common_ptr info, int level) {
  if (level < 0 && info->err->num_warnings < LONG_MAX)
    ++info->err->num_warnings;
}

void OutputMessage(j_common_ptr /*info*/) {}

void ProgressMonitor(j_common_ptr info) {
  if (!info->is_decompressor)
    return;
  const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
  if (decompress->input_scan_number > MaxScans) {
    auto* error = reinterpret_cast<TErrorManager*>(info->err);
    error->Code = OwnErrorCode;
    std::snprintf(error->Message, sizeof error->Message, "Mehr als %d Scans im JPEG-Bild", MaxScans);
    std::longjmp(error->Jump, 1);
  }
}

void InitErrorManager(TErrorManager& error) {
  jpeg_std_error(&error.Pub);
  error.Pub.error_exit = ErrorExit;
  error.Pub.emit_message = EmitMessage;
  error.Pub.output_message = OutputMessage;
}

[[noreturn]] void RaiseCodecError(const TErrorManager& error) {
  if (error.Code == OwnErrorCode)
    throw EInvalidGraphic(error.Message);
  throw EInvalidGraphic("JPEG-Fehler #" + std::to_string(error.Code) + ": " + error.Message);
}

int WarningsOf(const TErrorManager& error) { return static_cast<int>(std::min<long>(error.Pub.num_warnings, INT_MAX)); }

// --- Decompression ---------------------------------------------------------------------------

struct TDecompressor {
  jpeg_decompress_struct Info;
  TErrorManager Error;
  jpeg_progress_mgr Progress;
};

// Owns a decompressor; destroying a struct that jpeg_create_decompress never reached is safe
// because it starts zeroed.
class TDecompressorHolder {
public:
  TDecompressorHolder() {
    InitErrorManager(FJob.Error);
    FJob.Info.err = &FJob.Error.Pub;
    FJob.Progress.progress_monitor = ProgressMonitor;
  }
  TDecompressorHolder(const TDecompressorHolder&) = delete;
  TDecompressorHolder& operator=(const TDecompressorHolder&) = delete;
  ~TDecompressorHolder() { jpeg_destroy_decompress(&FJob.Info); }

  TDecompressor* Get() { return &FJob; }
  jpeg_decompress_struct& Info() { return FJob.Info; }
  const TErrorManager& Error() const { return FJob.Error; }

private:
  TDecompressor FJob{};
};

struct TDecodeTarget {
  std::uint8_t* Pixels;
  std::size_t Stride;
  JDIMENSION Width;
  JDIMENSION Height;
  int Components;
  std::uint8_t* CmykRow; // decoded 4-component row when converting from CMYK, else null
  bool InvertedCmyk;
};

int GuardedReadHeader(TDecompressor* job, const std::uint8_t* data, std::size_t size) {
  if (setjmp(job->Error.Jump) != 0)
    return 1;
  jpeg_create_decompress(&job->Info);
  job->Info.mem->max_memory_to_use = MaxCodecMemory;
  job->Info.progress = &job->Progress;
  jpeg_mem_src(&job->Info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&job->Info, TRUE);
  return 0;
}

int GuardedCalcOutputDimensions(TDecompressor* job) {
  if (setjmp(job->Error.Jump) != 0)
    return 1;
  jpeg_calc_output_dimensions(&job->Info);
  return 0;
}

// Plain CMYK stores ink amounts; Adobe writes them inverted (255 = no ink).
void CmykRowToRgb(const std::uint8_t* cmyk, std::uint8_t* rgb, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
    const unsigned k = inverted ? cmyk[3] : 255U - cmyk[3];
    for (int c = 0; c < 3; ++c) {
      const unsigned v = inverted ? cmyk[c] : 255U - cmyk[c];
      rgb[c] = static_cast<std::uint8_t>((v * k + 127U) / 255U);
    }
  }
}

// Runs the input side: for a progressive picture every scan is read here, and libjpeg
// allocates its coefficient buffers (refusing beyond MaxCodecMemory) before our bitmap exists.
int GuardedStartDecompress(TDecompressor* job) {
  if (setjmp(job->Error.Jump) != 0)
    return 1;
  jpeg_start_decompress(&job->Info);
  return 0;
}

int GuardedReadRows(TDecompressor* job, const TDecodeTarget* target) {
  if (setjmp(job->Error.Jump) != 0)
    return 1;
  if (job->Info.output_width != target->Width || job->Info.output_height != target->Height ||
      job->Info.output_components != target->Components)
    return 2;
  while (job->Info.output_scanline < job->Info.output_height) {
    const JDIMENSION y = job->Info.output_scanline;
    std::uint8_t* pixels = target->Pixels + static_cast<std::size_t>(y) * target->Stride;
    JSAMPROW row = target->CmykRow != nullptr ? target->CmykRow : pixels;
    // A memory source never suspends, so every call delivers a row; anything else would spin.
    if (jpeg_read_scanlines(&job->Info, &row, 1) != 1)
      return 2;
    if (target->CmykRow != nullptr)
      CmykRowToRgb(target->CmykRow, pixels, target->Width, target->InvertedCmyk);
  }
  jpeg_finish_decompress(&job->Info);
  return 0;
}

TJPEGColorSpace ToColorSpace(J_COLOR_SPACE space) {
  switch (space) {
  case JCS_GRAYSCALE: return TJPEGColorSpace::jcsGrayscale;
  case JCS_RGB: return TJPEGColorSpace::jcsRGB;
  case JCS_YCbCr: return TJPEGColorSpace::jcsYCbCr;
  case JCS_CMYK: return TJPEGColorSpace::jcsCMYK;
  case JCS_YCCK: return TJPEGColorSpace::jcsYCCK;
  default: return TJPEGColorSpace::jcsUnknown;
  }
}

// libjpeg survives entropy-coded data that stops early (a warning, the rest is filled), but a
// marker segment cut off in the middle - typically the Huffman tables in front of a later scan
// of a truncated progressive picture - is fatal. Handing it the data only up to the start of
// such a segment turns that into the premature end it copes with. Damage it can judge better
// itself (junk between segments, bad lengths) is left to it.
std::size_t DecodableLength(std::span<const std::uint8_t> data) {
  const std::size_t n = data.size();
  if (n < 2 || data[0] != 0xFF || data[1] != 0xD8)
    return n;
  std::size_t pos = 2;
  for (;;) {
    if (pos >= n || data[pos] != 0xFF)
      return n;
    const std::size_t markerStart = pos;
    while (pos < n && data[pos] == 0xFF)
      ++pos;
    if (pos >= n)
      return markerStart;
    const std::uint8_t marker = data[pos++];
    if (marker == 0xD9)
      return n;
    if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7))
      continue;
    if (n - pos < 2)
      return markerStart;
    const std::size_t length = (static_cast<std::size_t>(data[pos]) << 8) | data[pos + 1];
    if (length < 2)
      return n;
    if (length > n - pos)
      return markerStart;
    pos += length;
    if (marker != 0xDA)
      continue;
    // Entropy-coded data runs to the next marker that is neither a stuffed zero nor RSTn.
    for (;;) {
      const auto* ff = static_cast<const std::uint8_t*>(std::memchr(data.data() + pos, 0xFF, n - pos));
      if (ff == nullptr)
        return n;
      pos = static_cast<std::size_t>(ff - data.data());
      std::size_t next = pos;
      while (next < n && data[next] == 0xFF)
        ++next;
      if (next >= n)
        return n;
      if (data[next] != 0x00 && (data[next] < 0xD0 || data[next] > 0xD7))
        break;
      pos = next + 1;
    }
  }
}

void OpenDecompressor(TDecompressorHolder& holder, std::span<const std::uint8_t> data) {
  if (GuardedReadHeader(holder.Get(), data.data(), data.size()) != 0)
    RaiseCodecError(holder.Error());
}

// --- Compression -----------------------------------------------------------------------------

// Collects the output in one malloc'ed block that grows by doubling; the holder frees it, also
// after an error. Plain malloc/realloc because these callbacks run inside libjpeg, where a
// C++ exception (bad_alloc) must not pass; a failure is reported through error_exit instead.
struct TDestination {
  jpeg_destination_mgr Pub; // first: libjpeg passes a pointer to it
  std::uint8_t* Buffer;
  std::size_t Capacity;
  std::size_t Size;
};

void InitDestination(j_compress_ptr info) {
  auto* dest = reinterpret_cast<TDestination*>(info->dest);
  if (dest->Buffer == nullptr) {
    // NOLINTNEXTLINE(cppcoreguidelines-owning-memory)
    dest->Buffer = static_cast<std::uint8_t*>(std::malloc(InitialOutputSize));
    if (dest->Buffer == nullptr)
      ERREXIT1(info, JERR_OUT_OF_MEMORY, 1);
    dest->Capacity = InitialOutputSize;
  }
  dest->Pub.next_output_byte = dest->Buffer;
  dest->Pub.free_in_buffer = dest->Capacity;
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
  auto* dest = reinterpret_cast<TDestination*>(info->dest);
  if (dest->Capacity > SIZE_MAX / 2)
    ERREXIT1(info, JERR_OUT_OF_MEMORY, 2);
  const std::size_t capacity = dest->Capacity * 2;
  void* grown = std::realloc(dest->Buffer, capacity); // NOLINT(cppcoreguidelines-owning-memory)
  if (grown == nullptr)
    ERREXIT1(info, JERR_OUT_OF_MEMORY, 3);
  dest->Buffer = static_cast<std::uint8_t*>(grown);
  // libjpeg has filled the whole old block; the new half is free.
  dest->Pub.next_output_byte = dest->Buffer + dest->Capacity;
  dest->Pub.free_in_buffer = capacity - dest->Capacity;
  dest->Capacity = capacity;
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  auto* dest = reinterpret_cast<TDestination*>(info->dest);
  dest->Size = dest->Capacity - dest->Pub.free_in_buffer;
}

struct TCompressor {
  jpeg_compress_struct Info;
  TErrorManager Error;
  TDestination Destination;
};

class TCompressorHolder {
public:
  TCompressorHolder() {
    InitErrorManager(FJob.Error);
    FJob.Info.err = &FJob.Error.Pub;
    FJob.Destination.Pub.init_destination = InitDestination;
    FJob.Destination.Pub.empty_output_buffer = EmptyOutputBuffer;
    FJob.Destination.Pub.term_destination = TermDestination;
  }
  TCompressorHolder(const TCompressorHolder&) = delete;
  TCompressorHolder& operator=(const TCompressorHolder&) = delete;
  ~TCompressorHolder() {
    jpeg_destroy_compress(&FJob.Info);
    std::free(FJob.Destination.Buffer); // NOLINT(cppcoreguidelines-owning-memory)
  }

  TCompressor* Get() { return &FJob; }
  const TErrorManager& Error() const { return FJob.Error; }
  std::span<const std::uint8_t> Output() const { return {FJob.Destination.Buffer, FJob.Destination.Size}; }

private:
  TCompressor FJob{};
};

struct TEncodeSource {
  const std::uint8_t* Pixels;
  std::size_t Stride;
  JDIMENSION Width;
  JDIMENSION Height;
  int Quality;
};

int GuardedEncode(TCompressor* job, const TEncodeSource* source) {
  if (setjmp(job->Error.Jump) != 0)
    return 1;
  jpeg_create_compress(&job->Info);
  job->Info.dest = &job->Destination.Pub;
  job->Info.image_width = source->Width;
  job->Info.image_height = source->Height;
  job->Info.input_components = 3;
  job->Info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&job->Info);
  jpeg_set_quality(&job->Info, source->Quality, TRUE);
  // Still baseline; optimal Huffman tables keep thumbnails small.
  job->Info.optimize_coding = TRUE;
  jpeg_start_compress(&job->Info, TRUE);
  while (job->Info.next_scanline < job->Info.image_height) {
    // libjpeg's row type is not const, but it only reads the rows it is given.
    JSAMPROW row =
        const_cast<JSAMPLE*>(source->Pixels + static_cast<std::size_t>(job->Info.next_scanline) * source->Stride);
    jpeg_write_scanlines(&job->Info, &row, 1);
  }
  jpeg_finish_compress(&job->Info);
  return 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------

TJPEGInfo ReadJPEGInfo(std::span<const std::uint8_t> data, int* warningCount) {
  TDecompressorHolder holder;
  OpenDecompressor(holder, data);
  const jpeg_decompress_struct& info = holder.Info();
  TJPEGInfo result;
  result.Width = static_cast<int>(info.image_width);
  result.Height = static_cast<int>(info.image_height);
  result.ComponentCount = info.num_components;
  result.Progressive = info.progressive_mode != FALSE;
  result.ColorSpace = ToColorSpace(info.jpeg_color_space);
  result.AdobeMarker = info.saw_Adobe_marker != FALSE;
  if (warningCount != nullptr)
    *warningCount = WarningsOf(holder.Error());
  return result;
}

int DecodeJPEG(std::span<const std::uint8_t> data, TBitmap& out, int scaleDenominator) {
  if (scaleDenominator != 1 && scaleDenominator != 2 && scaleDenominator != 4 && scaleDenominator != 8)
    throw EInvalidOperation("Ungültiger Skalierungsnenner " + std::to_string(scaleDenominator));
  TDecompressorHolder holder;
  OpenDecompressor(holder, data.first(DecodableLength(data)));
  jpeg_decompress_struct& info = holder.Info();
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.scale_num = 1;
  info.scale_denom = static_cast<unsigned>(scaleDenominator);
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  if (GuardedCalcOutputDimensions(holder.Get()) != 0)
    RaiseCodecError(holder.Error());

  // Refuse before the bitmap is allocated: the header alone can claim 65500 x 65500 pixels.
  const std::int64_t width = info.output_width;
  const std::int64_t height = info.output_height;
  if (width <= 0 || height <= 0 || width * height > MaxDecodedPixels)
    throw EInvalidGraphic("JPEG-Bild ist zu groß zum Dekodieren (" + std::to_string(width) + " x " +
                          std::to_string(height) + ")");
  const int components = cmyk ? 4 : 3;
  if (info.output_components != components)
    throw EInvalidGraphic("JPEG-Farbraum wird nicht unterstützt");

  if (GuardedStartDecompress(holder.Get()) != 0)
    RaiseCodecError(holder.Error());

  TBitmap result(static_cast<int>(width), static_cast<int>(height));
  std::vector<std::uint8_t> cmykRow(cmyk ? static_cast<std::size_t>(width) * 4 : 0);
  const TDecodeTarget target{result.ScanLine(0),
                             static_cast<std::size_t>(result.Stride()),
                             info.output_width,
                             info.output_height,
                             components,
                             cmyk ? cmykRow.data() : nullptr,
                             info.saw_Adobe_marker != FALSE};
  switch (GuardedReadRows(holder.Get(), &target)) {
  case 0: break;
  case 1: RaiseCodecError(holder.Error());
  default: throw EInvalidGraphic("JPEG-Bild konnte nicht dekodiert werden");
  }
  const int warnings = WarningsOf(holder.Error());
  out.Assign(std::move(result));
  return warnings;
}

std::vector<std::uint8_t> EncodeBitmapToJPEG(const TBitmap& bitmap, int quality) {
  if (bitmap.Empty())
    throw EInvalidGraphic("Eine leere Bitmap kann nicht als JPEG gespeichert werden");
  TCompressorHolder holder;
  const TEncodeSource source{bitmap.ScanLine(0), static_cast<std::size_t>(bitmap.Stride()),
                             static_cast<JDIMENSION>(bitmap.Width()), static_cast<JDIMENSION>(bitmap.Height()),
                             std::clamp(quality, 1, 100)};
  if (GuardedEncode(holder.Get(), &source) != 0)
    RaiseCodecError(holder.Error());
  const std::span<const std::uint8_t> output = holder.Output();
  return {output.begin(), output.end()};
}

int ChooseScaleDenominator(int width, int height, int boxWidth, int boxHeight) {
  if (width <= 0 || height <= 0)
    return 1;
  // The fitted picture is limited by the tighter axis, so the scale fills the box as soon as
  // one axis stays at least as large as the box on that axis.
  for (const int denominator : {8, 4, 2}) {
    if (width >= static_cast<std::int64_t>(denominator) * boxWidth ||
        height >= static_cast<std::int64_t>(denominator) * boxHeight)
      return denominator;
  }
  return 1;
}

// ---------------------------------------------------------------------------------------------
// TJPEGImage

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::LoadFromStream(TStream& stream) {
  const std::int64_t count = std::max<std::int64_t>(0, stream.Size() - stream.Position());
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
  if (count > 0)
    stream.ReadBuffer(bytes.data(), count);
  SetData(std::move(bytes));
}

void TJPEGImage::SaveToStream(TStream& stream) {
  if (!FData.empty())
    stream.WriteBuffer(FData);
}

void TJPEGImage::SetData(std::span<const std::uint8_t> bytes) {
  SetData(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

void TJPEGImage::SetData(std::vector<std::uint8_t>&& bytes) {
  int warnings = 0;
  const TJPEGInfo info = ReadJPEGInfo(bytes, &warnings);
  TakeData(std::move(bytes), info, warnings);
}

void TJPEGImage::TakeData(std::vector<std::uint8_t>&& bytes, const TJPEGInfo& info, int warnings) {
  FData = std::move(bytes);
  FInfo = info;
  FWarningCount = warnings;
  FBitmap.reset();
  Changed();
}

void TJPEGImage::Clear() {
  if (FData.empty())
    return;
  FData = {};
  FInfo = {};
  FWarningCount = 0;
  FBitmap.reset();
  Changed();
}

void TJPEGImage::SetCompressionQuality(int value) { FCompressionQuality = std::clamp(value, 1, 100); }

void TJPEGImage::Assign(const TGraphic& source) {
  if (&source == this)
    return;
  if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(&source)) {
    if (jpeg->Empty())
      Clear();
    else
      TakeData(std::vector<std::uint8_t>(jpeg->FData), jpeg->FInfo, jpeg->FWarningCount);
    return;
  }
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
    if (bitmap->Empty()) {
      Clear();
      return;
    }
    SetData(EncodeBitmapToJPEG(*bitmap, FCompressionQuality));
    return;
  }
  TGraphic::Assign(source);
}

void TJPEGImage::AssignTo(TGraphic& dest) const {
  auto* bitmap = dynamic_cast<TBitmap*>(&dest);
  if (bitmap == nullptr) {
    TGraphic::AssignTo(dest);
    return;
  }
  if (FBitmap) {
    bitmap->Assign(*FBitmap);
    return;
  }
  TBitmap decoded;
  Decode(decoded);
  bitmap->Assign(std::move(decoded));
}

void TJPEGImage::DIBNeeded() const {
  if (FBitmap)
    return;
  auto bitmap = std::make_unique<TBitmap>();
  if (!FData.empty())
    FWarningCount = DecodeJPEG(FData, *bitmap, 1);
  FBitmap = std::move(bitmap);
}

const TBitmap& TJPEGImage::Bitmap() const {
  DIBNeeded();
  return *FBitmap;
}

void TJPEGImage::Decode(TBitmap& out, int scaleDenominator) const {
  if (FData.empty()) {
    if (scaleDenominator != 1 && scaleDenominator != 2 && scaleDenominator != 4 && scaleDenominator != 8)
      throw EInvalidOperation("Ungültiger Skalierungsnenner " + std::to_string(scaleDenominator));
    out.Assign(TBitmap());
    return;
  }
  FWarningCount = DecodeJPEG(FData, out, scaleDenominator);
}

} // namespace Platform
