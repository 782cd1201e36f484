// Posting one key stroke (see the header).
#include "keystroke/post_key.h"

#include "keystroke/keys.h"

namespace KSRules {

std::optional<std::string> postKey(KeyOutput& output, std::string_view key,
                                   const std::vector<std::string>& mods, bool dry) {
  const auto& keys = KS_KEYS();
  const auto found = keys.find(key);
  if (found == keys.end()) return "no key code for \"" + std::string(key) + "\"";
  if (dry) return std::nullopt;
  if (!output.trusted()) {
    // Where the system can tell what stands in the way (no X display), the user learns it here.
    const auto advice = output.trustAdvice();
    return "not pressed: Accessibility is not allowed for Orvane VUDA Verer yet" +
           (advice.empty() ? "" : "  (" + advice + ")");
  }
  // The modifiers travel only as flags on the two events; an event that cannot be made is skipped alone.
  const auto flags = ksFlags(mods);
  output.postKey(found->second, flags, true);
  output.postKey(found->second, flags, false);
  return std::nullopt;
}

}  // namespace KSRules
