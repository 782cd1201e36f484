// The Mackie command catalogue: its entries, and the lookups built from them once.
#include "mackie/core/catalogue.h"

#include <cstdio>

namespace MKMCU {
namespace {

enum Group : std::size_t {
  TIMELINE,
  TRANSPORT,
  MARKERS,
  ARROWS,
  MODIFIERS,
  UNDO,
  VIEWS,
  MIXER_STRIP,
  BANK,
  VPOT_MODES,
  DISPLAY,
  KNOBS,
  MAC,
};

constexpr int SHIFT_NOTE = 70;

// A family of eight per-strip buttons on consecutive notes.
struct StripFamily {
  const char* prefix;
  const char* label;
  int firstNote;
  const char* sidPattern;  // "%d" stands for the strip number
};

constexpr std::array<StripFamily, 6> STRIP_FAMILIES = {{
    {"arm", "ARM", 0, "SID_RECORD_ARM_CH%d"},
    {"solo", "SOLO", 8, "SID_SOLO_CH%d"},
    {"mute", "MUTE", 16, "SID_MUTE_CH%d"},
    {"select", "SELECT", 24, "SID_SELECT_CH%d"},
    {"vpotpress", "V-POT PRESS", 32, "SID_VPOD_PUSH_CH%d"},
    {"fadertouch", "FADER TOUCH", 104, "SID_FADER_TOUCH_SENSE_CH%d"},
}};

class Builder {
 public:
  std::vector<MKCommand> commands;

  MKCommand& add(std::string id, std::string label, Group group, std::string kind, std::string sid,
                 std::string says) {
    MKCommand c;
    c.id = std::move(id);
    c.label = std::move(label);
    c.group = std::string(GROUPS[group]);
    c.kind = std::move(kind);
    c.sid = std::move(sid);
    c.says = std::move(says);
    return commands.emplace_back(std::move(c));
  }

  void button(std::string id, std::string label, Group group, int note, std::string sid, std::string says) {
    add(std::move(id), std::move(label), group, "button", std::move(sid), std::move(says)).note = note;
  }

  void combo(std::string id, std::string label, Group group, int note, std::vector<int> with, std::string sid,
             std::string says) {
    auto& c = add(std::move(id), std::move(label), group, "button", std::move(sid), std::move(says));
    c.note = note;
    c.with = std::move(with);
  }
};

std::string formatted(const char* pattern, int n) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, n);
  return text;
}

void addTimelineAndTransport(Builder& b) {
  auto& jog =
      b.add("jog", "JOG WHEEL — the playback position", TIMELINE, "jog", "JOG_WHEEL_CC_NO",
            "the arrangement moves under the knob: one beat a click, four while Live plays, a quarter "
            "with ALT held. Showing the Session view makes the same knob scroll scenes; holding CONTROL "
            "makes it the tempo.");
  jog.cc = 60;

  auto& playstop = b.add("playstop", "PLAY / STOP  — one button, from the insert point", TRANSPORT,
                         "transport", "SID_TRANSPORT_PLAY, SID_TRANSPORT_STOP and JOG_WHEEL_CC_NO",
                         "one button for both, and the insert point is the master: pressed while Live plays "
                         "it stops where it is "
                         "AND the insert point jumps to that spot; pressed while Live is stopped it plays "
                         "FROM THE INSERT POINT, "
                         "wherever you have just put it");
  playstop.note = 94;
  playstop.stopNote = 93;
  playstop.cc = 60;
  playstop.shift = SHIFT_NOTE;

  b.combo(
      "continuestop", "CONTINUE / STOP  — Live's own SHIFT + PLAY", TRANSPORT, 94, {SHIFT_NOTE},
      "SID_MOD_SHIFT held + SID_TRANSPORT_PLAY",
      "Live's own one button: stopped, it CONTINUES from its own playhead and does not look at the insert "
      "point; playing, it stops where it is. This is what PLAY / STOP was until 21.9.2026");
  b.button(
      "play", "PLAY", TRANSPORT, 94, "SID_TRANSPORT_PLAY",
      "Live starts playing FROM THE INSERT MARKER - it jumps back every time; PLAY / STOP above is the one "
      "that continues");
  b.button("stop", "STOP", TRANSPORT, 93, "SID_TRANSPORT_STOP", "Live stops");
  b.button("record", "RECORD", TRANSPORT, 95, "SID_TRANSPORT_RECORD", "the arrangement record button");
  b.button("rewind", "REWIND", TRANSPORT, 91, "SID_TRANSPORT_REWIND", "held down, it rewinds");
  b.button("forward", "FAST FORWARD", TRANSPORT, 92, "SID_TRANSPORT_FAST_FORWARD",
           "held down, it winds forward");
}

void addMarkersArrowsModifiers(Builder& b) {
  b.button("loop", "LOOP on and off", MARKERS, 86, "SID_MARKER_LOOP", "");
  b.button("markerprev", "PREVIOUS MARKER", MARKERS, 84, "SID_MARKER_FROM_PREV", "");
  b.button("markernext", "NEXT MARKER", MARKERS, 85, "SID_MARKER_FROM_NEXT", "");
  b.button("punchin", "PUNCH IN", MARKERS, 87, "SID_MARKER_PI",
           "punch in on and off; with CONTROL held it sets the LOOP START to where the playhead is instead");
  b.button("punchout", "PUNCH OUT", MARKERS, 88, "SID_MARKER_PO",
           "punch out on and off; with CONTROL held it sets the LOOP END to where the playhead is instead");
  b.button("home", "GO TO START", MARKERS, 89, "SID_MARKER_HOME",
           "not the metronome: a real Mackie's key here says CLICK, but Live means the start of the song");
  b.button("songend", "GO TO END", MARKERS, 90, "SID_MARKER_END",
           "a real Mackie's key here says SOLO; Live means the end of the song");
  b.button(
      "marker", "SET OR DELETE A LOCATOR", MARKERS, 82, "SID_FUNC_MARKER",
      "song.set_or_delete_cue(): a locator at the playhead, or away again if one is already there. A real "
      "Mackie's key here says MARKER");

  b.button("up", "UP", ARROWS, 96, "SID_JOG_CURSOR_UP", "");
  b.button("down", "DOWN", ARROWS, 97, "SID_JOG_CURSOR_DOWN", "");
  b.button("left", "LEFT", ARROWS, 98, "SID_JOG_CURSOR_LEFT", "");
  b.button("right", "RIGHT", ARROWS, 99, "SID_JOG_CURSOR_RIGHT", "");
  b.button("zoom", "ZOOM", ARROWS, 100, "SID_JOG_ZOOM",
           "held, the arrows ZOOM instead of walking. But with the SESSION view showing it is not a zoom at "
           "all: it FIRES the selected clip, or stops it with OPTION held");
  b.button(
      "scrub", "SCRUB", ARROWS, 101, "SID_JOG_SCRUB",
      "nothing at all in the Arrangement (Live has no scrub here). With the SESSION view showing it FIRES "
      "THE SELECTED SCENE, or stops every clip with OPTION held");

  b.button("shift", "SHIFT", MODIFIERS, 70, "SID_MOD_SHIFT", "");
  b.button("option", "OPTION", MODIFIERS, 71, "SID_MOD_OPTION", "");
  b.button("control", "CONTROL", MODIFIERS, 72, "SID_MOD_CTRL",
           "held, the jog wheel becomes the TEMPO: one BPM a click, a tenth with ALT held too");
  b.button("alt", "ALT", MODIFIERS, 73, "SID_MOD_ALT",
           "held, the jog wheel moves a QUARTER of a beat instead of a whole one - the finest Live will go");
}

void addUndoAndViews(Builder& b) {
  b.button("undo", "UNDO", UNDO, 76, "SID_FUNC_UNDO", "song.undo(); note 76, not the 81 a face plate says");
  b.button("redo", "REDO", UNDO, 79, "SID_FUNC_REDO", "song.redo()");

  b.button("autoon", "SESSION / ARRANGEMENT", VIEWS, 74, "SID_AUTOMATION_ON",
           "the other view. A real Mackie's key here says AUTOMATION ON");
  b.button(
      "autorecord", "CLIP / DEVICE", VIEWS, 75, "SID_AUTOMATION_RECORD",
      "the detail pane shows the clip or the device chain. A real Mackie's key here says AUTOMATION REC");
  b.button("snapshot", "THE BROWSER, SHOW / HIDE", VIEWS, 77, "SID_AUTOMATION_SNAPSHOT",
           "a real Mackie's key here says SNAPSHOT");
  b.button("touch", "THE DETAIL PANE, SHOW / HIDE", VIEWS, 78, "SID_AUTOMATION_TOUCH",
           "a real Mackie's key here says TOUCH");
  b.button("cancel", "BACK TO ARRANGEMENT", VIEWS, 80, "SID_FUNC_CANCEL",
           "Live's Back to Arrangement button. A real Mackie's key here says CANCEL");
  b.button("enter", "DRAW MODE  (the pencil)", VIEWS, 81, "SID_FUNC_ENTER",
           "a real Mackie's key here says ENTER");
  b.button("mixer", "FOLLOW  (the view follows the playhead)", VIEWS, 83, "SID_FUNC_MIXER",
           "song.follow_song. A real Mackie's key here says MIXER");
}

void addStrips(Builder& b) {
  for (const auto& family : STRIP_FAMILIES) {
    for (int i = 1; i <= 8; ++i) {
      b.button(family.prefix + std::to_string(i), std::string(family.label) + " " + std::to_string(i),
               MIXER_STRIP, family.firstNote + i - 1, formatted(family.sidPattern, i), "");
    }
  }
  b.button("fadertouch9", "FADER TOUCH 9  (the master)", MIXER_STRIP, 112, "SID_FADER_TOUCH_SENSE_MASTER",
           "");
}

void addBankModesDisplay(Builder& b) {
  b.button("bankleft", "BANK LEFT  (eight tracks)", BANK, 46, "SID_FADERBANK_PREV_BANK", "");
  b.button("bankright", "BANK RIGHT  (eight tracks)", BANK, 47, "SID_FADERBANK_NEXT_BANK", "");
  b.button("trackleft", "TRACK LEFT  (one track)", BANK, 48, "SID_FADERBANK_PREV_CH", "");
  b.button("trackright", "TRACK RIGHT  (one track)", BANK, 49, "SID_FADERBANK_NEXT_CH", "");
  b.button("flip", "FLIP", BANK, 50, "SID_FADERBANK_FLIP", "");
  b.button(
      "edit", "THE RETURN TRACKS, IN AND OUT OF THE BANK", BANK, 51, "SID_FADERBANK_EDIT",
      "toggle_view_returns(): the eight strips show the returns as well, or not. A real Mackie's key here "
      "says GLOBAL VIEW");
  b.combo("bankfirst", "BANK: THE FIRST TRACKS", BANK, 46, {SHIFT_NOTE},
          "SID_MOD_SHIFT held + SID_FADERBANK_PREV_BANK",
          "all the way left: strip 1 becomes the first track in the set");
  b.combo("banklast", "BANK: THE LAST TRACKS", BANK, 47, {SHIFT_NOTE},
          "SID_MOD_SHIFT held + SID_FADERBANK_NEXT_BANK", "all the way right: the last whole bank of eight");

  b.button("modeio", "V-POTS: INPUT / OUTPUT", VPOT_MODES, 40, "SID_ASSIGNMENT_IO", "");
  b.button("modesends", "V-POTS: SENDS", VPOT_MODES, 41, "SID_ASSIGNMENT_SENDS", "");
  b.button("modepan", "V-POTS: PAN", VPOT_MODES, 42, "SID_ASSIGNMENT_PAN", "");
  b.button("modeplugins", "V-POTS: PLUG-INS", VPOT_MODES, 43, "SID_ASSIGNMENT_PLUG_INS", "");
  b.button(
      "modeeq", "V-POTS: THE PAGE BEFORE", VPOT_MODES, 44, "SID_ASSIGNMENT_EQ",
      "switch_to_prev_page(): not EQ at all - eight more of the same mode's parameters. A real Mackie's key "
      "here says EQ");
  b.button("modedynamic", "V-POTS: THE NEXT PAGE", VPOT_MODES, 45, "SID_ASSIGNMENT_DYNAMIC",
           "switch_to_next_page(). A real Mackie's key here says DYNAMICS");

  b.button(
      "namevalue", "NAME / VALUE", DISPLAY, 52, "SID_DISPLAY_NAME_VALUE",
      "the meters on a real Mackie's own display. NOTHING HAPPENS IN LIVE'S WINDOW: there is no display here "
      "to change");
  b.button("smptebeats", "SMPTE / BEATS", DISPLAY, 53, "SID_DISPLAY_SMPTE_BEATS",
           "the clock on a real Mackie's own display. NOTHING HAPPENS IN LIVE'S WINDOW");
}

void addKnobsAndFaders(Builder& b) {
  for (int i = 1; i <= 8; ++i) {
    const auto n = std::to_string(i);
    auto& c = b.add("vpot" + n, "V-POT " + n + "  (relative)", KNOBS, "vpot",
                    "FID_PANNING_BASE + " + std::to_string(i - 1),
                    "what a V-Pot does depends on the V-POT mode above: pan, a send, a device's parameter");
    c.cc = 16 + i - 1;
    c.strip = i;
  }
  for (int i = 1; i <= 9; ++i) {
    const auto n = std::to_string(i);
    const auto label = i == 9 ? "FADER 9  (the master)  (absolute)" : "FADER " + n + "  (absolute)";
    auto& c =
        b.add("fader" + n, label, KNOBS, "fader", "pitch bend, channel " + n,
              "the knob's whole sweep is the fader; a knob set to CC14 on the E16 gives 14 bits instead of "
              "7. MEASURED 21.9.2026: LIVE DID NOT MOVE FOR IT — give MackieControl an OUTPUT port in Live's "
              "settings (a second IAC bus) and try again; a fader is mapped with a feedback rule and every "
              "note worked on the same wire");
    c.channel = i - 1;
    c.strip = i;
  }
}

void addComputerVolume(Builder& b) {
  const std::string quarterStep = "a quarter of a step, and the Mac's own volume blob comes up with it";
  b.add("volumeup", "VOLUME UP", MAC, "mac", "the Mac's own SOUND_UP key", quarterStep).act = "up";
  b.add("volumedown", "VOLUME DOWN", MAC, "mac", "the Mac's own SOUND_DOWN key", quarterStep).act = "down";
  b.add("volumemute", "MUTE THE MAC", MAC, "mac", "the Mac's own MUTE key",
        "the Mac's mute, on and off, with its own blob")
      .act = "mute";
  b.add("volume", "SYSTEM VOLUME  (a whole knob)", MAC, "macvolume", "the Mac's own volume",
        "the Mac's output volume follows the knob, silence at 0 and full at 127");
}

std::vector<MKCommand> build() {
  Builder b;
  b.commands.reserve(121);
  addTimelineAndTransport(b);
  addMarkersArrowsModifiers(b);
  addUndoAndViews(b);
  addStrips(b);
  addBankModesDisplay(b);
  addKnobsAndFaders(b);
  addComputerVolume(b);
  return std::move(b.commands);
}

}  // namespace

// Function-local statics: built on first use, once, and safe when two threads get there together.
const std::vector<MKCommand>& COMMANDS() {
  static const std::vector<MKCommand> commands = build();
  return commands;
}

const std::map<std::string, const MKCommand*, std::less<>>& BY_ID() {
  static const auto byId = [] {
    std::map<std::string, const MKCommand*, std::less<>> map;
    for (const auto& c : COMMANDS())
      map.emplace(c.id, &c);
    return map;
  }();
  return byId;
}

const MKCommand* command(std::optional<std::string_view> id) {
  const auto& byId = BY_ID();
  const auto found = byId.find(id.value_or(std::string_view{}));
  return found == byId.end() ? nullptr : found->second;
}

const std::vector<MKCommandGroup>& catalogue() {
  static const auto groups = [] {
    std::vector<MKCommandGroup> out;
    for (const auto heading : GROUPS) {
      MKCommandGroup g{std::string(heading), {}};
      for (const auto& c : COMMANDS())
        if (c.group == heading) g.items.push_back(&c);
      out.push_back(std::move(g));
    }
    return out;
  }();
  return groups;
}

}  // namespace MKMCU
