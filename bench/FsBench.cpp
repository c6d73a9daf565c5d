// File-system speed: member reads from a zip archive and mount-name resolution.
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <zlib.h>

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
// A resource archive of the game's size, made here so that every run reads the same bytes: 300
// members of 44 to 176 KB, every other one deflated text and the others stored noise (images and
// sounds arrive compressed already), about 20 MB in all. Written field by field, little-endian.
class BenchArchive
{
public:
    static const BenchArchive& Get()
    {
        static const BenchArchive archive;
        return archive;
    }
    std::string path = "/tmp/qv_bench_resources.zip";
    uint64_t uncompressed = 0;
    uint64_t fileSize = 0;
    int members = 0;
    bool ok = false;

private:
    BenchArchive()
    {
        std::vector<uint8_t> out;
        std::vector<uint8_t> directory;
        uint32_t seed = 12345;
        auto next = [&seed]()
        {
            seed = seed * 1664525u + 1013904223u;
            return seed >> 8;
        };
        static const char* const kWords[] = {"tile ",  "token ", "crew ",  "dive ",  "air ",   "pearl ",
                                             "reef ",  "shell ", "coral ", "depth ", "chest ", "map\n",
                                             "level ", "score ", "power ", "wreck "};
        for (int i = 0; i < 300; ++i)
        {
            const uint32_t size = 45056 + uint32_t((i * 7919) % 135168);
            const bool deflated = i % 2 == 0;
            std::vector<uint8_t> data;
            data.reserve(size);
            while (data.size() < size)
            {
                if (deflated)
                {
                    for (const char* w = kWords[next() % 16]; *w && data.size() < size; ++w)
                        data.push_back(uint8_t(*w));
                }
                else
                    data.push_back(uint8_t(next()));
            }
            std::vector<uint8_t> packed;
            if (deflated)
            {
                z_stream z{};
                deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
                packed.resize(deflateBound(&z, size));
                z.next_in = data.data();
                z.avail_in = size;
                z.next_out = packed.data();
                z.avail_out = uInt(packed.size());
                deflate(&z, Z_FINISH);
                packed.resize(z.total_out);
                deflateEnd(&z);
            }
            else
                packed = data;
            const uint32_t crc = uint32_t(crc32(0, data.data(), size));
            const std::string name = "bench/member_" + std::to_string(i) + (deflated ? ".xml" : ".png");
            const uint32_t offset = uint32_t(out.size());
            const uint16_t method = deflated ? 8 : 0;
            U32(out, 0x04034b50);
            U16(out, 20);
            U16(out, 0);
            U16(out, method);
            U32(out, 0); // time and date
            U32(out, crc);
            U32(out, uint32_t(packed.size()));
            U32(out, size);
            U16(out, uint16_t(name.size()));
            U16(out, 0);
            out.insert(out.end(), name.begin(), name.end());
            out.insert(out.end(), packed.begin(), packed.end());

            U32(directory, 0x02014b50);
            U16(directory, 20);
            U16(directory, 20);
            U16(directory, 0);
            U16(directory, method);
            U32(directory, 0);
            U32(directory, crc);
            U32(directory, uint32_t(packed.size()));
            U32(directory, size);
            U16(directory, uint16_t(name.size()));
            U16(directory, 0);
            U16(directory, 0);
            U16(directory, 0);
            U16(directory, 0);
            U32(directory, 0);
            U32(directory, offset);
            directory.insert(directory.end(), name.begin(), name.end());
            uncompressed += size;
            ++members;
        }
        const uint32_t directoryAt = uint32_t(out.size());
        out.insert(out.end(), directory.begin(), directory.end());
        U32(out, 0x06054b50);
        U16(out, 0);
        U16(out, 0);
        U16(out, uint16_t(members));
        U16(out, uint16_t(members));
        U32(out, uint32_t(directory.size()));
        U32(out, directoryAt);
        U16(out, 0);
        fileSize = out.size();
        if (FILE* f = std::fopen(path.c_str(), "wb"))
        {
            ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
            ok = std::fclose(f) == 0 && ok;
        }
    }
    static void U16(std::vector<uint8_t>& v, uint16_t x)
    {
        v.push_back(uint8_t(x));
        v.push_back(uint8_t(x >> 8));
    }
    static void U32(std::vector<uint8_t>& v, uint32_t x)
    {
        U16(v, uint16_t(x));
        U16(v, uint16_t(x >> 16));
    }
};

// Every member of the archive read once: whole in one pass (0), or through member files in 64 KB
// reads (1). Throughput counts the bytes delivered; compare `unzip -p` of the same file.
void BM_ZipReadWholeArchive(benchmark::State& state)
{
    const BenchArchive& bench = BenchArchive::Get();
    if (!bench.ok)
    {
        state.SkipWithError("could not write the archive");
        return;
    }
    ZZipArchive archive(bench.path.c_str());
    if (archive.Open() != 0 || archive.GetEntryCount() != bench.members)
    {
        state.SkipWithError("archive did not open");
        return;
    }
    std::vector<char> buffer(1 << 20);
    uint64_t total = 0;
    for (auto _ : state)
    {
        total = 0;
        for (int i = 0; i < archive.GetEntryCount(); ++i)
        {
            SZipEntry entry;
            archive.GetEntry(i, entry);
            if (state.range(0) == 0)
            {
                if (buffer.size() < entry.size)
                    buffer.resize(entry.size);
                if (archive.ReadMember(i, buffer.data()) == 0)
                    total += entry.size;
            }
            else
            {
                std::unique_ptr<IFile> file(archive.OpenMember(entry.name.c_str()));
                if (!file || file->Open() != 0)
                    continue;
                while (size_t n = file->Read(buffer.data(), 65536))
                    total += n;
                file->Close();
            }
        }
        benchmark::DoNotOptimize(total);
    }
    if (total != bench.uncompressed)
        state.SkipWithError("members read short");
    state.SetBytesProcessed(int64_t(state.iterations() * bench.uncompressed));
    state.counters["archive_MB"] = double(bench.fileSize) / 1.0e6;
    state.counters["members"] = double(bench.members);
    archive.Close();
}
BENCHMARK(BM_ZipReadWholeArchive)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same archive through `unzip -p` (every member to a pipe), read by this process: the
// yardstick for BM_ZipReadWholeArchive in the same run. The goal is at least 0.8 x its speed.
void BM_UnzipPipeWholeArchive(benchmark::State& state)
{
    const BenchArchive& bench = BenchArchive::Get();
    if (!bench.ok || std::system("command -v unzip > /dev/null 2>&1") != 0)
    {
        state.SkipWithError("no archive or no unzip");
        return;
    }
    const std::string command = "unzip -p '" + bench.path + "'";
    std::vector<char> buffer(1 << 20);
    uint64_t total = 0;
    for (auto _ : state)
    {
        total = 0;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
        {
            state.SkipWithError("unzip did not start");
            return;
        }
        while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
            total += n;
        pclose(pipe);
        benchmark::DoNotOptimize(total);
    }
    if (total != bench.uncompressed)
        state.SkipWithError("unzip gave a different size");
    state.SetBytesProcessed(int64_t(state.iterations() * bench.uncompressed));
}
// Real time: the work is done by the unzip process, not by this one.
BENCHMARK(BM_UnzipPipeWholeArchive)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
