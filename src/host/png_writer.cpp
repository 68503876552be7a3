// PNG files through libpng's simplified interface, which keeps libpng's longjmp error handling
// inside the library instead of across our C++ frames.
#include "host/png_writer.hpp"

#include <png.h>

#include <algorithm>

namespace tivor {

namespace {

// Writes the image with the writer given (to a file or to memory); false for invalid sizes or
// indices, or when the writer fails.
template <typename Write>
bool write_png(int w, int h, std::span<const uint8_t> pixels, const std::array<Rgb, 16>& palette,
               Write&& write) {
  if (w <= 0 || h <= 0 || pixels.size() != static_cast<size_t>(w) * static_cast<size_t>(h)) {
    return false;
  }
  if (std::any_of(pixels.begin(), pixels.end(), [](uint8_t p) { return p > 15; })) return false;

  std::array<uint8_t, 16 * 3> colormap{};
  for (size_t i = 0; i < palette.size(); ++i) {
    colormap[3 * i] = palette[i].r;
    colormap[3 * i + 1] = palette[i].g;
    colormap[3 * i + 2] = palette[i].b;
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = PNG_FORMAT_RGB_COLORMAP;
  // With at most 16 colormap entries libpng packs the indices into 4 bits.
  image.colormap_entries = 16;
  const bool ok = write(image, colormap.data());
  png_image_free(&image);
  return ok;
}

}  // namespace

bool write_indexed_png(const std::string& path, int w, int h, std::span<const uint8_t> pixels,
                       const std::array<Rgb, 16>& palette) {
  return write_png(w, h, pixels, palette, [&](png_image& image, const uint8_t* colormap) {
    return png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), w, colormap) != 0;
  });
}

std::vector<uint8_t> indexed_png(int w, int h, std::span<const uint8_t> pixels,
                                 const std::array<Rgb, 16>& palette) {
  std::vector<uint8_t> bytes;
  const bool ok = write_png(w, h, pixels, palette, [&](png_image& image, const uint8_t* colormap) {
    // The first call measures, the second writes.
    png_alloc_size_t size = 0;
    if (png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), w, colormap) == 0) {
      return false;
    }
    bytes.resize(size);
    if (png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), w, colormap) ==
        0) {
      return false;
    }
    bytes.resize(size);
    return true;
  });
  if (!ok) bytes.clear();
  return bytes;
}

std::optional<RgbImage> read_png_rgb(const std::string& path) {
  constexpr png_uint_32 kMaxSide = 16384;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return std::nullopt;
  if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide) {
    png_image_free(&image);
    return std::nullopt;
  }
  image.format = PNG_FORMAT_RGB;
  RgbImage out;
  out.w = static_cast<int>(image.width);
  out.h = static_cast<int>(image.height);
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr) == 0) {
    png_image_free(&image);
    return std::nullopt;
  }
  png_image_free(&image);
  return out;
}

}  // namespace tivor
