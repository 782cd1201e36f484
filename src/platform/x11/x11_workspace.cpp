// The X11 workspace: asks the server afresh on every call, under one mutex shared with the watch thread; a
// window that vanishes mid-way only fails a request, which xerrors keeps from ending the process.
#include "platform/x11/x11_workspace.h"

#include <dirent.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/x11/x_errors.h"

// Xlib has a `Screen` of its own; renamed here so that it cannot clash with the workspace's.
#define Screen XlibScreen
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#undef Screen

namespace {

constexpr auto POLL_PERIOD = std::chrono::seconds(1);
// Enough for any window list; a property larger than this is read in part.
constexpr long MAX_PROPERTY_LONGS = 1 << 16;
// Deeper than any real window tree; only guards against a loop.
constexpr int MAX_TREE_DEPTH = 64;

bool namesLive(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name.find("ableton live") != std::string::npos;
}

std::string readSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text(4096, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return text;
}

std::string processName(int pid) {
  std::string comm = readSmallFile("/proc/" + std::to_string(pid) + "/comm");
  while (!comm.empty() && (comm.back() == '\n' || comm.back() == '\0'))
    comm.pop_back();
  return comm;
}

// Processes named like Ableton Live. The kernel's short name decides (Wine sets it to the program's file
// name, cut to 15 characters); the full file name from the command line then names the application. Other
// processes' command lines are never read: that can stall while the process's memory is busy.
std::vector<RunningApp> liveProcesses() {
  std::vector<RunningApp> found;
  DIR* proc = opendir("/proc");
  if (!proc) return found;
  while (const dirent* entry = readdir(proc)) {
    const std::string_view id = entry->d_name;
    int pid = 0;
    const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), pid);
    if (error != std::errc() || end != id.data() + id.size() || pid <= 0) continue;
    const std::string comm = processName(pid);
    if (!namesLive(comm)) continue;
    std::string program = readSmallFile("/proc/" + std::string(id) + "/cmdline");
    program = program.substr(0, program.find('\0'));
    program = program.substr(program.find_last_of("/\\") + 1);
    found.push_back({pid, namesLive(program) ? program : comm, ""});
  }
  closedir(proc);
  return found;
}

struct Snapshot {
  std::vector<RunningApp> apps;
  std::optional<RunningApp> front;
};

bool hasApp(const std::vector<RunningApp>& apps, int pid) {
  return std::any_of(apps.begin(), apps.end(), [pid](const RunningApp& app) { return app.pid == pid; });
}

// Done outside the X lock: reading all of /proc takes a while and needs no connection.
void addLiveProcesses(std::vector<RunningApp>& apps) {
  for (auto& app : liveProcesses())
    if (!hasApp(apps, app.pid)) apps.push_back(std::move(app));
}

}  // namespace

class X11Workspace::Impl {
 public:
  Impl(X11Workspace& owner, std::optional<std::string> name) : owner_(owner), name_(std::move(name)) {}
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  ~Impl() {
    {
      std::lock_guard lock(watchMutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    if (watcher_.joinable()) watcher_.join();
    std::lock_guard lock(x_);
    close();
  }

  std::vector<RunningApp> runningApps() {
    std::vector<RunningApp> list;
    {
      std::lock_guard lock(x_);
      if (open()) list = windowApps();
    }
    addLiveProcesses(list);
    return list;
  }

  std::optional<RunningApp> frontApp() {
    std::lock_guard lock(x_);
    return open() ? front() : std::nullopt;
  }

  std::vector<WindowInfo> windows() {
    std::lock_guard lock(x_);
    return open() ? windowList() : std::vector<WindowInfo>{};
  }

  std::vector<Screen> screens() {
    std::lock_guard lock(x_);
    if (!open()) return {};
    const auto all = monitors();
    const auto area = workArea();
    std::vector<Screen> list;
    for (const auto& monitor : all)
      list.push_back(screenOf(monitor, all.front(), area));
    return list;
  }

  // The monitor that holds the middle of the window in front; the primary one when none is in front.
  std::optional<Screen> mainScreen() {
    std::lock_guard lock(x_);
    if (!open()) return std::nullopt;
    const auto all = monitors();
    const auto area = workArea();
    const auto front = frontBounds();
    for (const auto& monitor : all)
      if (front && monitor.contains({front->midX(), front->midY()}))
        return screenOf(monitor, all.front(), area);
    return screenOf(all.front(), all.front(), area);
  }

  void watch() {
    std::lock_guard lock(watchMutex_);
    if (watcher_.joinable() || stopping_) return;
    // Taken here rather than on the thread, so that anything that changes after watch() returns is reported.
    try {
      watcher_ = std::thread([this, last = snapshot()]() mutable { poll(std::move(last)); });
    } catch (const std::system_error&) {
      // No thread to be had: nothing is reported, and everything else works as before.
    }
  }

 private:
  struct Atoms {
    Atom clientList, clientListStacking, activeWindow, wmPid, wmState, workArea, currentDesktop, windowType,
        typeDesktop, typeDock, frameExtents;
  };

  // Only with x_ held, as everything below that touches display_.
  bool open() {
    if (display_ && lost_.load()) close();
    if (display_) return true;
    display_ = XOpenDisplay(name_ ? name_->c_str() : nullptr);
    if (!display_) return false;
    lost_.store(false);
    xerrors::survive(display_, lost_);
    root_ = DefaultRootWindow(display_);
    int event = 0, error = 0, major = 0, minor = 0;
    // Monitors came with RandR 1.5; before it, the root stands for all of them.
    randr_ = XRRQueryExtension(display_, &event, &error) && XRRQueryVersion(display_, &major, &minor) &&
             (major > 1 || (major == 1 && minor >= 5));
    // Once per connection: a round trip each is nothing next to what the poll asks every second.
    const auto intern = [this](const char* name) { return XInternAtom(display_, name, False); };
    atoms_ = {intern("_NET_CLIENT_LIST"),
              intern("_NET_CLIENT_LIST_STACKING"),
              intern("_NET_ACTIVE_WINDOW"),
              intern("_NET_WM_PID"),
              intern("WM_STATE"),
              intern("_NET_WORKAREA"),
              intern("_NET_CURRENT_DESKTOP"),
              intern("_NET_WM_WINDOW_TYPE"),
              intern("_NET_WM_WINDOW_TYPE_DESKTOP"),
              intern("_NET_WM_WINDOW_TYPE_DOCK"),
              intern("_NET_FRAME_EXTENTS")};
    return !lost_.load();
  }

  // The watch thread may be the one that saw the server go: only xerrors knows whether closing is safe here.
  void close() {
    xerrors::closeDisplay(display_);
    display_ = nullptr;
  }

  // A 32-bit property of `type`; nothing when the window lacks it or it has another type.
  std::optional<std::vector<unsigned long>> longs(Window window, Atom property, Atom type) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<std::vector<unsigned long>> values;
    if (XGetWindowProperty(display_, window, property, 0, MAX_PROPERTY_LONGS, False, type, &actualType,
                           &format, &count, &after, &data) == Success &&
        actualType == type && format == 32) {
      // Xlib hands 32-bit items over as longs, whatever the size of a long.
      const auto* items = reinterpret_cast<const long*>(data);
      values.emplace();
      for (unsigned long i = 0; i < count; ++i)
        values->push_back(static_cast<unsigned long>(items[i]));
    }
    if (data) XFree(data);
    return values;
  }

  bool hasProperty(Window window, Atom property) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(display_, window, property, 0, 0, False, AnyPropertyType,
                                          &actualType, &format, &count, &after, &data) == Success &&
                       actualType != None;
    if (data) XFree(data);
    return found;
  }

  int pidOf(Window window) {
    const auto pid = longs(window, atoms_.wmPid, XA_CARDINAL);
    if (!pid || pid->empty() || pid->front() > static_cast<unsigned long>(INT32_MAX)) return 0;
    return static_cast<int>(pid->front());
  }

  // WM_CLASS's class name, else its instance name.
  std::string classOf(Window window) {
    XClassHint hint{};
    if (!XGetClassHint(display_, window, &hint)) return "";
    std::string name = hint.res_class && *hint.res_class ? hint.res_class
                       : hint.res_name                   ? hint.res_name
                                                         : "";
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return name;
  }

  std::optional<RunningApp> appOf(Window window) {
    const int pid = pidOf(window);
    std::string name = classOf(window);
    if (name.empty() && pid > 0) name = processName(pid);
    if (pid <= 0 && name.empty()) return std::nullopt;
    return RunningApp{pid, name, ""};
  }

  std::vector<Window> childrenOf(Window window) {
    Window root = None, parent = None, *children = nullptr;
    unsigned count = 0;
    std::vector<Window> list;
    if (XQueryTree(display_, window, &root, &parent, &children, &count) && children)
      list.assign(children, children + count);
    if (children) XFree(children);
    return list;
  }

  // The root's child that holds `window`; None for the root itself or a window that went away.
  Window topLevelOf(Window window) {
    for (int depth = 0; depth < MAX_TREE_DEPTH && window != None && window != root_; ++depth) {
      Window root = None, parent = None, *children = nullptr;
      unsigned count = 0;
      const Status ok = XQueryTree(display_, window, &root, &parent, &children, &count);
      if (children) XFree(children);
      if (!ok) return None;
      if (parent == root_) return window;
      window = parent;
    }
    return None;
  }

  // The application's own window in a top-level one: the top-level itself unless a window manager that
  // publishes no client list framed it, in which case the client is the descendant carrying WM_STATE.
  Window clientOf(Window topLevel, int depth = 0) {
    if (depth == 0 && (hasProperty(topLevel, XA_WM_CLASS) || hasProperty(topLevel, atoms_.wmState)))
      return topLevel;
    if (depth >= 2) return None;
    for (const Window child : childrenOf(topLevel)) {
      if (hasProperty(child, atoms_.wmState)) return child;
      if (const Window inner = clientOf(child, depth + 1); inner != None) return inner;
    }
    return depth == 0 ? topLevel : None;
  }

  // The windows applications own: the window manager's list, else the viewable windows on the root.
  std::vector<Window> appWindows() {
    if (const auto list = longs(root_, atoms_.clientList, XA_WINDOW)) return {list->begin(), list->end()};
    std::vector<Window> found;
    for (const Window child : childrenOf(root_)) {
      XWindowAttributes a{};
      if (XGetWindowAttributes(display_, child, &a) && a.map_state == IsViewable && !a.override_redirect &&
          a.c_class == InputOutput)
        found.push_back(clientOf(child));
    }
    return found;
  }

  // One application per process, named after its first window.
  std::vector<RunningApp> windowApps() {
    std::vector<RunningApp> list;
    for (const Window window : appWindows())
      if (auto app = appOf(window); app && app->pid > 0 && !hasApp(list, app->pid)) list.push_back(*app);
    return list;
  }

  std::optional<RunningApp> front() {
    if (const auto active = longs(root_, atoms_.activeWindow, XA_WINDOW)) {
      // Published by a window manager: none active means no application is in front.
      if (active->empty() || active->front() == None) return std::nullopt;
      return appOf(active->front());
    }
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    if (focus == None || focus == PointerRoot) return std::nullopt;
    const Window topLevel = topLevelOf(focus);
    if (topLevel == None) return std::nullopt;
    return appOf(clientOf(topLevel));
  }

  // 1 for docks, and for pop-ups (menus, tool tips) outside the window manager's care; nothing for the
  // desktop.
  std::optional<int> layerOf(Window client, bool overrideRedirect) {
    const auto types = longs(client, atoms_.windowType, XA_ATOM);
    const Atom type = types && !types->empty() ? types->front() : None;
    if (type == atoms_.typeDesktop) return std::nullopt;
    return type == atoms_.typeDock || overrideRedirect ? 1 : 0;
  }

  // Where `window` shows, in root coordinates, with the window manager's frame when it says how wide that is.
  std::optional<geometry::Rect> shownBounds(Window window, const XWindowAttributes& a) {
    if (a.map_state != IsViewable || a.c_class == InputOnly) return std::nullopt;
    int x = 0, y = 0;
    Window child = None;
    if (!XTranslateCoordinates(display_, window, root_, 0, 0, &x, &y, &child)) return std::nullopt;
    geometry::Rect bounds{double(x), double(y), double(a.width), double(a.height)};
    if (const auto frame = longs(window, atoms_.frameExtents, XA_CARDINAL); frame && frame->size() >= 4) {
      const double left = (*frame)[0], right = (*frame)[1], top = (*frame)[2], bottom = (*frame)[3];
      bounds = {bounds.x - left, bounds.y - top, bounds.width + left + right, bounds.height + top + bottom};
    }
    const double width = DisplayWidth(display_, DefaultScreen(display_));
    const double height = DisplayHeight(display_, DefaultScreen(display_));
    if (bounds.maxX() <= 0 || bounds.maxY() <= 0 || bounds.x >= width || bounds.y >= height)
      return std::nullopt;
    return bounds;
  }

  // Bounds run from the primary monitor's top left.
  std::vector<WindowInfo> windowList() {
    const auto primary = monitors().front();
    const auto fromPrimary = [&](geometry::Rect r) {
      return geometry::Rect{r.x - primary.x, r.y - primary.y, r.width, r.height};
    };
    std::vector<WindowInfo> list;
    if (const auto stacking = longs(root_, atoms_.clientListStacking, XA_WINDOW)) {
      // Bottom to top as published; reversed for front to back.
      for (auto it = stacking->rbegin(); it != stacking->rend(); ++it) {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(display_, *it, &a)) continue;
        const auto bounds = shownBounds(*it, a);
        const auto layer = bounds ? layerOf(*it, false) : std::nullopt;
        if (layer) list.push_back({pidOf(*it), *layer, fromPrimary(*bounds)});
      }
      return list;
    }
    // The root's children, bottom to top as the server stacks them.
    const auto children = childrenOf(root_);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      XWindowAttributes a{};
      if (!XGetWindowAttributes(display_, *it, &a)) continue;
      const auto bounds = shownBounds(*it, a);
      const Window client = bounds ? clientOf(*it) : None;
      const auto layer = bounds ? layerOf(client, a.override_redirect) : std::nullopt;
      if (layer) list.push_back({pidOf(client), *layer, fromPrimary(*bounds)});
    }
    return list;
  }

  geometry::Rect rootBounds() {
    return {0, 0, double(DisplayWidth(display_, DefaultScreen(display_))),
            double(DisplayHeight(display_, DefaultScreen(display_)))};
  }

  // The monitors in root coordinates, the primary first; the whole root when RandR names none.
  std::vector<geometry::Rect> monitors() {
    std::vector<geometry::Rect> list;
    int count = 0;
    XRRMonitorInfo* info = randr_ ? XRRGetMonitors(display_, root_, True, &count) : nullptr;
    for (int i = 0; i < count; ++i) {
      const geometry::Rect bounds{double(info[i].x), double(info[i].y), double(info[i].width),
                                  double(info[i].height)};
      if (bounds.width <= 0 || bounds.height <= 0) continue;
      list.insert(info[i].primary ? list.begin() : list.end(), bounds);
    }
    if (info) XRRFreeMonitors(info);
    if (list.empty()) list.push_back(rootBounds());
    return list;
  }

  // The part of the root that the window manager keeps clear of panels and docks on the current desktop.
  geometry::Rect workArea() {
    const auto root = rootBounds();
    const auto current = longs(root_, atoms_.currentDesktop, XA_CARDINAL);
    const unsigned long desktop = current && !current->empty() ? current->front() : 0;
    const auto area = longs(root_, atoms_.workArea, XA_CARDINAL);
    if (!area || desktop >= area->size() / 4) return root;
    const auto* a = area->data() + desktop * 4;
    // CARDINALs; values past the root are held to it.
    const double left = std::min<double>(a[0], root.width), top = std::min<double>(a[1], root.height);
    const double right = std::min<double>(left + a[2], root.width);
    const double bottom = std::min<double>(top + a[3], root.height);
    if (right <= left || bottom <= top) return root;
    return {left, top, right - left, bottom - top};
  }

  // A monitor as a screen: turned to run up from the bottom left of the primary monitor, and its visible
  // part where it meets the work area (all of it when they do not meet).
  static Screen screenOf(const geometry::Rect& monitor, const geometry::Rect& primary,
                         const geometry::Rect& area) {
    const auto upwards = [&](const geometry::Rect& r) {
      return geometry::Rect{r.x - primary.x, primary.maxY() - r.maxY(), r.width, r.height};
    };
    const double left = std::max(monitor.x, area.x), right = std::min(monitor.maxX(), area.maxX());
    const double top = std::max(monitor.y, area.y), bottom = std::min(monitor.maxY(), area.maxY());
    const bool meet = right > left && bottom > top;
    return {upwards(monitor),
            upwards(meet ? geometry::Rect{left, top, right - left, bottom - top} : monitor)};
  }

  // Where the window in front shows, in root coordinates.
  std::optional<geometry::Rect> frontBounds() {
    Window window = None;
    if (const auto active = longs(root_, atoms_.activeWindow, XA_WINDOW); active && !active->empty()) {
      window = active->front();
    } else {
      int revert = 0;
      XGetInputFocus(display_, &window, &revert);
      window = window == PointerRoot ? None : topLevelOf(window);
    }
    XWindowAttributes a{};
    if (window == None || !XGetWindowAttributes(display_, window, &a)) return std::nullopt;
    return shownBounds(window, a);
  }

  Snapshot snapshot() {
    Snapshot now;
    {
      std::lock_guard lock(x_);
      if (open()) now = {windowApps(), front()};
    }
    addLiveProcesses(now.apps);
    return now;
  }

  void poll(Snapshot last) {
    std::unique_lock lock(watchMutex_);
    while (!wake_.wait_for(lock, POLL_PERIOD, [this] { return stopping_; })) {
      lock.unlock();
      Snapshot now = snapshot();
      report(last, now);
      last = std::move(now);
      lock.lock();
    }
  }

  // Launches before activations, so that an application that starts in front is known when it comes forward.
  void report(const Snapshot& before, const Snapshot& now) {
    for (const auto& app : now.apps)
      if (!hasApp(before.apps, app.pid)) owner_.tell(AppEvent::launched, app);
    for (const auto& app : before.apps)
      if (!hasApp(now.apps, app.pid)) owner_.tell(AppEvent::terminated, app);
    if (now.front && now.front != before.front) owner_.tell(AppEvent::activated, *now.front);
  }

  X11Workspace& owner_;
  const std::optional<std::string> name_;

  std::mutex x_;
  Display* display_ = nullptr;
  std::atomic<bool> lost_{false};
  Window root_ = None;
  bool randr_ = false;
  Atoms atoms_{};

  std::mutex watchMutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread watcher_;
};

X11Workspace::X11Workspace(std::optional<std::string> display)
    : impl_(std::make_unique<Impl>(*this, std::move(display))) {}

X11Workspace::~X11Workspace() = default;

std::vector<RunningApp> X11Workspace::runningApps() {
  return impl_->runningApps();
}

std::optional<RunningApp> X11Workspace::frontApp() {
  return impl_->frontApp();
}

std::vector<WindowInfo> X11Workspace::windows() {
  return impl_->windows();
}

std::vector<Screen> X11Workspace::screens() {
  return impl_->screens();
}

std::optional<Screen> X11Workspace::mainScreen() {
  return impl_->mainScreen();
}

void X11Workspace::startWatching() {
  impl_->watch();
}
