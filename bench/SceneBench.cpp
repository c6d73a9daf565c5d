// The per-frame scene work: one tree update and one 2D camera's draw list over a screenful of nodes.
#include <benchmark/benchmark.h>

#include "engine/controllers/ZInterpolate.h"
#include "engine/core/ZFrameTimer.h"
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

// One whole scene frame: the tree update (500 running interpolators moving their sprites among
// 5,000 nodes) and the 2D camera's draw list. Reported per scene node.
void BM_SceneFrame5000Nodes(benchmark::State& state)
{
    constexpr int kGroups = 50;
    constexpr int kPerGroup = 99; // 50 groups + 4,950 sprites = 5,000 nodes
    constexpr int kInterpolators = 500;
    ZFrameTimer timer;
    ZFrameTimer* saved = g_frameTimer;
    g_frameTimer = &timer;
    timer.now = 1.0;
    timer.frameDelta = 1.0 / 60.0;
    ZCamera* camera = BuildScene(kGroups, kPerGroup);
    int made = 0;
    for (ZNode* group = ZSceneTree::GetInstance()->GetFirstChild(); group && made < kInterpolators;
         group = group->GetNextSibling())
    {
        int inGroup = 0;
        for (ZNode* child = group->GetFirstChild(); child && inGroup < 10; child = child->GetNextSibling())
        {
            auto* geom = static_cast<ZGeom*>(child);
            const V3 from = geom->Position();
            // Long enough never to end while measured.
            ZInterpolate* move = ZInterpolate::Create(geom, from, from + V3{40.0f, -30.0f, 0.0f}, 1.0e6f);
            move->SetActive(true);
            ++made;
            ++inGroup;
        }
    }
    if (made != kInterpolators)
        state.SkipWithError("scene smaller than asked");
    ZSceneTree* tree = ZSceneTree::GetInstance();
    for (auto _ : state)
    {
        timer.now += timer.frameDelta;
        tree->Update();
        benchmark::DoNotOptimize(camera->BuildDrawList());
    }
    constexpr int64_t kNodes = kGroups * (kPerGroup + 1);
    state.SetItemsProcessed(state.iterations() * kNodes);
    // Seconds per node (shown with its unit prefix, e.g. "64n").
    state.counters["per_node"] =
        benchmark::Counter(double(state.iterations()) * double(kNodes),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["draw_entries"] = double(camera->GetEntryCount());
    ZSceneTree::DestroyInstance();
    g_frameTimer = saved;
}
BENCHMARK(BM_SceneFrame5000Nodes)->Unit(benchmark::kMicrosecond);

} // namespace
