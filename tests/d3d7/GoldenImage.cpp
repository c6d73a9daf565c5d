#include "GoldenImage.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace golden
{
namespace
{
void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(uint8_t(value >> 24));
    out.push_back(uint8_t(value >> 16));
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

uint32_t Get32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    Put32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0, out.data() + start, uInt(out.size() - start));
    Put32(out, uint32_t(crc));
}

const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

int Paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}
} // namespace

Image FromArgb(const uint32_t* pixels, int width, int height)
{
    Image image;
    image.width = width;
    image.height = height;
    image.rgb.resize(size_t(width) * size_t(height) * 3);
    for (size_t i = 0; i < size_t(width) * size_t(height); ++i)
    {
        image.rgb[i * 3] = uint8_t(pixels[i] >> 16);
        image.rgb[i * 3 + 1] = uint8_t(pixels[i] >> 8);
        image.rgb[i * 3 + 2] = uint8_t(pixels[i]);
    }
    return image;
}

bool WritePng(const std::string& path, const Image& image)
{
    std::vector<uint8_t> raw;
    const size_t row = size_t(image.width) * 3;
    for (int y = 0; y < image.height; ++y)
    {
        raw.push_back(0);
        raw.insert(raw.end(), image.rgb.begin() + long(y * row), image.rgb.begin() + long((y + 1) * row));
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 9) != Z_OK)
        return false;
    packed.resize(packedSize);
    std::vector<uint8_t> out(kSignature, kSignature + 8);
    std::vector<uint8_t> header;
    Put32(header, uint32_t(image.width));
    Put32(header, uint32_t(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    Chunk(out, "IHDR", header);
    Chunk(out, "IDAT", packed);
    Chunk(out, "IEND", {});
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    return bool(file);
}

bool ReadPng(const std::string& path, Image& image)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (data.size() < 8 || std::memcmp(data.data(), kSignature, 8) != 0)
        return false;
    size_t at = 8;
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> packed;
    while (at + 12 <= data.size())
    {
        const uint32_t length = Get32(&data[at]);
        if (length > data.size() - at - 12)
            return false;
        const char* type = reinterpret_cast<const char*>(&data[at + 4]);
        const uint8_t* body = &data[at + 8];
        if (std::memcmp(type, "IHDR", 4) == 0 && length >= 13)
        {
            width = int(Get32(body));
            height = int(Get32(body + 4));
            if (body[8] != 8 || (body[9] != 2 && body[9] != 6) || body[12] != 0)
                return false;
            channels = body[9] == 2 ? 3 : 4;
        }
        else if (std::memcmp(type, "IDAT", 4) == 0)
            packed.insert(packed.end(), body, body + length);
        else if (std::memcmp(type, "IEND", 4) == 0)
            break;
        at += 12 + length;
    }
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384 || channels == 0)
        return false;
    const size_t stride = size_t(width) * size_t(channels);
    std::vector<uint8_t> raw((stride + 1) * size_t(height));
    uLongf rawSize = uLongf(raw.size());
    if (uncompress(raw.data(), &rawSize, packed.data(), uLong(packed.size())) != Z_OK ||
        rawSize != raw.size())
        return false;
    std::vector<uint8_t> pixels(stride * size_t(height));
    for (int y = 0; y < height; ++y)
    {
        const uint8_t filter = raw[size_t(y) * (stride + 1)];
        const uint8_t* in = &raw[size_t(y) * (stride + 1) + 1];
        uint8_t* out = &pixels[size_t(y) * stride];
        const uint8_t* up = y > 0 ? out - stride : nullptr;
        for (size_t x = 0; x < stride; ++x)
        {
            const int a = x >= size_t(channels) ? out[x - size_t(channels)] : 0;
            const int b = up ? up[x] : 0;
            const int c = up && x >= size_t(channels) ? up[x - size_t(channels)] : 0;
            int value = in[x];
            switch (filter)
            {
            case 0:
                break;
            case 1:
                value += a;
                break;
            case 2:
                value += b;
                break;
            case 3:
                value += (a + b) / 2;
                break;
            case 4:
                value += Paeth(a, b, c);
                break;
            default:
                return false;
            }
            out[x] = uint8_t(value);
        }
    }
    image.width = width;
    image.height = height;
    image.rgb.resize(size_t(width) * size_t(height) * 3);
    for (size_t i = 0; i < size_t(width) * size_t(height); ++i)
        std::memcpy(&image.rgb[i * 3], &pixels[i * size_t(channels)], 3);
    return true;
}

Difference Compare(const Image& a, const Image& b, int tolerance)
{
    Difference difference;
    if (a.width != b.width || a.height != b.height)
    {
        difference.count = -1;
        return difference;
    }
    for (size_t i = 0; i < size_t(a.width) * size_t(a.height); ++i)
    {
        bool differs = false;
        for (int c = 0; c < 3; ++c)
            differs |= std::abs(int(a.rgb[i * 3 + size_t(c)]) - int(b.rgb[i * 3 + size_t(c)])) > tolerance;
        if (!differs)
            continue;
        if (difference.count++ == 0)
            difference.first =
                std::to_string(i % size_t(a.width)) + "," + std::to_string(i / size_t(a.width));
    }
    return difference;
}

std::string Folder()
{
    return std::string(QV_FIXTURES) + "/render/golden";
}

bool Updating()
{
    const char* value = std::getenv("QV_UPDATE_GOLDEN");
    return value && std::strcmp(value, "1") == 0;
}
} // namespace golden
