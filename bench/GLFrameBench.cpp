// Whole OpenGL frames of a busy 800 x 600 screen: 1,000 sprites, 2,000 glyphs in 40 text nodes and
// 4 emitters of 200 particles, drawn through the frame driver and presented at the 80 fps limit.
// Reports the frame statistics of FrameStats.h and the GL draw calls per frame, with sprites, text
// and particles in one vertex array per run (batched) and with one draw per sprite, glyph and
// particle, and with the sprites' four materials in runs or alternating. Needs a display (a virtual X server: xvfb-run -a quorvane_bench
// --benchmark_filter=GLFrame).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FrameStats.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/platform/ZPlatformMessage.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/ZFont.h"
#include "engine/render/ZView.h"
#include "engine/render/opengl/ZRenderOpenGL.h"
#include "engine/render/opengl/ZRenderOpenGLBatch.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSprite.h"

namespace
{
constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kSprites = 1000;
constexpr int kTexts = 40;
constexpr int kGlyphsPerText = 50;
constexpr int kEmitters = 4;
constexpr int kParticles = 200;

const char* const kShaders = "shaderdef sprite\nshadercode sprite_ffp\ncolor 0 basecolor FFFFFFFF\n"
                             "bool 18 texturemodulate true\nbool 0 filter true\nend\n"
                             "shaderdef font\nshadercode sprite_ffp\ncolor 0 basecolor FFFFFFFF\n"
                             "bool 18 texturemodulate true\nend\n"
                             "shaderdef particle\nshadercode sprite_ffp\ncolor 0 basecolor FFFFFFFF\n"
                             "bool 18 texturemodulate true\nbool 0 filter true\nbool 1 nodepthwrite true\n"
                             "bool 12 additive true\nend\n";

// A texture of one colour with a soft transparent rim.
ZTexture* MakeTexture(uint32_t rgb)
{
    constexpr int size = 16;
    auto* pixels = static_cast<uint8_t*>(std::malloc(size * size * 4));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            uint8_t* p = pixels + (y * size + x) * 4;
            const bool rim = x == 0 || y == 0 || x == size - 1 || y == size - 1;
            p[0] = uint8_t(rgb), p[1] = uint8_t(rgb >> 8), p[2] = uint8_t(rgb >> 16), p[3] = rim ? 64 : 255;
        }
    return ZTexture::CreateEmpty(pixels, size, size, kTextureKeepPixels);
}

void BM_GLFrame(benchmark::State& state)
{
    const bool batching = state.range(0) != 0;
    // Sprites of one material one after the other (rows of a board of tiles), or every sprite in
    // another material than the one before (nothing for the batch to join).
    const bool grouped = state.range(1) != 0;
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if ((driver && std::strcmp(driver, "dummy") == 0) || !plat::HasDisplay() || plat::InitVideo() != 0)
    {
        state.SkipWithError("no display");
        return;
    }
    const int oldWidth = g_renderWidth.GetValue(), oldHeight = g_renderHeight.GetValue();
    g_renderWidth.SetValue(kWidth);
    g_renderHeight.SetValue(kHeight);
    ZMaterial::InitPool();
    ZResourceManager* manager = ZResourceManager::GetInstance();
    auto* library = new ZShaderLibrary();
    library->AddShaderCode(new ZRenderOpenGLShaderFFPSprite());
    library->ParseDefinitions(kShaders);
    ZPlatformWindow window;
    auto* render = new ZRenderOpenGL();
    render->SetResourceManager(manager);
    if (window.Create("Quorvane frame bench", kWidth, kHeight, true, ZPlatformWindow::kOpenGL) != 0 ||
        render->Init(kWidth, kHeight, true, &window) != 0)
    {
        state.SkipWithError("no OpenGL window");
        delete render;
        return;
    }
    // Sprites reach the frame driver as sprites (the game's registration does the same).
    ZRenderBase::RegisterDrawClass({&ZSprite::kTypeRecord, EDrawKind::Sprite, nullptr, nullptr,
                                    [](ZNode* node) { return static_cast<ZSprite*>(node)->GetMaterial(); }});
    static_cast<ZRenderOpenGLFont*>(render->GetTextRenderer())->SetBatching(batching);
    static_cast<ZRenderOpenGLParticles*>(render->GetParticleRenderer())->SetBatching(batching);
    render->SetSpriteBatching(batching);

    auto* root = ZGroup::Create();
    ZCamera* camera = ZCamera::Create("benchcam", root, false, true);
    ZView* view = ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, 1.0f);
    view->AddCamera(camera);

    std::vector<ZMaterial*> materials;
    const uint32_t colours[4] = {0xFF4040, 0x40FF40, 0x4040FF, 0xFFFF40};
    for (int i = 0; i < 4; ++i)
    {
        ZMaterial* material = ZMaterial::CreateForShader("bench_sprite", library->FindShader("sprite"));
        material->SetTexture(0, MakeTexture(colours[i]), false);
        materials.push_back(material);
    }
    for (int i = 0; i < kSprites; ++i)
    {
        ZSprite* sprite = ZSprite::Create(24.0f, 24.0f, PIVOT_CENTER, materials[size_t(grouped ? i / 250 : i % 4)]);
        sprite->SetFlags(kNode2D);
        sprite->SetPosition(V3{float(i % 40) * 19.0f - 380.0f, float(i / 40) * 22.0f - 280.0f, 0.0f});
        root->AddChild(sprite);
    }
    ZFont* font = ZFont::Find("defaultfont");
    std::string line;
    for (int i = 0; i < kGlyphsPerText; ++i)
        line += char('A' + (i * 7) % 58);
    for (int i = 0; i < kTexts; ++i)
    {
        ZFontText* text = ZFontText::Create(font);
        text->SetText(line.c_str());
        text->SetPosition(V3{-230.0f, 290.0f - float(i) * 14.5f, 0.0f});
        root->AddChild(text);
    }
    ZMaterial* spark = ZMaterial::CreateForShader("bench_particle", library->FindShader("particle"));
    spark->SetTexture(0, MakeTexture(0xFFC080), false);
    for (int e = 0; e < kEmitters; ++e)
    {
        ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
        root->AddChild(emitter);
        emitter->AddTemplate(spark);
        emitter->SetParticleCount(kParticles);
        emitter->particleSize = V2{20.0f, 20.0f};
        emitter->Emit(kParticles);
        auto* records = const_cast<SParticleRecord*>(emitter->GetRecords());
        for (uint32_t i = 0; i < emitter->GetEffectiveCount(); ++i)
        {
            records[i].position =
                V3{float(e) * 180.0f - 270.0f + float(i % 20) * 6.0f, float(i / 20) * 12.0f - 60.0f, 0.0f};
            records[i].life = 1.0e9f;
            records[i].age = 1.0f;
        }
    }

    uint64_t draws = 0;
    benchframe::FrameStats stats(80.0);
    for (auto _ : state)
    {
        const uint64_t before = render->GetDrawCallCount();
        stats.BeginFrame();
        render->RenderFrame();
        stats.EndFrame();
        draws = render->GetDrawCallCount() - before;
        plat::Message message;
        while (plat::PeekMessage(message))
        {
        }
    }
    stats.Report(state);
    state.counters["draws_per_frame"] = double(draws);

    ZRenderBase::UnregisterDrawClass(&ZSprite::kTypeRecord);
    delete camera;
    delete root;
    delete render;
    window.Destroy();
    delete library;
    ZResourceManager::DestroyInstance();
    plat::ClearMessages();
    plat::ShutdownVideo();
    g_renderWidth.SetValue(oldWidth);
    g_renderHeight.SetValue(oldHeight);
}
BENCHMARK(BM_GLFrame)
    ->ArgNames({"batching", "grouped"})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({0, 0})
    ->Iterations(400)->Unit(benchmark::kMillisecond);

} // namespace
