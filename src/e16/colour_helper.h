// Changing one knob's colour in an E16 scene by running a module's helper script, and where each module keeps
// its script. The program never writes a scene itself; the script does, in one atomic step.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/posix/child_process.h"

// A helper runs beside the loop, never on it; one that has not finished after this long is stopped, so that a
// hung script cannot hold the scene (or the next colour change) for ever.
inline constexpr double HELPER_TIMEOUT = 10.0;
inline constexpr std::string_view HELPER_TIMED_OUT =
    "the scene was not changed: the helper did not finish within 10 s";
// A module runs one helper at a time; a colour picked meanwhile is refused with this line.
inline constexpr std::string_view HELPER_BUSY =
    "the scene was not changed: the colour picked before this one is still being written; pick again when it "
    "is done";
// What runs the helpers.
inline constexpr std::string_view PYTHON = "/usr/bin/python3";

// Each module's helper: the one shipped beside the program (installed, or in the build tree, which has the
// same layout) when it is there, else the MK module's in the user's ~/.local, whether or not it exists there,
// and the Key Stroke module's in the developer's checkout.
std::string mkHelperPath(const std::string& programDir, const std::string& home);
std::string ksHelperPath(const std::string& programDir, const std::string& home);

// Starts `interpreter script scenePath page knob colour`, bounded by `timeout` seconds, and returns at once;
// `done` gets the result on the loop, its output as helperText() makes it and, when the time ran out,
// `timedOut` set and `error` HELPER_TIMED_OUT. Dropping the handle stops the helper.
std::shared_ptr<ChildProcess> startColourHelper(Loop& loop, const std::string& script,
                                                const std::string& scenePath, int page, int knob, int colour,
                                                std::function<void(ProcessResult)> done,
                                                double timeout = HELPER_TIMEOUT,
                                                std::string_view interpreter = PYTHON);

// What a helper printed, made fit to show: UTF-8 with every invalid sequence replaced by U+FFFD, and white
// space trimmed from both ends of the whole text (inner lines stay as they are).
std::string helperText(std::string_view bytes);
