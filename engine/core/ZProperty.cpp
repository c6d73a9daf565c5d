#include "engine/core/ZProperty.h"

#include "engine/core/ZPropertyManager.h"
#include "engine/core/ZUtil.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace
{
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void CopyText(const std::string& text, char* buffer, size_t size)
{
    if (!buffer || size == 0)
        return;
    const size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
}

template <class T> std::string FormatValue(const T& value)
{
    if constexpr (std::same_as<T, bool>)
        return value ? "true" : "false";
    else if constexpr (std::same_as<T, int32_t>)
        return std::to_string(value);
    else if constexpr (std::same_as<T, float>)
        return FormatSettingFloat(value);
    else
        return value;
}

template <class T> bool ParseValue(const char* text, T* value)
{
    if constexpr (std::same_as<T, bool>)
    {
        *value = ParseSettingBool(text);
        return true;
    }
    else if constexpr (std::same_as<T, int32_t>)
        return ParseSettingInt(text, value);
    else if constexpr (std::same_as<T, float>)
        return ParseSettingFloat(text, value);
    else
    {
        *value = text ? text : "";
        return true;
    }
}
} // namespace

// ---------------------------------------------------------------------------------------------------
// Text forms

bool ParseSettingBool(const char* text)
{
    return text && std::strcmp(text, "true") == 0;
}

bool ParseSettingInt(const char* text, int32_t* value)
{
    if (!text || !*text)
    {
        *value = 0;
        return true;
    }
    if (text[1] == 'x')
    {
        int digits = 0;
        const uint32_t v = ParseHexColor(text + 2, &digits);
        if (digits == 0)
            return false;
        *value = int32_t(v);
        return true;
    }
    const char* p = text;
    while (IsBlank(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (*p < '0' || *p > '9')
        return false;
    int64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
    {
        if (magnitude <= int64_t(1) << 32)
            magnitude = magnitude * 10 + (*p - '0');
    }
    const int64_t v = negative ? -magnitude : magnitude;
    if (v > std::numeric_limits<int32_t>::max())
        *value = std::numeric_limits<int32_t>::max();
    else if (v < std::numeric_limits<int32_t>::min())
        *value = std::numeric_limits<int32_t>::min();
    else
        *value = int32_t(v);
    return true;
}

bool ParseSettingFloat(const char* text, float* value)
{
    if (!text || !*text)
    {
        *value = 0.0f;
        return true;
    }
    const char* p = text;
    while (IsBlank(*p))
        ++p;
    if (*p == '+' && p[1] != '-')
        ++p;
    double d = 0.0;
    const char* end = p + std::strlen(p);
    const std::from_chars_result r = std::from_chars(p, end, d, std::chars_format::general);
    if (r.ec == std::errc::invalid_argument)
        return false;
    if (r.ec == std::errc::result_out_of_range)
    {
        // Too large keeps its sign as infinity (clamped later); too small is zero.
        const char* e = p;
        while (e < r.ptr && *e != 'e' && *e != 'E')
            ++e;
        const bool tiny = e + 1 < r.ptr && e[1] == '-';
        d = tiny ? 0.0 : std::numeric_limits<double>::infinity();
        if (*p == '-')
            d = -d;
    }
    if (std::isnan(d))
        return false;
    *value = float(d);
    return true;
}

std::string FormatSettingFloat(float value)
{
    const double y = double(value) * 10.0;
    const double n = std::trunc(y);
    const float d = float(std::fabs(n - y));
    const int precision = d < 0.001220703125f ? 1 : 8;
    char buffer[400];
    const std::to_chars_result r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    return std::string(buffer, r.ptr);
}

// ---------------------------------------------------------------------------------------------------
// ZProperty

ZProperty::ZProperty(const char* name, const char* label, const char* description, bool clamp, uint32_t flags,
                     uint32_t group)
    : m_name(name ? name : ""), m_description(description ? description : ""), m_label(label ? label : ""),
      m_group(group), m_flags(flags), m_clamp(clamp ? 1 : 0)
{
    if (ZPropertyManager* manager = ZPropertyManager::PeekInstance())
        manager->Add(this);
}

ZProperty::~ZProperty()
{
    if (ZPropertyManager* manager = ZPropertyManager::PeekInstance())
        manager->Remove(this);
}

std::string ZProperty::ToText() const
{
    if (GetKind() == Kind::Text)
        return static_cast<const ZPropertyText*>(this)->GetValue();
    char buffer[256];
    GetText(buffer, sizeof buffer);
    return buffer;
}

std::string ZProperty::DefaultToText() const
{
    if (GetKind() == Kind::Text)
        return static_cast<const ZPropertyText*>(this)->GetDefault();
    char buffer[256];
    GetDefaultText(buffer, sizeof buffer);
    return buffer;
}

void ZProperty::NotifyChanged()
{
    Deliver([this](IPropertyListener* listener) { listener->OnPropertyChanged(this); });
}

// ---------------------------------------------------------------------------------------------------
// ZPropertyTempl

template <ZPropertyValue T> T ZPropertyTempl<T>::Clamp(const T& value) const
{
    if constexpr (std::same_as<T, std::string>)
        return value;
    else
    {
        if (!m_clamp)
            return value;
        T v = value;
        if (v < m_minimum)
            v = m_minimum;
        if (v > m_maximum)
            v = m_maximum;
        return v;
    }
}

template <ZPropertyValue T>
bool ZPropertyTempl<T>::SetFromText(const char* text, bool alsoDefault, bool notify)
{
    T value{};
    if (!ParseValue(text, &value))
        return false;
    m_current = Clamp(value);
    if (notify)
        NotifyChanged();
    if (alsoDefault)
        m_default = m_current;
    return true;
}

template <ZPropertyValue T> void ZPropertyTempl<T>::GetText(char* buffer, size_t size) const
{
    CopyText(FormatValue(m_current), buffer, size);
}

template <ZPropertyValue T> void ZPropertyTempl<T>::GetDefaultText(char* buffer, size_t size) const
{
    CopyText(FormatValue(m_default), buffer, size);
}

template <ZPropertyValue T> bool ZPropertyTempl<T>::EqualsText(const char* text) const
{
    if constexpr (std::same_as<T, std::string>)
        return m_current == (text ? text : "");
    else
    {
        T value{};
        return ParseValue(text, &value) && value == m_current;
    }
}

template <ZPropertyValue T> void ZPropertyTempl<T>::Reset(bool notify)
{
    m_current = m_default;
    if (notify)
        NotifyChanged();
}

template <ZPropertyValue T> ZProperty::Kind ZPropertyTempl<T>::GetKind() const
{
    if constexpr (std::same_as<T, bool>)
        return Kind::Bool;
    else if constexpr (std::same_as<T, int32_t>)
        return Kind::Int;
    else if constexpr (std::same_as<T, float>)
        return Kind::Float;
    else
        return Kind::Text;
}

template <ZPropertyValue T> void ZPropertyTempl<T>::SetValue(const T& value)
{
    m_current = Clamp(value);
    NotifyChanged();
}

template class ZPropertyTempl<bool>;
template class ZPropertyTempl<int32_t>;
template class ZPropertyTempl<float>;
template class ZPropertyTempl<std::string>;
