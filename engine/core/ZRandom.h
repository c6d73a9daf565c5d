#pragma once

// The program's one pseudo-random generator: MT19937, the 32-bit Mersenne Twister, with the
// reference implementation's seeding so a given seed always draws the same sequence. A single
// global state, used from the main thread only.

#include <cstdint>

// init_genrand: reseed from one word.
void RandomSeed(uint32_t seed);
// init_by_array with a key of exactly four words.
void RandomSeedByArray(const uint32_t key[4]);
// genrand_int32; a generator that was never seeded seeds itself with 5489 first.
uint32_t RandomNext();
// RandomNext() * 2^-32 as a float in [0, 1). The few draws that would round up to 1.0 give the
// largest float below 1, so an index made from the value stays in range.
float RandomFloat();
// a + (b - a) * RandomNext() * 2^-32.
float RandomRange(float a, float b);
