// The 16 screen colours of the console, as the window and the screenshots show them.
#pragma once

#include <array>
#include <cstdint>

namespace tivor {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

// Colour index 0..15 to RGB: the eight dim colours (with brown instead of dark yellow), then
// their bright versions.
inline constexpr std::array<Rgb, 16> kConsolePalette = {{
    {0x00, 0x00, 0x00},  // 0 black
    {0x00, 0x00, 0xAA},  // 1 blue
    {0x00, 0xAA, 0x00},  // 2 green
    {0x00, 0xAA, 0xAA},  // 3 cyan
    {0xAA, 0x00, 0x00},  // 4 red
    {0xAA, 0x00, 0xAA},  // 5 magenta
    {0xAA, 0x55, 0x00},  // 6 brown
    {0xAA, 0xAA, 0xAA},  // 7 light grey
    {0x55, 0x55, 0x55},  // 8 dark grey
    {0x55, 0x55, 0xFF},  // 9 light blue
    {0x55, 0xFF, 0x55},  // 10 light green
    {0x55, 0xFF, 0xFF},  // 11 light cyan
    {0xFF, 0x55, 0x55},  // 12 light red
    {0xFF, 0x55, 0xFF},  // 13 light magenta
    {0xFF, 0xFF, 0x55},  // 14 yellow
    {0xFF, 0xFF, 0xFF},  // 15 white
}};

}  // namespace tivor
