// JACK's own lock-free ring buffer, for records of bytes between exactly one writing and one reading thread:
// a JACK process callback can be either end, as it neither locks nor allocates here.
#pragma once

#include <jack/ringbuffer.h>

#include <cstddef>

namespace jackmidi {

class Ring {
 public:
  // `size` is rounded up to a power of two, and holds one byte less. Made and locked in memory here, never
  // in a process callback.
  explicit Ring(std::size_t size);
  ~Ring();
  Ring(const Ring&) = delete;
  Ring& operator=(const Ring&) = delete;

  // Writer: both pieces, or nothing when they do not fit. The reader sees them together or not at all.
  bool push(const void* first, std::size_t firstSize, const void* second = nullptr,
            std::size_t secondSize = 0);
  // Reader: copies the next `size` bytes without taking them; false when fewer are there.
  bool peek(void* out, std::size_t size) const;
  // Reader: takes `size` bytes (copied to `out` unless it is null); false, taking nothing, when fewer are
  // there.
  bool pop(void* out, std::size_t size);
  // Empties it; only while neither end is in use.
  void clear();

 private:
  jack_ringbuffer_t* ring_;
};

}  // namespace jackmidi
