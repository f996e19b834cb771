// libFuzzer entry of fuzz_xmp_packet; the body is FuzzTargets::XMPPacket.

#include "fuzz/FuzzTargets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzTargets::Consumed ^= FuzzTargets::XMPPacket({data, size});
  return 0;
}
