// What the black-box tests of the program expect on either MIDI layer: one MK table, what a controller plays
// into it, and the Mackie bytes and trace lines that must come out.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

namespace program {

using Message = std::array<std::uint8_t, 3>;

// `device` is the controller's port, `daw` the port towards the DAW, on either layer.
inline nlohmann::json table(const std::string& device, const std::string& daw) {
  return {
      {"device", device},
      {"out", daw},
      {"rows",
       {{{"id", 1}, {"from", "cc"}, {"number", 20}, {"command", "bankfirst"}, {"value", 127}},
        {{"id", 2}, {"from", "note"}, {"number", 62}, {"command", "stop"}, {"how", "press"}, {"value", 127}},
        {{"id", 3}, {"from", "note"}, {"number", 64}, {"command", "shift"}, {"how", "hold"}},
        {{"id", 4}, {"from", "note"}, {"number", 65}, {"command", "option"}, {"how", "hold"}}}}};
}

// A button on CC 20 and a pad on note 62, each pressed and released: only the presses match a row.
const std::vector<Message> PLAYED = {{0xB0, 20, 127}, {0xB0, 20, 0}, {0x90, 62, 127}, {0x80, 62, 0}};
// BANK: THE FIRST TRACKS is SHIFT + BANK LEFT pressed and released; STOP is pressed, and released 30 ms
// later.
const std::vector<std::string> SENT = {"90 46 7f", "90 2e 7f", "90 2e 00",
                                       "90 46 00", "90 5d 7f", "90 5d 00"};
// SHIFT and OPTION held down from the controller, whose notes never end; then what a quit must add.
const std::vector<Message> HOLD = {{0x90, 64, 127}, {0x90, 65, 127}};
const std::vector<std::string> HELD = {"90 46 7f", "90 47 7f"};
const std::vector<std::string> RELEASED = {"90 46 00", "90 47 00"};

// "90 46 7f", as the expectations spell a message.
inline std::string hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  for (const auto b : bytes) {
    char two[4];
    std::snprintf(two, sizeof two, out.empty() ? "%02x" : " %02x", b);
    out += two;
  }
  return out;
}

inline std::vector<std::string> then(std::vector<std::string> first, const std::vector<std::string>& next) {
  first.insert(first.end(), next.begin(), next.end());
  return first;
}

struct Heard {
  std::string bytes;  // "90 46 7f"
  double ms;          // when it arrived, on the peer's clock
};

inline std::vector<std::string> bytesOf(const std::vector<Heard>& heard) {
  std::vector<std::string> out;
  for (const auto& h : heard)
    out.push_back(h.bytes);
  return out;
}

inline std::string listed(const std::vector<Heard>& heard) {
  std::string out = "the DAW heard:\n";
  for (const auto& h : heard)
    out += h.bytes + " at " + std::to_string(h.ms) + " ms\n";
  return out;
}

// SENT in order and paced: each message at least 20 ms after the one before, less `slackMs` for how the
// layer stamps them. A late tick of the program's loop only makes a gap longer: each wait starts when the
// last message left.
inline void expectSentPaced(const std::vector<Heard>& got, double slackMs) {
  ASSERT_EQ(bytesOf(got), SENT) << listed(got);
  for (std::size_t i = 1; i < got.size(); ++i)
    EXPECT_GE(got[i].ms - got[i - 1].ms, 20.0 - slackMs) << i << "\n" << listed(got);
}

// Whether `out` holds the MK module's trace line "mackie  HH:MM:SS  <text>" (`text` a regular expression).
inline bool traced(const std::string& out, const std::string& text) {
  return std::regex_search(out, std::regex("(^|\n)mackie  \\d\\d:\\d\\d:\\d\\d  " + text + "\n"));
}

}  // namespace program
