#include "engine/import/ZMatPosAnimationImport.h"

#include <cstring>

#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZStream.h"
#include "engine/scene/ZGeom.h"

namespace
{

// Animation files are small; anything beyond this is not one.
constexpr int64_t kMaxFileSize = int64_t(1) << 30;

uint32_t GetU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t GetU16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

float GetF32(const uint8_t* p)
{
    const uint32_t bits = GetU32(p);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

bool ReadExactly(ZStream* stream, int64_t offset, void* buffer, size_t count)
{
    if (stream->Seek(offset) != 0)
        return false;
    return count == 0 || stream->Read(buffer, count) == count;
}

void DecodeKey(const uint8_t* p, ZAnimKey& key)
{
    key.pose.SetIdentity();
    for (int r = 0; r < 3; ++r)
    {
        for (int c = 0; c < 3; ++c)
            key.pose.m[r][c] = GetF32(p + 4 * (3 * r + c));
    }
    for (int c = 0; c < 3; ++c)
        key.pose.m[3][c] = GetF32(p + 36 + 4 * c);
    key.time = double(GetF32(p + 48));
    key.flags = GetU16(p + 52);
}

} // namespace

int ZMatPosAnimationImport::Import(ZStream* stream, const char* fileName)
{
    (void)fileName;
    m_tracks.clear();
    if (!stream)
        return 1;
    const int64_t size = stream->GetSize();
    if (size < int64_t(kTrailerSize) || size > kMaxFileSize)
        return 1;
    uint8_t trailer[kTrailerSize];
    if (!ReadExactly(stream, size - kTrailerSize, trailer, sizeof(trailer)))
        return 1;
    if (GetU32(trailer) != kMagic)
        return 1;
    const uint64_t count = GetU32(trailer + 4);
    if (count > uint64_t(size - kTrailerSize) / kTrackRecordSize)
        return 1;
    const int64_t tableStart = size - kTrailerSize - int64_t(count * kTrackRecordSize);
    std::vector<uint8_t> table(size_t(count * kTrackRecordSize));
    if (!ReadExactly(stream, tableStart, table.data(), table.size()))
        return 1;

    std::vector<std::unique_ptr<ZAnimTrack>> tracks;
    tracks.reserve(size_t(count));
    std::vector<uint8_t> keys;
    // Tracks may name overlapping key ranges, and each copies its own: what a file makes is bounded
    // by the key area it has, so that a small file cannot ask for gigabytes.
    uint64_t keyBytes = 0;
    for (uint64_t i = 0; i < count; ++i)
    {
        const uint8_t* record = table.data() + i * kTrackRecordSize;
        char name[kTrackNameSize];
        std::memcpy(name, record, kTrackNameSize);
        name[kTrackNameSize - 1] = 0;
        const uint32_t begin = GetU32(record + kTrackNameSize);
        const uint32_t end = GetU32(record + kTrackNameSize + 4);
        // Keys lie before the table; an end below the begin would wrap the count.
        if (begin > end || int64_t(end) > tableStart)
            return 1;
        keyBytes += end - begin;
        if (keyBytes > uint64_t(tableStart))
            return 1;
        const uint32_t keyCount = (end - begin) / kKeyRecordSize;
        auto track = std::make_unique<ZAnimTrack>();
        track->name = name;
        track->keys.resize(keyCount);
        keys.resize(size_t(keyCount) * kKeyRecordSize);
        if (!ReadExactly(stream, begin, keys.data(), keys.size()))
            return 1;
        for (uint32_t k = 0; k < keyCount; ++k)
            DecodeKey(keys.data() + size_t(k) * kKeyRecordSize, track->keys[k]);
        tracks.push_back(std::move(track));
    }
    m_tracks = std::move(tracks);
    return 0;
}

int ZMatPosAnimationImport::ImportFile(ZAnimation*& out, ZNode* root, uint32_t animationId, const char* path)
{
    if (!path || !*path || !root)
        return 1;
    ZFileSystem* fileSystem = ZFileSystem::GetInstance();
    if (!fileSystem)
        return 1;
    std::unique_ptr<IFile> file(fileSystem->Open(path, FILE_READ));
    if (!file || file->Open() != 0 || !file->IsOpen())
        return 1;
    const int64_t size = file->GetSize();
    if (size < 0 || size > kMaxFileSize)
        return 1;
    std::vector<uint8_t> data(static_cast<size_t>(size));
    if (size > 0 && file->Read(data.data(), data.size()) != data.size())
        return 1;
    file.reset();

    ZMemoryStream stream(data.data(), uint32_t(size));
    if (Import(&stream, path) != 0)
        return 1;

    ZAnimation* animation = ZAnimation::Make();
    for (auto& track : m_tracks)
    {
        ZNode* node = root->FindNode(track->name.c_str());
        if (!node || !node->IsA<ZGeom>())
            continue;
        if (node->GetParent() == root)
        {
            auto* set = ZEntityCast<ZAnimationSet>(node->FindChildAnimationSet());
            if (!set)
                set = ZAnimationSet::Create(node);
            set->SetAnimation(animationId, animation);
        }
        if (track->KeyCount() > 0)
        {
            animation->tracks[node] = track.get();
            animation->ownedTracks.push_back(std::move(track));
        }
    }
    m_tracks.clear();
    out = animation;
    return 0;
}
