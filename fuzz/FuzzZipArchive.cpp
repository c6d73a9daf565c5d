// Feeds arbitrary bytes to the zip reader as an archive file: open, list, and read every member
// both ways. Anything but a clean failure or a short read is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/fs/ZFile.h"
#include "engine/fs/ZZipArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/qv_fuzz_zip_" + std::to_string(getpid()) + ".zip";
    if (FILE* f = std::fopen(path.c_str(), "wb"))
    {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    ZZipArchive archive(path.c_str());
    if (archive.Open() != 0)
        return 0;
    std::vector<char> buffer(65536);
    const int count = archive.GetEntryCount();
    for (int i = 0; i < count && i < 64; ++i)
    {
        SZipEntry entry;
        if (!archive.GetEntry(i, entry))
            continue;
        if (entry.size <= (1u << 20))
        {
            std::vector<char> whole(size_t(entry.size) + 1);
            archive.ReadMember(i, whole.data());
        }
        std::unique_ptr<IFile> member(archive.OpenMember(entry.name.c_str()));
        if (member && member->Open() == 0)
        {
            size_t total = 0;
            while (size_t n = member->Read(buffer.data(), buffer.size()))
            {
                total += n;
                if (total > (8u << 20))
                    break;
            }
            member->Close();
        }
    }
    archive.Close();
    return 0;
}
