#pragma once
// One image holding a grid of equally sized animation frames. Animation controllers pick a frame by
// asking for the texture matrix that maps the unit square onto that frame's cell.
#include <cstdint>

#include "engine/render/resources/ZTexture.h"

class ZAnimTexture : public ZTexture
{
    QV_TYPE_RECORD(ZAnimTexture, &ZTexture::kTypeRecord)

public:
    ZAnimTexture();

    // Always a new object; loaded by the load-mode rule. Frame sizes below 1 are refused (null).
    static ZAnimTexture* Load(const char* path, int frameWidth, int frameHeight, int frames, int mode);

    // Works the count out from the image the first time (-1 until then): rows x columns.
    int GetFrameCount();
    _M44 GetFrameMatrix(int frame) const;
    // After the device texture was made: the count, when still unknown and the frame sizes are set.
    void OnDeviceTextureMade();

    // "framewidth", "frameheight", "frames"; the rest as a texture.
    bool SetProperty(uint32_t id, const char* name, const char* value) override;

    int GetFrameWidth() const { return m_frameWidth; }
    int GetFrameHeight() const { return m_frameHeight; }
    // Values below 1 are refused: the frame count divides by them.
    bool SetFrameSize(int width, int height);
    void SetFrames(int frames) { m_frameCount = frames; }

private:
    int32_t m_frameWidth = 0;
    int32_t m_frameHeight = 0;
    int32_t m_frameCount = -1;
};
