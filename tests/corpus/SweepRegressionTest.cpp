// Replays every input that once made a fuzz target fail (tests/regression/<target>/,
// our own small files) through the same target body, so that a mended fault stays mended.

#define FUZZ_TARGETS_THROW_ON_FAILURE
#include "fuzz/FuzzTargets.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path RegressionDir(const std::string& target) {
  return fs::path(__FILE__).parent_path().parent_path() / "regression" / target;
}

std::vector<std::string> RegressionFiles(const std::string& target) {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(RegressionDir(target), error))
    if (entry.is_regular_file())
      files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

// Each file through the body; anything but the library's own exceptions (which the
// bodies absorb) is a failure naming the file.
void Replay(const std::string& target, const std::function<void(FuzzTargets::Bytes)>& body) {
  const auto files = RegressionFiles(target);
  if (files.empty())
    GTEST_SKIP() << "no regression inputs in " << RegressionDir(target);
  for (const auto& file : files) {
    SCOPED_TRACE(file);
    const auto bytes = ReadFile(file);
    try {
      body(bytes);
    } catch (const FuzzTargets::TRoundTripFailure& failure) {
      ADD_FAILURE() << failure.What;
    } catch (const std::exception& e) {
      ADD_FAILURE() << "unexpected exception: " << e.what();
    }
  }
}

} // namespace

TEST(SweepRegression, XMPPacket) {
  Replay("fuzz_xmp_packet", [](auto bytes) { FuzzTargets::XMPPacket(bytes); });
}

TEST(SweepRegression, IPTCStream) {
  Replay("fuzz_iptc_stream", [](auto bytes) { FuzzTargets::IPTCStream(bytes); });
}

TEST(SweepRegression, LoadPicture) {
  Replay("fuzz_load_picture", [](auto bytes) { FuzzTargets::LoadPicture(bytes); });
}

TEST(SweepRegression, EditSave) {
  Replay("fuzz_edit_save", [](auto bytes) { FuzzTargets::EditSave(bytes); });
}
