// The desktop program's two hot paths against their peers, in the same run, on the same
// files. At the end the ratios are printed (see README, "Desktop program").
//
//   List/<who>/Corpus  adding every corpus JPEG that all three read without error
//   List/<who>/Small   adding the window benchmark's 2,000 small pictures, on one thread
//   List/<who>/24MP    adding N generated 24-megapixel pictures (default 2,000; the
//                      environment's FOTARIUM_BENCH_PICTURES changes it)
//       Ours     the program's work per file: IsJpegFile (headers streamed from the file),
//                then ReadCaptureTimeKey
//       Exiv2    Exiv2 opening the file and reading its Exif.Image.DateTime
//       Literal  the straightforward design: the whole file read into a JPEG picture object
//                for the check, then the same key read
//       OursCheck, OursKey  the two halves of ours alone (24MP only)
//   Window/<N>/Bridge<Off|On>  the main window itself: TakeFiles of N generated small
//                      pictures (2,000 and 10,000) until the listing has finished, offscreen,
//                      with Qt's accessibility bridge off and on (QAccessible::setActive)
//   Window/<N>/Exiv2   Exiv2 reading Exif.Image.DateTime of the same N files
//   Window/Empty/BridgeOn  the same with an empty drop: what making and showing the window
//                      costs before any file is read (part of every Window/<N> time)
//   Preview/<who>      one 24-megapixel JPEG, already in memory, shown in a 731-pixel square
//       Ours         MakePreviewImage (DCT-scaled decode, smooth scale, turn)
//       FullDecode   decode at full size into a bitmap, then QImage::scaled smoothly
//       QImageReader Qt's JPEG plugin with setScaledSize
//       Limit        libjpeg-turbo's fastest scaled decode (1/8, JDCT_IFAST, no fancy
//                    upsampling) and nothing else: no scaling, no square, no turn
//
// Counters: bytes pulled from the files (rchar of /proc/self/io) and the heap peak (the
// malloc family, counted by HeapCounter.cpp) per file or per preview. The Window timings run
// with the heap count off: its shared counters would tax the listing's threads alone.
//
// The generated pictures are made at start in a scratch folder under the system's temporary
// folder (or FOTARIUM_BENCH_TMP) and removed at the end.

#include "app/PreviewImage.h"
#include "app/Unit1.h"
#include "app/core/PictureList.h"
#include "app/core/Preview.h"
#include "bench/AppPeers.h"
#include "bench/BenchCorpus.h"
#include "bench/HeapCounter.h"

#include "Tessel/Exif.h"
#include "platform/DateTime.h"
#include "platform/JPEGImage.h"

#include <QAccessible>
#include <QApplication>
#include <QBuffer>
#include <QEventLoop>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>

namespace fs = std::filesystem;

namespace {

constexpr int PreviewSide = 731;
constexpr int BigWidth = 6000; // 24 megapixels, 3:2 like most camera sensors
constexpr int BigHeight = 4000;

std::vector<std::string> CorpusFiles;
std::vector<std::string> BigFiles;
std::vector<std::uint8_t> BigJpeg;
std::string ScratchDir;

using Fotarium::Bench::CorpusDir;

std::int64_t ProcessReadChars() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::int64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:")
      return value;
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Listing one file, three ways. Each answers whether the file would be added.

bool ListOurs(const std::string& path) {
  const auto listed = Fotarium::Core::ListFile(path);
  benchmark::DoNotOptimize(listed.Key);
  return listed.Kind == Fotarium::Core::TListedFile::TKind::Added;
}

bool ListExiv2(const std::string& path) {
  try {
    const auto text = Bench::Exiv2DateTime(path);
    benchmark::DoNotOptimize(text.data());
    return true;
  } catch (...) {
    return false;
  }
}

bool ListLiteral(const std::string& path) {
  try {
    // A picture object loads the whole file and parses the headers from memory.
    Platform::TJPEGImage picture;
    picture.LoadFromFile(path);
    benchmark::DoNotOptimize(picture.Data().data());
  } catch (...) {
    return false;
  }
  try {
    const auto key = Fotarium::Core::ReadCaptureTimeKey(path);
    benchmark::DoNotOptimize(key);
    return key.has_value();
  } catch (...) {
    return false;
  }
}

struct TLister {
  const char* Name;
  bool (*List)(const std::string&);
};

const TLister Listers[] = {{"Ours", ListOurs}, {"Exiv2", ListExiv2}, {"Literal", ListLiteral}};

// The two halves of ours, to tell which one the time goes to.
bool ListOursCheck(const std::string& path) { return Fotarium::Core::IsJpegFile(path); }
bool ListOursKey(const std::string& path) {
  const auto key = Fotarium::Core::ReadCaptureTimeKey(path);
  benchmark::DoNotOptimize(key);
  return key.has_value();
}

const TLister OursHalves[] = {{"OursCheck", ListOursCheck}, {"OursKey", ListOursKey}};

// Every lister on one file in a child process: a hostile corpus file that crashes or stops
// one of them is left out instead of ending the run.
bool AllList(const std::string& path) {
  const pid_t child = fork();
  if (child == 0) {
    alarm(20);
    for (const auto& lister : Listers)
      if (!lister.List(path))
        _exit(1);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void CollectCorpus() {
  const std::vector<std::string> names = Fotarium::Bench::SortedCorpusJpegs();
  for (const auto& name : names)
    if (AllList(name))
      CorpusFiles.push_back(name);
  std::fprintf(stderr, "%zu of %zu corpus JPEGs are listed by all three\n", CorpusFiles.size(), names.size());
}

// ---------------------------------------------------------------------------------------------
// The generated pictures: one 24-megapixel JPEG with a DateTime, copied under new names.

// Smooth light and shade with fine grain: compresses like a photograph (several megabytes),
// unlike a flat colour (a few kilobytes) or pure noise (far larger than any camera's file).
// FOTARIUM_BENCH_GRAIN (default 20) sets the grain's amplitude, and with it the file's size.
Platform::TBitmap MakePhotoLikeBitmap() {
  int amplitude = 20;
  if (const char* text = std::getenv("FOTARIUM_BENCH_GRAIN"))
    amplitude = static_cast<int>(std::clamp(std::strtol(text, nullptr, 10), 0L, 127L));
  Platform::TBitmap bitmap(BigWidth, BigHeight);
  std::uint32_t seed = 0x9E3779B9u;
  for (int y = 0; y < BigHeight; ++y) {
    std::uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < BigWidth; ++x) {
      seed ^= seed << 13;
      seed ^= seed >> 17;
      seed ^= seed << 5;
      const int grain = static_cast<int>(seed % static_cast<std::uint32_t>(2 * amplitude + 1)) - amplitude;
      const int r = 60 + (x * 140) / BigWidth + grain;
      const int g = 90 + (y * 120) / BigHeight + grain / 2;
      const int b = 170 - ((x + y) * 100) / (BigWidth + BigHeight) - grain;
      row[x * 3 + 0] = static_cast<std::uint8_t>(std::clamp(r, 0, 255));
      row[x * 3 + 1] = static_cast<std::uint8_t>(std::clamp(g, 0, 255));
      row[x * 3 + 2] = static_cast<std::uint8_t>(std::clamp(b, 0, 255));
    }
  }
  return bitmap;
}

bool MakeBigFiles() {
  std::size_t count = 2000;
  if (const char* text = std::getenv("FOTARIUM_BENCH_PICTURES"))
    count = static_cast<std::size_t>(std::max(1L, std::strtol(text, nullptr, 10)));
  std::string base = std::getenv("FOTARIUM_BENCH_TMP") != nullptr ? std::getenv("FOTARIUM_BENCH_TMP") : "/tmp";
  std::string pattern = base + "/fotarium-app-bench-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    std::fprintf(stderr, "cannot make a scratch folder under %s: no 24MP benchmarks\n", base.c_str());
    return false;
  }
  ScratchDir = pattern;

  const std::string first = ScratchDir + "/IMG_0000.JPG";
  {
    const auto jpeg = Platform::EncodeBitmapToJPEG(MakePhotoLikeBitmap(), 90);
    std::ofstream out(first, std::ios::binary);
    out.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
  }
  {
    Tessel::Exif::TExifData data;
    data.SetCameraMake("Fotarium");
    data.SetCameraModel("Benchmark 24MP");
    data.SetDateTime(Platform::EncodeDateTime(2016, 9, 23, 13, 26, 52, 0));
    data.SaveToGraphic(first);
  }
  {
    std::ifstream in(first, std::ios::binary);
    BigJpeg.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  BigFiles.push_back(first);
  char name[32];
  for (std::size_t i = 1; i < count; ++i) {
    std::snprintf(name, sizeof name, "/IMG_%04zu.JPG", i);
    fs::copy_file(first, ScratchDir + name);
    BigFiles.push_back(ScratchDir + name);
  }
  const auto key = Fotarium::Core::ReadCaptureTimeKey(first);
  std::fprintf(stderr, "%zu pictures of %dx%d, %.2f MB each, in %s (capture time %s)\n", count, BigWidth, BigHeight,
               static_cast<double>(BigJpeg.size()) / 1e6, ScratchDir.c_str(),
               key && std::abs(*key - Platform::EncodeDateTime(2016, 9, 23, 13, 26, 52, 0)) < 1e-6 ? "read back"
                                                                                                   : "NOT READ BACK");
  return true;
}

// ---------------------------------------------------------------------------------------------
// The window: small generated pictures with a DateTime, listed by the real main window.

std::map<int, std::vector<std::string>> WindowFiles;

bool MakeWindowFiles() {
  if (ScratchDir.empty())
    return false;
  const std::string model = ScratchDir + "/small_model.jpg";
  Platform::TBitmap bitmap(160, 120);
  bitmap.FillRect({0, 0, 160, 120}, Platform::RGB(90, 140, 200));
  {
    const auto jpeg = Platform::EncodeBitmapToJPEG(bitmap, 85);
    std::ofstream out(model, std::ios::binary);
    out.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
  }
  Tessel::Exif::TExifData data;
  data.SetDateTime(Platform::EncodeDateTime(2016, 9, 23, 13, 26, 52, 0));
  data.SaveToGraphic(model);
  fs::create_directory(ScratchDir + "/small");
  char name[48];
  for (const int count : {2000, 10000}) {
    auto& files = WindowFiles[count];
    for (int i = 0; i < count; ++i) {
      std::snprintf(name, sizeof name, "/small/P%05d.jpg", i);
      const std::string path = ScratchDir + name;
      if (!fs::exists(path))
        fs::copy_file(model, path);
      files.push_back(path);
    }
  }
  return true;
}

void WindowListing(benchmark::State& state, int count, bool bridge) {
  const auto& files = WindowFiles[count];
  QAccessible::setActive(bridge);
  Bench::HeapCounting(false);
  std::int64_t listed = 0;
  for (auto _ : state) {
    Fotarium::App::TForm1 form;
    form.show();
    QEventLoop loop;
    QObject::connect(&form, &Fotarium::App::TForm1::ListingFinished, &loop, &QEventLoop::quit);
    form.TakeFiles(files);
    if (form.Listing())
      loop.exec();
    listed += static_cast<std::int64_t>(form.Entries().size());
  }
  QAccessible::setActive(false);
  Bench::HeapCounting(true);
  state.SetItemsProcessed(state.iterations() * count);
  if (listed != state.iterations() * count)
    state.SkipWithError("a file was not listed");
}

void WindowExiv2(benchmark::State& state, int count) {
  std::int64_t found = 0;
  Bench::HeapCounting(false);
  for (auto _ : state)
    for (const auto& file : WindowFiles[count])
      found += Bench::Exiv2DateTime(file).empty() ? 0 : 1;
  Bench::HeapCounting(true);
  state.SetItemsProcessed(state.iterations() * count);
  if (found != state.iterations() * count)
    state.SkipWithError("a DateTime was not found");
}

// ---------------------------------------------------------------------------------------------
// Listing benchmarks

void List(benchmark::State& state, const TLister& lister, const std::vector<std::string>* files) {
  std::int64_t added = 0;
  for (auto _ : state)
    for (const auto& file : *files)
      added += lister.List(file) ? 1 : 0;
  const auto n = static_cast<std::int64_t>(files->size());
  state.SetItemsProcessed(state.iterations() * n);
  if (added != state.iterations() * n)
    state.SkipWithError("a file was not listed");

  // Cost per file, outside the timing: bytes read and the heap peak.
  double bytes = 0, peakMax = 0;
  const auto before = ProcessReadChars();
  for (const auto& file : *files) {
    const auto heapBefore = Bench::HeapCurrent();
    Bench::HeapResetPeak();
    lister.List(file);
    peakMax = std::max(peakMax, static_cast<double>(Bench::HeapPeak() - heapBefore));
  }
  bytes = static_cast<double>(ProcessReadChars() - before);
  state.counters["read_bytes_per_file"] = bytes / static_cast<double>(n);
  state.counters["heap_peak_max"] = peakMax;
}

// ---------------------------------------------------------------------------------------------
// Preview benchmarks: each gives the picture to show.

QRect FitRect(int width, int height) {
  const auto rect = Fotarium::Core::PreviewRect(width, height, PreviewSide);
  return rect ? QRect(rect->Left, rect->Top, rect->Width(), rect->Height()) : QRect();
}

QImage IntoSquare(const QImage& picture, const QRect& rect) {
  QImage square(PreviewSide, PreviewSide, QImage::Format_RGB888);
  square.fill(Fotarium::App::PreviewFillColor);
  QPainter painter(&square);
  painter.drawImage(rect.topLeft(), picture);
  return square;
}

std::int64_t PreviewOurs() {
  const auto preview = Fotarium::App::MakePreviewImage(BigJpeg, 1, PreviewSide);
  return preview.Error ? -1 : preview.Image.width();
}

std::int64_t PreviewFullDecode() {
  Platform::TBitmap full;
  Platform::DecodeJPEG(BigJpeg, full, 1);
  const QRect rect = FitRect(full.Width(), full.Height());
  const QImage source(full.ScanLine(0), full.Width(), full.Height(), full.Stride(), QImage::Format_RGB888);
  const QImage scaled = source.scaled(rect.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return IntoSquare(scaled, rect).width();
}

std::int64_t PreviewQImageReader() {
  QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(BigJpeg.data()), static_cast<qsizetype>(BigJpeg.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "jpeg");
  const QRect rect = FitRect(reader.size().width(), reader.size().height());
  reader.setScaledSize(rect.size());
  const QImage picture = reader.read();
  if (picture.isNull())
    return -1;
  return IntoSquare(picture, rect).width();
}

struct TLimitJob {
  jpeg_decompress_struct Info;
  jpeg_error_mgr Error;
  std::jmp_buf Jump;
};

void LimitErrorExit(j_common_ptr info) { std::longjmp(static_cast<TLimitJob*>(info->client_data)->Jump, 1); }

// Decodes at 1/8 with the fastest settings libjpeg-turbo has; answers the width, -1 on error.
std::int64_t LimitDecode(TLimitJob& job, std::vector<std::uint8_t>& pixels) {
  job.Info.err = jpeg_std_error(&job.Error);
  job.Error.error_exit = LimitErrorExit;
  if (setjmp(job.Jump) != 0) {
    jpeg_destroy_decompress(&job.Info);
    return -1;
  }
  jpeg_create_decompress(&job.Info);
  job.Info.client_data = &job;
  jpeg_mem_src(&job.Info, BigJpeg.data(), static_cast<unsigned long>(BigJpeg.size()));
  jpeg_read_header(&job.Info, TRUE);
  job.Info.scale_num = 1;
  job.Info.scale_denom = 8;
  job.Info.dct_method = JDCT_IFAST;
  job.Info.do_fancy_upsampling = FALSE;
  job.Info.do_block_smoothing = FALSE;
  job.Info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&job.Info);
  const std::size_t stride = static_cast<std::size_t>(job.Info.output_width) * 3;
  pixels.resize(stride * job.Info.output_height);
  while (job.Info.output_scanline < job.Info.output_height) {
    JSAMPROW row = pixels.data() + stride * job.Info.output_scanline;
    jpeg_read_scanlines(&job.Info, &row, 1);
  }
  jpeg_finish_decompress(&job.Info);
  const auto width = static_cast<std::int64_t>(job.Info.output_width);
  jpeg_destroy_decompress(&job.Info);
  return width;
}

std::int64_t PreviewLimit() {
  TLimitJob job{};
  std::vector<std::uint8_t> pixels;
  return LimitDecode(job, pixels);
}

struct TPreviewer {
  const char* Name;
  std::int64_t (*Make)();
};

const TPreviewer Previewers[] = {{"Ours", PreviewOurs},
                                 {"FullDecode", PreviewFullDecode},
                                 {"QImageReader", PreviewQImageReader},
                                 {"Limit", PreviewLimit}};

void Preview(benchmark::State& state, const TPreviewer& previewer) {
  for (auto _ : state)
    if (previewer.Make() <= 0) {
      state.SkipWithError("no preview");
      break;
    }
  const auto heapBefore = Bench::HeapCurrent();
  Bench::HeapResetPeak();
  benchmark::DoNotOptimize(previewer.Make());
  state.counters["heap_peak"] = static_cast<double>(Bench::HeapPeak() - heapBefore);
}

// ---------------------------------------------------------------------------------------------
// Reporting

struct TMeasure {
  double Cpu = 0;
  double Real = 0;
  std::map<std::string, double> Counters;
};

// Prints as usual and keeps CPU and real time per iteration for the ratios: on a machine
// shared with other work the wall-clock time measures the neighbours too, while the CPU time
// leaves out waiting for the disk, which the whole-file design does most.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
  TRatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs)
      if (run.run_type == Run::RT_Iteration || run.aggregate_name == "mean") {
        // The fixed iteration count of a case is no part of its name here.
        std::string name = run.run_name.str();
        if (const auto at = name.find("/iterations:"); at != std::string::npos)
          name.erase(at);
        auto& m = Measures[name];
        m.Cpu = run.GetAdjustedCPUTime();
        m.Real = run.GetAdjustedRealTime();
        for (const auto& [name, counter] : run.counters)
          m.Counters[name] = counter.value;
      }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, TMeasure> Measures;
};

void PrintRatios(const std::map<std::string, TMeasure>& measures) {
  const auto get = [&](const std::string& name) -> const TMeasure* {
    const auto it = measures.find(name);
    return it == measures.end() || it->second.Cpu <= 0 ? nullptr : &it->second;
  };
  bool header = false;
  for (const char* set : {"Corpus", "24MP"}) {
    const auto* ours = get(std::string("List/Ours/") + set);
    if (ours == nullptr)
      continue;
    if (!header)
      std::printf("\nListing (peer time / ours: how many times faster ours is; CPU time, real time):\n");
    header = true;
    for (const char* peer : {"Exiv2", "Literal"})
      if (const auto* other = get(std::string("List/") + peer + "/" + set))
        std::printf("  %-7s %-8s CPU %7.2fx   real %7.2fx\n", set, peer, other->Cpu / ours->Cpu,
                    other->Real / ours->Real);
  }
  if (const auto* empty = get("Window/Empty/BridgeOn"))
    std::printf("\nWindow made, shown and given an empty drop (bridge on): %.1f ms\n", empty->Real);
  for (const int count : {2000, 10000}) {
    const std::string base = "Window/" + std::to_string(count) + "/";
    const auto* exiv2 = get(base + "Exiv2");
    if (exiv2 == nullptr)
      continue;
    std::printf("\nWindow listing %d files until finished (real time; Exiv2 %.1f ms):\n", count, exiv2->Real);
    for (const char* bridge : {"BridgeOff", "BridgeOn"})
      if (const auto* window = get(base + bridge))
        std::printf("  %-9s %9.1f ms   window / Exiv2 %6.2fx\n", bridge, window->Real, window->Real / exiv2->Real);
  }
  if (const auto* ours = get("Preview/Ours")) {
    std::printf("\nPreview of a 24 MP JPEG in a %d square (CPU time):\n", PreviewSide);
    for (const char* peer : {"FullDecode", "QImageReader"})
      if (const auto* other = get(std::string("Preview/") + peer))
        std::printf("  %-12s / ours   %6.2fx\n", peer, other->Cpu / ours->Cpu);
    if (const auto* limit = get("Preview/Limit"))
      std::printf("  ours / Limit          %6.2fx\n", ours->Cpu / limit->Cpu);
  }
  std::printf("\nHeap peak:\n");
  for (const auto& [name, m] : measures) {
    for (const char* counter : {"heap_peak", "heap_peak_max"}) {
      const auto it = m.Counters.find(counter);
      if (it != m.Counters.end())
        std::printf("  %-24s %10.1f KB%s\n", name.c_str(), it->second / 1024.0,
                    std::string(counter) == "heap_peak_max" ? " (largest of one file)" : "");
    }
  }
}

} // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr)
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // The metadata readers' process-wide settings (format settings, maker-note registry) are
  // filled here, before anything is measured, as the program does at start.
  QApplication application(argc, argv);
  Bench::Exiv2MuteLog();

  if (fs::is_directory(CorpusDir()))
    CollectCorpus();
  else
    std::fprintf(stderr, "No sample corpus at %s: no corpus benchmarks\n", CorpusDir().c_str());
  const bool big = MakeBigFiles();

  if (MakeWindowFiles()) {
    benchmark::RegisterBenchmark("Window/Empty/BridgeOn", WindowListing, 0, true)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);
    for (const int count : {2000, 10000}) {
      const std::string base = "Window/" + std::to_string(count) + "/";
      benchmark::RegisterBenchmark((base + "Exiv2").c_str(), WindowExiv2, count)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->Iterations(3);
      for (const bool bridge : {false, true})
        benchmark::RegisterBenchmark((base + (bridge ? "BridgeOn" : "BridgeOff")).c_str(), WindowListing, count,
                                     bridge)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(3);
    }
  }
  for (const auto& lister : Listers) {
    if (!CorpusFiles.empty())
      benchmark::RegisterBenchmark((std::string("List/") + lister.Name + "/Corpus").c_str(), List, lister, &CorpusFiles)
          ->Unit(benchmark::kMillisecond);
    if (!WindowFiles.empty())
      benchmark::RegisterBenchmark((std::string("List/") + lister.Name + "/Small").c_str(), List, lister,
                                   &WindowFiles[2000])
          ->Unit(benchmark::kMillisecond);
    if (big)
      benchmark::RegisterBenchmark((std::string("List/") + lister.Name + "/24MP").c_str(), List, lister, &BigFiles)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(std::string(lister.Name) == "Literal" ? 1 : 3);
  }
  if (big)
    for (const auto& half : OursHalves)
      benchmark::RegisterBenchmark((std::string("List/") + half.Name + "/24MP").c_str(), List, half, &BigFiles)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(3);
  if (big)
    for (const auto& previewer : Previewers)
      benchmark::RegisterBenchmark((std::string("Preview/") + previewer.Name).c_str(), Preview, previewer)
          ->Unit(benchmark::kMillisecond);

  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatios(reporter.Measures);
  benchmark::Shutdown();

  if (!ScratchDir.empty()) {
    std::error_code error;
    fs::remove_all(ScratchDir, error);
  }
  return 0;
}
