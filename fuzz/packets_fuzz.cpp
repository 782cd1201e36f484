// Fuzz target for the UMP reader: any run of words, however malformed, must be read without a fault and
// give only well-formed messages.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "mackie/core/packets.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Exactly as many words as the bytes fill, in a buffer of that size, so ASan sees any read past the end.
  std::vector<std::uint32_t> words(size / 4);
  if (!words.empty()) std::memcpy(words.data(), data, words.size() * 4);

  const std::vector<MKMCU::MKRaw> raws = MKMCU::readPackets(words);

  check(raws.size() <= words.size());
  for (const MKMCU::MKRaw& raw : raws) {
    check(raw.status >= 0 && raw.status <= 0xFF);
    check(raw.d1 >= 0 && raw.d1 <= 0x7F);
    check(raw.d2 >= 0 && raw.d2 <= 0x7F);
  }
  return 0;
}
