// Texture loading: 50 PNG files of 256 x 256 decoded by DevIL and converted into the renderer's
// pixel format through the texture loader, as the loader thread does for every picture of a
// screen. "time_per_texture" is the figure to compare.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/render/resources/ZPixelFormat.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/render/resources/ZTextureLoader.h"
#include "engine/resource/ZResourceManager.h"

namespace
{
constexpr int kTextures = 50;
constexpr int kSide = 256;

// Pictures like the game's: soft gradients and shapes with anti-aliased alpha edges; every other
// one opaque (backgrounds and tiles), the rest with alpha (tokens, sprites).
std::vector<uint8_t> Picture(int index)
{
    std::vector<uint8_t> rgba(size_t(kSide) * kSide * 4);
    const bool alpha = index % 2 == 1;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
        {
            uint8_t* p = &rgba[(size_t(y) * kSide + x) * 4];
            const double fx = x / double(kSide), fy = y / double(kSide);
            const double wave = 0.5 + 0.5 * std::sin((fx * 7.0 + fy * 3.0 + index) * 2.0);
            p[0] = uint8_t(40 + 180 * fx * wave);
            p[1] = uint8_t(60 + 150 * fy);
            p[2] = uint8_t(120 + 120 * wave);
            const double d = std::hypot(fx - 0.5, fy - 0.5) - 0.38;
            p[3] = alpha ? uint8_t(std::clamp(0.5 - d * kSide, 0.0, 1.0) * 255.0) : 255;
        }
    return rgba;
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb"))
    {
        uint8_t chunk[65536];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
            bytes.insert(bytes.end(), chunk, chunk + n);
        std::fclose(f);
    }
    return bytes;
}

void BM_DecodePng256(benchmark::State& state)
{
    ZResourceManager::GetInstance();
    ZTextureLoaderDevil devil;
    if (devil.Init() != 0)
    {
        state.SkipWithError("DevIL does not start");
        return;
    }
    // The PNG files, written by the loader's own saver, then held in memory as the archive
    // reader would hand them over.
    char folder[] = "/tmp/qv_texbench_XXXXXX";
    if (!mkdtemp(folder))
    {
        state.SkipWithError("no temporary folder");
        return;
    }
    std::vector<std::vector<uint8_t>> files;
    for (int i = 0; i < kTextures; ++i)
    {
        const std::string path = std::string(folder) + "/t" + std::to_string(i) + ".png";
        const std::vector<uint8_t> rgba = Picture(i);
        if (!devil.Save(path.c_str(), kPixelRGBA, rgba.data(), kSide, kSide))
        {
            state.SkipWithError("cannot write the pictures");
            return;
        }
        files.push_back(ReadAll(path));
        std::remove(path.c_str());
    }
    rmdir(folder);

    size_t bytes = 0;
    for (const auto& f : files)
        bytes += f.size();
    for (auto _ : state)
    {
        for (const std::vector<uint8_t>& file : files)
        {
            ZTextureResource texture;
            if (devil.Load(&texture, file.data(), file.size(), kPixelBGRA, false) != 0)
            {
                state.SkipWithError("a picture did not decode");
                break;
            }
            benchmark::DoNotOptimize(texture.GetPixels());
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kTextures);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
    state.counters["time_per_texture"] = benchmark::Counter(
        kTextures, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    devil.Shutdown();
    ZResourceManager::DestroyInstance();
}
BENCHMARK(BM_DecodePng256)->Unit(benchmark::kMillisecond);
} // namespace
