// What reading a save back costs: the write case (orientation := 6, the whole picture
// saved to memory) over every sample JPEG, PSD and TIFF with EXIF, once with the check
// and once without it, in the same run. At the end the ratio is printed (README,
// "Performance").
//
//   Save/Verified     SaveToGraphic as shipped
//   Save/Unverified   the same with SetVerifySaves(false)
//   Save/Verified/{jpg,psd,tif}, Save/Unverified/{...}   the same per format
//
//   fotarium-save-bench --benchmark_min_time=1 --benchmark_repetitions=10
//                       --benchmark_enable_random_interleaving=true
//                       --benchmark_report_aggregates_only=true
//
// The corpus is ../shared/corpus (or FOTARIUM_CORPUS_DIR); without it there is nothing
// to measure and the program says so.

#include "bench/BenchCorpus.h"

#include "Tessel/Exif.h"

#include "platform/Streams.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct TFile {
  std::string Kind;
  std::vector<std::uint8_t> Bytes;
};

std::vector<TFile> Files;

using Fotarium::Bench::CorpusDir;

std::string KindOf(const fs::path& path) {
  auto ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  if (ext == ".jpg" || ext == ".jpeg")
    return "jpg";
  if (ext == ".psd")
    return "psd";
  if (ext == ".tif" || ext == ".tiff")
    return "tif";
  return {};
}

// The same work as the measured one, once: files the library refuses to save (for
// reasons of their own) or that have no EXIF are left out.
bool Saves(const std::vector<std::uint8_t>& bytes) {
  try {
    Platform::TMemoryStream stream;
    stream.WriteBuffer(bytes);
    stream.SetPosition(0);
    Tessel::Exif::TExifData exif;
    if (!exif.LoadFromGraphic(stream) || exif.Empty())
      return false;
    exif.SetOrientation(Tessel::Exif::TTiffOrientation::toRightTop);
    exif.SaveToGraphic(stream);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void CollectFiles() {
  std::vector<fs::path> paths;
  for (const auto& entry : fs::recursive_directory_iterator(CorpusDir()))
    if (entry.is_regular_file() && !KindOf(entry.path()).empty())
      paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());
  for (const auto& path : paths) {
    std::ifstream in(path, std::ios::binary);
    TFile file{KindOf(path), std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {})};
    if (Saves(file.Bytes))
      Files.push_back(std::move(file));
  }
}

std::size_t SaveOrientation(const std::vector<std::uint8_t>& bytes, bool verify) {
  Platform::TMemoryStream stream;
  stream.WriteBuffer(bytes);
  stream.SetPosition(0);
  Tessel::Exif::TExifData exif;
  exif.SetVerifySaves(verify);
  exif.LoadFromGraphic(stream);
  exif.SetOrientation(Tessel::Exif::TTiffOrientation::toRightTop);
  stream.SetPosition(0);
  exif.SaveToGraphic(stream);
  return static_cast<std::size_t>(stream.Size());
}

void SaveAll(benchmark::State& state, bool verify, const std::string& kind) {
  std::int64_t count = 0;
  for (auto _ : state)
    for (const auto& file : Files)
      if (kind.empty() || file.Kind == kind) {
        benchmark::DoNotOptimize(SaveOrientation(file.Bytes, verify));
        ++count;
      }
  state.SetItemsProcessed(count);
}

class TRatioReporter : public benchmark::ConsoleReporter {
public:
  TRatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs)
      // With repetitions the median stands for the benchmark: the machine may be shared.
      if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
        Times[run.run_name.str()] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> Times;
};

} // namespace

int main(int argc, char** argv) {
  if (!fs::is_directory(CorpusDir())) {
    std::fprintf(stderr, "No sample corpus at %s: nothing to measure\n", CorpusDir().c_str());
    return 1;
  }
  CollectFiles();
  std::map<std::string, int> perKind;
  for (const auto& file : Files)
    ++perKind[file.Kind];
  for (const auto& [kind, count] : perKind)
    std::printf("%d %s files\n", count, kind.c_str());

  for (const std::string kind : {"", "jpg", "psd", "tif"}) {
    const auto suffix = kind.empty() ? std::string() : "/" + kind;
    benchmark::RegisterBenchmark(("Save/Verified" + suffix).c_str(), SaveAll, true, kind)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Save/Unverified" + suffix).c_str(), SaveAll, false, kind)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nCost of the check (median CPU time verified / unverified - 1):\n");
  for (const std::string suffix : {"", "/jpg", "/psd", "/tif"}) {
    const auto verified = reporter.Times["Save/Verified" + suffix];
    const auto unverified = reporter.Times["Save/Unverified" + suffix];
    if (verified > 0 && unverified > 0)
      std::printf("  %-5s %+.1f%%\n", suffix.empty() ? "all" : suffix.c_str() + 1, (verified / unverified - 1) * 100);
  }
  return 0;
}
