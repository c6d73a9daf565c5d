// The token-type table, the level's type choice and the token textures.
#include "game/dive/model/ZTokenType.h"

#include <cstdio>
#include <cstring>

#include "engine/core/ZNameId.h"
#include "engine/render/resources/ZTexture.h"

namespace
{
constexpr uint32_t Family(const char* name)
{
    const char* last = nullptr;
    for (const char* p = name; *p; ++p)
    {
        if (*p == '_')
            last = p;
    }
    const int32_t length = last ? int32_t(last - name) : int32_t(std::char_traits<char>::length(name));
    return ZNameHash(length, name);
}

#define QV_CREATURE(name, group) {name, {}, 1.0f, group, Family(name)}
#define QV_TREASURE(name, value) {name, {}, value, kColourTreasure, Family(name)}

const ZTokenTypeInfo* s_levelRows[kLevelTokenTypes] = {};
ZTextureResource* s_artifactTexture = nullptr;

void Drop(ZTextureResource*& texture)
{
    if (texture)
        texture->Release();
    texture = nullptr;
}
} // namespace

ZTokenTypeInfo g_tokenTypes[kTokenTypeRowCount + 1] = {
    QV_CREATURE("red_blowfish", kColourRed),
    QV_CREATURE("red_crab", kColourRed),
    QV_CREATURE("red_orangefish", kColourRed),
    QV_CREATURE("green_octopus", kColourGreen),
    QV_CREATURE("green_jellyfish", kColourGreen),
    QV_CREATURE("green_turtle", kColourGreen),
    QV_CREATURE("blue_starfish", kColourBlue),
    QV_CREATURE("blue_seahorse", kColourBlue),
    QV_CREATURE("blue_fish", kColourBlue),
    QV_TREASURE("treasure_bad_0", 25.0f),
    QV_TREASURE("treasure_bad_1", 25.0f),
    QV_TREASURE("treasure_bad_2", 25.0f),
    QV_TREASURE("treasure_copper_0", 50.0f),
    QV_TREASURE("treasure_copper_1", 50.0f),
    QV_TREASURE("treasure_copper_2", 50.0f),
    QV_TREASURE("treasure_silver_0", 80.0f),
    QV_TREASURE("treasure_silver_1", 80.0f),
    QV_TREASURE("treasure_silver_2", 80.0f),
    QV_TREASURE("treasure_gold_0", 120.0f),
    QV_TREASURE("treasure_gold_1", 120.0f),
    QV_TREASURE("treasure_gold_2", 120.0f),
    QV_TREASURE("treasure_super_0", 160.0f),
    QV_TREASURE("treasure_super_1", 160.0f),
    QV_TREASURE("treasure_super_2", 160.0f),
    {nullptr, {}, 0.0f, kColourTreasure, ZNameHash(0, "")},
};

uint32_t TokenFamilyId(const char* name)
{
    return name ? Family(name) : ZNameHash(0, "");
}

const ZTokenTypeInfo* FindTokenType(const char* name, const char* seed, const ZTokenTypeInfo* const* taken,
                                    int32_t takenCount)
{
    if (!name)
        return nullptr;
    for (int32_t i = 0; i < kTokenTypeRowCount; ++i)
    {
        if (std::strcmp(g_tokenTypes[i].name, name) == 0)
            return &g_tokenTypes[i];
    }
    const uint32_t family = ZNameHash(int32_t(std::strlen(name)), name);
    int32_t first = -1;
    uint32_t count = 0;
    for (int32_t i = 0; i < kTokenTypeRowCount; ++i)
    {
        if (g_tokenTypes[i].family == family)
        {
            if (first < 0)
                first = i;
            ++count;
        }
    }
    if (count == 0)
        return nullptr;
    uint32_t h = seed ? ZNameHash(int32_t(std::strlen(seed)), seed) : 0;
    for (uint32_t attempt = 0; attempt <= count; ++attempt, ++h)
    {
        const ZTokenTypeInfo* candidate = &g_tokenTypes[first + int32_t(h % count)];
        bool isTaken = false;
        for (int32_t t = 0; t < takenCount && !isTaken; ++t)
            isTaken = taken && taken[t] == candidate;
        if (!isTaken)
            return candidate;
    }
    return nullptr;
}

void ChooseTokenTypes(const std::vector<std::string>& names, const char* levelName,
                      const ZTokenTypeInfo* out[kLevelTokenTypes])
{
    for (int32_t i = 0; i < kLevelTokenTypes; ++i)
    {
        const ZTokenTypeInfo* row = nullptr;
        if (size_t(i) < names.size())
            row = FindTokenType(names[size_t(i)].c_str(), levelName, out, i);
        out[i] = row ? row : &g_tokenTypes[0];
    }
}

int32_t TokenTypeRowIndex(const ZTokenTypeInfo* row)
{
    if (row < &g_tokenTypes[0] || row > &g_tokenTypes[kTokenTypeRowCount])
        return -1;
    return int32_t(row - &g_tokenTypes[0]);
}

void SetLevelTokenTypes(const ZTokenTypeInfo* const rows[kLevelTokenTypes])
{
    for (int32_t i = 0; i < kLevelTokenTypes; ++i)
        s_levelRows[i] = rows && rows[i] ? rows[i] : &g_tokenTypes[0];
}

const ZTokenTypeInfo* GetLevelTokenType(int32_t type)
{
    if (type < 0 || type >= kLevelTokenTypes)
        return nullptr;
    return s_levelRows[type] ? s_levelRows[type] : &g_tokenTypes[0];
}

ZTextureResource* GetLevelTokenTexture(int32_t type, int32_t look)
{
    const ZTokenTypeInfo* row = GetLevelTokenType(type);
    if (!row || look < 0 || look >= kLookCount)
        return nullptr;
    return row->textures[look];
}

void LoadTokenTypeTextures()
{
    char path[128];
    for (int32_t i = 0; i < kTokenTypeRowCount; ++i)
    {
        ZTokenTypeInfo& row = g_tokenTypes[i];
        const int32_t looks = row.colourGroup == kColourTreasure ? 1 : kLookCount;
        for (int32_t look = 0; look < looks; ++look)
        {
            if (row.textures[look])
                continue;
            std::snprintf(path, sizeof(path), "resources:token_%s%s.png", row.name, kTokenLookSuffix[look]);
            row.textures[look] = ZTexture::FindOrLoad(path, 0, 1);
            if (row.textures[look])
                row.textures[look]->AddRef();
        }
    }
    if (!s_artifactTexture)
    {
        s_artifactTexture = ZTexture::FindOrLoad("resources:token_artifact_0.png", 0, 1);
        if (s_artifactTexture)
            s_artifactTexture->AddRef();
    }
}

void ReleaseTokenTypeTextures()
{
    for (int32_t i = 0; i < kTokenTypeRowCount; ++i)
    {
        for (ZTextureResource*& texture : g_tokenTypes[i].textures)
            Drop(texture);
    }
    Drop(s_artifactTexture);
}

ZTextureResource* GetArtifactTokenTexture()
{
    return s_artifactTexture;
}
