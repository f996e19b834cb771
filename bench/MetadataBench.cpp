// Reading and writing picture metadata: this library against Exiv2, on the same files in
// the same run. At the end the ratios are printed (see README, "Performance").
//
//   Read/*        every corpus JPEG both libraries read and write without error, loaded
//                 from disk (page cache) and every tag turned into text; time per file
//   Write/*       the same JPEGs in memory: orientation := 6, saved to memory
//   Cost/*        per file: bytes pulled from the file through read() (the process's
//                 rchar in /proc/self/io, the same for both) and the heap peak during
//                 the load (the malloc family is counted by HeapCounter.cpp)
//   Sized/*/50KB, Sized/*/50MB
//                 one file's metadata in front of 50 KB and of 50 MB of picture data,
//                 both made at start in a scratch folder
//
// --heap_counting_in_timings=off keeps the heap counter out of the timed loops (Read,
// Write, Sized): counting costs every allocation of both libraries an atomic update. The
// Cost counters are always counted.
//
// The corpus is ../shared/corpus (or FOTARIUM_CORPUS_DIR); without it there is nothing
// to compare and the program says so.

#include "bench/BenchCorpus.h"
#include "bench/HeapCounter.h"
#include "bench/Peers.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct TPeer {
  const char* Name;
  Bench::TReadResult (*Read)(const std::string&);
  std::size_t (*Write)(std::span<const std::uint8_t>);
};

const TPeer Peers[] = {
    {"Ours", Bench::OursRead, Bench::OursWriteOrientation},
    {"Exiv2", Bench::Exiv2Read, Bench::Exiv2WriteOrientation},
};

struct TFile {
  std::string Name;
  std::vector<std::uint8_t> Bytes;
};

std::vector<TFile> Files;
bool HeapCountingInTimings = true;

// The heap counter as the timings want it, for the life of the object.
struct TTimedLoop {
  TTimedLoop() { Bench::HeapCounting(HeapCountingInTimings); }
  ~TTimedLoop() { Bench::HeapCounting(true); }
  TTimedLoop(const TTimedLoop&) = delete;
  TTimedLoop& operator=(const TTimedLoop&) = delete;
};
std::string SmallFile, BigFile, ScratchDir;

std::vector<std::uint8_t> ReadWholeFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Bytes the process has pulled through read() system calls so far.
std::int64_t ProcessReadChars() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::int64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:")
      return value;
  return 0;
}

// Runs the whole workload of one file through both libraries in a child process, so that
// a file that crashes or hangs either library (the corpus holds hostile files) is only
// left out instead of ending the run. Files that raise errors are left out as well: the
// comparison is about files both read and write.
bool BothHandle(const TFile& file) {
  const pid_t child = fork();
  if (child == 0) {
    alarm(20);
    try {
      for (const auto& peer : Peers) {
        peer.Read(file.Name);
        peer.Write(file.Bytes);
      }
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

using Fotarium::Bench::CorpusDir;

void CollectFiles() {
  const std::vector<std::string> names = Fotarium::Bench::SortedCorpusJpegs();
  for (const auto& name : names) {
    TFile file{name, ReadWholeFile(name)};
    if (BothHandle(file))
      Files.push_back(std::move(file));
  }
  std::fprintf(stderr, "%zu of %zu corpus JPEGs are read and written by both libraries\n", Files.size(), names.size());
}

// The segments in front of the picture data (up to and including SOS) of a JPEG.
std::size_t HeaderSize(const std::vector<std::uint8_t>& jpeg) {
  std::size_t pos = 2;
  while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF) {
    const auto marker = jpeg[pos + 1];
    const std::size_t length = (jpeg[pos + 2] << 8) | jpeg[pos + 3];
    pos += 2 + length;
    if (marker == 0xDA)
      return pos;
  }
  return 0;
}

// One picture's metadata in front of picture data of the given size, ended by EOI.
void WriteSized(const std::string& name, const std::vector<std::uint8_t>& jpeg, std::size_t header,
                std::size_t totalSize) {
  std::ofstream out(name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(header));
  std::vector<char> filler(1 << 20, 0x55);
  for (std::size_t left = totalSize - header - 2; left > 0;) {
    const auto n = std::min(left, filler.size());
    out.write(filler.data(), static_cast<std::streamsize>(n));
    left -= n;
  }
  out.write("\xFF\xD9", 2);
}

void MakeSizedFiles() {
  // Exif, IPTC, XMP and an ICC profile, 15 KB of segments in all.
  const auto source = CorpusDir() + "/exiv2-testdata/Reagan.jpg";
  const auto jpeg = ReadWholeFile(source);
  const auto header = HeaderSize(jpeg);
  if (header == 0 || header > 40000) {
    std::fprintf(stderr, "%s is missing or not as expected: no Sized benchmarks\n", source.c_str());
    return;
  }
  char pattern[] = "/tmp/fotarium-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr)
    return;
  ScratchDir = pattern;
  SmallFile = ScratchDir + "/small.jpg";
  BigFile = ScratchDir + "/big.jpg";
  WriteSized(SmallFile, jpeg, header, 50 * 1000);
  WriteSized(BigFile, jpeg, header, 50 * 1000 * 1000);
}

void ReadAll(benchmark::State& state, const TPeer& peer) {
  const TTimedLoop timed;
  std::size_t texts = 0;
  for (auto _ : state)
    for (const auto& file : Files) {
      const auto result = peer.Read(file.Name);
      benchmark::DoNotOptimize(result.Hash);
      texts += result.Texts;
    }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * Files.size()));
  state.counters["texts_per_file"] =
      static_cast<double>(texts) / static_cast<double>(state.iterations() * Files.size());
}

void WriteAll(benchmark::State& state, const TPeer& peer) {
  const TTimedLoop timed;
  for (auto _ : state)
    for (const auto& file : Files)
      benchmark::DoNotOptimize(peer.Write(file.Bytes));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * Files.size()));
}

// Not a timing: the time is that of Read, the counters are what matters.
void Cost(benchmark::State& state, const TPeer& peer) {
  double bytes = 0, fetched = 0, peakSum = 0, peakMax = 0, fileBytes = 0;
  for (auto _ : state) {
    bytes = fetched = peakSum = peakMax = fileBytes = 0;
    for (const auto& file : Files) {
      const auto before = ProcessReadChars();
      const auto heapBefore = Bench::HeapCurrent();
      Bench::HeapResetPeak();
      const auto result = peer.Read(file.Name);
      benchmark::DoNotOptimize(result.Hash);
      fetched += static_cast<double>(result.BytesFetched);
      const auto peak = static_cast<double>(Bench::HeapPeak() - heapBefore);
      bytes += static_cast<double>(ProcessReadChars() - before);
      peakSum += peak;
      peakMax = std::max(peakMax, peak);
      fileBytes += static_cast<double>(file.Bytes.size());
    }
  }
  const auto n = static_cast<double>(Files.size());
  state.counters["read_bytes_per_file"] = bytes / n;
  if (fetched > 0)
    state.counters["fetched_bytes_per_file"] = fetched / n;
  state.counters["file_bytes_per_file"] = fileBytes / n;
  state.counters["heap_peak_per_file"] = peakSum / n;
  state.counters["heap_peak_max"] = peakMax;
}

void ReadSized(benchmark::State& state, const TPeer& peer, const std::string& fileName) {
  const TTimedLoop timed;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    const auto before = ProcessReadChars();
    benchmark::DoNotOptimize(peer.Read(fileName).Hash);
    bytes = ProcessReadChars() - before;
  }
  state.counters["read_bytes"] = static_cast<double>(bytes);
}

// Prints as usual and keeps the CPU time per iteration of each benchmark for the ratios:
// on a machine shared with other work the wall-clock time measures the neighbours too.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
  // Colours only on a terminal, so that saved output stays plain text.
  TRatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    // With repetitions the median stands for the benchmark: on a shared machine a few
    // disturbed runs move the mean.
    for (const auto& run : runs)
      if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
        Times[run.run_name.str()] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> Times;
};

void PrintRatios(const std::map<std::string, double>& times) {
  const auto get = [&](const std::string& name) {
    const auto it = times.find(name);
    return it == times.end() ? 0.0 : it->second;
  };
  std::printf("\nRatios of CPU time (Exiv2 / ours = our throughput relative to Exiv2's), heap counter %s "
              "in the timings:\n",
              HeapCountingInTimings ? "on" : "off");
  for (const char* kind : {"Read", "Write"}) {
    const auto ours = get(std::string(kind) + "/Ours"), exiv2 = get(std::string(kind) + "/Exiv2");
    if (ours > 0 && exiv2 > 0)
      std::printf("  %-6s %.2fx\n", kind, exiv2 / ours);
  }
  for (const char* peer : {"Ours", "Exiv2"}) {
    const auto small = get(std::string("Sized/") + peer + "/50KB"), big = get(std::string("Sized/") + peer + "/50MB");
    if (small > 0 && big > 0)
      std::printf("  %-6s reading the 50 MB file takes %.2fx the time of the 50 KB file\n", peer, big / small);
  }
}

} // namespace

int main(int argc, char** argv) {
  // Our own flag goes before Google Benchmark sees the command line.
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--heap_counting_in_timings=off" || argument == "--heap_counting_in_timings=on")
      HeapCountingInTimings = argument.ends_with("=on");
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  Bench::Exiv2Initialize();
  if (!fs::is_directory(CorpusDir())) {
    std::fprintf(stderr, "No sample corpus at %s: nothing to compare\n", CorpusDir().c_str());
    return 1;
  }
  CollectFiles();
  MakeSizedFiles();

  for (const auto& peer : Peers) {
    benchmark::RegisterBenchmark((std::string("Read/") + peer.Name).c_str(), ReadAll, peer)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("Write/") + peer.Name).c_str(), WriteAll, peer)
        ->Unit(benchmark::kMillisecond);
  }
  for (const auto& peer : Peers)
    benchmark::RegisterBenchmark((std::string("Cost/") + peer.Name).c_str(), Cost, peer)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
  if (!SmallFile.empty())
    for (const auto& peer : Peers) {
      benchmark::RegisterBenchmark((std::string("Sized/") + peer.Name + "/50KB").c_str(), ReadSized, peer, SmallFile);
      benchmark::RegisterBenchmark((std::string("Sized/") + peer.Name + "/50MB").c_str(), ReadSized, peer, BigFile);
    }

  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatios(reporter.Times);
  benchmark::Shutdown();

  Bench::Exiv2Terminate();
  if (!ScratchDir.empty()) {
    std::error_code error;
    fs::remove_all(ScratchDir, error);
  }
  return 0;
}
