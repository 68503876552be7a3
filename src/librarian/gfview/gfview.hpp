// The parts of gfview: a picture file as SVG, and frames as an animated GIF.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tivor::gfview {

// A rectangle of canvas points, both corners included (1-based, as the raster counts them).
struct Box {
  int x1, y1, x2, y2;
};

// The page's rectangle of a picture file, which its first record clears; false when the file
// does not begin with one.
bool page_box(std::span<const uint8_t> picture, Box& box);

// The picture file's records as SVG elements in canvas points (lines, filled polygons and
// texts, each in the colour the window shows), drawn at width by height pixels. False with a
// message naming the first record that is not whole, or the file that cannot be read or
// written; no output is left then.
// Only the part in view is shown: the whole canvas, or the page when view says so.
bool write_svg(std::span<const uint8_t> picture, const std::string& out, int width, int height,
               const Box& view, std::string& error);

// Frames of colour indices (0..15, width by height each) as one looping animated GIF, every
// frame shown delay hundredths of a second. False with a message; no output is left then.
bool write_gif(const std::vector<std::vector<uint8_t>>& frames, int width, int height, int delay,
               const std::string& out, std::string& error);

}  // namespace tivor::gfview
