// The picture-file format shared by the writer and the reader: a 4-byte header holding the number
// of bytes that follow, then blocks of records, each block ended by the byte 129 except the last.
// Coordinates are canvas points times 50, truncated, in 16 bits; all integers little-endian.
#pragma once

#include <cmath>
#include <cstdint>

namespace tivor::gf {

inline constexpr int kUnitsPerPoint = 50;
inline constexpr int kFlushAbove = 31500;  // a block is written when more bytes than this wait
inline constexpr uint8_t kEndOfBlock = 129;
inline constexpr uint8_t kLine = 0;      // + colour: x1, y1, x2, y2
inline constexpr uint8_t kText = 16;     // + colour: x, y, h, angle, n, n bytes
inline constexpr uint8_t kPolygon = 32;  // + colour: n, n pairs x, y
inline constexpr uint8_t kClip = 64;     // x1, y1, x2, y2
inline constexpr int kMaxPolygon = 500;  // vertices a filled polygon takes
inline constexpr int kMaxText = 488;     // characters that keep a text record within 499 bytes

// A canvas coordinate in file units: times 50, truncated towards zero, the low 16 bits.
inline int16_t to_units(double points) {
  double v = points * kUnitsPerPoint;
  if (!(v == v)) v = 0.0;
  v = std::fmax(std::fmin(v, 2.0e9), -2.0e9);
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<int64_t>(v) & 0xffff));
}

}  // namespace tivor::gf
