#include "engine/core/ZUtil.h"

#include "engine/core/ZProperty.h"
#include "engine/platform/ZPlatformSystem.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

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

namespace
{
bool IsWordBlank(char c)
{
    return c == ' ' || c == '\t';
}
} // namespace

int SplitCommandLine(char* text, char** words, int maxWords)
{
    if (!text || !words || maxWords <= 0)
        return 0;
    int count = 0;
    char quote = 0;
    char* p = text;
    while (IsWordBlank(*p))
        *p++ = 0;
    if (!*p)
        return 0;
    words[count++] = p;
    while (*p)
    {
        if (quote)
        {
            if (*p == quote)
                quote = 0;
            ++p;
            continue;
        }
        if (*p == '"' || *p == '\'')
        {
            quote = *p++;
            continue;
        }
        if (!IsWordBlank(*p))
        {
            ++p;
            continue;
        }
        while (IsWordBlank(*p))
            *p++ = 0;
        if (!*p)
            break;
        if (count >= maxWords)
            break;
        words[count++] = p;
    }
    return count;
}

int ZCommandLine::Set(const char* line)
{
    const size_t n = line ? strnlen(line, kMaxBytes - 1) : 0;
    if (n)
        std::memcpy(m_buffer, line, n);
    m_buffer[n] = 0;
    m_count = SplitCommandLine(m_buffer, m_words, kMaxWords);
    return m_count;
}

ZCommandLine& ZCommandLine::operator=(const ZCommandLine& other)
{
    if (this == &other)
        return *this;
    std::memcpy(m_buffer, other.m_buffer, sizeof(m_buffer));
    m_count = other.m_count;
    for (int i = 0; i < kMaxWords; ++i)
        m_words[i] = i < m_count ? m_buffer + (other.m_words[i] - other.m_buffer) : nullptr;
    return *this;
}

int ZCommandLine::SetWords(int count, const char* const* words)
{
    m_count = 0;
    size_t used = 0;
    for (int i = 0; words && i < count && m_count < kMaxWords; ++i)
    {
        const char* word = words[i] ? words[i] : "";
        const size_t n = std::strlen(word);
        if (used + n + 1 > kMaxBytes)
            break;
        std::memcpy(m_buffer + used, word, n + 1);
        m_words[m_count++] = m_buffer + used;
        used += n + 1;
    }
    return m_count;
}

bool HasExtension(const char* path, const char* extension)
{
    if (!path || !extension)
        return false;
    const char* dot = std::strrchr(path, '.');
    if (!dot)
        return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (; *dot && *extension; ++dot, ++extension)
    {
        if (lower(*dot) != lower(*extension))
            return false;
    }
    return *dot == *extension;
}

std::string TrimString(const char* text)
{
    if (!text)
        return {};
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    size_t end = std::strlen(text);
    while (end > 0 && blank(text[end - 1]))
        --end;
    size_t start = 0;
    while (start < end && blank(text[start]))
        ++start;
    return std::string(text + start, end - start);
}

bool ParseBool(const char* text)
{
    return text && (text[0] == '1' || std::strcmp(text, "true") == 0);
}

std::string FormatShort(const char* format, ...)
{
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    return buffer;
}

float ClampFloat(float value, float low, float high)
{
    if (!(value >= low))
        return low;
    if (value > high)
        return high;
    return value;
}

void ValueToString(const ZProperty* setting, char* text)
{
    if (!text)
        return;
    text[0] = 0;
    if (setting)
        setting->GetText(text, 128);
}

std::string ValueToString(const ZProperty& setting)
{
    return setting.ToText();
}

void GetOSName(char* buffer)
{
    if (!buffer)
        return;
    plat::OSVersion os;
    if (!plat::GetOSVersion(os))
    {
        std::snprintf(buffer, 128, "unknown");
        return;
    }
    std::snprintf(buffer, 128, "%s %i.%i (%s) %s", os.name.c_str(), os.major, os.minor, os.release.c_str(),
                  os.machine.c_str());
}

bool IsUserAdmin()
{
    return plat::IsUserAdmin();
}
