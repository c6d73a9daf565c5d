#pragma once
// The texture decoders: OpenJPEG for JPEG 2000 files, DevIL for every other image. The resource
// manager holds them and offers each texture file to the first whose CanLoad accepts the extension,
// so the OpenJPEG decoder is registered first.
#include <cstddef>
#include <cstdint>

#include "engine/resource/ITextureLoader.h"

class ZTextureResource;

// The texture size for an image side: the next power of two when asked and the side is not one
// already, else the side itself. 0 when the power of two would be too large for a texture.
int TextureSideFor(int side, bool powerOfTwo);

class ZTextureLoaderDevil : public ITextureLoader
{
public:
    int Init() override;
    void Shutdown() override;
    int Load(ZResource* resource, const uint8_t* data, size_t size, int targetFormat,
             bool powerOfTwo) override;
    // Formats 3, 4 and 6; written as PNG.
    bool Save(const char* path, int format, const uint8_t* pixels, int width, int height) override;
    bool CanLoad(const char* extension) override
    {
        (void)extension;
        return true;
    }

private:
    bool m_ready = false;
};

class ZTextureLoaderOpenJpeg : public ITextureLoader
{
public:
    int Init() override { return 0; }
    void Shutdown() override {}
    int Load(ZResource* resource, const uint8_t* data, size_t size, int targetFormat,
             bool powerOfTwo) override;
    bool Save(const char* path, int format, const uint8_t* pixels, int width, int height) override
    {
        (void)path, (void)format, (void)pixels, (void)width, (void)height;
        return false;
    }
    // "jp2", "jpf" and "j2k", exactly.
    bool CanLoad(const char* extension) override;
};
