// Feeds arbitrary bytes to the zip reader as an archive file: open, list, and read every member
// whole, streamed, and streamed again after seeks back and forth; a streamed read must agree with
// the whole one. Anything but a clean failure or a short read is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "FuzzMemFile.h"
#include "engine/fs/ZFile.h"
#include "engine/fs/ZZipArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::MemFile memory(data, size);
    if (!memory.Ok())
        return 0;
    ZZipArchive archive(memory.Path().c_str());
    if (archive.Open() != 0)
        return 0;
    std::vector<char> buffer(65536);
    const int count = archive.GetEntryCount();
    for (int i = 0; i < count && i < 64; ++i)
    {
        SZipEntry entry;
        if (!archive.GetEntry(i, entry))
            continue;
        std::vector<char> whole;
        bool haveWhole = false;
        if (entry.size <= (1u << 20))
        {
            whole.resize(size_t(entry.size) + 1);
            haveWhole = archive.ReadMember(i, whole.data()) == 0;
        }
        std::unique_ptr<IFile> member(archive.OpenMember(entry.name.c_str()));
        if (member && member->Open() == 0)
        {
            std::string streamed;
            while (size_t n = member->Read(buffer.data(), buffer.size()))
            {
                streamed.append(buffer.data(), n);
                if (streamed.size() > (8u << 20))
                    break;
            }
            const bool complete = streamed.size() == entry.size;
            if (haveWhole && complete && std::string(whole.data(), entry.size) != streamed)
                __builtin_trap();
            // Seeks forwards and backwards (a compressed member decodes again from its start).
            const int64_t length = member->GetSize();
            for (int64_t at : {length / 2, int64_t(0), length - 1, length / 3})
            {
                if (at < 0 || member->Seek(at, SEEK_FROM_START) != 0)
                    continue;
                const size_t n = member->Read(buffer.data(), 256);
                if (complete && n > 0 && size_t(at) + n <= streamed.size() &&
                    std::string(buffer.data(), n) != streamed.substr(size_t(at), n))
                    __builtin_trap();
            }
            member->Close();
        }
    }
    archive.Close();
    return 0;
}
