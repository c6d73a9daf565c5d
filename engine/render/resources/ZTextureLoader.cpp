#include "engine/render/resources/ZTextureLoader.h"

#include <IL/il.h>
#include <openjpeg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/core/ZMath.h"
#include "engine/render/resources/ZPixelFormat.h"
#include "engine/render/resources/ZTexture.h"

int TextureSideFor(int side, bool powerOfTwo)
{
    if (!powerOfTwo || side <= 0 || (side & (side - 1)) == 0)
        return side;
    return NextPowerOfTwo(uint32_t(side));
}

int ZTextureLoaderDevil::Init()
{
    ilInit();
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
    m_ready = true;
    return 0;
}

void ZTextureLoaderDevil::Shutdown()
{
    if (m_ready)
        ilShutDown();
    m_ready = false;
}

int ZTextureLoaderDevil::Load(ZResource* resource, const uint8_t* data, size_t size, int targetFormat,
                              bool powerOfTwo)
{
    ZTextureResource* texture = ZEntityCast<ZTextureResource>(static_cast<ZEntity*>(resource));
    if (!texture || !data || size == 0 || size > 0x7fffffff)
        return 1;
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    if (!ilLoadL(IL_TYPE_UNKNOWN, data, ILuint(size)))
    {
        ilDeleteImages(1, &image);
        return 1;
    }
    const ILint format = ilGetInteger(IL_IMAGE_FORMAT);
    const ILint type = ilGetInteger(IL_IMAGE_TYPE);
    const int width = ilGetInteger(IL_IMAGE_WIDTH);
    const int height = ilGetInteger(IL_IMAGE_HEIGHT);
    const int textureWidth = TextureSideFor(width, powerOfTwo);
    const int textureHeight = TextureSideFor(height, powerOfTwo);
    if (width <= 0 || height <= 0 || textureWidth == 0 || textureHeight == 0)
    {
        ilDeleteImages(1, &image);
        return 1;
    }
    // Anything but 8-bit RGB, RGBA or BGRA (grey, palettes, 16-bit channels) is brought to RGBA
    // first, so every decodable image arrives.
    ILint source = format;
    if (type != IL_UNSIGNED_BYTE || (format != IL_RGB && format != IL_RGBA && format != IL_BGRA))
    {
        if (!ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE))
        {
            ilDeleteImages(1, &image);
            return 1;
        }
        source = IL_RGBA;
    }
    const bool hasAlpha = source == IL_RGBA || source == IL_BGRA;
    const uint8_t* pixels = ilGetData();
    int32_t stored = kPixelNone;
    uint8_t* out = nullptr;
    const size_t pitch = size_t(width) * 4;
    if (pixels && (targetFormat == kPixelBGRA || targetFormat == kPixelRGBA))
    {
        out = static_cast<uint8_t*>(std::malloc(pitch * size_t(height)));
        if (!out)
        {
            ilDeleteImages(1, &image);
            return 1;
        }
        stored = targetFormat;
        const bool toBGRA = targetFormat == kPixelBGRA;
        if (source == IL_RGB)
            toBGRA ? pixel::Expand3To4Swapped(pixels, out, width, height, pitch)
                   : pixel::Expand3To4(pixels, out, width, height, pitch);
        else if ((source == IL_RGBA) == toBGRA)
            pixel::SwapRB4(pixels, out, width, height, pitch);
        else
            pixel::CopyRows4(pixels, out, width, height, pitch);
    }
    ilDeleteImages(1, &image);
    if (stored == kPixelNone)
        return 1;
    texture->StoreImage(out, stored, width, height, textureWidth, textureHeight, !hasAlpha);
    return 0;
}

bool ZTextureLoaderDevil::Save(const char* path, int format, const uint8_t* pixels, int width, int height)
{
    if (!path || !pixels || width <= 0 || height <= 0 ||
        (format != kPixelRGBA && format != kPixelABGR && format != kPixelBGRA))
        return false;
    const size_t pitch = size_t(width) * 4;
    std::vector<uint8_t> rows(pitch * size_t(height));
    // DevIL takes the bottom row first.
    for (int y = 0; y < height; ++y)
        std::memcpy(rows.data() + size_t(height - 1 - y) * pitch, pixels + size_t(y) * pitch, pitch);
    if (format == kPixelABGR)
        pixel::Reverse4(rows.data(), rows.data(), width, height, pitch);
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    const ILenum layout = format == kPixelBGRA ? IL_BGRA : IL_RGBA;
    bool ok =
        ilTexImage(ILuint(width), ILuint(height), 1, 4, layout, IL_UNSIGNED_BYTE, rows.data()) == IL_TRUE;
    if (ok)
    {
        ilEnable(IL_FILE_OVERWRITE);
        ok = ilSave(IL_PNG, path) == IL_TRUE;
    }
    if (!ok)
        std::fprintf(stderr, "DevIL could not save %s (error 0x%x)\n", path, unsigned(ilGetError()));
    ilDeleteImages(1, &image);
    return ok;
}

namespace
{
struct MemoryStream
{
    const uint8_t* data;
    size_t size;
    size_t position;
};

OPJ_SIZE_T ReadStream(void* buffer, OPJ_SIZE_T bytes, void* user)
{
    MemoryStream* stream = static_cast<MemoryStream*>(user);
    const size_t left = stream->size - stream->position;
    if (left == 0)
        return OPJ_SIZE_T(-1);
    const size_t n = bytes < left ? bytes : left;
    std::memcpy(buffer, stream->data + stream->position, n);
    stream->position += n;
    return n;
}

OPJ_OFF_T SkipStream(OPJ_OFF_T bytes, void* user)
{
    MemoryStream* stream = static_cast<MemoryStream*>(user);
    if (bytes < 0)
    {
        const size_t back = size_t(-bytes) < stream->position ? size_t(-bytes) : stream->position;
        stream->position -= back;
        return -OPJ_OFF_T(back);
    }
    const size_t left = stream->size - stream->position;
    const size_t n = size_t(bytes) < left ? size_t(bytes) : left;
    stream->position += n;
    return OPJ_OFF_T(n);
}

OPJ_BOOL SeekStream(OPJ_OFF_T position, void* user)
{
    MemoryStream* stream = static_cast<MemoryStream*>(user);
    if (position < 0 || size_t(position) > stream->size)
        return OPJ_FALSE;
    stream->position = size_t(position);
    return OPJ_TRUE;
}

void Quiet(const char*, void*) {}

uint8_t ToByte(OPJ_INT32 value, const opj_image_comp_t& component)
{
    int64_t v = value;
    if (component.sgnd)
        v += int64_t(1) << (component.prec - 1);
    if (component.prec > 8)
        v >>= component.prec - 8;
    else if (component.prec < 8)
        v <<= 8 - component.prec;
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}
} // namespace

bool ZTextureLoaderOpenJpeg::CanLoad(const char* extension)
{
    return extension && (std::strcmp(extension, "jp2") == 0 || std::strcmp(extension, "jpf") == 0 ||
                         std::strcmp(extension, "j2k") == 0);
}

int ZTextureLoaderOpenJpeg::Load(ZResource* resource, const uint8_t* data, size_t size, int targetFormat,
                                 bool powerOfTwo)
{
    ZTextureResource* texture = ZEntityCast<ZTextureResource>(static_cast<ZEntity*>(resource));
    if (!texture || !data || size < 4)
        return 1;
    // A raw code stream starts with the SOC marker; everything else is taken for the JP2 box format.
    const bool codestream = data[0] == 0xff && data[1] == 0x4f;
    opj_codec_t* codec = opj_create_decompress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
    if (!codec)
        return 1;
    opj_set_error_handler(codec, Quiet, nullptr);
    opj_set_warning_handler(codec, Quiet, nullptr);
    opj_set_info_handler(codec, Quiet, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    MemoryStream memory{data, size, 0};
    opj_stream_t* stream = opj_stream_default_create(OPJ_TRUE);
    opj_stream_set_read_function(stream, ReadStream);
    opj_stream_set_skip_function(stream, SkipStream);
    opj_stream_set_seek_function(stream, SeekStream);
    opj_stream_set_user_data(stream, &memory, nullptr);
    opj_stream_set_user_data_length(stream, size);
    opj_image_t* image = nullptr;
    bool ok = opj_setup_decoder(codec, &parameters) && opj_read_header(stream, codec, &image) &&
              opj_decode(codec, stream, image) && opj_end_decompress(codec, stream);
    uint8_t* out = nullptr;
    int32_t stored = kPixelNone;
    int width = 0, height = 0;
    bool opaque = true;
    if (ok && image && image->numcomps >= 3 && image->numcomps <= 4)
    {
        const opj_image_comp_t* c = image->comps;
        ok = c[0].dx == c[1].dx && c[0].dx == c[2].dx && c[0].dy == c[1].dy && c[0].dy == c[2].dy &&
             c[0].prec == c[1].prec && c[0].prec == c[2].prec && c[0].prec >= 1 && c[0].prec <= 31;
        if (image->numcomps == 4)
            ok = ok && c[3].w == c[0].w && c[3].h == c[0].h && c[3].prec >= 1 && c[3].prec <= 31;
        width = int(c[0].w);
        height = int(c[0].h);
        ok = ok && width > 0 && height > 0 && c[1].w == c[0].w && c[2].w == c[0].w && c[1].h == c[0].h &&
             c[2].h == c[0].h;
        if (ok)
        {
            const int count = int(image->numcomps);
            opaque = count == 3;
            const bool rgbOrder = targetFormat == kPixelRGB || targetFormat == kPixelRGBA;
            stored = count == 3 ? (rgbOrder ? kPixelRGB : kPixelBGR) : (rgbOrder ? kPixelRGBA : kPixelBGRA);
            out = static_cast<uint8_t*>(std::malloc(size_t(width) * size_t(height) * size_t(count)));
            const int order[4] = {rgbOrder ? 0 : 2, 1, rgbOrder ? 2 : 0, 3};
            for (size_t i = 0, n = out ? size_t(width) * size_t(height) : 0; i < n; ++i)
            {
                for (int k = 0; k < count; ++k)
                    out[i * size_t(count) + size_t(k)] = ToByte(c[order[k]].data[i], c[order[k]]);
            }
        }
    }
    else
        ok = false;
    if (image)
        opj_image_destroy(image);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    if (!ok || !out)
    {
        std::free(out);
        return 1;
    }
    // Three channels become the four-byte format asked for.
    if (PixelFormatBytes(stored) == 3 && (targetFormat == kPixelRGBA || targetFormat == kPixelBGRA))
    {
        uint8_t* four =
            ConvertPixels(out, stored, stored == kPixelRGB ? kPixelRGBA : kPixelBGRA, width, height);
        std::free(out);
        if (!four)
            return 1;
        out = four;
        stored = targetFormat;
    }
    const int textureWidth = TextureSideFor(width, powerOfTwo);
    const int textureHeight = TextureSideFor(height, powerOfTwo);
    if (textureWidth == 0 || textureHeight == 0)
    {
        std::free(out);
        return 1;
    }
    texture->StoreImage(out, stored, width, height, textureWidth, textureHeight, opaque);
    return 0;
}
