// fotarium-cli run end to end, as a script sees it: the built program on small files made
// here, its stdout (text and JSON), its stderr, its exit status and the files afterwards.

#include "support/TestSupport.h"
#include "units/ExifContainerFixtures.h"

#include "Tessel/Exif.h"
#include "Tessel/Exif/IPTC.h"
#include "Tessel/Exif/XMPUtils.h"

#include "platform/FileOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace ExifFixtures;
using Json = nlohmann::json;

struct TRun {
  int Status = -1;
  std::string Out, Err;
  [[nodiscard]] Json Parsed() const { return Json::parse(Out); }
};

// The program with the given arguments, under a German locale so that any text taken from
// the environment would show.
TRun Cli(const TTempDir& scratch, const std::vector<std::string>& args) {
  const auto outName = scratch.File(".out"), errName = scratch.File(".err");
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int out = ::open(outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    ::setenv("LANG", "de_DE.UTF-8", 1);
    std::vector<char*> argv{const_cast<char*>(FOTARIUM_CLI)};
    for (const auto& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(FOTARIUM_CLI, argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  TRun run;
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.Out = ReadFileText(outName);
  run.Err = ReadFileText(errName);
  return run;
}

constexpr std::uint8_t StripPattern[] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88,
                                         0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xF0, 0x01};

Bytes IPTCSegment() {
  return Segment(0xED, BytesOf(std::string_view("Photoshop 3.0\0", 14)) + AdobeBlock(0x0404, IPTCObjectName("Dom")));
}

Bytes ExifBlock(bool big) {
  TExifBuilder b(big);
  b.Ascii(0, 0x010F, "TestCam");
  const int exif = b.AddIfd();
  b.Pointer(0, 0x8769, exif);
  b.Ascii(exif, 0x9003, "2024:05:01 12:30:00");
  return b.Build();
}

// A decodable JPEG with Exif (camera, capture time), XMP and IPTC.
Bytes JPEGPicture() {
  auto jpeg = TinyJPEG(8, 8);
  const auto segments = ExifSegment(ExifBlock(false)) + XMPSegment() + IPTCSegment();
  jpeg.insert(jpeg.begin() + 2, segments.begin(), segments.end());
  return jpeg;
}

// A 4 x 4 grey TIFF with one strip and the camera's name.
Bytes TIFFPicture(bool big) {
  TExifBuilder b(big);
  b.Short(0, 256, 4);
  b.Short(0, 257, 4);
  b.Short(0, 258, 8);
  b.Short(0, 259, 1);
  b.Short(0, 262, 1);
  b.Ascii(0, 0x010F, "TestCam");
  b.BlobPointer(0, 273, Bytes(std::begin(StripPattern), std::end(StripPattern)));
  b.Short(0, 277, 1);
  b.Short(0, 278, 4);
  b.Long(0, 279, sizeof StripPattern);
  return b.Build();
}

Bytes PSDPicture() {
  return PSDFile({AdobeBlock(0x0422, ExifBlock(true)), AdobeBlock(0x0404, IPTCObjectName("Dom")),
                  AdobeBlock(0x0424, BytesOf(XMPPacketText("image/vnd.adobe.photoshop")))});
}

// The bytes every format must keep: JPEG from its scan on, the TIFF strip, the PSD's tail.
bool PictureSurvives(const std::string& kind, const Bytes& before, const Bytes& after) {
  if (kind == "tif")
    return std::search(after.begin(), after.end(), std::begin(StripPattern), std::end(StripPattern)) != after.end();
  if (kind == "psd")
    return after.size() >= 9 && std::equal(before.end() - 9, before.end(), after.end() - 9);
  const auto scan = [](const Bytes& b) {
    const Bytes sos{0xFF, 0xDA};
    return Bytes(std::search(b.begin(), b.end(), sos.begin(), sos.end()), b.end());
  };
  return !scan(before).empty() && scan(before) == scan(after);
}

class CliTest : public testing::Test {
protected:
  TTempDir Scratch;
  TRun Run(const std::vector<std::string>& args) { return Cli(Scratch, args); }
  std::string Make(const std::string& name, const std::string& kind = "jpg") {
    const auto path = Scratch.File(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteFile(path, kind == "tif" ? TIFFPicture(false) : kind == "tif-be" ? TIFFPicture(true)
                    : kind == "psd"   ? PSDPicture()
                                      : JPEGPicture());
    return path;
  }
};

TEST_F(CliTest, ReadingCommandsOverEveryFormatInTextAndJson) {
  const std::vector<std::string> files{Make("a.jpg"), Make("b.tif", "tif"), Make("c.tif", "tif-be"),
                                       Make("d.psd", "psd")};
  for (const std::string command : {"segments", "tags", "info", "iptc", "xmp", "list"}) {
    SCOPED_TRACE(command);
    // segments reads JPEG segments and Photoshop resources only.
    auto picked = files;
    if (command == std::string("segments"))
      picked = {files[0], files[3]};
    auto args = std::vector<std::string>{command};
    args.insert(args.end(), picked.begin(), picked.end());
    const auto text = Run(args);
    EXPECT_EQ(text.Status, 0) << text.Err;
    EXPECT_EQ(text.Err, "");
    for (const auto& f : picked)
      EXPECT_NE(text.Out.find(f + ":\n"), std::string::npos) << text.Out;
    args.insert(args.begin() + 1, "--json");
    const auto json = Run(args);
    ASSERT_EQ(json.Status, 0) << json.Err;
    const auto parsed = json.Parsed();
    ASSERT_EQ(parsed.size(), picked.size());
    for (std::size_t i = 0; i < picked.size(); ++i) {
      EXPECT_EQ(parsed[i]["file"], picked[i]);
      EXPECT_TRUE(!parsed[i].contains("error") || parsed[i]["error"].is_null()) << parsed[i].dump();
    }
  }
  // What each reading command finds in the files.
  const auto info = Run({"info", "--json", files[0], files[2], files[3]}).Parsed();
  for (const auto& entry : info)
    EXPECT_EQ(entry["CameraMake"], "TestCam") << entry["file"];
  EXPECT_EQ(info[0]["DateTimeOriginal"], "2024-05-01T12:30:00.000");
  const auto iptc = Run({"iptc", "--json", files[0], files[3]}).Parsed();
  for (const auto& entry : iptc)
    EXPECT_NE(entry["datasets"].dump().find("Dom"), std::string::npos) << entry.dump();
  const auto raw = Run({"xmp", "--raw", files[0]});
  EXPECT_NE(raw.Out.find("<dc:format>image/jpeg</dc:format>"), std::string::npos) << raw.Out;
  const auto sidecar = Scratch.File("e.xmp");
  WriteFile(sidecar, XMPPacketText("image/tiff"));
  const auto tree = Run({"xmp", "--json", sidecar}).Parsed();
  EXPECT_NE(tree[0]["schemas"].dump().find("image/tiff"), std::string::npos) << tree.dump();
  // A maker-note map that cannot be read is a usage error.
  const auto map = Run({"list", "--makernote-map", Scratch.File("none.ini"), files[0]});
  EXPECT_EQ(map.Status, 2);
  EXPECT_NE(map.Err.find("cannot open " + Scratch.File("none.ini") + ": No such file or directory"), std::string::npos)
      << map.Err;
}

TEST_F(CliTest, SetWritesEachOptionIntoEveryFormat) {
  using namespace Tessel::Exif;
  struct TCase {
    std::vector<std::string> Args;
    std::function<void(TExifData&)> Check;
  };
  const std::vector<TCase> cases{
      {{"--orientation", "6"}, [](TExifData& d) { EXPECT_EQ(d.Orientation(), TTiffOrientation::toRightTop); }},
      {{"--datetime", "2023:12:24 18:00:05"},
       [](TExifData& d) { EXPECT_EQ(DateTimeToExifString(d.DateTime()), "2023:12:24 18:00:05"); }},
      {{"--description", "Harbour at dusk", "--comment", "second roll"},
       [](TExifData& d) {
         EXPECT_EQ(d.ImageDescription(), "Harbour at dusk");
         EXPECT_EQ(d.Comments(), "second roll");
       }},
      {{"--gps", "-33.8568,-151.2153"},
       [](TExifData& d) {
         EXPECT_EQ(d.GPSLatitude().Direction(), TGPSLatitudeRef::ltSouth);
         EXPECT_EQ(d.GPSLongitude().Direction(), TGPSLongitudeRef::lnWest);
         EXPECT_EQ(d.GPSLatitude().AsString(), "33,51,612/25S");
         EXPECT_EQ(d.GPSLongitude().AsString(), "151,12,1377/25W");
         EXPECT_NE(d.GetSection(TExifSectionKind::esGPS)->Find(ttGPSVersionID), nullptr);
       }},
      {{"--gps", "48.1375,+11.575"},
       [](TExifData& d) {
         EXPECT_EQ(d.GPSLatitude().Direction(), TGPSLatitudeRef::ltNorth);
         EXPECT_EQ(d.GPSLongitude().Direction(), TGPSLongitudeRef::lnEast);
       }},
      {{"--description", "", "--orientation", "0"},
       [](TExifData& d) {
         EXPECT_EQ(d.ImageDescription(), "");
         EXPECT_EQ(d.Orientation(), TTiffOrientation::toUndefined);
       }},
  };
  for (const std::string kind : {"jpg", "tif", "tif-be", "psd"}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(kind + " " + c.Args[0] + " " + c.Args[1]);
      const auto file = Make("p." + kind, kind);
      const auto before = ReadFile(file);
      auto args = std::vector<std::string>{"set", "--json"};
      args.insert(args.end(), c.Args.begin(), c.Args.end());
      args.push_back(file);
      const auto run = Run(args);
      ASSERT_EQ(run.Status, 0) << run.Err;
      EXPECT_TRUE(run.Parsed()[0]["changed"].is_object());
      TExifData data;
      ASSERT_TRUE(data.LoadFromGraphic(file));
      EXPECT_EQ(data.CameraMake(), "TestCam");
      c.Check(data);
      EXPECT_TRUE(PictureSurvives(kind.substr(0, 3), before, ReadFile(file)));
    }
  }
  // Usage errors: exit 2, the file untouched.
  const auto file = Make("u.jpg");
  const auto before = ReadFile(file);
  for (const auto& args : std::vector<std::vector<std::string>>{{"--gps", "91,0"},
                                                                {"--gps", "0,-180.5"},
                                                                {"--gps", "48.1"},
                                                                {"--gps", "north,east"},
                                                                {"--datetime", "2024:13:01 00:00:00"},
                                                                {"--datetime", "yesterday"},
                                                                {"--orientation", "9"},
                                                                {}}) {
    auto full = std::vector<std::string>{"set"};
    full.insert(full.end(), args.begin(), args.end());
    full.push_back(file);
    const auto run = Run(full);
    EXPECT_EQ(run.Status, 2) << (args.empty() ? "nothing to set" : args[1]);
    EXPECT_FALSE(run.Err.empty());
  }
  EXPECT_EQ(ReadFile(file), before);
}

TEST_F(CliTest, KeepTimeKeepsTheModificationTimeToTheSecond) {
  for (const auto& command : std::vector<std::vector<std::string>>{{"set", "--description", "x"}, {"strip", "--xmp"}}) {
    for (const bool keep : {true, false}) {
      SCOPED_TRACE(command[0] + (keep ? " --keep-time" : ""));
      const auto file = Make("t.jpg");
      Platform::TFileTimes old{1000000000, 0, 1000000000, 0};
      Platform::SetFileTimes(file, old);
      auto args = command;
      if (keep)
        args.push_back("--keep-time");
      args.push_back(file);
      ASSERT_EQ(Run(args).Status, 0);
      const auto now = Platform::GetFileTimes(file).ModificationSeconds;
      if (keep)
        EXPECT_EQ(now, old.ModificationSeconds);
      else
        EXPECT_GT(now, old.ModificationSeconds);
    }
  }
}

TEST_F(CliTest, StripRemovesEachKindAndKeepsThePicture) {
  for (const std::string kind : {"jpg", "tif", "psd"}) {
    SCOPED_TRACE(kind);
    const auto file = Make("s." + kind, kind);
    const auto before = ReadFile(file);
    const auto run = Run({"strip", "--exif", "--xmp", "--iptc", file});
    ASSERT_EQ(run.Status, 0) << run.Err;
    Tessel::Exif::TExifData exif;
    exif.LoadFromGraphic(file);
    EXPECT_TRUE(exif.Empty());
    Tessel::Exif::TXMPPacket xmp;
    xmp.LoadFromGraphic(file);
    EXPECT_TRUE(xmp.Empty());
    Tessel::Exif::TIPTCData iptc;
    iptc.LoadFromGraphic(file);
    EXPECT_TRUE(iptc.Empty());
    EXPECT_TRUE(PictureSurvives(kind, before, ReadFile(file)));
  }
}

TEST_F(CliTest, RenameNeverGivesTwoFilesOneName) {
  const auto a = Make("r/a.jpg"), b = Make("r/b.jpg"), c = Scratch.File("r/c.jpg");
  WriteFile(c, TinyJPEG(4, 4)); // no capture time
  const auto dir = Scratch.File("r/");
  const auto dry = Run({"rename", "--dry-run", "--suffix", "--json", "--pattern", "yyyymmdd", a, b, c});
  ASSERT_EQ(dry.Status, 0) << dry.Err;
  const auto plan = dry.Parsed();
  EXPECT_EQ(plan[0]["newName"], "20240501.jpg");
  EXPECT_EQ(plan[1]["newName"], "20240501_1.jpg");
  EXPECT_EQ(plan[2]["status"], "skipped");
  EXPECT_TRUE(std::filesystem::exists(a) && std::filesystem::exists(b));
  EXPECT_FALSE(std::filesystem::exists(dir + "20240501.jpg"));

  // Without --suffix the second file finds its name taken: it stays, the run says so.
  const auto taken = Run({"rename", "--pattern", "yyyymmdd", a, b, c});
  EXPECT_EQ(taken.Status, 1);
  EXPECT_TRUE(std::filesystem::exists(dir + "20240501.jpg"));
  EXPECT_TRUE(std::filesystem::exists(b));
  EXPECT_TRUE(std::filesystem::exists(c));
  EXPECT_NE(taken.Err.find(b), std::string::npos) << taken.Err;
  EXPECT_EQ(ReadFile(dir + "20240501.jpg"), JPEGPicture());

  const auto suffixed = Run({"rename", "--suffix", "--pattern", "yyyymmdd", b});
  EXPECT_EQ(suffixed.Status, 0) << suffixed.Err;
  EXPECT_TRUE(std::filesystem::exists(dir + "20240501_1.jpg"));
  EXPECT_FALSE(std::filesystem::exists(b));
}

TEST_F(CliTest, BadArgumentsFailAloneAndTheGoodFilesAreDone) {
  const auto first = Make("g1.jpg"), last = Make("g2.tif", "tif");
  const auto missing = Scratch.File("missing.jpg"), folder = Scratch.File("folder"), text = Scratch.File("notes.txt");
  std::filesystem::create_directory(folder);
  WriteFile(text, "not a picture\n");
  std::vector<std::string> failing{missing, folder, text};
  // A folder that refuses new files: the save cannot even begin (root may write anywhere).
  const auto locked = Make("locked/p.jpg");
  const bool canLock = ::geteuid() != 0;
  if (canLock) {
    ::chmod(Scratch.File("locked").c_str(), 0555);
    failing.push_back(locked);
  }
  const auto lockedBefore = ReadFile(locked);
  auto args = std::vector<std::string>{"set", "--description", "done", first};
  args.insert(args.end(), failing.begin(), failing.end());
  args.push_back(last);
  const auto run = Run(args);
  if (canLock)
    ::chmod(Scratch.File("locked").c_str(), 0755);
  EXPECT_EQ(run.Status, 1);
  for (const auto& f : failing)
    EXPECT_NE(run.Err.find(f + ": "), std::string::npos) << f << "\n" << run.Err;
  EXPECT_NE(run.Err.find("cannot open " + missing + ": No such file or directory"), std::string::npos) << run.Err;
  EXPECT_EQ(run.Err.find("Datei"), std::string::npos) << run.Err;
  for (const auto& f : {first, last}) {
    Tessel::Exif::TExifData data;
    ASSERT_TRUE(data.LoadFromGraphic(f));
    EXPECT_EQ(data.ImageDescription(), "done") << f;
  }
  EXPECT_EQ(ReadFile(locked), lockedBefore);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Scratch.File("locked")), {}), 1)
      << "a failed save leaves no file behind";
}

TEST_F(CliTest, RecursiveWalksFoldersSortedByContentWithoutLinks) {
  Make("top/b.jpg");
  Make("top/a/x.tif", "tif");
  Make("top/z.dat"); // a JPEG by content
  WriteFile(Scratch.File("top/a/notes.jpg"), "text with a picture's name\n");
  Make("elsewhere/far.jpg");
  std::filesystem::create_directory_symlink(Scratch.File("elsewhere"), Scratch.File("top/link"));
  std::filesystem::create_symlink(Scratch.File("elsewhere/far.jpg"), Scratch.File("top/c.jpg"));
  const auto top = Scratch.File("top");

  for (const std::string flag : {"-r", "--recursive"}) {
    const auto run = Run({"info", "--json", flag, top});
    ASSERT_EQ(run.Status, 0) << run.Err;
    std::vector<std::string> seen;
    for (const auto& entry : run.Parsed())
      seen.push_back(entry["file"]);
    EXPECT_EQ(seen, (std::vector<std::string>{top + "/a/x.tif", top + "/b.jpg", top + "/z.dat"}));
  }
  // Without -r a folder fails for itself alone.
  const auto plain = Run({"info", top, Scratch.File("top/b.jpg")});
  EXPECT_EQ(plain.Status, 1);
  EXPECT_NE(plain.Err.find(top + ": is a folder"), std::string::npos) << plain.Err;
  EXPECT_NE(plain.Out.find("TestCam"), std::string::npos);
}

TEST_F(CliTest, VersionHelpAndUsageErrors) {
  const auto version = Run({"--version"});
  EXPECT_EQ(version.Status, 0);
  EXPECT_EQ(version.Out.rfind("fotarium-cli ", 0), 0u) << version.Out;
  const auto help = Run({"--help"});
  EXPECT_EQ(help.Status, 0);
  for (const std::string command : {"segments", "tags", "info", "iptc", "xmp", "list", "set", "strip", "rename"}) {
    SCOPED_TRACE(command);
    EXPECT_NE(help.Out.find("  " + command + " "), std::string::npos);
    const auto sub = Run({command, "--help"});
    EXPECT_EQ(sub.Status, 0);
    EXPECT_NE(sub.Out.find("Example:\n  fotarium-cli " + command + " "), std::string::npos) << sub.Out;
    EXPECT_NE(sub.Out.find("--recursive"), std::string::npos);
  }
  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"frobnicate"}, {"info"}, {"info", "--nope", "x"}})
    EXPECT_EQ(Run(args).Status, 2) << (args.empty() ? "" : args[0]);
}

} // namespace
