// Monitor wording for received messages and the age text shown next to them.
#include "mackie/core/watch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "common/age_text.h"

namespace MKWatch {

namespace {

std::string hex2(int value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

std::string systemName(int status) {
  if (const auto name = systemMessages::name(status)) return std::string(*name);
  return "SYSTEM " + hex2(status);
}

std::string channelText(int status, int d1, int d2) {
  const std::string n1 = std::to_string(d1);
  switch (status & 0xF0) {
    case 0x80:
      return "NOTE " + n1 + " off";
    case 0x90:
      // Many controllers send note-on with velocity 0 for a release.
      if (d2 == 0) return "NOTE " + n1 + " off";
      return "NOTE " + n1 + " = " + std::to_string(d2);
    case 0xA0:
      return "NOTE " + n1 + " PRESSURE " + std::to_string(d2);
    case 0xB0:
      return "CC " + n1 + " = " + std::to_string(d2);
    case 0xC0:
      return "PROGRAM " + n1;
    case 0xD0:
      return "PRESSURE " + n1;
    default:
      // 0xE0, pitch bend. Widened so that out-of-range bytes in a hand-built message cannot overflow.
      return "PITCH BEND " + std::to_string(static_cast<std::int64_t>(d2) * 128 + d1);
  }
}

}  // namespace

bool quiet(const MKMCU::MKRaw& raw) {
  return raw.system && systemMessages::quiet(raw.status);
}

std::string describe(const MKMCU::MKRaw& raw) {
  const int status = raw.status & 0xFF;
  // A status of 0xF0 and above can only be a system message, whatever the flag says.
  if (raw.system || status >= 0xF0) return systemName(status);
  if (status < 0x80) return hex2(status);
  return channelText(status, raw.d1, raw.d2) + "   ch " + std::to_string((status & 0x0F) + 1);
}

}  // namespace MKWatch

std::string mkAgo(std::optional<double> time, double now) {
  return ageText(time, now);
}
