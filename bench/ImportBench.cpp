// Scene XML import of a screen-sized layout held in memory: parse, create, set attributes and
// attach 2,000 elements per run. Counters report elements per second.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/import/ZSceneXMLImport2.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"

namespace
{
constexpr int kPanels = 200;
constexpr int kPerPanel = 9; // each panel and its 9 children: 2,000 elements

std::string MakeLayout()
{
    std::string xml = "<scene>\n<scenetree>\n";
    for (int p = 0; p < kPanels; ++p)
    {
        xml += "  <group name=\"panel" + std::to_string(p) + "\" active=\"true\">\n";
        for (int c = 0; c < kPerPanel; ++c)
            xml += "    <group name=\"item" + std::to_string(c) +
                   "\" hidden=\"false\" tip=\"unused &amp; skipped\"/>\n";
        xml += "  </group>\n";
    }
    xml += "</scenetree>\n</scene>\n";
    return xml;
}

void BM_SceneXMLImport2000Elements(benchmark::State& state)
{
    ZSceneTree* tree = ZSceneTree::GetInstance();
    const std::string xml = MakeLayout();
    ZSceneXMLImport2 import;
    for (auto _ : state)
    {
        ZGroup* parent = ZGroup::Create();
        import.SetParentNode(parent);
        if (import.ImportBuffer(xml.data(), xml.size()) != 0)
            state.SkipWithError("import failed");
        benchmark::DoNotOptimize(parent->GetFirstChild());
        state.PauseTiming();
        delete parent;
        state.ResumeTiming();
    }
    const int64_t elements = int64_t(kPanels) * (kPerPanel + 1);
    state.SetItemsProcessed(state.iterations() * elements);
    state.counters["elements"] = double(elements);
    (void)tree;
}
BENCHMARK(BM_SceneXMLImport2000Elements)->Unit(benchmark::kMillisecond);
} // namespace
