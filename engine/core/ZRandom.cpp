#include "engine/core/ZRandom.h"

#include <bit>

namespace
{

constexpr int kStateWords = 624;
constexpr int kShift = 397;
constexpr uint32_t kMatrixA = 0x9908b0dfu;
constexpr uint32_t kUpperMask = 0x80000000u;
constexpr uint32_t kLowerMask = 0x7fffffffu;
constexpr double kTwoPowMinus32 = 1.0 / 4294967296.0;

uint32_t g_state[kStateWords];
// kStateWords + 1 means never seeded.
int g_index = kStateWords + 1;

void Regenerate()
{
    auto twist = [](uint32_t upper, uint32_t lower, uint32_t far)
    {
        const uint32_t y = (upper & kUpperMask) | (lower & kLowerMask);
        return far ^ (y >> 1) ^ ((y & 1u) ? kMatrixA : 0u);
    };
    int k = 0;
    for (; k < kStateWords - kShift; ++k)
        g_state[k] = twist(g_state[k], g_state[k + 1], g_state[k + kShift]);
    for (; k < kStateWords - 1; ++k)
        g_state[k] = twist(g_state[k], g_state[k + 1], g_state[k + kShift - kStateWords]);
    g_state[kStateWords - 1] = twist(g_state[kStateWords - 1], g_state[0], g_state[kShift - 1]);
    g_index = 0;
}

} // namespace

void RandomSeed(uint32_t seed)
{
    g_state[0] = seed;
    for (int i = 1; i < kStateWords; ++i)
    {
        const uint32_t prev = g_state[i - 1];
        g_state[i] = 1812433253u * (prev ^ (prev >> 30)) + static_cast<uint32_t>(i);
    }
    g_index = kStateWords;
}

void RandomSeedByArray(const uint32_t key[4])
{
    constexpr int keyLength = 4;
    RandomSeed(19650218u);
    int i = 1;
    int j = 0;
    for (int k = kStateWords; k > 0; --k)
    {
        const uint32_t prev = g_state[i - 1];
        g_state[i] = (g_state[i] ^ ((prev ^ (prev >> 30)) * 1664525u)) + key[j] + static_cast<uint32_t>(j);
        ++i;
        ++j;
        if (i >= kStateWords)
        {
            g_state[0] = g_state[kStateWords - 1];
            i = 1;
        }
        if (j >= keyLength)
            j = 0;
    }
    for (int k = kStateWords - 1; k > 0; --k)
    {
        const uint32_t prev = g_state[i - 1];
        g_state[i] = (g_state[i] ^ ((prev ^ (prev >> 30)) * 1566083941u)) - static_cast<uint32_t>(i);
        ++i;
        if (i >= kStateWords)
        {
            g_state[0] = g_state[kStateWords - 1];
            i = 1;
        }
    }
    g_state[0] = 0x80000000u;
}

uint32_t RandomNext()
{
    if (g_index >= kStateWords)
    {
        if (g_index == kStateWords + 1)
            RandomSeed(5489u);
        Regenerate();
    }
    uint32_t y = g_state[g_index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    y ^= y >> 18;
    return y;
}

float RandomFloat()
{
    const float value = static_cast<float>(static_cast<double>(RandomNext()) * kTwoPowMinus32);
    if (value >= 1.0f)
        return std::bit_cast<float>(0x3F7FFFFFu);
    return value;
}

float RandomRange(float a, float b)
{
    const double t = static_cast<double>(RandomNext()) * kTwoPowMinus32;
    return static_cast<float>(a + (static_cast<double>(b) - a) * t);
}
