// libFuzzer entry of fuzz_load_picture; the body is FuzzTargets::LoadPicture.

#include "fuzz/FuzzTargets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzTargets::Consumed ^= FuzzTargets::LoadPicture({data, size});
  return 0;
}
