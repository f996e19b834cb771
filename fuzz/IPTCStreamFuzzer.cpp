// libFuzzer entry of fuzz_iptc_stream; the body is FuzzTargets::IPTCStream.

#include "fuzz/FuzzTargets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzTargets::Consumed ^= FuzzTargets::IPTCStream({data, size});
  return 0;
}
