// Frames as one animated GIF that loops for ever, in the 16 colours of the window.
#include <gif_lib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/replace_file.hpp"
#include "host/palette.hpp"
#include "librarian/gfview/gfview.hpp"

namespace tivor::gfview {
namespace {

// The loop block of the application extension browsers and viewers know: 0 repeats for ever.
bool put_loop(GifFileType* gif) {
  static const char kApp[] = "NETSCAPE2.0";
  static const GifByteType kLoop[] = {1, 0, 0};
  return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif, 11, kApp) == GIF_OK &&
         EGifPutExtensionBlock(gif, 3, kLoop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
}

bool put_frame(GifFileType* gif, const std::vector<uint8_t>& pixels, int width, int height,
               int delay) {
  GraphicsControlBlock control{};
  control.DisposalMode = DISPOSE_DO_NOT;
  control.DelayTime = delay;
  control.TransparentColor = NO_TRANSPARENT_COLOR;
  GifByteType ext[4];
  const size_t n = EGifGCBToExtension(&control, ext);
  if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext) != GIF_OK ||
      EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) != GIF_OK) {
    return false;
  }
  std::vector<GifPixelType> row(static_cast<size_t>(width));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      row[static_cast<size_t>(x)] = pixels[static_cast<size_t>(y) * width + x] & 15;
    }
    if (EGifPutLine(gif, row.data(), width) != GIF_OK) return false;
  }
  return true;
}

// giflib's output function: the bytes go to the vector behind the file's user pointer.
int append_bytes(GifFileType* gif, const GifByteType* data, int n) {
  auto* bytes = static_cast<std::vector<uint8_t>*>(gif->UserData);
  bytes->insert(bytes->end(), data, data + n);
  return n;
}

}  // namespace

bool write_gif(const std::vector<std::vector<uint8_t>>& frames, int width, int height, int delay,
               const std::string& out, std::string& error) {
  if (frames.empty()) {
    error = "no frames for " + out;
    return false;
  }
  // Made in memory and put in place through a synced temporary file, so that a failed write
  // leaves an older file of the name as it was.
  std::vector<uint8_t> bytes;
  int code = 0;
  GifFileType* gif = EGifOpen(&bytes, append_bytes, &code);
  if (gif == nullptr) {
    error = "cannot write " + out;
    return false;
  }
  GifColorType colours[16];
  for (size_t c = 0; c < 16; ++c)
    colours[c] = {kConsolePalette[c].r, kConsolePalette[c].g, kConsolePalette[c].b};
  ColorMapObject* map = GifMakeMapObject(16, colours);
  EGifSetGifVersion(gif, true);
  bool ok =
      map != nullptr && EGifPutScreenDesc(gif, width, height, 4, 0, map) == GIF_OK && put_loop(gif);
  for (size_t k = 0; ok && k < frames.size(); ++k) {
    ok = put_frame(gif, frames[k], width, height, delay);
  }
  ok = EGifCloseFile(gif, &code) == GIF_OK && ok;
  GifFreeMapObject(map);
  if (!ok || !replace_file(out, bytes)) {
    error = "cannot write " + out;
    return false;
  }
  return true;
}

}  // namespace tivor::gfview
