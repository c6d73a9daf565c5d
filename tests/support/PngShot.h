#pragma once
// Writes a frame grabbed from the renderer (0xAARRGGBB pixels, top row first) as an RGB PNG, for
// tests that show a person what a screen looks like.
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace qvtest
{
inline void WritePng(const std::string& path, const uint32_t* argb, uint32_t w, uint32_t h)
{
    std::string raw;
    for (uint32_t y = 0; y < h; ++y)
    {
        raw.push_back('\0');
        for (uint32_t x = 0; x < w; ++x)
        {
            const uint32_t p = argb[size_t(y) * w + x];
            raw.push_back(char((p >> 16) & 0xFF));
            raw.push_back(char((p >> 8) & 0xFF));
            raw.push_back(char(p & 0xFF));
        }
    }
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<Bytef> packed(size);
    compress(packed.data(), &size, reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
    std::ofstream out(path, std::ios::binary);
    auto be = [&](uint32_t v)
    {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        out.write(b, 4);
    };
    auto chunk = [&](const char* type, const std::string& data)
    {
        be(uint32_t(data.size()));
        std::string all = std::string(type, 4) + data;
        out.write(all.data(), std::streamsize(all.size()));
        be(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(all.data()), uInt(all.size()))));
    };
    out.write("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    for (uint32_t v : {w, h})
        for (int s = 24; s >= 0; s -= 8)
            header.push_back(char(v >> s));
    header += std::string("\x08\x02\x00\x00\x00", 5);
    chunk("IHDR", header);
    chunk("IDAT", std::string(reinterpret_cast<const char*>(packed.data()), size));
    chunk("IEND", "");
}
} // namespace qvtest
