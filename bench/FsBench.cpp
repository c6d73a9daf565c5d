// File-system speed: member reads from a zip archive and mount-name resolution.
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "engine/fs/ZMountTable.h"
#include "engine/fs/ZZipArchive.h"

namespace
{
std::string FixtureArchive()
{
    std::string here = __FILE__;
    return here.substr(0, here.rfind("bench/")) + "tests/fixtures/fs/python.zip";
}

// The 150 000-byte deflated member, read whole through a member file in 64 KB chunks.
void BM_ZipReadDeflatedMember(benchmark::State& state)
{
    ZZipArchive archive(FixtureArchive().c_str());
    if (archive.Open() != 0)
    {
        state.SkipWithError("fixture archive missing");
        return;
    }
    std::vector<char> buffer(65536);
    for (auto _ : state)
    {
        std::unique_ptr<IFile> file(archive.OpenMember("big.txt"));
        file->Open();
        size_t total = 0;
        while (size_t n = file->Read(buffer.data(), buffer.size()))
            total += n;
        file->Close();
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * 150000);
    archive.Close();
}
BENCHMARK(BM_ZipReadDeflatedMember);

// The same member in one Z_FINISH pass.
void BM_ZipReadMemberWhole(benchmark::State& state)
{
    ZZipArchive archive(FixtureArchive().c_str());
    if (archive.Open() != 0)
    {
        state.SkipWithError("fixture archive missing");
        return;
    }
    int index = archive.FindMember("big.txt");
    std::vector<char> buffer(150000);
    for (auto _ : state)
        benchmark::DoNotOptimize(archive.ReadMember(index, buffer.data()));
    state.SetBytesProcessed(state.iterations() * 150000);
    archive.Close();
}
BENCHMARK(BM_ZipReadMemberWhole);

void BM_ResolveMountPath(benchmark::State& state)
{
    ZMountTable table;
    table.AddMount("home", "/opt/quorvane");
    table.AddMount("media", "home:media");
    table.AddMount("game", "media:quorvane");
    table.AddMount("resources", "", "game:resources.brn", false);
    table.AddMount("resources", "game:");
    table.AddMount("localized", "resources:localized/en");
    std::string out;
    for (auto _ : state)
    {
        ResolveMountPath(&table, out, "localized:Strings.xml");
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_ResolveMountPath);
} // namespace
