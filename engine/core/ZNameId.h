#pragma once
// Hashed name ids. Names are hashed once (into statics or into the objects that carry them) and from
// then on compared only as 32-bit ids. The hash is constexpr so that ids of fixed names are made at
// compile time and never depend on the order of static initialisation.
#include <cstdint>
#include <string>
#include <string_view>

// MurmurHash2 (32-bit) of `length` bytes. A null pointer hashes to 0 whatever the length; a
// negative length counts as 0. Bytes are taken unsigned and case is kept.
constexpr uint32_t ZNameHash(int32_t length, const char* bytes)
{
    if (!bytes)
        return 0;
    if (length < 0)
        length = 0;
    constexpr uint32_t m = 0x5bd1e995u;
    uint32_t h = 0x23465222u ^ uint32_t(length);
    int32_t i = 0;
    for (; length - i >= 4; i += 4)
    {
        uint32_t k = uint32_t(uint8_t(bytes[i])) | uint32_t(uint8_t(bytes[i + 1])) << 8 |
                     uint32_t(uint8_t(bytes[i + 2])) << 16 | uint32_t(uint8_t(bytes[i + 3])) << 24;
        k *= m;
        k ^= k >> 24;
        k *= m;
        h *= m;
        h ^= k;
    }
    switch (length - i)
    {
    case 3:
        h ^= uint32_t(uint8_t(bytes[i + 2])) << 16;
        [[fallthrough]];
    case 2:
        h ^= uint32_t(uint8_t(bytes[i + 1])) << 8;
        [[fallthrough]];
    case 1:
        h ^= uint32_t(uint8_t(bytes[i]));
        h *= m;
    }
    h ^= h >> 13;
    h *= m;
    h ^= h >> 15;
    return h;
}

// A 32-bit name id. Ids compare by equality only; their order means nothing.
class ZNameId
{
public:
    // The id of "no name": what a null text gives (not the hash of a null pointer, which is 0).
    static constexpr uint32_t kNone = 65535;

    constexpr ZNameId() = default;
    // From a NUL-terminated text; null gives kNone.
    constexpr ZNameId(const char* text)
        : m_id(text ? ZNameHash(int32_t(std::char_traits<char>::length(text)), text) : kNone)
    {
    }
    ZNameId(const std::string& text);
    constexpr explicit ZNameId(std::string_view text)
        : m_id(text.data() ? ZNameHash(int32_t(text.size()), text.data()) : kNone)
    {
    }
    // Wraps an id that was hashed before (read from a file, kept in a u32 field).
    static constexpr ZNameId FromValue(uint32_t id)
    {
        ZNameId n;
        n.m_id = id;
        return n;
    }

    constexpr uint32_t Value() const { return m_id; }
    constexpr operator uint32_t() const { return m_id; }
    constexpr bool IsNone() const { return m_id == kNone; }
    constexpr bool operator==(const ZNameId& other) const = default;

private:
    uint32_t m_id = kNone;
};

// Attribute names compared by the attribute setters of the serializable classes.
namespace ZAttr
{
inline constexpr ZNameId Name{"name"};
inline constexpr ZNameId Path{"path"};
inline constexpr ZNameId Filter{"filter"};
inline constexpr ZNameId Active{"active"};
inline constexpr ZNameId UseStencil{"usestencil"};
inline constexpr ZNameId DrawStencil{"drawstencil"};
inline constexpr ZNameId BlendAdd{"blendadd"};
inline constexpr ZNameId BlendShadow{"blendshadow"};
inline constexpr ZNameId Pivot{"pivot"};
inline constexpr ZNameId Width{"width"};
inline constexpr ZNameId Height{"height"};
inline constexpr ZNameId Material{"material"};
inline constexpr ZNameId Text{"text"};
inline constexpr ZNameId Font{"font"};
inline constexpr ZNameId Color{"color"};
inline constexpr ZNameId Texture{"texture"};
inline constexpr ZNameId BindTo{"bind_to"};
inline constexpr ZNameId Position{"position"};
inline constexpr ZNameId Type{"type"};
inline constexpr ZNameId Flags{"flags"};
} // namespace ZAttr
