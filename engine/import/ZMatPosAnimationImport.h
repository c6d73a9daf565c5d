#pragma once
// Reader of keyframed animation files ("anim"), read from their end, little-endian:
//   last 8 bytes       u32 magic 0x616E696D, u32 track count N
//   before them        N track records of 136 bytes: 128-byte NUL-terminated node path,
//                      u32 offset of the first key record, u32 offset just past the last
//   before the table   key records of 56 bytes: nine f32 orientation (row by row), three f32
//                      position, f32 time, u16 flags (bit 0 hidden), u16 unused
// The file comes from outside the program, so every count and offset is checked against the
// file before it is used: a damaged file is refused whole.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/controllers/ZAnimationSet.h"

class ZStream;

class ZMatPosAnimationImport
{
public:
    static constexpr uint32_t kMagic = 0x616E696D;
    static constexpr uint32_t kTrailerSize = 8;
    static constexpr uint32_t kTrackRecordSize = 136;
    static constexpr uint32_t kTrackNameSize = 128;
    static constexpr uint32_t kKeyRecordSize = 56;

    // Reads every track into this importer, in file order. 0 on success; 1 without a stream,
    // with a wrong magic, a count or offset outside the file, or a short read (nothing is kept).
    int Import(ZStream* stream, const char* fileName);
    // Reads the file, builds an animation from it and binds its tracks to the nodes below
    // `root` (see the source). 0 on success, 1 on any failure (no animation is made).
    int ImportFile(ZAnimation*& out, ZNode* root, uint32_t animationId, const char* path);

    const std::vector<std::unique_ptr<ZAnimTrack>>& GetTracks() const { return m_tracks; }

private:
    std::vector<std::unique_ptr<ZAnimTrack>> m_tracks;
};
