#pragma once
// Texture decoder interface. The resource manager owns the decoders and offers each texture file to
// them in registration order; the first whose CanLoad accepts the file's extension decodes it. The
// decoders themselves come with the renderer, which knows the texture classes they fill in.
#include <cstddef>
#include <cstdint>

class ZResource;

class ITextureLoader
{
public:
    virtual ~ITextureLoader() = default;

    // 0 when the decoder is ready; a decoder that fails here is not registered.
    virtual int Init() = 0;
    virtual void Shutdown() = 0;
    // Decodes a whole image file held in memory into `resource` (a texture resource of the
    // renderer). The data stays the caller's and is freed after the call. `targetFormat` is the
    // pixel format asked for; `powerOfTwo` asks for texture sizes rounded up to powers of two.
    // Runs on the loader thread under the manager's decode lock. 0 on success.
    virtual int Load(ZResource* resource, const uint8_t* data, size_t size, int targetFormat,
                     bool powerOfTwo) = 0;
    // Writes 32-bit pixels (rows top to bottom) as an image file; true when written, false when
    // this decoder cannot save.
    virtual bool Save(const char* path, int format, const uint8_t* pixels, int width, int height) = 0;
    // `extension` is lower case without the dot ("png", "jp2").
    virtual bool CanLoad(const char* extension) = 0;
};
