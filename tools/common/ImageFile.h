#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qvtool
{

// 8-bit RGBA pixels, rows top to bottom, straight (not premultiplied) alpha.
struct Rgba8Image
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// PNG, colour type 6 (RGBA) or 2 (RGB when every pixel is opaque), zlib level 9, no
// time or text chunks: the same pixels always give the same bytes.
bool WritePng(const std::string& path, const Rgba8Image& image);
// Baseline JPEG of the colour channels (alpha dropped), quality 1..100.
bool WriteJpeg(const std::string& path, const Rgba8Image& image, int quality);
// Windows icon with one 32-bit BGRA bitmap entry (and its AND mask); width and height <= 256.
bool WriteIco(const std::string& path, const Rgba8Image& image);
// Picks the writer by the file's extension (.png, .jpg/.jpeg, .ico).
bool WriteImage(const std::string& path, const Rgba8Image& image, int jpegQuality = 90);

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace qvtool
