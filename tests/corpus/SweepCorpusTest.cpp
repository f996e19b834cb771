// Every file of the sample corpus, hostile ones included: loaded, read in full (every
// tag's text, the maker note, the XMP tree, the IPTC datasets), edited, saved to memory
// and loaded again, with no crash, no sanitizer report and no exception other than the
// library's own. One test per file, so that a failure or a hang names its file.

#define FUZZ_TARGETS_THROW_ON_FAILURE
#include "fuzz/FuzzTargets.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::string> SweepFiles() { return CorpusFiles({".jpg", ".jpeg", ".tif", ".tiff", ".psd", ".xmp"}); }

class SweepCorpus : public testing::TestWithParam<std::string> {};

std::string TestName(const testing::TestParamInfo<std::string>& info) { return CorpusCaseName(info.param, info.index); }

} // namespace

TEST_P(SweepCorpus, LoadReadEditSaveReload) {
  const auto bytes = ReadFile(GetParam());
  const bool sidecar = std::filesystem::path(GetParam()).extension() == ".xmp";
  try {
    if (sidecar) {
      FuzzTargets::XMPPacket(bytes);
    } else {
      FuzzTargets::LoadPicture(bytes);
      FuzzTargets::EditSave(bytes);
    }
  } catch (const FuzzTargets::TRoundTripFailure& failure) {
    FAIL() << failure.What;
  } catch (const std::exception& e) {
    FAIL() << "unexpected exception: " << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, SweepCorpus, testing::ValuesIn(SweepFiles()), TestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(SweepCorpus);

TEST(SweepCorpusPresent, CorpusFound) {
  if (CorpusDir().empty())
    GTEST_SKIP() << "sample corpus not found at " << FOTARIUM_CORPUS_DIR;
  EXPECT_FALSE(SweepFiles().empty()) << "the corpus holds no pictures";
}
