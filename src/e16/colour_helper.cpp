// Running the colour helper scripts and turning what they print into text for the user.
#include "e16/colour_helper.h"

#include <cstdint>
#include <filesystem>
#include <utility>
#include <vector>

namespace {

constexpr std::string_view REPLACEMENT = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

bool isContinuation(std::uint8_t byte) {
  return (byte & 0xC0) == 0x80;
}

// The length of a well-formed sequence starting at `at`, or 0. When 0, `consumed` is the maximal subpart
// that was a valid beginning (at least 1), which is replaced by one U+FFFD as Unicode recommends.
std::size_t sequenceAt(std::string_view bytes, std::size_t at, std::size_t& consumed) {
  const auto lead = static_cast<std::uint8_t>(bytes[at]);
  consumed = 1;
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // the allowed range of the second byte
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (at + i >= bytes.size()) return 0;
    const auto byte = static_cast<std::uint8_t>(bytes[at + i]);
    const bool fits = i == 1 ? byte >= low && byte <= high : isContinuation(byte);
    if (!fits) return 0;
    consumed = i + 1;
  }
  return length;
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// A helper shipped beside the program: installed, or in the build tree, which has the same layout.
std::string shippedHelper(const std::string& programDir, const std::string& script) {
  std::string shipped = programDir + "/../share/orvane-vuda-verer/helpers/" + script;
  std::error_code ignored;
  return std::filesystem::is_regular_file(shipped, ignored) ? shipped : "";
}

}  // namespace

std::string mkHelperPath(const std::string& programDir, const std::string& home) {
  std::string shipped = shippedHelper(programDir, "e16colour.py");
  return shipped.empty() ? home + "/.local/lib/orvane/e16colour.py" : shipped;
}

std::string ksHelperPath(const std::string& programDir, const std::string& home) {
  std::string shipped = shippedHelper(programDir, "midikeys_e16colour.py");
  return shipped.empty() ? home + "/Developer/ORVANE_VUDA_VERER/helpers/midikeys_e16colour.py" : shipped;
}

std::shared_ptr<ChildProcess> startColourHelper(Loop& loop, const std::string& script,
                                                const std::string& scenePath, int page, int knob, int colour,
                                                std::function<void(ProcessResult)> done, double timeout,
                                                std::string_view interpreter) {
  const std::vector<std::string> args = {script, scenePath, std::to_string(page), std::to_string(knob),
                                         std::to_string(colour)};
  return startProcess(loop, std::string(interpreter), args, timeout,
                      [done = std::move(done)](ProcessResult result) {
                        result.output = helperText(result.output);
                        if (result.timedOut) result.error = HELPER_TIMED_OUT;
                        done(std::move(result));
                      });
}

std::string helperText(std::string_view bytes) {
  std::size_t begin = 0, end = bytes.size();
  while (begin < end && isSpace(bytes[begin]))
    ++begin;
  while (end > begin && isSpace(bytes[end - 1]))
    --end;
  bytes = bytes.substr(begin, end - begin);

  std::string text;
  text.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t consumed = 0;
    const std::size_t length = sequenceAt(bytes, at, consumed);
    if (length > 0) {
      text.append(bytes.substr(at, length));
      at += length;
    } else {
      text.append(REPLACEMENT);
      at += consumed;
    }
  }
  return text;
}
