// A whole 800 x 600 frame through the Direct3D 7 back end on the software display: the frame driver
// sorts a 2D camera's list and the fixed-function sprite code draws 1,000 textured, alpha-blended
// sprites and the 800 additive quads of four 200-particle emitters (drawn as sprites: particles
// have no renderer of their own on this back end yet). Text is not drawn: glyphs have no path
// through this back end yet.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "engine/app/ZEngineSettings.h"
#include "engine/core/ZRandom.h"
#include "engine/render/ZMaterial.h"
#include "engine/render/ZShaderLibrary.h"
#include "engine/render/ZTexture.h"
#include "engine/render/ZView.h"
#include "engine/render/d3d7/ZRenderD3D7.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZSprite.h"

namespace
{
struct BenchScene
{
    ZShaderLibrary* library = nullptr;
    ZRenderD3D7* render = nullptr;
    ZGroup* root = nullptr;
    ZCamera* camera = nullptr;
    std::vector<ZMaterial*> materials;
    std::vector<ZTexture*> textures;

    ZTexture* MakeTexture(int size, uint32_t tint)
    {
        auto* pixels = static_cast<uint8_t*>(std::malloc(size_t(size) * size_t(size) * 4));
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
            {
                const int dx = x - size / 2, dy = y - size / 2;
                const int inside = dx * dx + dy * dy < size * size / 4;
                uint8_t* p = pixels + (size_t(y) * size_t(size) + size_t(x)) * 4;
                p[0] = uint8_t(tint), p[1] = uint8_t(tint >> 8), p[2] = uint8_t(tint >> 16);
                p[3] = uint8_t(inside ? 255 : 0);
            }
        auto* texture = new ZTexture();
        texture->StoreImage(pixels, kPixelBGRA, size, size, size, size, false);
        texture->AddTextureFlags(kTexturePixels | kTextureNoAtlas);
        render->MakeTextureResident(texture);
        textures.push_back(texture);
        return texture;
    }

    BenchScene()
    {
        g_renderDesktopResolution.SetValue(true);
        g_renderWidth.SetValue(800);
        g_renderHeight.SetValue(600);
        library = new ZShaderLibrary();
        SSoftDriverConfig config;
        config.useSdl = false;
        config.desktop = {800, 600, 32, 60};
        config.modes = {{800, 600, 32, 60}};
        render = new ZRenderD3D7(config);
        render->Init(800, 600, true, nullptr);
        library->ParseDefinitions("shaderdef sprite\nshadercode sprite_ffp\ncolor 0 base 1,1,1,1\n"
                                  "bool 18 texturemodulate true\nbool 0 filter true\nend\n"
                                  "shaderdef particle\nshadercode sprite_ffp\ncolor 0 base 1,1,1,1\n"
                                  "bool 18 texturemodulate true\nbool 1 nodepthwrite true\n"
                                  "bool 12 additive true\nend\n");
        root = new ZGroup();
        camera = ZCamera::Create("bench", root, false, true);
        ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, 1.0f)->AddCamera(camera);
        RandomSeed(1234);
        const uint32_t tints[4] = {0xE04030, 0x30A0E0, 0xF0D020, 0x40C060};
        ZMaterial* spriteMaterials[4];
        ZMaterial* particleMaterials[4];
        for (int i = 0; i < 4; ++i)
        {
            spriteMaterials[i] = ZMaterial::CreateForShader("bench_sprite", library->FindShader("sprite"));
            spriteMaterials[i]->SetTexture(0, MakeTexture(64, tints[i]), false);
            spriteMaterials[i]->SetOpacity(0.9f);
            particleMaterials[i] =
                ZMaterial::CreateForShader("bench_particle", library->FindShader("particle"));
            particleMaterials[i]->SetTexture(0, MakeTexture(16, 0xFFFFFF), false);
            particleMaterials[i]->SetOpacity(0.6f);
            materials.push_back(spriteMaterials[i]);
            materials.push_back(particleMaterials[i]);
        }
        const auto place = [&](ZMaterial* material, float size, float x, float y, float z)
        {
            ZSprite* sprite = ZSprite::Create(size, size, PIVOT_CENTER, material);
            sprite->SetFlags(kNode2D);
            sprite->SetPositionXYZ(x, y, z);
            root->AddChild(sprite);
        };
        for (int i = 0; i < 1000; ++i)
            place(spriteMaterials[i % 4], 64.0f, RandomRange(-400.0f, 400.0f), RandomRange(-300.0f, 300.0f),
                  RandomRange(1.0f, 100.0f));
        for (int e = 0; e < 4; ++e)
        {
            const float cx = -300.0f + 200.0f * float(e), cy = -150.0f + 100.0f * float(e % 2);
            for (int i = 0; i < 200; ++i)
                place(particleMaterials[e], 16.0f, cx + RandomRange(-80.0f, 80.0f),
                      cy + RandomRange(-80.0f, 80.0f), RandomRange(-50.0f, 0.0f));
        }
    }

    ~BenchScene()
    {
        delete camera;
        delete root;
        for (ZMaterial* material : materials)
            material->ReturnToPool();
        for (ZTexture* texture : textures)
            delete texture;
        delete render;
        delete library;
    }
};

void BM_D3D7SceneFrame(benchmark::State& state)
{
    BenchScene scene;
    for (auto _ : state)
        benchmark::DoNotOptimize(scene.render->RenderFrame());
    state.SetItemsProcessed(int64_t(state.iterations()) * 1800);
}
BENCHMARK(BM_D3D7SceneFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
} // namespace
