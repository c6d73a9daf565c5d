#include "engine/render/resources/ZAnimTexture.h"

#include "engine/core/ZNameId.h"
#include "engine/core/ZUtil.h"

namespace
{
ZSerializerRTTI<ZAnimTexture> s_animTextureSerializer;
} // namespace

ZAnimTexture::ZAnimTexture()
{
    SetFlags(kResourceAsync);
}

ZAnimTexture* ZAnimTexture::Load(const char* path, int frameWidth, int frameHeight, int frames, int mode)
{
    if (!path || frameWidth < 1 || frameHeight < 1)
        return nullptr;
    ZAnimTexture* texture = new ZAnimTexture();
    texture->SetPath(path);
    texture->SetName(path);
    texture->SetFrameSize(frameWidth, frameHeight);
    texture->m_frameCount = frames;
    LoadByMode(texture, mode);
    return texture;
}

bool ZAnimTexture::SetFrameSize(int width, int height)
{
    if (width < 1 || height < 1)
        return false;
    m_frameWidth = width;
    m_frameHeight = height;
    return true;
}

int ZAnimTexture::GetFrameCount()
{
    if (m_frameCount < 0 && m_frameWidth > 0 && m_frameHeight > 0)
        m_frameCount = (m_imageHeight / m_frameHeight) * (m_imageWidth / m_frameWidth);
    return m_frameCount;
}

_M44 ZAnimTexture::GetFrameMatrix(int frame) const
{
    _M44 matrix;
    if (m_imageWidth == 0 || m_imageHeight == 0 || m_frameWidth <= 0 || m_frameHeight <= 0)
        return matrix;
    const int columns = m_imageWidth / m_frameWidth;
    const int rows = m_imageHeight / m_frameHeight;
    if (columns == 0 || rows == 0 || frame < 0)
        return matrix;
    matrix.m[0][0] = 1.0f / float(columns);
    matrix.m[1][1] = 1.0f / float(rows);
    matrix.m[2][0] = float(m_frameWidth * (frame % columns)) / float(m_imageWidth);
    matrix.m[2][1] = float(m_frameHeight * (frame / columns)) / float(m_imageHeight);
    return matrix;
}

void ZAnimTexture::OnDeviceTextureMade()
{
    if (m_frameCount < 0 && m_frameWidth > 0 && m_frameHeight > 0)
        GetFrameCount();
}

bool ZAnimTexture::SetProperty(uint32_t id, const char* name, const char* value)
{
    int number = 0;
    if (id == ZNameId("framewidth").Value())
    {
        if (ParseNumber(value, number) && number >= 1)
            m_frameWidth = number;
        return true;
    }
    if (id == ZNameId("frameheight").Value())
    {
        if (ParseNumber(value, number) && number >= 1)
            m_frameHeight = number;
        return true;
    }
    if (id == ZNameId("frames").Value())
    {
        if (ParseNumber(value, number))
            m_frameCount = number;
        return true;
    }
    return ZTexture::SetProperty(id, name, value);
}
