// libFuzzer entry of fuzz_user_text; the body is UserTextTargets::UserText.

#include "fuzz/UserTextTargets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  UserTextTargets::Consumed ^= UserTextTargets::UserText({data, size});
  return 0;
}
