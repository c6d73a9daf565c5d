// The per-frame scene work: one tree update and one 2D camera's draw list over a screenful of nodes.
#include <benchmark/benchmark.h>

#include "engine/scene/ZCamera.h"
#include "engine/scene/ZSceneTree.h"

namespace
{

class BenchSprite : public ZGeom
{
public:
    bool GetDrawKey(const ZCamera& camera, const _M44& world, uint32_t& key) override
    {
        return camera.SpriteKey(*this, world, Rectangle2D{-8.0f, -8.0f, 8.0f, 8.0f}, key);
    }
};

ZCamera* BuildScene(int groups, int perGroup)
{
    ZSceneTree* tree = ZSceneTree::GetInstance();
    ZCamera* camera = ZCamera::Create("bench", nullptr, false, true);
    tree->AddChild(camera);
    for (int g = 0; g < groups; ++g)
    {
        auto* group = ZGroup::Create();
        group->SetIs2D(true);
        group->SetPositionXYZ(float(g * 10 - 300), 0.0f, float(g));
        tree->AddChild(group);
        for (int i = 0; i < perGroup; ++i)
        {
            auto* sprite = new BenchSprite();
            sprite->SetIs2D(true);
            sprite->SetPositionXYZ(float(i * 3 - 200), float(i % 50 * 4 - 100), float((i * 37) % 200 - 100));
            group->AddChild(sprite);
        }
    }
    return camera;
}

void BM_BuildDrawList(benchmark::State& state)
{
    ZCamera* camera = BuildScene(int(state.range(0)), 100);
    for (auto _ : state)
        benchmark::DoNotOptimize(camera->BuildDrawList());
    ZSceneTree::DestroyInstance();
}
BENCHMARK(BM_BuildDrawList)->Arg(10)->Arg(40);

void BM_SceneTreeUpdate(benchmark::State& state)
{
    BuildScene(int(state.range(0)), 100);
    for (auto _ : state)
        ZSceneTree::GetInstance()->Update();
    ZSceneTree::DestroyInstance();
}
BENCHMARK(BM_SceneTreeUpdate)->Arg(10)->Arg(40);

} // namespace
