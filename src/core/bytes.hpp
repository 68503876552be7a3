// Little-endian values read from and written to bytes, for every binary file the system keeps.
// A reader never reads past the end of its bytes: a read that would sets the failed state and
// gives 0 (an empty span for bytes), and every read after it fails too, so a record can be
// decoded whole and checked once.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tivor {

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : b_(bytes) {}

  uint8_t u8() { return static_cast<uint8_t>(take(1)); }
  uint16_t u16() { return static_cast<uint16_t>(take(2)); }
  int16_t i16() { return static_cast<int16_t>(u16()); }
  uint32_t u32() { return take(4); }
  int32_t i32() { return static_cast<int32_t>(u32()); }
  float f32() { return std::bit_cast<float>(u32()); }
  // The next n bytes as they stand.
  std::span<const uint8_t> bytes(size_t n) {
    if (!room(n)) return {};
    pos_ += n;
    return b_.subspan(pos_ - n, n);
  }

  bool ok() const { return !failed_; }
  size_t pos() const { return pos_; }
  size_t left() const { return b_.size() - pos_; }

 private:
  bool room(size_t n) {
    if (left() < n) failed_ = true;
    return !failed_;
  }
  uint32_t take(size_t n) {
    if (!room(n)) return 0;
    uint32_t v = 0;
    for (size_t k = 0; k < n; ++k) v |= static_cast<uint32_t>(b_[pos_ + k]) << (8 * k);
    pos_ += n;
    return v;
  }

  std::span<const uint8_t> b_;
  size_t pos_ = 0;
  bool failed_ = false;
};

// Appends little-endian values to a byte vector.
class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}

  void u8(uint8_t v) { out_.push_back(v); }
  void u16(uint16_t v) { put(v, 2); }
  void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
  void u32(uint32_t v) { put(v, 4); }
  void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
  void f32(float v) { u32(std::bit_cast<uint32_t>(v)); }
  void bytes(std::span<const uint8_t> b) { out_.insert(out_.end(), b.begin(), b.end()); }

 private:
  void put(uint32_t v, int n) {
    for (int k = 0; k < n; ++k) out_.push_back(static_cast<uint8_t>(v >> (8 * k)));
  }

  std::vector<uint8_t>& out_;
};

}  // namespace tivor
