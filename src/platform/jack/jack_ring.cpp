// The record ring over jack_ringbuffer_t (see the header). libjack moves its read and write positions with
// plain stores; the fences here order the bytes against them on processors that would not.
#include "platform/jack/jack_ring.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

namespace jackmidi {

namespace {

// Copies `size` bytes between a flat buffer and the ring's two segments, starting `skip` bytes in.
void copyOut(const jack_ringbuffer_data_t (&parts)[2], std::size_t skip, void* to, std::size_t size) {
  auto* out = static_cast<std::uint8_t*>(to);
  for (const auto& part : parts) {
    if (skip >= part.len) {
      skip -= part.len;
      continue;
    }
    const std::size_t n = std::min(size, part.len - skip);
    std::memcpy(out, part.buf + skip, n);
    out += n;
    size -= n;
    skip = 0;
  }
}

void copyIn(const jack_ringbuffer_data_t (&parts)[2], std::size_t skip, const void* from, std::size_t size) {
  const auto* in = static_cast<const std::uint8_t*>(from);
  for (const auto& part : parts) {
    if (skip >= part.len) {
      skip -= part.len;
      continue;
    }
    const std::size_t n = std::min(size, part.len - skip);
    std::memcpy(part.buf + skip, in, n);
    in += n;
    size -= n;
    skip = 0;
  }
}

}  // namespace

Ring::Ring(std::size_t size) : ring_(jack_ringbuffer_create(size)) {
  if (ring_ != nullptr) jack_ringbuffer_mlock(ring_);  // may be refused; the ring works all the same
}

Ring::~Ring() {
  if (ring_ != nullptr) jack_ringbuffer_free(ring_);
}

bool Ring::push(const void* first, std::size_t firstSize, const void* second, std::size_t secondSize) {
  if (ring_ == nullptr || jack_ringbuffer_write_space(ring_) < firstSize + secondSize) return false;
  jack_ringbuffer_data_t parts[2];
  jack_ringbuffer_get_write_vector(ring_, parts);
  if (firstSize > 0) copyIn(parts, 0, first, firstSize);
  if (secondSize > 0) copyIn(parts, firstSize, second, secondSize);
  // One advance for both pieces, after the bytes: the reader never finds a header without its payload.
  std::atomic_thread_fence(std::memory_order_release);
  jack_ringbuffer_write_advance(ring_, firstSize + secondSize);
  return true;
}

bool Ring::peek(void* out, std::size_t size) const {
  if (ring_ == nullptr || jack_ringbuffer_read_space(ring_) < size) return false;
  std::atomic_thread_fence(std::memory_order_acquire);
  jack_ringbuffer_data_t parts[2];
  jack_ringbuffer_get_read_vector(ring_, parts);
  copyOut(parts, 0, out, size);
  return true;
}

bool Ring::pop(void* out, std::size_t size) {
  if (out != nullptr && !peek(out, size)) return false;
  if (out == nullptr && (ring_ == nullptr || jack_ringbuffer_read_space(ring_) < size)) return false;
  // The bytes are copied before the writer may reuse their room.
  std::atomic_thread_fence(std::memory_order_release);
  jack_ringbuffer_read_advance(ring_, size);
  return true;
}

void Ring::clear() {
  if (ring_ != nullptr) jack_ringbuffer_reset(ring_);
}

}  // namespace jackmidi
