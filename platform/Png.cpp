// PNG encoding with stb_image_write; the file is saved as every file is (Files.h).
#include "platform/Png.h"

#include "platform/Files.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace {

void AppendBytes(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<uint8_t>*>(context);
  const auto* bytes = static_cast<const uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

std::vector<uint8_t> EncodePng(const TCanvas& canvas) {
  std::vector<uint8_t> png;
  const int w = canvas.Width(), h = canvas.Height();
  if (w <= 0 || h <= 0) return png;
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  const TColor* src = canvas.Pixels();
  for (size_t i = 0, n = static_cast<size_t>(w) * h; i < n; ++i) {
    rgb[3 * i] = RedOf(src[i]);
    rgb[3 * i + 1] = GreenOf(src[i]);
    rgb[3 * i + 2] = BlueOf(src[i]);
  }
  if (!stbi_write_png_to_func(AppendBytes, &png, w, h, 3, rgb.data(), w * 3)) png.clear();
  return png;
}

bool WritePng(const TCanvas& canvas, const std::string& path) {
  const std::vector<uint8_t> png = EncodePng(canvas);
  return !png.empty() && WriteWholeFileSafely(path, png);
}
