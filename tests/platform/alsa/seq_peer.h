// A sequencer client of the test's own, standing for a controller, a DAW or a device: readable ports it plays
// from, writable ports that record what reaches them. Only a machine with a sequencer runs these.
#pragma once

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

// Skipped on a machine without a sequencer, but failed in the VM made to provide one (scripts/alsa-vm).
#define REQUIRE_SEQUENCER()                                                                   \
  if (::access("/dev/snd/seq", F_OK) != 0) {                                                  \
    if (std::getenv("VUDA_ALSA_VM") != nullptr) GTEST_FAIL() << "the VM has no /dev/snd/seq"; \
    GTEST_SKIP() << "no ALSA sequencer here (/dev/snd/seq): the VM runs these";               \
  }

class SeqPeer {
 public:
  using Bytes = std::vector<std::uint8_t>;

  explicit SeqPeer(const std::string& name) {
    if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
      seq_ = nullptr;
      ADD_FAILURE() << "the test's client " << name << " could not be opened";
      return;  // a machine without a sequencer skips before making one
    }
    snd_seq_set_client_name(seq_, name.c_str());
    snd_midi_event_new(64, &encoder_);
    snd_midi_event_new(64, &decoder_);
    snd_midi_event_no_status(decoder_, 1);
  }
  ~SeqPeer() {
    if (seq_ != nullptr) snd_seq_close(seq_);
    snd_midi_event_free(encoder_);
    snd_midi_event_free(decoder_);
  }
  SeqPeer(const SeqPeer&) = delete;
  SeqPeer& operator=(const SeqPeer&) = delete;

  int number() const { return snd_seq_client_id(seq_); }
  int readable(const std::string& name) {
    return port(name, SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ);
  }
  int writable(const std::string& name) {
    return port(name, SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE);
  }

  // One message from `port`, to its subscribers.
  bool play(int port, const Bytes& bytes) {
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    snd_midi_event_reset_encode(encoder_);
    if (snd_midi_event_encode(encoder_, bytes.data(), static_cast<long>(bytes.size()), &ev) <= 0)
      return false;
    snd_seq_ev_set_source(&ev, port);
    snd_seq_ev_set_subs(&ev);
    snd_seq_ev_set_direct(&ev);
    return snd_seq_event_output_direct(seq_, &ev) >= 0;
  }

  // What reached `port` so far: the kernel holds it in the client's queue until it is asked.
  std::vector<Bytes> heard(int port) {
    snd_seq_event_t* ev = nullptr;
    while (seq_ != nullptr && snd_seq_event_input(seq_, &ev) >= 0 && ev != nullptr) {
      if (ev->type == SND_SEQ_EVENT_PORT_UNSUBSCRIBED && ev->data.connect.sender.client == number())
        ++unsubscribed_[ev->data.connect.sender.port];
      unsigned char bytes[64];
      const long size = snd_midi_event_decode(decoder_, bytes, sizeof bytes, ev);
      if (size > 0) heard_[ev->dest.port].emplace_back(bytes, bytes + size);
    }
    return heard_[port];
  }

  // From now on the system's announcements come in too: unsubscribed() counts the subscriptions of this
  // client's readable ports that were broken.
  bool watchAnnouncements() {
    const int port = writable("announcements");
    return port >= 0 &&
           snd_seq_connect_from(seq_, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) >= 0;
  }
  int unsubscribed(int port) {
    heard(port);
    return unsubscribed_[port];
  }
  // Subscribes one port of this client to another of its own.
  bool link(int from, int to) { return snd_seq_connect_to(seq_, from, number(), to) >= 0; }

 private:
  int port(const std::string& name, unsigned capabilities) {
    return snd_seq_create_simple_port(seq_, name.c_str(), capabilities,
                                      SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
  }

  snd_seq_t* seq_ = nullptr;
  snd_midi_event_t* encoder_ = nullptr;
  snd_midi_event_t* decoder_ = nullptr;
  std::map<int, std::vector<Bytes>> heard_;
  std::map<int, int> unsubscribed_;
};
