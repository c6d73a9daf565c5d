#include "engine/core/ZNameId.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
struct HashCase
{
    const char* text;
    uint32_t expected; // worked out from the algorithm by hand, independently of this code
};

// One case per tail length (0..3 bytes left after the 4-byte blocks) plus bytes above 0x7f.
const HashCase kCases[] = {
    {"", 0xee225d17u},     {"a", 0x05c86979u},         {"ab", 0x03d5699eu},    {"abc", 0x481df2f8u},
    {"name", 0x2d041dd3u}, {"Name", 0x7ba9e009u},      {"width", 0x11bff68cu}, {"profile", 0xb3c135ffu},
    {"\xff", 0xb6c24c5du}, {"\xe9t\xe9", 0x4acb1403u},
};

TEST(NameId, HashMatchesMurmurHash2)
{
    for (const HashCase& c : kCases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ZNameHash(int32_t(std::strlen(c.text)), c.text), c.expected);
        EXPECT_EQ(ZNameId(c.text).Value(), c.expected);
        EXPECT_EQ(ZNameId(std::string(c.text)).Value(), c.expected);
    }
}

TEST(NameId, HashIsUsableAtCompileTime)
{
    static_assert(ZNameId("name") == ZAttr::Name);
    static_assert(ZNameHash(3, "abc") == 0x481df2f8u);
    EXPECT_EQ(ZAttr::BindTo, ZNameId("bind_to"));
}

TEST(NameId, NullAndEmptyNames)
{
    EXPECT_EQ(ZNameHash(5, nullptr), 0u);
    EXPECT_EQ(ZNameId(static_cast<const char*>(nullptr)).Value(), ZNameId::kNone);
    EXPECT_EQ(ZNameId().Value(), 65535u);
    EXPECT_TRUE(ZNameId(static_cast<const char*>(nullptr)).IsNone());
    EXPECT_FALSE(ZNameId("").IsNone());
    EXPECT_EQ(ZNameHash(-4, "abcd"), ZNameHash(0, ""));
}

TEST(NameId, CaseMattersAndIdsCompareByValue)
{
    EXPECT_NE(ZNameId("Name"), ZNameId("name"));
    EXPECT_EQ(ZNameId("name"), ZNameId::FromValue(0x2d041dd3u));
    uint32_t raw = ZNameId("width");
    EXPECT_EQ(raw, ZAttr::Width.Value());
    // Only the given length is hashed, so a name inside a longer buffer hashes like the name alone.
    EXPECT_EQ(ZNameHash(4, "namexyz"), ZNameId("name").Value());
}
} // namespace
