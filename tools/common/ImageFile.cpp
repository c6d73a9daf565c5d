#include "tools/common/ImageFile.h"

#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <zlib.h>

namespace qvtool
{

namespace
{

void PutU32BE(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void PutU16LE(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32LE(std::vector<uint8_t>& out, uint32_t v)
{
    PutU16LE(out, v & 0xFFFF);
    PutU16LE(out, v >> 16);
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    PutU32BE(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
    PutU32BE(out, static_cast<uint32_t>(crc));
}

bool IsOpaque(const Rgba8Image& image)
{
    for (size_t i = 3; i < image.pixels.size(); i += 4)
        if (image.pixels[i] != 255)
            return false;
    return true;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

uint8_t Paeth(int a, int b, int c)
{
    int p = a + b - c;
    int pa = p > a ? p - a : a - p;
    int pb = p > b ? p - b : b - p;
    int pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc)
        return static_cast<uint8_t>(a);
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

} // namespace

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = (std::fclose(file) == 0) && ok;
    return ok;
}

bool WritePng(const std::string& path, const Rgba8Image& image)
{
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != size_t(image.width) * size_t(image.height) * 4)
        return false;
    const bool opaque = IsOpaque(image);
    const int channels = opaque ? 3 : 4;
    const size_t stride = size_t(image.width) * channels;

    // Filter each row with the filter that gives the smallest sum of absolute values:
    // a fixed rule, so the output depends on the pixels alone.
    std::vector<uint8_t> raw;
    raw.reserve((stride + 1) * image.height);
    std::vector<uint8_t> prev(stride, 0), row(stride), best, trial(stride);
    for (int y = 0; y < image.height; ++y)
    {
        const uint8_t* src = &image.pixels[size_t(y) * image.width * 4];
        for (int x = 0; x < image.width; ++x)
            for (int c = 0; c < channels; ++c)
                row[size_t(x) * channels + c] = src[x * 4 + c];
        long bestScore = -1;
        uint8_t bestFilter = 0;
        for (uint8_t filter = 0; filter < 5; ++filter)
        {
            long score = 0;
            for (size_t i = 0; i < stride; ++i)
            {
                int a = i >= size_t(channels) ? row[i - channels] : 0;
                int b = prev[i];
                int c = i >= size_t(channels) ? prev[i - channels] : 0;
                int predictor = 0;
                switch (filter)
                {
                case 1:
                    predictor = a;
                    break;
                case 2:
                    predictor = b;
                    break;
                case 3:
                    predictor = (a + b) / 2;
                    break;
                case 4:
                    predictor = Paeth(a, b, c);
                    break;
                default:
                    break;
                }
                trial[i] = static_cast<uint8_t>(row[i] - predictor);
                score += trial[i] < 128 ? trial[i] : 256 - trial[i];
            }
            if (bestScore < 0 || score < bestScore)
            {
                bestScore = score;
                bestFilter = filter;
                best = trial;
            }
        }
        raw.push_back(bestFilter);
        raw.insert(raw.end(), best.begin(), best.end());
        prev = row;
    }

    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
        return false;
    packed.resize(packedSize);

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> header;
    PutU32BE(header, static_cast<uint32_t>(image.width));
    PutU32BE(header, static_cast<uint32_t>(image.height));
    header.push_back(8);              // bit depth
    header.push_back(opaque ? 2 : 6); // colour type
    header.push_back(0);              // compression
    header.push_back(0);              // filter method
    header.push_back(0);              // no interlace
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", packed);
    PutChunk(out, "IEND", {});
    return WriteFileBytes(path, out);
}

bool WriteJpeg(const std::string& path, const Rgba8Image& image, int quality)
{
    if (image.width <= 0 || image.height <= 0)
        return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(image.width);
    cinfo.image_height = static_cast<JDIMENSION>(image.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = TRUE;
    // No JFIF density guesses or comments: only the pixels shape the file.
    cinfo.write_JFIF_header = TRUE;
    cinfo.density_unit = 0;
    cinfo.X_density = 1;
    cinfo.Y_density = 1;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(size_t(image.width) * 3);
    while (cinfo.next_scanline < cinfo.image_height)
    {
        const uint8_t* src = &image.pixels[size_t(cinfo.next_scanline) * image.width * 4];
        for (int x = 0; x < image.width; ++x)
            for (int c = 0; c < 3; ++c)
                row[size_t(x) * 3 + c] = src[x * 4 + c];
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}

bool WriteIco(const std::string& path, const Rgba8Image& image)
{
    if (image.width <= 0 || image.height <= 0 || image.width > 256 || image.height > 256)
        return false;
    const uint32_t maskStride = ((uint32_t(image.width) + 31) / 32) * 4;
    const uint32_t bitmapSize = 40 + uint32_t(image.width) * image.height * 4 + maskStride * image.height;

    std::vector<uint8_t> out;
    PutU16LE(out, 0); // reserved
    PutU16LE(out, 1); // icon
    PutU16LE(out, 1); // one image
    out.push_back(static_cast<uint8_t>(image.width & 0xFF));
    out.push_back(static_cast<uint8_t>(image.height & 0xFF));
    out.push_back(0); // no palette
    out.push_back(0);
    PutU16LE(out, 1);  // planes
    PutU16LE(out, 32); // bits per pixel
    PutU32LE(out, bitmapSize);
    PutU32LE(out, 6 + 16);

    // BITMAPINFOHEADER: the height counts the colour rows and the mask rows.
    PutU32LE(out, 40);
    PutU32LE(out, static_cast<uint32_t>(image.width));
    PutU32LE(out, static_cast<uint32_t>(image.height * 2));
    PutU16LE(out, 1);
    PutU16LE(out, 32);
    PutU32LE(out, 0);
    PutU32LE(out, uint32_t(image.width) * image.height * 4 + maskStride * image.height);
    PutU32LE(out, 0);
    PutU32LE(out, 0);
    PutU32LE(out, 0);
    PutU32LE(out, 0);
    for (int y = image.height - 1; y >= 0; --y)
        for (int x = 0; x < image.width; ++x)
        {
            const uint8_t* p = &image.pixels[(size_t(y) * image.width + x) * 4];
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            out.push_back(p[3]);
        }
    for (int y = image.height - 1; y >= 0; --y)
    {
        std::vector<uint8_t> mask(maskStride, 0);
        for (int x = 0; x < image.width; ++x)
            if (image.pixels[(size_t(y) * image.width + x) * 4 + 3] == 0)
                mask[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), mask.begin(), mask.end());
    }
    return WriteFileBytes(path, out);
}

bool WriteImage(const std::string& path, const Rgba8Image& image, int jpegQuality)
{
    if (EndsWith(path, ".png"))
        return WritePng(path, image);
    if (EndsWith(path, ".jpg") || EndsWith(path, ".jpeg"))
        return WriteJpeg(path, image, jpegQuality);
    if (EndsWith(path, ".ico"))
        return WriteIco(path, image);
    return false;
}

} // namespace qvtool
