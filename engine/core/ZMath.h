#pragma once

// Scalar helpers shared by the value types: the near-zero tolerance, pivot codes,
// the text-to-number rules of attribute readers and small integer helpers.

#include <cstdint>
#include <string>

// 1/8192: below it a value counts as zero, within it of 1 a value counts as one.
inline constexpr float kMathTolerance = 1.0f / 8192.0f;
inline constexpr float kPi = 3.14159265358979323846f;
inline constexpr float kHalfPi = kPi * 0.5f;
inline constexpr float kTwoPi = kPi * 2.0f;

// Both ends of [-tol, tol] and [1 - tol, 1 + tol] count.
inline bool IsNearZero(float v)
{
    return v >= -kMathTolerance && v <= kMathTolerance;
}
inline bool IsNearOne(float v)
{
    return v >= 1.0f - kMathTolerance && v <= 1.0f + kMathTolerance;
}

// Where a sized node's origin sits on its rectangle. Y grows upwards.
enum ZPivot : uint32_t
{
    PIVOT_CENTER = 0,
    PIVOT_TOPLEFT = 1,
    PIVOT_TOPRIGHT = 2,
    PIVOT_BOTTOMLEFT = 3,
    PIVOT_BOTTOMRIGHT = 4,
    PIVOT_MIDDLELEFT = 5,
    PIVOT_MIDDLERIGHT = 6,
    PIVOT_TOPCENTER = 7,
    PIVOT_BOTTOMCENTER = 8,
};

// Pivot name ("Center", "TopLeft", ... any letter case) to its code; null or unknown text gives 0.
uint32_t ParseAlignment(const char* text);

// A float attribute: "PI" = pi, "PI/d" = pi / d for a digit d of 1-9, "PI2..." = 2 pi; anything
// else reads its leading decimal number in the "C" locale, 0 when there is none. Text that would
// make an infinite or undefined value ("PI/0", "inf", "nan", overflow) reads as 0.
float ParseFloatWithPi(const char* text);

// An integer attribute: leading blanks, optional sign, decimal digits; 0 when there are none.
// Values beyond the 32-bit range saturate instead of being undefined.
int32_t ParseInt(const char* text);

// The power of two p with p/2 < n <= p, for texture sizes; 0 when n <= 1 or n > 32768
// (65536 does not fit the 16-bit result, and the renderer reads 0 as "too large").
uint16_t NextPowerOfTwo(uint32_t n);

// The local date and time in the asctime form, without the trailing line break.
std::string GetDateTimeString();
