#pragma once
// Vertex files for tests, built byte by byte, little-endian, the way the exporter writes them: a
// 12-byte header, then chunks of a 20-byte header (tag, spare, vertex count, kind word, spare) and
// 36-byte vertices (position, normal, ARGB colour, u, and v stored flipped).
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/import/ZVertexBinImport.h"

namespace qvtest
{
class VtxWriter
{
public:
    VtxWriter& U32(uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(char((value >> (8 * i)) & 0xFF));
        return *this;
    }
    VtxWriter& F32(float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return U32(bits);
    }
    VtxWriter& Header() { return U32(0x11).U32(0x22).U32(0x33); }
    VtxWriter& ChunkHeader(int32_t count, uint32_t word, uint32_t tag = ZVertexBinImport::kChunkTag)
    {
        return U32(tag).U32(0xDEAD).U32(uint32_t(count)).U32(word).U32(0xBEEF);
    }
    // Vertex i of a recognisable pattern; v is written flipped as files hold it.
    VtxWriter& Vertex(int i)
    {
        const float f = float(i);
        F32(f).F32(f + 0.5f).F32(-f);
        F32(0.0f).F32(1.0f).F32(f / 8.0f);
        U32(0xFF000000u | uint32_t(i));
        F32(f / 4.0f).F32(1.0f - 0.25f);
        return *this;
    }
    // A vertex at a chosen place and colour, facing -z, at texture corner (0, 0).
    VtxWriter& Point(float x, float y, float z, uint32_t argb)
    {
        F32(x).F32(y).F32(z);
        F32(0.0f).F32(0.0f).F32(-1.0f);
        U32(argb);
        return F32(0.0f).F32(1.0f);
    }
    VtxWriter& Chunk(int32_t count, uint32_t word, int first = 0)
    {
        ChunkHeader(count, word);
        for (int i = 0; i < count; ++i)
            Vertex(first + i);
        return *this;
    }
    // A chunk of two triangles covering the rectangle, clockwise on screen (y up), one colour.
    // Returns the chunk's byte position: the offset its part names.
    uint32_t Rectangle(float left, float bottom, float right, float top, uint32_t argb, float z = 0.0f)
    {
        const uint32_t at = uint32_t(bytes.size());
        ChunkHeader(6, 4);
        Point(left, bottom, z, argb).Point(left, top, z, argb).Point(right, bottom, z, argb);
        Point(right, bottom, z, argb).Point(left, top, z, argb).Point(right, top, z, argb);
        return at;
    }
    std::string bytes;
};
} // namespace qvtest
