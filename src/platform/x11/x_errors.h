// Xlib's error handling made safe for a process with several X connections and threads: checking a few calls
// for an X error, and outliving the loss of the server. Xlib's defaults end the process in both cases.
#pragma once

#include <atomic>
#include <functional>

struct _XDisplay;  // Xlib's Display, so that this header needs no Xlib

namespace xerrors {

// Runs `calls` (Xlib requests on `display`), waits for the server's answers with XSync, and returns the code
// of the first X error they raised (BadAccess, BadValue, ...), or 0 when none did. Errors answered to earlier
// requests are waited for first and not counted. Callers on any thread are served one at a time, so `calls`
// must not wait for another caller. An X error outside such a call, on any connection, is ignored.
int firstError(_XDisplay* display, const std::function<void()>& calls);

// Makes the loss of `display`'s server (it quit or crashed) set `lost` instead of ending the process; Xlib
// calls on the display then return at once, but only on the thread that noticed the loss: Xlib keeps the
// display locked against all others, which would wait for ever. So once `lost` is set, make no more calls
// from other threads, and close it with closeDisplay(). `lost` must outlive the display.
void survive(_XDisplay* display, std::atomic<bool>& lost);

// XCloseDisplay, except for a lost display on a thread other than the one that noticed the loss: that one is
// left open, a small leak once per lost server, rather than a thread stopped for ever.
void closeDisplay(_XDisplay* display);

}  // namespace xerrors
