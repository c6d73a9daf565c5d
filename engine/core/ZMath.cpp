#include "engine/core/ZMath.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>

namespace
{

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
    {
        if (LowerAscii(*a) != LowerAscii(*b))
            return false;
    }
    return *a == *b;
}

// The leading number of the text as C's atof reads it, but always in the "C" locale.
double LeadingNumber(const char* text)
{
    while (IsBlank(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
    {
        negative = *text == '-';
        ++text;
    }
    // Signs were taken above; a second one is not part of a number.
    if (*text == '+' || *text == '-')
        return 0.0;
    double value = 0.0;
    const char* end = text + std::strlen(text);
    auto [ptr, ec] = std::from_chars(text, end, value, std::chars_format::general);
    if (ec != std::errc() || ptr == text || !std::isfinite(value))
        return 0.0;
    return negative ? -value : value;
}

} // namespace

uint32_t ParseAlignment(const char* text)
{
    static const char* const names[] = {"Center",      "TopLeft",     "TopRight",
                                        "BottomLeft",  "BottomRight", "MiddleLeft",
                                        "MiddleRight", "TopCenter",   "BottomCenter"};
    if (!text)
        return PIVOT_CENTER;
    for (uint32_t i = 0; i < sizeof(names) / sizeof(names[0]); ++i)
    {
        if (EqualsNoCase(text, names[i]))
            return i;
    }
    return PIVOT_CENTER;
}

float ParseFloatWithPi(const char* text)
{
    if (!text)
        return 0.0f;
    if (std::strncmp(text, "PI", 2) == 0)
    {
        if (text[2] == '\0')
            return kPi;
        if (text[2] == '2')
            return kTwoPi;
        if (text[2] == '/')
        {
            // One digit only; a zero or non-digit divisor would give an infinite or garbage angle.
            const char d = text[3];
            if (d >= '1' && d <= '9')
                return kPi / static_cast<float>(d - '0');
            return 0.0f;
        }
    }
    const double value = LeadingNumber(text);
    if (value > FLT_MAX || value < -FLT_MAX)
        return 0.0f;
    return static_cast<float>(value);
}

int32_t ParseInt(const char* text)
{
    if (!text)
        return 0;
    while (IsBlank(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
    {
        negative = *text == '-';
        ++text;
    }
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
    {
        value = value * 10 + (*text - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1)
            value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    return static_cast<int32_t>(value);
}

uint16_t NextPowerOfTwo(uint32_t n)
{
    // Sizes above 32768 have no 16-bit answer; wrapping them modulo 65536 would hand back a
    // small texture size for a huge request, so they give 0 like 65536 itself.
    if (n <= 1 || n > 32768)
        return 0;
    uint32_t p = 2;
    while (p < n)
        p <<= 1;
    return static_cast<uint16_t>(p);
}

std::string GetDateTimeString()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char buffer[64] = {};
    if (!localtime_r(&now, &local) || !asctime_r(&local, buffer))
        return std::string();
    std::string text(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}
