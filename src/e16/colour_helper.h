// Changing one knob's colour in an E16 scene by running a module's helper script, and where each module keeps
// its script. The program never writes a scene itself; the script does, in one atomic step.
#pragma once

#include <string>
#include <string_view>

#include "platform/posix/child_process.h"

// The documented behaviour is to wait for the helper without limit, but the wait freezes the whole
// application, so a hung script is stopped after this long instead.
inline constexpr double HELPER_TIMEOUT = 10.0;
inline constexpr std::string_view HELPER_TIMED_OUT =
    "the scene was not changed: the helper did not finish within 10 s";
// What runs the helpers.
inline constexpr std::string_view PYTHON = "/usr/bin/python3";

// Each module's helper: the one shipped beside the program (installed, or in the build tree, which has the
// same layout) when it is there, else the MK module's in the user's ~/.local, whether or not it exists there,
// and the Key Stroke module's in the developer's checkout.
std::string mkHelperPath(const std::string& programDir, const std::string& home);
std::string ksHelperPath(const std::string& programDir, const std::string& home);

// Runs `interpreter script scenePath page knob colour` and waits at most `timeout` seconds. The output comes
// back as helperText() makes it; when the time ran out, `timedOut` is set and `error` is HELPER_TIMED_OUT.
ProcessResult runColourHelper(const std::string& script, const std::string& scenePath, int page, int knob,
                              int colour, double timeout = HELPER_TIMEOUT,
                              std::string_view interpreter = PYTHON);

// What a helper printed, made fit to show: UTF-8 with every invalid sequence replaced by U+FFFD, and white
// space trimmed from both ends of the whole text (inner lines stay as they are).
std::string helperText(std::string_view bytes);
