// Whole 800 x 600 frames through the Direct3D 7 back end on the software display, the frame driver
// and the fixed-function codes included: the frame benchmark scene (1,000 textured sprites, 40 texts
// of 50 glyphs of the built-in font, 4 emitters of 200 additive particles), and a heavier one of
// 1,000 large alpha-blended sprites (64 x 64, about eight times the screen's pixels), drawn into
// memory as fast as they go. D3D7WindowFrame presents the benchmark scene (or an empty screen) in
// a real window at the 80 fps limit, as the game does (needs a display: xvfb-run). Each reports
// the frame statistics of FrameStats.h.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "FrameStats.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/core/ZRandom.h"
#include "engine/platform/ZPlatformMessage.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/ZFont.h"
#include "engine/render/ZView.h"
#include "engine/render/d3d7/ZRenderD3D7.h"
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

const char* const kShaders = "shaderdef sprite\nshadercode sprite_ffp\ncolor 0 basecolor FFFFFFFF\n"
                             "bool 18 texturemodulate true\nbool 0 filter true\nend\n"
                             "shaderdef font\nshadercode sprite_ffp\ncolor 0 basecolor FFFFFFFF\n"
                             "bool 18 texturemodulate true\nend\n"
                             "shaderdef particle\nshadercode sprite_ffp\ncolor 0 basecolor FFFFFFFF\n"
                             "bool 18 texturemodulate true\nbool 0 filter true\nbool 1 nodepthwrite true\n"
                             "bool 12 additive true\nend\n";

// A texture of one colour with a transparent rim (or a disc, for the large sprites).
ZTexture* MakeTexture(int size, uint32_t rgb, bool disc)
{
    auto* pixels = static_cast<uint8_t*>(std::malloc(size_t(size) * size_t(size) * 4));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            uint8_t* p = pixels + (size_t(y) * size_t(size) + size_t(x)) * 4;
            const int dx = x - size / 2, dy = y - size / 2;
            const bool rim = disc ? dx * dx + dy * dy >= size * size / 4
                                  : (x == 0 || y == 0 || x == size - 1 || y == size - 1);
            p[0] = uint8_t(rgb), p[1] = uint8_t(rgb >> 8), p[2] = uint8_t(rgb >> 16);
            p[3] = uint8_t(rim ? (disc ? 0 : 64) : 255);
        }
    return ZTexture::CreateEmpty(pixels, size, size, kTextureKeepPixels);
}

enum class SceneKind
{
    Empty,
    Benchmark,
    Large,
};

// The scene of one benchmark: a camera, sprites, texts and particles under one root.
struct BenchScene
{
    ZGroup* root = nullptr;
    ZCamera* camera = nullptr;
    std::vector<ZMaterial*> materials;

    void Build(ZShaderLibrary* library, SceneKind kind)
    {
        root = ZGroup::Create();
        camera = ZCamera::Create("benchcam", root, false, true);
        ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, 1.0f)->AddCamera(camera);
        if (kind == SceneKind::Empty)
            return;
        const bool large = kind == SceneKind::Large;
        const uint32_t colours[4] = {0xFF4040, 0x40FF40, 0x4040FF, 0xFFFF40};
        for (int i = 0; i < 4; ++i)
        {
            ZMaterial* material = ZMaterial::CreateForShader("bench_sprite", library->FindShader("sprite"));
            material->SetTexture(0, MakeTexture(large ? 64 : 16, colours[i], large), false);
            if (large)
                material->SetOpacity(0.9f);
            materials.push_back(material);
        }
        RandomSeed(1234);
        for (int i = 0; i < 1000; ++i)
        {
            const float size = large ? 64.0f : 24.0f;
            ZSprite* sprite = ZSprite::Create(size, size, PIVOT_CENTER, materials[size_t(i % 4)]);
            sprite->SetFlags(kNode2D);
            if (large)
                sprite->SetPosition(
                    V3{RandomRange(-400.0f, 400.0f), RandomRange(-300.0f, 300.0f), RandomRange(1.0f, 99.0f)});
            else
                sprite->SetPosition(V3{float(i % 40) * 19.0f - 380.0f, float(i / 40) * 22.0f - 280.0f, 0.0f});
            root->AddChild(sprite);
        }
        if (large)
            return;
        ZFont* font = ZFont::Find("defaultfont");
        std::string line;
        for (int i = 0; i < 50; ++i)
            line += char('A' + (i * 7) % 58);
        for (int i = 0; font && i < 40; ++i)
        {
            ZFontText* text = ZFontText::Create(font);
            text->SetText(line.c_str());
            text->SetPosition(V3{-230.0f, 290.0f - float(i) * 14.5f, 0.0f});
            root->AddChild(text);
        }
        ZMaterial* spark = ZMaterial::CreateForShader("bench_particle", library->FindShader("particle"));
        spark->SetTexture(0, MakeTexture(16, 0xFFC080, false), false);
        materials.push_back(spark);
        for (int e = 0; e < 4; ++e)
        {
            ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
            root->AddChild(emitter);
            emitter->AddTemplate(spark);
            emitter->SetParticleCount(200);
            emitter->particleSize = V2{20.0f, 20.0f};
            emitter->Emit(200);
            auto* records = const_cast<SParticleRecord*>(emitter->GetRecords());
            for (uint32_t i = 0; i < emitter->GetEffectiveCount(); ++i)
            {
                records[i].position = V3{float(e) * 180.0f - 270.0f + float(i % 20) * 6.0f,
                                         float(i / 20) * 12.0f - 60.0f, 0.0f};
                records[i].life = 1.0e9f;
                records[i].age = 1.0f;
            }
        }
    }

    void Destroy()
    {
        delete camera;
        delete root;
        for (ZMaterial* material : materials)
            material->ReturnToPool();
    }
};

// Frames of a scene through the back end: into memory without a window, or presented in `window`.
void RunFrames(benchmark::State& state, SceneKind kind, ZPlatformWindow* window, double fps)
{
    const int oldWidth = g_renderWidth.GetValue(), oldHeight = g_renderHeight.GetValue();
    g_renderDesktopResolution.SetValue(true);
    g_renderWidth.SetValue(kWidth);
    g_renderHeight.SetValue(kHeight);
    ZMaterial::InitPool();
    ZResourceManager* manager = ZResourceManager::GetInstance();
    auto* library = new ZShaderLibrary();
    SSoftDriverConfig config;
    config.useSdl = false;
    config.desktop = {kWidth, kHeight, 32, 60};
    config.modes = {{kWidth, kHeight, 32, 60}};
    auto* render = window ? new ZRenderD3D7() : new ZRenderD3D7(config);
    render->SetResourceManager(manager);
    // The codes exist from construction: the definitions name them before the device starts.
    library->ParseDefinitions(kShaders);
    if (render->Init(kWidth, kHeight, true, window) != 0)
    {
        state.SkipWithError("no device");
        delete render;
        delete library;
        return;
    }
    BenchScene scene;
    scene.Build(library, kind);
    render->FlushUploadQueue();
    benchframe::FrameStats stats(fps);
    for (auto _ : state)
    {
        stats.BeginFrame();
        render->RenderFrame();
        stats.EndFrame();
        // The window's messages are read every frame, as the engine's loop does.
        plat::Message message;
        while (window && plat::PeekMessage(message))
        {
        }
    }
    stats.Report(state);

    scene.Destroy();
    render->PrepareRelease();
    ZResourceManager::DestroyInstance();
    delete render;
    delete library;
    g_renderWidth.SetValue(oldWidth);
    g_renderHeight.SetValue(oldHeight);
}

void BM_D3D7Frame(benchmark::State& state)
{
    RunFrames(state, state.range(0) != 0 ? SceneKind::Large : SceneKind::Benchmark, nullptr, 0.0);
}

void BM_D3D7WindowFrame(benchmark::State& state)
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if ((driver && std::string(driver) == "dummy") || !plat::HasDisplay() || plat::InitVideo() != 0)
    {
        state.SkipWithError("no display");
        return;
    }
    {
        ZPlatformWindow window;
        if (window.Create("Quorvane frame bench", kWidth, kHeight, true) != 0)
            state.SkipWithError("no window");
        else
        {
            window.Show();
            RunFrames(state, state.range(0) != 0 ? SceneKind::Benchmark : SceneKind::Empty, &window, 80.0);
            window.Destroy();
        }
    }
    plat::ClearMessages();
    plat::ShutdownVideo();
}
BENCHMARK(BM_D3D7Frame)->ArgName("large")->Arg(0)->Arg(1)->Iterations(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_D3D7WindowFrame)->ArgName("scene")->Arg(0)->Arg(1)->Iterations(400)->Unit(benchmark::kMillisecond);
} // namespace
