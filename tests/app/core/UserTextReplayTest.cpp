// Replays every input that once made fuzz_user_text fail (tests/regression/fuzz_user_text/)
// through the fuzzer's own body.

#define FUZZ_TARGETS_THROW_ON_FAILURE
#include "fuzz/UserTextTargets.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

TEST(UserTextReplay, RegressionInputs) {
  const auto dir = fs::path(__FILE__).parent_path().parent_path().parent_path() / "regression" / "fuzz_user_text";
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(dir, error))
    if (entry.is_regular_file())
      files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  if (files.empty())
    GTEST_SKIP() << "no regression inputs in " << dir;
  for (const auto& file : files) {
    SCOPED_TRACE(file);
    try {
      (void)UserTextTargets::UserText(ReadFile(file));
    } catch (const UserTextTargets::TUserTextFailure& failure) {
      ADD_FAILURE() << failure.What;
    } catch (const std::exception& e) {
      ADD_FAILURE() << "unexpected exception: " << e.what();
    }
  }
}

TEST(UserTextReplay, TypicalTextsPassTheChecks) {
  // The fuzzer's own checks hold for what users normally type.
  const std::vector<std::string> inputs = {
      std::string("\x00") + "48\xC2\xB0"
                            "8'15,3\"N",
      std::string("\x01") + "-33.4475",
      std::string("\x81") + "11.575333",
      std::string("\x02") + "48.137583, 11.575333",
      std::string("\x03") + "yyyymmdd_hhnnss_@\nIMG_0042.JPG",
      std::string("\x03") + "@\nphoto",
      std::string("\x04") + "[Canon]\nTreatAsTagGroup=1\n",
  };
  for (const auto& input : inputs) {
    SCOPED_TRACE(input);
    const std::vector<std::uint8_t> bytes(input.begin(), input.end());
    EXPECT_NO_THROW((void)UserTextTargets::UserText(bytes));
  }
}
