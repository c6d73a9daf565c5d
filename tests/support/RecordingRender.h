#pragma once
// Test double of a back end: no device, only a log of the device operations the renderer base
// asks for, textures kept as plain buffers, and a clock the test drives.
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/render/ZRenderBase.h"
#include "engine/render/ZView.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZPrimitive.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/resources/ZTexture.h"

namespace test
{
inline std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}

class RecordingState final : public ZRenderState
{
public:
    ZRenderState* Apply(ZRenderState* previous) override
    {
        (void)previous;
        Log().push_back("apply-state " + std::to_string(GetId()));
        return this;
    }
    void Reset() override { Log().push_back("reset-state"); }
    void SetFogEnabled(bool) override {}
    void Destroy() override { delete this; }
};

// Shader code that logs every draw with the node's name.
class RecordingCode : public ZShaderCodeBase
{
public:
    explicit RecordingCode(const char* name) : ZShaderCodeBase(name) {}
    int Compile(const char* text, size_t length) override
    {
        compiled.assign(text, length);
        return failCompile ? 1 : 0;
    }
    int Draw(ZCamera*, const DrawRecord& record) override
    {
        const char* name = record.node ? record.node->GetName() : nullptr;
        Log().push_back(std::string("draw ") + (name ? name : "?"));
        return 0;
    }
    void MaterialChanged(ZMaterial*) override { ++changes; }
    std::string compiled;
    bool failCompile = false;
    int changes = 0;
};

class RecordingRender : public ZRenderBase
{
public:
    RecordingRender() { m_stateB = kRenderCompilesShaderCode; }
    ~RecordingRender() override
    {
        for (auto& texture : textures)
            std::free(texture.second.pixels);
    }

    struct DeviceTexture
    {
        int width = 0;
        int height = 0;
        uint8_t* pixels = nullptr;
    };

    void SetStateBits(uint16_t b) { m_stateB = b; }
    void SetTicks(uint32_t value) { ticks = value; }
    // Frames the engine believes drawn (focus changes count only after the first).
    void SetFrameCount(uint32_t frames) { m_frameCount = frames; }

    ZRenderState* CreateRenderState() override { return new RecordingState(); }
    ZShaderCodeBase* CreateShaderCode(const char* name) override
    {
        Log().push_back(std::string("create-code ") + name);
        return new RecordingCode(name);
    }
    int CreateTexture(int width, int height, const uint8_t* pixels, int, bool) override
    {
        if (failTextures)
            return -1;
        const int id = AllocTextureId();
        if (id < 0)
            return -1;
        DeviceTexture& texture = textures[id];
        texture.width = width;
        texture.height = height;
        texture.pixels = static_cast<uint8_t*>(std::calloc(size_t(width) * size_t(height) * 4, 1));
        if (pixels)
            std::memcpy(texture.pixels, pixels, size_t(width) * size_t(height) * 4);
        return id;
    }
    void DeleteTexture(int id) override
    {
        auto at = textures.find(id);
        if (at == textures.end())
            return;
        std::free(at->second.pixels);
        textures.erase(at);
        FreeTextureId(id);
    }
    int LockTexture(int id, int& pitch, uint8_t*& bits) override
    {
        auto at = textures.find(id);
        if (id < 0 || at == textures.end())
            return 1;
        pitch = at->second.width * 4;
        bits = at->second.pixels;
        return 0;
    }
    int UnlockTexture(int id) override { return textures.count(id) ? 0 : 1; }
    bool FreesPixelsOnUnload() const override { return true; }
    // Decodes in RGBA, as a device taking R, G, B, A bytes would.
    int ReconvertTexture(ZTextureResource* texture) override
    {
        if (!texture)
            return 1;
        return texture->Decode(kPixelRGBA);
    }
    // Small textures go to an atlas page, the others get a device texture of their own.
    int MakeTextureResident(ZTexture* texture) override
    {
        Log().push_back(std::string("resident ") + texture->GetName());
        if (refuseResident)
            return 1;
        // Each upload takes the time the test set.
        ticks += ticksPerUpload;
        if (useAtlas && !(texture->GetTextureFlags() & kTextureNoAtlas) && PlaceInAtlas(texture) == 0)
        {
            texture->AddTextureFlags(kTextureResident);
            return 0;
        }
        const int id =
            CreateTexture(texture->GetTextureWidth(), texture->GetTextureHeight(), nullptr, 3, false);
        if (id < 0)
            return 1;
        texture->SetRenderTextureId(id);
        texture->AddTextureFlags(kTextureResident);
        texture->AfterUpload();
        return 0;
    }
    void SetViewport(ZView* view) override
    {
        Log().push_back("viewport " + std::to_string(int(view->GetX() * 100)));
    }
    void Clear(ZView*, bool color, bool depth, bool stencil) override
    {
        Log().push_back(std::string("clear ") + (color ? "c" : "") + (depth ? "d" : "") +
                        (stencil ? "s" : ""));
    }
    void SetupCamera(ZCamera* camera) override
    {
        Log().push_back(std::string("camera ") + camera->GetName());
    }
    void SetRenderStateFlag(uint32_t state, bool on) override
    {
        Log().push_back("flag " + std::to_string(state) + (on ? " on" : " off"));
    }
    void DrawTextNode(ZNode* node, ZCamera*, const DrawRecord&) override
    {
        Log().push_back(std::string("text ") + node->GetName());
    }
    void DrawParticleSystem(ZNode* node, ZCamera*, const DrawRecord&) override
    {
        Log().push_back(std::string("particles ") + node->GetName());
    }
    int SetRenderTarget(int id) override
    {
        Log().push_back("target " + std::to_string(id));
        return 0;
    }

    std::map<int, DeviceTexture> textures;
    uint32_t ticks = 0;
    uint32_t ticksPerUpload = 0;
    bool useAtlas = false;
    bool refuseResident = false;
    bool failTextures = false;

protected:
    uint32_t GetTicks() const override { return ticks; }
};

// A back end whose vertex buffers are plain copies.
class VertexRender : public RecordingRender
{
public:
    int CreateVertexBuffer(const void* vertices, uint32_t count, bool) override
    {
        const int id = AllocVertexBufferId();
        if (id < 0)
            return -1;
        const auto* bytes = static_cast<const uint8_t*>(vertices);
        buffers[id].assign(bytes, bytes + size_t(count) * kVertexSize);
        return id;
    }
    void DeleteVertexBuffer(int id) override
    {
        buffers.erase(id);
        FreeVertexBufferId(id);
    }
    void* LockVertexBuffer(int id) override
    {
        auto at = buffers.find(id);
        return at == buffers.end() ? nullptr : at->second.data();
    }
    std::map<int, std::vector<uint8_t>> buffers;
};
} // namespace test
