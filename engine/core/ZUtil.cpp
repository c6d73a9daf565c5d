#include "engine/core/ZUtil.h"

namespace
{
int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

uint32_t ParseHexColor(const char* text, int* digits)
{
    uint32_t value = 0;
    int count = 0;
    while (text && count < 8)
    {
        const int d = HexDigit(text[count]);
        if (d < 0)
            break;
        value = value << 4 | uint32_t(d);
        ++count;
    }
    if (digits)
        *digits = count;
    return value;
}
