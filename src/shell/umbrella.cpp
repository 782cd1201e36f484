// The shell (see the header).
#include "shell/umbrella.h"

#include "common/live_app.h"

const int Umbrella::VERSION = VUDA_VERSION_MAJOR;

Umbrella::Umbrella(ShellServices services, std::vector<std::unique_ptr<LiveModule>> modules)
    : MODULES(std::move(modules)),
      services_(std::move(services)),
      settings_(SETTINGS(services_.home)),
      hotKeys_(std::make_shared<HotKeys>(services_.hotKeys, services_.loop)) {}

Umbrella::~Umbrella() {
  // Waits for a report under way on the workspace's thread, which must not outlive what it reaches.
  services_.workspace.watch({});
}

void Umbrella::start() {
  if (started_) return;
  started_ = true;
  const auto conf = settings_.read();
  const auto storedTab = conf.find("tab");
  tab = storedTab != conf.end() && storedTab->is_string() ? storedTab->get<std::string>() : "mackie";
  // Only an object of booleans counts; anything else leaves every module at its default.
  nlohmann::json saved = nlohmann::json::object();
  if (const auto modules = conf.find("modules"); modules != conf.end() && modules->is_object()) {
    bool booleans = true;
    for (const auto& [id, value] : modules->items())
      booleans = booleans && value.is_boolean();
    if (booleans) saved = *modules;
  }
  for (const auto& m : MODULES) {
    const auto stored = saved.find(m->id());
    on[m->id()] = stored != saved.end() ? stored->get<bool>() : m->defaultOn();
  }
  for (const auto& m : MODULES)
    if (on[m->id()]) m->setOn(true);

  // The workspace reports on its own thread; what it says is handled on the main thread.
  services_.workspace.watch(
      [weak = weak_from_this(), &loop = services_.loop](AppEvent event, const RunningApp& app) {
        loop.post([weak, event, app] {
          if (const auto self = weak.lock()) self->appChanged(event, app);
        });
      });
  rebindKeys();
  publish();
}

void Umbrella::stop() {
  hotKeys_->disarm();
  for (const auto& m : MODULES)
    m->setOn(false);
}

void Umbrella::appChanged(AppEvent event, const RunningApp& app) {
  if (event == AppEvent::activated) {
    if (liveFront(services_.workspace))
      hotKeys_->arm();
    else
      hotKeys_->disarm();
    return;
  }
  if (!isLive(app)) return;
  if (event == AppEvent::launched) {
    publish();
    // Live needs a moment before it answers.
    services_.loop.after(LIVE_SETTLES, [weak = weak_from_this()] {
      if (const auto self = weak.lock())
        for (const auto& m : self->MODULES)
          if (self->on[m->id()]) m->liveCame();
    });
  } else {
    for (const auto& m : MODULES)
      if (on[m->id()]) m->liveLeft();
    publish();
  }
}

void Umbrella::setModule(const std::string& id, bool isOn) {
  on[id] = isOn;
  settings_.change([&](nlohmann::json& conf) {
    auto modules = nlohmann::json::object();
    for (const auto& [key, value] : on)
      modules[key] = value;
    conf["modules"] = std::move(modules);
  });
  if (auto* m = module(id)) m->setOn(isOn);
  rebindKeys();
  publish();
}

void Umbrella::setTab(const std::string& id) {
  tab = id;
  settings_.change([&](nlohmann::json& conf) { conf["tab"] = id; });
  publish();
}

LiveModule* Umbrella::module(const std::string& id) const {
  for (const auto& m : MODULES)
    if (m->id() == id) return m.get();
  return nullptr;
}

std::vector<MenuLine> Umbrella::menu() {
  std::vector<MenuLine> lines;
  for (const auto& m : MODULES) {
    if (!on[m->id()]) continue;
    lines.push_back(MenuLine::told(m->title() + "  ·  " + m->status()));
    for (auto& line : m->menuItems())
      lines.push_back(std::move(line));
    lines.push_back(MenuLine::divider());
  }
  lines.push_back(MenuLine::doing(SETTINGS_ITEM, [weak = weak_from_this()] {
    if (const auto self = weak.lock(); self && self->showSettings) self->showSettings();
  }));
  return lines;
}

void Umbrella::rebindKeys() {
  std::vector<HotKeyWish> wanted;
  for (const auto& m : MODULES)
    if (on[m->id()])
      for (auto& wish : m->hotkeys())
        wanted.push_back(std::move(wish));
  hotKeys_->set(std::move(wanted), liveFront(services_.workspace));
}

bool Umbrella::liveRunning() {
  return liveApp(services_.workspace).has_value();
}
