// A sequencer client of the test's own, standing for a controller, a DAW or a device: readable ports it plays
// from, writable ports that record what reaches them and when the sequencer delivered it (stamped by the
// kernel, so that a late reader thread does not blur the timing). Only a machine with a sequencer runs these.
#pragma once

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
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
  struct Heard {
    Bytes bytes;
    std::chrono::nanoseconds at;  // on the peer's queue, which starts with the peer
  };
  struct Address {
    int client = -1;
    int port = -1;
  };

  explicit SeqPeer(const std::string& name) {
    if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
      seq_ = nullptr;
      ADD_FAILURE() << "the test's client " << name << " could not be opened";
      return;  // a machine without a sequencer skips before making one
    }
    snd_seq_set_client_name(seq_, name.c_str());
    queue_ = snd_seq_alloc_named_queue(seq_, "stamps");
    snd_seq_start_queue(seq_, queue_, nullptr);
    snd_seq_drain_output(seq_);
    snd_midi_event_new(64, &encoder_);
    snd_midi_event_new(64, &decoder_);
    snd_midi_event_no_status(decoder_, 1);
    reader_ = std::thread([this] { read(); });
  }
  ~SeqPeer() {
    stop_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(wake_, &one, sizeof one);
    if (reader_.joinable()) reader_.join();
    if (seq_ != nullptr) snd_seq_close(seq_);
    if (encoder_ != nullptr) snd_midi_event_free(encoder_);
    if (decoder_ != nullptr) snd_midi_event_free(decoder_);
    close(wake_);
  }
  SeqPeer(const SeqPeer&) = delete;
  SeqPeer& operator=(const SeqPeer&) = delete;

  int number() const { return snd_seq_client_id(seq_); }
  int readable(const std::string& name) {
    return snd_seq_create_simple_port(seq_, name.c_str(), SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                      SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
  }
  // Stamped with the peer's queue time as the sequencer delivers to it.
  int writable(const std::string& name) {
    snd_seq_port_info_t* info = nullptr;
    snd_seq_port_info_malloc(&info);
    snd_seq_port_info_set_name(info, name.c_str());
    snd_seq_port_info_set_capability(info, SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE);
    snd_seq_port_info_set_type(info, SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    snd_seq_port_info_set_timestamping(info, 1);
    snd_seq_port_info_set_timestamp_real(info, 1);
    snd_seq_port_info_set_timestamp_queue(info, queue_);
    const int port = snd_seq_create_port(seq_, info) < 0 ? -1 : snd_seq_port_info_get_port(info);
    snd_seq_port_info_free(info);
    return port;
  }
  void remove(int port) { snd_seq_delete_simple_port(seq_, port); }

  // One message from `port`, to its subscribers, or straight to `to` when given.
  bool play(int port, const Bytes& bytes, std::optional<Address> to = std::nullopt) {
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    snd_midi_event_reset_encode(encoder_);
    if (snd_midi_event_encode(encoder_, bytes.data(), static_cast<long>(bytes.size()), &ev) <= 0)
      return false;
    snd_seq_ev_set_source(&ev, port);
    if (to)
      snd_seq_ev_set_dest(&ev, to->client, to->port);
    else
      snd_seq_ev_set_subs(&ev);
    snd_seq_ev_set_direct(&ev);
    return snd_seq_event_output_direct(seq_, &ev) >= 0;
  }

  // Records at `port` what passes through another client's readable port.
  bool tap(int port, Address from) { return snd_seq_connect_from(seq_, port, from.client, from.port) >= 0; }

  // The port named `port` of the client named `client`.
  std::optional<Address> find(const std::string& client, const std::string& port) const {
    snd_seq_client_info_t* c = nullptr;
    snd_seq_port_info_t* p = nullptr;
    snd_seq_client_info_malloc(&c);
    snd_seq_port_info_malloc(&p);
    std::optional<Address> out;
    snd_seq_client_info_set_client(c, -1);
    while (!out && snd_seq_query_next_client(seq_, c) >= 0) {
      if (client != snd_seq_client_info_get_name(c)) continue;
      snd_seq_port_info_set_client(p, snd_seq_client_info_get_client(c));
      snd_seq_port_info_set_port(p, -1);
      while (!out && snd_seq_query_next_port(seq_, p) >= 0)
        if (port == snd_seq_port_info_get_name(p))
          out = Address{snd_seq_port_info_get_client(p), snd_seq_port_info_get_port(p)};
    }
    snd_seq_port_info_free(p);
    snd_seq_client_info_free(c);
    return out;
  }

  std::vector<Heard> heard(int port) const {
    const std::lock_guard lock(mutex_);
    const auto found = heard_.find(port);
    return found == heard_.end() ? std::vector<Heard>() : found->second;
  }

 private:
  void read() {
    std::vector<pollfd> fds(1 + static_cast<std::size_t>(snd_seq_poll_descriptors_count(seq_, POLLIN)));
    fds[0] = {wake_, POLLIN, 0};
    snd_seq_poll_descriptors(seq_, fds.data() + 1, static_cast<unsigned>(fds.size() - 1), POLLIN);
    while (!stop_ && poll(fds.data(), fds.size(), -1) >= 0) {
      snd_seq_event_t* ev = nullptr;
      while (!stop_ && snd_seq_event_input(seq_, &ev) >= 0 && ev != nullptr) {
        unsigned char bytes[64];
        const long size = snd_midi_event_decode(decoder_, bytes, sizeof bytes, ev);
        if (size <= 0) continue;
        const auto at =
            std::chrono::seconds(ev->time.time.tv_sec) + std::chrono::nanoseconds(ev->time.time.tv_nsec);
        const std::lock_guard lock(mutex_);
        heard_[ev->dest.port].push_back({Bytes(bytes, bytes + size), at});
      }
    }
  }

  snd_seq_t* seq_ = nullptr;
  snd_midi_event_t* encoder_ = nullptr;
  snd_midi_event_t* decoder_ = nullptr;
  int queue_ = -1;
  int wake_ = eventfd(0, EFD_CLOEXEC);
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::map<int, std::vector<Heard>> heard_;
  std::thread reader_;
};
