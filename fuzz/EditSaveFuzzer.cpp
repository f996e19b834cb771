// libFuzzer entry of fuzz_edit_save; the body is FuzzTargets::EditSave.

#include "fuzz/FuzzTargets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzTargets::Consumed ^= FuzzTargets::EditSave({data, size});
  return 0;
}
