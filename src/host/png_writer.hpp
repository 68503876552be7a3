// Screenshots as PNG files: an image of screen colour indices written as a palette PNG, and a
// reader back to RGB for checking pictures.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "host/palette.hpp"

namespace tivor {

// Writes a w by h image of colour indices (row by row, one byte a pixel, each 0..15) to the file
// as a 4-bit palette PNG with the given colours. Returns false, writing nothing, when the sizes
// or indices are invalid, and false when the file cannot be written.
bool write_indexed_png(const std::string& path, int w, int h, std::span<const uint8_t> pixels,
                       const std::array<Rgb, 16>& palette = kConsolePalette);

// The same PNG as bytes in memory (empty when the sizes or indices are invalid), for writers that
// put files in place safely.
std::vector<uint8_t> indexed_png(int w, int h, std::span<const uint8_t> pixels,
                                 const std::array<Rgb, 16>& palette = kConsolePalette);

// A decoded picture: w by h pixels, row by row, three bytes (r, g, b) a pixel.
struct RgbImage {
  int w = 0;
  int h = 0;
  std::vector<uint8_t> rgb;
  Rgb at(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * w + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
};

// Reads any PNG file as 8-bit RGB; nothing when the file is missing, not a PNG, damaged, or
// larger than 16384 by 16384 pixels.
std::optional<RgbImage> read_png_rgb(const std::string& path);

}  // namespace tivor
