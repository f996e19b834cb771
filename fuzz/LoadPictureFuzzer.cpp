// libFuzzer entry of fuzz_load_picture; the body is FuzzTargets::LoadPicture.

#include "fuzz/FuzzTargets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static volatile std::uint64_t sink;
  sink = FuzzTargets::LoadPicture({data, size});
  return 0;
}
