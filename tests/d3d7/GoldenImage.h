#pragma once
// Reference pictures of the renderer tests: 8-bit RGB PNG files written and read here (zlib for
// the compressed data, every field written byte by byte), and an exact or tolerant comparison.
#include <cstdint>
#include <string>
#include <vector>

namespace golden
{
struct Image
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // width x height x 3, rows top to bottom
};

// Pixels given as ARGB words (alpha ignored).
Image FromArgb(const uint32_t* pixels, int width, int height);
bool WritePng(const std::string& path, const Image& image);
// Reads 8-bit RGB or RGBA PNG files (every row filter); false for anything else or broken data.
bool ReadPng(const std::string& path, Image& image);

// The pixels whose channels differ by more than `tolerance`, and the first of them as "x,y".
struct Difference
{
    int count = 0;
    std::string first;
};
Difference Compare(const Image& a, const Image& b, int tolerance);

// The reference folder, and whether the tests write references instead of comparing
// (QV_UPDATE_GOLDEN=1).
std::string Folder();
bool Updating();
} // namespace golden
